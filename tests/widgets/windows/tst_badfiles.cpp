// Files the program did not write, opened by the real windows: each opens as far as its
// content allows or is refused with a message, and none is rewritten unless the operator saves.

#include <QApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include "controls/TColorStringGrid.h"
#include "pollers/TOpPoller.h"
#include "support/TestFiles.h"
#include "text/Strings.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

// A window of the given family whose program folder is `dir`; its messages are collected and
// answered No.
std::unique_ptr<TRegistrationWindow> MakeWindow(bool tarvo, const QString &dir,
                                                QStringList *messages)
{
    TRegistrationWindow::SetProgramDir(dir);
    std::unique_ptr<TRegistrationWindow> w;
    if (tarvo)
        w = std::make_unique<TForm2>();
    else
        w = std::make_unique<TForm3>();
    w->MessageBox = [messages](QMessageBox::Icon, const QString &, const QString &text,
                               QMessageBox::StandardButtons) {
        *messages << text;
        return QMessageBox::No;
    };
    return w;
}

QByteArray Ini(const QString &results)
{
    return "[Config]\r\nCOM=/dev/null-port\r\nFileName=" + results.toUtf8() + "\r\n";
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT
private slots:
    void resultsFiles_data();
    void resultsFiles();
    void everyByteSurvivesOpenAndSave();
    void refusedResultsFileIsLeftAlone_data();
    void refusedResultsFileIsLeftAlone();
    void settingsFiles_data();
    void settingsFiles();
};

void TestBadFiles::resultsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");       // data rows and the open row
    QTest::addColumn<int>("cell1Bytes"); // length of the first row's label cell

    const QByteArray mb(1 << 20, 'x');
    // A label loses its control characters; the other cells keep theirs.
    QTest::newRow("NUL bytes") << QByteArray("a\0b\t01.01.2024\t\0\r\n\0\0\0\r\n", 22) << 2 << 2;
    QTest::newRow("1 MB line") << (mb + "\t01.01.2024\r\n") << 2 << int(mb.size());
    QTest::newRow("1 MB line, no TAB, no end") << mb << 1 << int(mb.size());
    QTest::newRow("no line ends") << QByteArray("x\t01.01.2024\ty") << 2 << 1;
    QTest::newRow("bare LF and CR") << QByteArray("a\r\rb\t01.01.2024\nc\t02.01.2024\r") << 3 << 4;
    QTest::newRow("only TABs, no end") << QByteArray(5000, '\t') << 1 << 0;
    QTest::newRow("empty") << QByteArray() << 1 << 0;
}

// Opens without a crash and shows what the file holds; the file stays as it was.
void TestBadFiles::resultsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(int, cell1Bytes);
    for (bool tarvo : {true, false}) {
        QTemporaryDir dir;
        const QString results = dir.filePath(QStringLiteral("r.txt"));
        QVERIFY(putFile(results, bytes));
        QVERIFY(putFile(dir.filePath(tarvo ? "Tarvo.Ini" : "Mirel2.Ini"), Ini(results)));
        QStringList messages;
        auto w = MakeWindow(tarvo, dir.path(), &messages);
        QCOMPARE(w->FileName(), results);
        QCOMPARE(w->MainGrid->RowCount() - 1, rows);
        QCOMPARE(int(w->MainGrid->Rows().CellBytes(1, 0).size()), cell1Bytes);
        QVERIFY(w->MainGrid->Cells(2, w->MainGrid->RowCount() - 1).isEmpty());
        w->close();
        QVERIFY(messages.isEmpty());
        QCOMPARE(getFile(results), bytes);
    }
}

