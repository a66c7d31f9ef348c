#include <QTest>

#include "table/CellText.h"
#include "table/TRowStore.h"

class TstRowsFromElsewhere : public QObject
{
    Q_OBJECT
private slots:
    // A file's or a journal's lines lose their control bytes and keep their cells apart.
    void storeLinesLoseControls()
    {
        TRowStore rows(4);
        rows.AppendLine("1\tok\t01.02.2026\t");
        rows.AppendLine(QByteArray("2\ta\0b\t01.02.2026\t\x98\x7f", 18));
        rows.AppendLine("3\t\x01\x1b\t\t");
        QCOMPARE(CellText::dropControls(rows), (std::vector<int>{2, 3}));
        QCOMPARE(rows.Line(0), QByteArray("1\tok\t01.02.2026\t"));
        QCOMPARE(rows.Line(1), QByteArray("2\tab\t01.02.2026\t"));
        QCOMPARE(rows.Line(2), QByteArray("3\t\t\t"));
    }
};

QTEST_GUILESS_MAIN(TstRowsFromElsewhere)
#include "tst_rowsfromelsewhere.moc"
