#include <QTest>

#include <QProcess>
#include <QTemporaryDir>

#include "quality/TCellNumber.h"
#include "quality/TLimits.h"
#include "quality/TRowMarks.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "table/TRowStore.h"
#include "text/Cp1251.h"
#include "text/Strings.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);
constexpr double None = std::numeric_limits<double>::quiet_NaN();

TLimit lim(double min, double max)
{
    return TLimit{min, max};
}

} // namespace

Q_DECLARE_METATYPE(TLimit)

class TestLimits : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = m_dir->filePath(QStringLiteral("Tarvo.Ini"));
    }
    void cleanup() { removeTestDir(m_dir); }

    void cellNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("russian");
        QTest::addColumn<double>("value"); // NaN: no number

        QTest::newRow("as shown, blanks") << " -0,52 " << true << -0.52;
        QTest::newRow("point in a comma locale") << "3.88" << true << 3.88;
        QTest::newRow("comma in a point locale") << "3,88" << false << None;
        QTest::newRow("separator first") << ",5" << true << 0.5;
        QTest::newRow("scientific as shown") << "1,23456789E10" << true << 1.23456789e10;
        QTest::newRow("more digits than exact")
            << "1234567890,1234567" << true << 1234567890.1234567;
        QTest::newRow("NAN as shown") << "NAN" << true << None;
        QTest::newRow("huge") << "1E999" << true << None;
        QTest::newRow("label") << "Проба 7" << true << None;
        QTest::newRow("digits then text") << "12 кор." << true << None;
        QTest::newRow("two separators") << "1,2,3" << true << None;
        QTest::newRow("grouped thousands") << QStringLiteral("1\u00A0027,50") << true << None;
        QTest::newRow("too long") << QString(70, u'1') << false << None;
    }
    void cellNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, russian);
        QFETCH(double, value);
        const TCellNumber reader(russian ? Ru : QLocale::c());
        // The grid's cells are bytes in the row store, read inside a whole line too.
        const QByteArray line = "x\t" + Cp1251::encode(text) + "\ty";
        const char *p = line.constData() + 2;
        const double scanned = reader.scan(p, line.constData() + line.size());
        QCOMPARE(*p, '\t');
        const std::optional<double> typed = reader.read(QStringView(text));
        QCOMPARE(typed.has_value(), !std::isnan(value));
        QCOMPARE(std::isnan(scanned), std::isnan(value));
        if (typed) {
            QCOMPARE(*typed, value);
            QCOMPARE(scanned, value);
        }
    }

    void parse_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("error");
        QTest::addColumn<TLimit>("limit");
        QTest::addColumn<QString>("written");
        const int ok = int(TLimits::ParseError::None);
        const int pair = int(TLimits::ParseError::NotPair);
        const int number = int(TLimits::ParseError::NotNumber);
        const int order = int(TLimits::ParseError::MinAboveMax);

        QTest::newRow("both") << "2.8;6.0" << ok << lim(2.8, 6.0) << "2.8;6";
        QTest::newRow("commas, blanks") << " 2,8 ; 6,0 " << ok << lim(2.8, 6.0) << "2.8;6";
        QTest::newRow("max only") << ";-0.520" << ok << lim(None, -0.52) << ";-0.52";
        QTest::newRow("equal, negative zero") << "-0;0" << ok << lim(0, 0) << "0;0";
        QTest::newRow("a sum") << "0.30000000000000004;" << ok << lim(0.1 + 0.2, None)
                               << "0.30000000000000004;";
        QTest::newRow("empty: no limit") << "" << ok << TLimit{} << ";";
        QTest::newRow("min above max") << "6;2.8" << order << TLimit{} << "";
        QTest::newRow("one number") << "5" << pair << TLimit{} << "";
        QTest::newRow("commas as the pair mark") << "2,8,6,0" << pair << TLimit{} << "";
        QTest::newRow("nan") << "nan;1" << number << TLimit{} << "";
        QTest::newRow("out of range") << "1e400;" << number << TLimit{} << "";
    }
    void parse()
    {
        QFETCH(QString, value);
        QFETCH(int, error);
        QFETCH(TLimit, limit);
        QFETCH(QString, written);
        TLimits::ParseError why = TLimits::ParseError::None;
        const std::optional<TLimit> got = TLimits::parse(value, &why);
        QCOMPARE(int(why), error);
        QCOMPARE(got.has_value(), error == int(TLimits::ParseError::None));
        if (!got)
            return;
        QVERIFY(*got == limit);
        QCOMPARE(TLimits::format(*got), written);
        QVERIFY(*TLimits::parse(written) == limit); // what is written reads back the same
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
        QTest::newRow("at min, no limit above") << 6 << "2,80" << within << "";
        QTest::newRow("below") << 6 << "2,79" << below << "ниже нормы: 2,79 < 2,80";
        QTest::newRow("water") << 10 << "3,88" << above << "выше нормы: 3,88 > 0,00";
        QTest::newRow("freezing point") << 15 << "-0,50" << above << "выше нормы: -0,50 > -0,52";
        QTest::newRow("density") << 8 << "1026,99" << below << "ниже нормы: 1026,99 < 1027,00";
        QTest::newRow("limit of three decimals")
            << 9 << "0,50" << above << "выше нормы: 0,50 > 0,125";
        QTest::newRow("label in a value cell") << 6 << "Проба" << int(TVerdict::NotNumber) << "";
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
        QCOMPARE(limits.tip(col, shown, reader), tip);
    }

    void readSection()
    {
        QVERIFY(putFile(m_file, "[Config]\r\nCOM=COM1\r\n[Limits]\r\n"
                                "6=2.8;6.0\r\n7=8,2;\r\n15=;-0.520\r\n"
                                "9=3.6;2.8\r\n" // min above max
                                "10=nan;\r\n"   // no number
                                "11=много\r\n"  // no pair
                                "4=1;2\r\n"     // the group column is no value column
                                "17=1;2\r\n"    // beyond the window's columns
                                "Жир=1;2\r\n"   // a title is no key
                                "-6=1;2\r\n"
                                "6=0;1\r\n" // the first line of a key counts
                                "12=\r\n"   // blank: no limit, no note
                                "[View]\r\n5=1\r\n"));
        const QByteArray before = getFile(m_file);
        QStringList notes;
        const TLimits limits = TLimits::read(TIniPlus(m_file), 5, 16, &notes);
        QCOMPARE(limits.columns(), (QList<int>{6, 7, 15}));
        QVERIFY(limits.limit(7) == lim(8.2, None));
        QCOMPARE(notes.size(), 7);
        QVERIFY(notes[0].contains(QStringLiteral("столбец 9: минимум больше максимума")));
        QVERIFY(notes[1].contains(QStringLiteral("столбец 10: «nan;»")));
        QVERIFY(notes[5].contains(QStringLiteral("нет столбца «Жир»")));
        QCOMPARE(getFile(m_file), before); // reading never writes

        // A thousand keys of long junk: a few short notes, then how many more.
        QByteArray junk = "[Limits]\r\n";
        for (int k = 0; k < 1000; ++k)
            junk += QByteArray::number(k) + "=x" + QByteArray(500, 'y') + "\r\n";
        QVERIFY(putFile(m_file, junk));
        notes.clear();
        QVERIFY(TLimits::read(TIniPlus(m_file), 5, 31, &notes).isEmpty());
        QCOMPARE(notes.size(), 9);
        QCOMPARE(notes.last(), QStringLiteral("Нормы: ещё замечаний: 992"));
        QVERIFY(notes[0].size() < 100);
    }

    void writeKeepsTheRestOfTheFile()
    {
        QVERIFY(putFile(m_file, "; the operator's note\r\n[Config]\r\nCOM=COM3\r\n\r\n"
                                "[Limits]\r\n07=1;2\r\n9=2.8;3.6\r\n40=5;6\r\n\r\n"
                                "[View]\r\n5=0\r\n"));
        TLimits limits;
        limits.setLimit(7, lim(8.2, None));    // written under the file's own key "07"
        limits.setLimit(15, lim(None, -0.52)); // a new key
        // Column 9 lost its limit; key 40 is not the window's and stays.
        TIniPlus ini(m_file);
        QVERIFY(limits.write(ini, 5, 31));
        QCOMPARE(getFile(m_file),
                 QByteArray("; the operator's note\r\n[Config]\r\nCOM=COM3\r\n\r\n"
                            "[Limits]\r\n07=8.2;\r\n9=\r\n40=5;6\r\n15=;-0.52\r\n\r\n"
                            "[View]\r\n5=0\r\n"));
        QVERIFY(TLimits::read(TIniPlus(m_file), 5, 31) == limits);

        // No limits and no section: the file stays as it was, or is not made at all.
        const QByteArray config("[Config]\r\nCOM=COM1\r\n");
        QVERIFY(putFile(m_file, config));
        TIniPlus plain(m_file);
        QVERIFY(TLimits().write(plain, 5, 16));
        QCOMPARE(getFile(m_file), config);
        TIniPlus none(m_dir->filePath(QStringLiteral("None.Ini")));
        QVERIFY(TLimits().write(none, 5, 16));
        QVERIFY(!QFile::exists(none.FileName()));

        // Limits written back unchanged keep the file's own spelling of them.
        const QByteArray spelled("[Limits]\r\n6=2.8;6.0\r\n8=2,80;\r\n10=\r\n");
        QVERIFY(putFile(m_file, spelled));
        TIniPlus same(m_file);
        QVERIFY(TLimits::read(same, 5, 16).write(same, 5, 16));
        QCOMPARE(getFile(m_file), spelled);
    }

    // The demo's limits read whole and fall on the columns they are meant for.
    void demoLimits()
    {
        const QString script = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../scripts/demo-limits.sh");
        QProcess bash;
        bash.start(QStringLiteral("bash"),
                   {QStringLiteral("-c"), QStringLiteral(". '%1' && tarvo_limits").arg(script)});
        QVERIFY(bash.waitForFinished());
        QVERIFY(putFile(m_file, bash.readAllStandardOutput()));
        QStringList notes;
        const TLimits limits = TLimits::read(TIniPlus(m_file), 5, 16, &notes);
        QVERIFY2(notes.isEmpty(), qPrintable(notes.join(u'\n')));
        const auto at = [&](const char *title) {
            return limits.limit(int(Str::TarvoTitles.indexOf(QString::fromUtf8(title))));
        };
        QVERIFY(at("Жир") == lim(2.8, 6.0));
        QVERIFY(at("Белок") == lim(2.8, 3.6));
        QVERIFY(at("СОМО") == lim(8.2, None));
        QVERIFY(at("Т.замерзания") == lim(None, -0.52));
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
        const char *cells[][3] = {{"3,50", "0,00", "1,50"}, // good
                                  {"2,10", "0,00", "1,50"}, // fat below
                                  {"3,50", "3,88", "2,50"}, // water, last column above
                                  {"6,50", "x", "0,50"}};   // above, text, below
        rows.SetRowCount(4);
        for (int r = 0; r < 4; ++r) {
            for (int i = 0; i < 3; ++i)
                rows.SetCell(QList<int>{6, 10, 31}[i], r, QString::fromLatin1(cells[r][i]));
        }
        QCOMPARE(marks.verdict(rows, 1, 6), TVerdict::Below);
        QCOMPARE(marks.verdict(rows, 2, 31), TVerdict::Above);
        QCOMPARE(marks.verdict(rows, 3, 10), TVerdict::NotNumber);
        const quint8 both = TRowMarks::BelowMark | TRowMarks::AboveMark;
        const QList<quint8> want = {TRowMarks::NoMark, TRowMarks::BelowMark, TRowMarks::AboveMark,
                                    both};
        for (int r = 0; r < 4; ++r)
            QCOMPARE(marks.rowMark(rows, r), want[r]);

        // A row is read once, until it is forgotten; rows removed before it move it back.
        rows.SetCell(6, 3, QStringLiteral("3,00"));
        QCOMPARE(marks.rowMark(rows, 3), both);
        marks.forget(3, 3);
        QCOMPARE(marks.rowMark(rows, 3), quint8(TRowMarks::BelowMark));
        for (int r = 0; r < 3; ++r)
            rows.SetLine(r, rows.Line(r + 1));
        rows.SetRowCount(3);
        marks.removed(0, 1);
        QCOMPARE(marks.rowMark(rows, 1), quint8(TRowMarks::AboveMark));
    }
};

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
