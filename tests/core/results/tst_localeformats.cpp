#include <QTest>

#include <cmath>
#include <limits>

#include "results/LocaleFormats.h"

namespace {

const QLocale Russian(QLocale::Russian, QLocale::Russia);
const QLocale American(QLocale::English, QLocale::UnitedStates);

} // namespace

class TestLocaleFormats : public QObject
{
    Q_OBJECT
private slots:
    void value_data()
    {
        // Written with the Russian comma; the point locales must give the same with a point.
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0,00";
        QTest::newRow("negative zero") << -0.0 << "0,00";
        QTest::newRow("one") << 1.0 << "1,00";
        QTest::newRow("temperature") << 36.5 << "36,50";
        QTest::newRow("negative") << -0.53125 << "-0,53";
        QTest::newRow("seven integer digits") << 1234567.891 << "1234567,89";
        QTest::newRow("eight integer digits: nine significant win")
            << 12345678.987 << "12345679,00";
        QTest::newRow("nine integer digits") << 123456789.123 << "123456789,00";
        QTest::newRow("half rounds away from zero") << 0.125 << "0,13";
        QTest::newRow("negative half rounds away from zero") << -0.125 << "-0,13";
        QTest::newRow("just below a half stays down") << 2.675 << "2,67";
        QTest::newRow("rounding carries into the integer") << 9.999 << "10,00";
        QTest::newRow("small positive") << 0.005 << "0,01";
        QTest::newRow("small negative rounds to unsigned zero") << -0.001 << "0,00";
        QTest::newRow("tiny") << std::ldexp(1.0, -128) << "0,00";
        QTest::newRow("carry to ten integer digits goes scientific") << 999999999.996 << "1E09";
        QTest::newRow("ten integer digits") << 1234567890.0 << "1,23456789E09";
        QTest::newRow("eleven integer digits") << 1.23456789e10 << "1,23456789E10";
        QTest::newRow("scientific rounds to nine digits") << 12345678951.0 << "1,2345679E10";
        QTest::newRow("scientific drops trailing zeros") << 1e12 << "1E12";
        QTest::newRow("negative scientific") << -2.5e15 << "-2,5E15";
        QTest::newRow("largest instrument value") << std::ldexp(1.0, 126) << "8,50705917E37";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "NAN";
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << "-INF";
    }
    void value()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatValue(value, Russian), text);
        QString pointText = text;
        pointText.replace(QLatin1Char(','), QLatin1Char('.'));
        QCOMPARE(FormatValue(value, QLocale::c()), pointText);
        QCOMPARE(FormatValue(value, American), pointText);
    }

    void dateAndTime_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("format");
        QTest::newRow("ru_RU") << Russian << "05.03.2024"
                               << "09:05:07"
                               << "HH:mm:ss";
        QTest::newRow("en_US") << American << "3/5/24"
                               << "9:05:07 AM"
                               << "h:mm:ss AP";
        QTest::newRow("C") << QLocale::c() << "5 Mar 2024"
                           << "09:05:07"
                           << "HH:mm:ss";
        // Zone fields in front and in brackets, and quoted text with a 't' in it.
        QTest::newRow("my_MM zone first")
            << QLocale("my_MM") << QString() << QString() << "HH:mm:ss";
        QTest::newRow("eu_ES zone in brackets")
            << QLocale("eu_ES") << QString() << QString() << "HH:mm:ss";
        QTest::newRow("nds_DE quoted text")
            << QLocale("nds_DE") << QString() << QString() << "'Klock' H.mm:ss";
        QTest::newRow("zh_TW square brackets")
            << QLocale("zh_TW") << QString() << QString() << "Bh:mm:ss";
    }
    void dateAndTime()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, format);
        QCOMPARE(LongTimeFormatWithoutZone(locale), format);
        if (!date.isEmpty())
            QCOMPARE(FormatShortDate(QDate(2024, 3, 5), locale), date);
        if (!time.isEmpty())
            QCOMPARE(FormatLongTime(QTime(9, 5, 7), locale), time);
    }

    void noLocaleKeepsAZone()
    {
        const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                      QLocale::AnyTerritory);
        for (const QLocale &locale : locales) {
            const QString format = LongTimeFormatWithoutZone(locale);
            QString unquoted;
            bool quoted = false;
            for (QChar c : format) {
                if (c == QLatin1Char('\''))
                    quoted = !quoted;
                else if (!quoted)
                    unquoted += c;
            }
            QVERIFY2(!unquoted.contains(QLatin1Char('t')), qPrintable(locale.name()));
            QVERIFY2(unquoted.contains(QLatin1Char('s')), qPrintable(locale.name()));
            QVERIFY2(format == format.trimmed(), qPrintable(locale.name()));
        }
    }
};

QTEST_APPLESS_MAIN(TestLocaleFormats)
#include "tst_localeformats.moc"
