#include <QTest>

#include <QTemporaryDir>

#include "quality/TCellNumber.h"
#include "quality/TLimits.h"
#include "quality/TRowMarks.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "table/TRowStore.h"
#include "text/Cp1251.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr double None = std::numeric_limits<double>::quiet_NaN();

TLimit lim(double min, double max)
{
    TLimit l;
    l.min = min;
    l.max = max;
    return l;
}

} // namespace

Q_DECLARE_METATYPE(TLimit)

class TstLimits : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_file = m_dir->filePath(QStringLiteral("Tarvo.Ini"));
    }
    void cleanup() { removeTestDir(m_dir); }

    void cellNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("russian");
        QTest::addColumn<double>("value"); // NaN: no number

        QTest::newRow("as shown") << "3,88" << true << 3.88;
        QTest::newRow("negative") << "-0,52" << true << -0.52;
        QTest::newRow("point in a comma locale") << "3.88" << true << 3.88;
        QTest::newRow("comma in a point locale") << "3,88" << false << None;
        QTest::newRow("point locale") << "1027.35" << false << 1027.35;
        QTest::newRow("blanks around") << "  12,5 " << true << 12.5;
        QTest::newRow("plus sign") << "+4" << true << 4.0;
        QTest::newRow("separator last") << "5," << true << 5.0;
        QTest::newRow("separator first") << ",5" << true << 0.5;
        QTest::newRow("scientific as shown") << "1,23456789E10" << true << 1.23456789e10;
        QTest::newRow("exponent without digits") << "1E" << true << None;
        QTest::newRow("huge exponent") << "1E999" << true << None;
        QTest::newRow("NAN as shown") << "NAN" << true << None;
        QTest::newRow("INF as shown") << "-INF" << true << None;
        QTest::newRow("nan lower case") << "nan" << false << None;
        QTest::newRow("label") << "Проба 7" << true << None;
        QTest::newRow("digits then label") << "12 кор." << true << None;
        QTest::newRow("empty") << "" << true << None;
        QTest::newRow("sign alone") << "-" << true << None;
        QTest::newRow("separator alone") << "," << true << None;
        QTest::newRow("two separators") << "1,2,3" << true << None;
        QTest::newRow("grouped thousands") << QStringLiteral("1\u00A0027,50") << true << None;
        QTest::newRow("hex") << "0x1F" << false << None;
        QTest::newRow("too long") << QString(70, u'1') << false << None;
    }
    void cellNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, russian);
        QFETCH(double, value);
        const TCellNumber reader(russian ? Ru : QLocale::c());
        // The grid's cells are bytes in the row store; the dialog reads typed text.
        const std::optional<double> fromBytes = reader.read(QByteArrayView(Cp1251::encode(text)));
        const std::optional<double> fromText = reader.read(QStringView(text));
        QCOMPARE(fromBytes.has_value(), !std::isnan(value));
        QCOMPARE(fromText.has_value(), !std::isnan(value));
        if (fromBytes) {
            QCOMPARE(*fromBytes, value);
            QCOMPARE(*fromText, value);
        }
    }

    void parse_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("error");
        QTest::addColumn<TLimit>("limit");
        const int ok = int(TLimits::ParseError::None);
        const int pair = int(TLimits::ParseError::NotPair);
        const int number = int(TLimits::ParseError::NotNumber);
        const int order = int(TLimits::ParseError::MinAboveMax);

        QTest::newRow("both") << "2.8;6.0" << ok << lim(2.8, 6.0);
        QTest::newRow("commas") << "2,8;6,0" << ok << lim(2.8, 6.0);
        QTest::newRow("max only") << ";-0.520" << ok << lim(None, -0.52);
        QTest::newRow("min only") << "8.2;" << ok << lim(8.2, None);
        QTest::newRow("equal") << "0;0" << ok << lim(0, 0);
        QTest::newRow("blanks") << "  1027 ; 1030 " << ok << lim(1027, 1030);
        QTest::newRow("empty: no limit") << "" << ok << TLimit{};
        QTest::newRow("semicolon alone: no limit") << ";" << ok << TLimit{};
        QTest::newRow("min above max") << "6;2.8" << order << TLimit{};
        QTest::newRow("one number") << "5" << pair << TLimit{};
        QTest::newRow("three parts") << "1;2;3" << pair << TLimit{};
        QTest::newRow("nan") << "nan;1" << number << TLimit{};
        QTest::newRow("inf") << ";inf" << number << TLimit{};
        QTest::newRow("out of range") << "1e400;" << number << TLimit{};
        QTest::newRow("words") << "мало;много" << number << TLimit{};
        QTest::newRow("comma as the pair mark") << "2,8,6,0" << pair << TLimit{};
    }
    void parse()
    {
        QFETCH(QString, value);
        QFETCH(int, error);
        QFETCH(TLimit, limit);
        TLimits::ParseError why = TLimits::ParseError::None;
        const std::optional<TLimit> got = TLimits::parse(value, &why);
        QCOMPARE(int(why), error);
        QCOMPARE(got.has_value(), error == int(TLimits::ParseError::None));
        if (got)
            QVERIFY(*got == limit);
    }

    void formatReadsBack_data()
    {
        QTest::addColumn<TLimit>("limit");
        QTest::addColumn<QString>("text");
        QTest::newRow("fat") << lim(2.8, 6.0) << "2.8;6";
        QTest::newRow("freezing point") << lim(None, -0.52) << ";-0.52";
        QTest::newRow("density") << lim(1027, 1030) << "1027;1030";
        QTest::newRow("negative zero") << lim(-0.0, 0) << "0;0";
        QTest::newRow("a sum") << lim(0.1 + 0.2, None) << "0.30000000000000004;";
        QTest::newRow("large") << lim(None, 1.5e300) << ";1.5e+300";
    }
    void formatReadsBack()
    {
        QFETCH(TLimit, limit);
        QFETCH(QString, text);
        QCOMPARE(TLimits::format(limit), text);
        const std::optional<TLimit> back = TLimits::parse(text);
        QVERIFY(back);
        QVERIFY(*back == limit);
    }

    void judge_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("tip");
        const int below = int(TVerdict::Below);
        const int above = int(TVerdict::Above);
        const int within = int(TVerdict::Within);
        const int text = int(TVerdict::NotNumber);
        QTest::newRow("at min") << 6 << "2,80" << within << "";
        QTest::newRow("at max") << 6 << "6,00" << within << "";
        QTest::newRow("below") << 6 << "2,79" << below << "ниже нормы: 2,79 < 2,80";
        QTest::newRow("above") << 6 << "6,01" << above << "выше нормы: 6,01 > 6,00";
        QTest::newRow("water above zero") << 10 << "3,88" << above << "выше нормы: 3,88 > 0,00";
        QTest::newRow("freezing point above")
            << 15 << "-0,50" << above << "выше нормы: -0,50 > -0,52";
        QTest::newRow("freezing point low is good") << 15 << "-0,60" << within << "";
        QTest::newRow("density below") << 8 << "1026,99" << below
                                       << "ниже нормы: 1026,99 < 1027,00";
        QTest::newRow("three decimals of a limit")
            << 9 << "0,50" << above << "выше нормы: 0,50 > 0,125";
        QTest::newRow("no limit") << 5 << "99,00" << within << "";
        QTest::newRow("label in a value cell") << 6 << "Проба" << text << "";
        QTest::newRow("empty") << 6 << "" << text << "";
    }
    void judge()
    {
        QFETCH(int, col);
        QFETCH(QString, shown);
        QFETCH(int, verdict);
        QFETCH(QString, tip);
        TLimits limits;
        limits.setLimit(6, lim(2.8, 6.0));
        limits.setLimit(8, lim(1027, 1030));
        limits.setLimit(9, lim(None, 0.125));
        limits.setLimit(10, lim(None, 0));
        limits.setLimit(15, lim(None, -0.52));
        const TCellNumber reader(Ru);
        QCOMPARE(int(limits.classify(col, QStringView(shown), reader)), verdict);
        QCOMPARE(int(limits.classify(col, QByteArrayView(Cp1251::encode(shown)), reader)),
                 verdict);
        QCOMPARE(limits.tip(col, shown, reader), tip);
    }

    void readSection()
    {
        QVERIFY(putFile(m_file, "[Config]\r\nCOM=COM1\r\n[Limits]\r\n"
                                "6=2.8;6.0\r\n"
                                "7=8,2;\r\n"
                                "15=;-0.520\r\n"
                                "9=3.6;2.8\r\n"  // min above max
                                "10=nan;\r\n"     // no number
                                "11=много\r\n"    // no pair
                                "4=1;2\r\n"       // the group column is no value column
                                "17=1;2\r\n"      // beyond the window's columns
                                "Жир=1;2\r\n"     // a title is no key
                                "-6=1;2\r\n"
                                "6=0;1\r\n"       // the first line of a key counts
                                "12=\r\n"         // blank: no limit, no note
                                "[View]\r\n5=1\r\n"));
        const QByteArray before = getFile(m_file);
        QStringList notes;
        const TLimits limits = TLimits::read(TIniPlus(m_file), 5, 16, &notes);
        QCOMPARE(limits.columns(), (QList<int>{6, 7, 15}));
        QVERIFY(limits.limit(6) == lim(2.8, 6.0));
        QVERIFY(limits.limit(7) == lim(8.2, None));
        QVERIFY(limits.limit(15) == lim(None, -0.52));
        QCOMPARE(notes.size(), 7);
        QVERIFY(notes[0].contains(QStringLiteral("столбец 9: минимум больше максимума")));
        QVERIFY(notes[1].contains(QStringLiteral("столбец 10: «nan;»")));
        QVERIFY(notes[3].contains(QStringLiteral("нет столбца «4»")));
        QVERIFY(notes[5].contains(QStringLiteral("нет столбца «Жир»")));
        QCOMPARE(getFile(m_file), before); // reading never writes
    }

    void manyKeysGiveFewNotes()
    {
        QByteArray text = "[Limits]\r\n";
        for (int k = 0; k < 1000; ++k)
            text += QByteArray::number(k) + "=x" + QByteArray(500, 'y') + "\r\n";
        QVERIFY(putFile(m_file, text));
        QStringList notes;
        const TLimits limits = TLimits::read(TIniPlus(m_file), 5, 31, &notes);
        QVERIFY(limits.isEmpty());
        QCOMPARE(notes.size(), 9); // eight, and how many more
        QCOMPARE(notes.last(), QStringLiteral("Нормы: ещё замечаний: 992"));
        for (const QString &n : notes)
            QVERIFY2(n.size() < 100, qPrintable(n)); // a long value is cut short
    }

    void writeKeepsTheRestOfTheFile()
    {
        QVERIFY(putFile(m_file, "; the operator's note\r\n[Config]\r\nCOM=COM3\r\n\r\n"
                                "[Limits]\r\n07=1;2\r\n9=2.8;3.6\r\n40=5;6\r\n\r\n"
                                "[View]\r\n5=0\r\n"));
        TLimits limits;
        limits.setLimit(7, lim(8.2, None));   // written under the file's own key "07"
        limits.setLimit(15, lim(None, -0.52)); // a new key
        // Column 9 lost its limit; key 40 is not the window's and stays.
        TIniPlus ini(m_file);
        QVERIFY(limits.write(ini, 5, 31));
        QCOMPARE(getFile(m_file),
                 QByteArray("; the operator's note\r\n[Config]\r\nCOM=COM3\r\n\r\n"
                            "[Limits]\r\n07=8.2;\r\n9=\r\n40=5;6\r\n15=;-0.52\r\n\r\n"
                            "[View]\r\n5=0\r\n"));
        QVERIFY(TLimits::read(TIniPlus(m_file), 5, 31) == limits);
    }

    void writeNothingWithoutLimits()
    {
        const QByteArray text("[Config]\r\nCOM=COM1\r\n");
        QVERIFY(putFile(m_file, text));
        TIniPlus ini(m_file);
        QVERIFY(TLimits().write(ini, 5, 16));
        QCOMPARE(getFile(m_file), text);
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("None.Ini"))));
        TIniPlus none(m_dir->filePath(QStringLiteral("None.Ini")));
        QVERIFY(TLimits().write(none, 5, 16));
        QVERIFY(!QFile::exists(none.FileName()));
    }

    void rowMarks()
    {
        TLimits limits;
        limits.setLimit(6, lim(2.8, 6.0));
        limits.setLimit(10, lim(None, 0));
        limits.setLimit(31, lim(1, 2)); // the last column of the wider window
        TRowMarks marks{TCellNumber(Ru)};
        marks.setLimits(limits);

        TRowStore rows(32);
        const auto row = [&](int r, const char *fat, const char *water, const char *last) {
            rows.SetCell(6, r, QString::fromLatin1(fat));
            rows.SetCell(10, r, QString::fromLatin1(water));
            rows.SetCell(31, r, QString::fromLatin1(last));
        };
        rows.SetRowCount(4);
        row(0, "3,50", "0,00", "1,50");  // good
        row(1, "2,10", "0,00", "1,50");  // fat below
        row(2, "3,50", "3,88", "2,50");  // water and the last column above
        row(3, "6,50", "x", "0,50");     // above, text, below
        QCOMPARE(marks.verdict(rows, 0, 6), TVerdict::Within);
        QCOMPARE(marks.verdict(rows, 0, 7), TVerdict::NotNumber); // no limit: not read
        QCOMPARE(marks.verdict(rows, 1, 6), TVerdict::Below);
        QCOMPARE(marks.verdict(rows, 2, 31), TVerdict::Above);
        QCOMPARE(marks.verdict(rows, 3, 10), TVerdict::NotNumber);
        QCOMPARE(marks.rowMark(rows, 0), quint8(TRowMarks::NoMark));
        QCOMPARE(marks.rowMark(rows, 1), quint8(TRowMarks::BelowMark));
        QCOMPARE(marks.rowMark(rows, 2), quint8(TRowMarks::AboveMark));
        QCOMPARE(marks.rowMark(rows, 3), quint8(TRowMarks::BelowMark | TRowMarks::AboveMark));

        // A row is read once until it is forgotten.
        rows.SetCell(6, 0, QStringLiteral("1,00"));
        QCOMPARE(marks.verdict(rows, 0, 6), TVerdict::Within);
        marks.forget(0, 0);
        QCOMPARE(marks.verdict(rows, 0, 6), TVerdict::Below);

        // Inserted and removed rows move the rows after them.
        rows.SetRowCount(5);
        rows.SetLine(4, rows.Line(3));
        rows.SetLine(3, rows.Line(2));
        rows.SetLine(2, QByteArray(31, '\t'));
        marks.inserted(2, 1);
        QCOMPARE(marks.rowMark(rows, 3), quint8(TRowMarks::AboveMark));
        QCOMPARE(marks.rowMark(rows, 2), quint8(TRowMarks::NoMark));
        marks.removed(0, 2);
        rows.SetLine(0, rows.Line(2));
        rows.SetLine(1, rows.Line(3));
        rows.SetLine(2, rows.Line(4));
        rows.SetRowCount(3);
        QCOMPARE(marks.rowMark(rows, 1), quint8(TRowMarks::AboveMark));
        QCOMPARE(marks.rowMark(rows, 2), quint8(TRowMarks::BelowMark | TRowMarks::AboveMark));
        QCOMPARE(marks.rowMark(rows, 7), quint8(TRowMarks::NoMark)); // past the end
    }
};

QTEST_GUILESS_MAIN(TstLimits)
#include "tst_limits.moc"