// Every byte value but the line and field breaks comes back from open and save unchanged;
// a label's control characters are left out.
void TestBadFiles::everyByteSurvivesOpenAndSave()
{
    QByteArray bytes;
    QByteArray saved;
    for (int b = 0; b < 256; ++b) {
        if (b == '\t' || b == '\r' || b == '\n')
            continue;
        const QByteArray rest = "\t01.01.2024" + QByteArray(30, '\t').left(29) + char(b) + "\r\n";
        bytes += QByteArray("L") + char(b) + rest;
        const bool control = b < 0x20 || b == 0x7F || b == 0x98;
        saved += (control ? QByteArray("L") : QByteArray("L") + char(b)) + rest;
    }
    bytes += QByteArray(30, '\t') + "\r\n";
    saved += QByteArray(30, '\t') + "\r\n";
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("r.txt"));
    QVERIFY(putFile(results, bytes));
    QVERIFY(putFile(dir.filePath("Mirel2.Ini"), Ini(results)));
    QStringList messages;
    auto w = MakeWindow(false, dir.path(), &messages);
    QCOMPARE(w->MainGrid->RowCount(), 256 - 3 + 2);
    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    w->AskSaveFileName = [copy](const QString &) { return copy; };
    w->actSaveAsExecute();
    QVERIFY(messages.isEmpty());
    QCOMPARE(getFile(copy), saved);
}

void TestBadFiles::refusedResultsFileIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("sparse file over 1 GB") << "huge" << Str::FileTooLarge;
    QTest::newRow("a folder") << "folder" << Str::FileIsFolder;
}

// A refused file: a clear message, an empty table, and after polling results in and closing
// with No the file on the disk is as it was.
void TestBadFiles::refusedResultsFileIsLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("r.txt"));
    if (kind == QLatin1String("huge")) {
        QVERIFY(putFile(results, "x\t01.01.2024\r\n"));
        QVERIFY(QFile::resize(results, (qint64(1) << 30) + 100));
    } else {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("r.txt")));
    }
    const QFileInfo before(results);
    // Named in no settings file: a refusal during creation would show a real message box.
    QStringList messages;
    auto w = MakeWindow(true, dir.path(), &messages);
    w->AskOpenFileName = [results](const QString &) { return results; };
    w->actOpenFileExecute();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(Str::OpenFailed) && messages[0].contains(reason),
             qPrintable(messages[0]));
    QCOMPARE(w->MainGrid->RowCount(), 2);
    w->MainGrid->SetCells(1, 1, QStringLiteral("label"));
    w->close(); // the save prompt (if any) is answered No
    const QFileInfo after(results);
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.lastModified(), before.lastModified());
}

void TestBadFiles::settingsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("keptAsIs"); // the program must not rewrite it
    QTest::addColumn<QString>("port");  // the port it reads from it

    QByteArray binary(4096, '\0');
    QRandomGenerator rng(42);
    for (auto &c : binary)
        c = char(rng.bounded(256));
    QByteArray huge = "[Config]\r\nCOM=/dev/ttyHUGE\r\n";
    huge += QByteArray((1 << 20) + 10, ';');
    QTest::newRow("binary") << binary << false << "COM1";
    QTest::newRow("binary with a Config section")
        << (binary + "\r\n[Config]\r\nCOM=/dev/ttyB\r\n" + binary) << false << "/dev/ttyB";
    QTest::newRow("huge") << huge << true << "COM1";
    QTest::newRow("truncated in a value")
        << QByteArray("[Config]\r\nCOM=/dev/tty") << false << "/dev/tty";
    QTest::newRow("truncated in a header") << QByteArray("[Conf") << false << "COM1";
    QTest::newRow("truncated in a key") << QByteArray("[Config]\r\nCO") << false << "COM1";
    QTest::newRow("NUL inside a value")
        << QByteArray("[Config]\r\nCOM=ab\0cd\r\n", 21) << false << QString::fromUtf8("ab\0cd", 5);
}

void TestBadFiles::settingsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, keptAsIs);
    QFETCH(QString, port);
    for (bool tarvo : {true, false}) {
        QTemporaryDir dir;
        const QString ini = dir.filePath(tarvo ? "Tarvo.Ini" : "Mirel2.Ini");
        QVERIFY(putFile(ini, bytes));
        QStringList messages;
        auto w = MakeWindow(tarvo, dir.path(), &messages);
        QCOMPARE(w->Poller()->Port, port);
        w->close();
        QVERIFY(messages.isEmpty());
        const QByteArray now = getFile(ini);
        if (keptAsIs) {
            QCOMPARE(now, bytes);
        } else {
            // Rewritten on closing, the program's own keys in it and the window still sane.
            QVERIFY(now.contains("FileName="));
            QVERIFY(now.contains("DeviceNumber=0"));
        }
    }
}

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
