#include <QTest>

#include "archive/HitRows.h"
#include "table/CellText.h"
#include "table/TRowStore.h"

class TstRowsFromElsewhere : public QObject
{
    Q_OBJECT
private slots:
    void controlsLeaveLabels_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("dropped");
        QTest::newRow("plain") << "Проба 1"
                               << "Проба 1" << 0;
        QTest::newRow("NUL inside") << QString("до") + QChar(0) + "после"
                                    << "допосле" << 1;
        QTest::newRow("bell and escape") << "\x07"
                                            "a\x1b[0m"
                                         << "a[0m" << 2;
        QTest::newRow("DEL and C1") << QString("a\x7f") + QChar(0x85) << "a" << 2;
        QTest::newRow("TAB and LF are the cell's to blank") << "a\tb\nc"
                                                            << "a\tb\nc" << 0;
    }
    void controlsLeaveLabels()
    {
        QFETCH(QString, given);
        QFETCH(QString, kept);
        QFETCH(int, dropped);
        qsizetype count = -1;
        QCOMPARE(CellText::withoutControls(given, &count), kept);
        QCOMPARE(count, qsizetype(dropped));
    }

    // A file's or a journal's lines lose their control bytes and keep their cells apart.
    void storeLinesLoseControls()
    {
        TRowStore rows(4);
        rows.AppendLine("1\tok\t01.02.2026\t");
        rows.AppendLine(QByteArray("2\ta\0b\t01.02.2026\t\x98", 17));
        rows.AppendLine("3\t\x01\t\t");
        QCOMPARE(CellText::dropControls(rows), (std::vector<int>{2, 3}));
        QCOMPARE(rows.Line(0), QByteArray("1\tok\t01.02.2026\t"));
        QCOMPARE(rows.Line(1), QByteArray("2\tab\t01.02.2026\t"));
        QCOMPARE(rows.Line(2), QByteArray("3\t\t\t"));
    }

    // Archived labels the file cannot hold are named per row; controls go, with the rows.
    void hitsBecomeRows()
    {
        std::vector<TArchiveHit> hits(3);
        hits[2].label = QStringLiteral("старый");
        hits[1].label = QStringLiteral("эмодзи 🥛\u200f🥛");
        hits[1].result.cells = {QString(), QStringLiteral("09.12.2026")};
        hits[0].label = QStringLiteral("ноль") + QChar(0) + QStringLiteral("ＡＢ");
        const THitRows made = HitRows::table(hits, 5);
        QCOMPARE(made.rows.RowCount(), 4); // and the open row
        QCOMPARE(made.rows.Line(0), QByteArray("1\t\xF1\xF2\xE0\xF0\xFB\xE9\t\t\t"));
        QCOMPARE(made.rows.Cell(2, 1), QStringLiteral("09.12.2026"));
        QCOMPARE(made.cleanedRows, std::vector<int>{3});
        QCOMPARE(made.unheld.size(), size_t(2));
        QCOMPARE(made.unheld[0].gridRow, 2);
        QCOMPARE(made.unheld[0].characters, QStringList({"🥛", "\u200f"}));
        QCOMPARE(made.unheld[1].gridRow, 3);
        QCOMPARE(made.unheld[1].characters, QStringList({"Ａ", "Ｂ"}));
        QCOMPARE(CellText::named("🥛"), QStringLiteral("«🥛» U+1F95B"));
        QCOMPARE(CellText::named("\u200f"), QStringLiteral("«\u200f» U+200F"));
    }
};

QTEST_GUILESS_MAIN(TstRowsFromElsewhere)
#include "tst_rowsfromelsewhere.moc"
