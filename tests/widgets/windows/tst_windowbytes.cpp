// What the window tells about its table's bytes and the files it opens: rows from elsewhere
// that hold what the results file cannot, control characters dropped from an opened file,
// a results file of the other instrument, the unsaved mark and the kept column widths.

#include <QLabel>
#include <QStatusBar>

#include "WindowTestSupport.h"
#include "archive/ArchiveRecords.h"
#include "settings/TIniPlus.h"
#include "text/FileStrings.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TForm2.h"

namespace {

const QByteArray kTable = "a\t02.03.2024\t08:00:00\t1\t9,00\r\n" + QByteArray(15, '\t') + "\r\n";

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstWindowBytes : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TstWindowBytes()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    QString data() const { return path(QStringLiteral("data.txt")); }
    void useData(const QString &extra = QString())
    {
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(data()) + extra);
        QVERIFY(putFile(data(), kTable));
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void otherFamilyAsked_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asked");
        QTest::newRow("a Mirel table") << "a\t02.03.2024" + QByteArray(29, '\t') + "\r\n" << true;
        QTest::newRow("a Tarvo table") << kTable << false;
    }
    void otherFamilyAsked()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asked);
        useData();
        const QString other = path(QStringLiteral("other.txt"));
        QVERIFY(putFile(other, bytes));
        auto w = window();
        w->AskOpenFileName = [&](const QString &) { return other; };
        m_boxes.answers = {QMessageBox::No};
        w->actOpenFileExecute();
        QCOMPARE(m_boxes.texts(),
                 asked ? QStringList{Str::OtherFamilyOpen.arg(other, Str::FamilyMirel)}
                       : QStringList());
        QCOMPARE(w->FileName(), asked ? data() : other);
    }

    // The caption is the specified one whenever nothing is unsaved.
    void unsavedMark()
    {
        useData();
        auto w = window();
        const QString caption = QStringLiteral("Регистрация(%1)").arg(data());
        QCOMPARE(w->windowTitle(), caption);
        QString text;
        w->MainGridGetEditText(1, 1, text);
        QCOMPARE(w->windowTitle(), QStringLiteral("Регистрация([*]%1)").arg(data()));
        QVERIFY(w->isWindowModified());
        w->actSaveExecute();
        QCOMPARE(w->windowTitle(), caption);
        QVERIFY(!w->isWindowModified());
    }

    // Archived labels the file cannot hold are told when they come and asked about at the
    // save: "No" writes nothing, "Yes" writes their "?" and asks no more.
    void unheldAskedAtSave_data()
    {
        QTest::addColumn<bool>("agree");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void unheldAskedAtSave()
    {
        QFETCH(bool, agree);
        useData();
        auto w = window();
        std::vector<TArchiveHit> hits(1);
        hits[0].label = QStringLiteral("🥛\u200fＡ проба") + QChar(0);
        w->ArchiveLink()->openHits(hits);
        QCOMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].caption, Str::UnheldCaption);
        QVERIFY(m_boxes.calls[0].text.endsWith(
            QStringLiteral("Строка 1: «🥛» U+1F95B, «\u200f» U+200F, «Ａ» U+FF21")));
        const auto *note = w->statusBar()->findChild<QLabel *>(QStringLiteral("tableNote"));
        QVERIFY(note);
        QCOMPARE(note->text(), Str::ControlsDropped.arg(1));

        m_boxes.answers = {agree ? QMessageBox::Yes : QMessageBox::No};
        w->actSaveExecute();
        QCOMPARE(m_boxes.calls.size(), 2);
        QVERIFY(m_boxes.calls[1].text.startsWith(Str::UnheldSave));
        const QString saved = w->FileName();
        QCOMPARE(QFile::exists(saved), agree);
        QCOMPARE(w->Changed(), !agree);
        if (agree) {
            QVERIFY(readFile(saved).startsWith("???? \xEF\xF0\xEE\xE1\xE0\t"));
            w->actSaveExecute();
            QCOMPARE(m_boxes.calls.size(), 2);
        }
    }

    void controlsLeaveOpenedFile()
    {
        useData();
        const QString other = path(QStringLiteral("nul.txt"));
        QVERIFY(putFile(other, QByteArray("a\0b\t02.03.2024\t08:00:00\r\n", 25)));
        auto w = window();
        w->AskOpenFileName = [&](const QString &) { return other; };
        m_boxes.answers = {QMessageBox::Yes}; // it does not look like a table: asked first
        w->actOpenFileExecute();
        QCOMPARE(w->FileName(), other);
        QCOMPARE(w->MainGrid->Cells(1, 1), QStringLiteral("ab"));
        const auto *note = w->statusBar()->findChild<QLabel *>(QStringLiteral("tableNote"));
        QVERIFY(note);
        QCOMPARE(note->text(), Str::ControlsDropped.arg(1));
    }

    void columnWidthsKept_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("written");
        QTest::newRow("none") << QString() << -1 << QString();
        QTest::newRow("one dragged") << "[Window]\r\nColumnWidths=1:200\r\n" << 200 << "1:200";
    }
    void columnWidthsKept()
    {
        QFETCH(QString, section);
        QFETCH(int, width);
        QFETCH(QString, written);
        useData(section);
        auto w = window();
        w->resize(756, 527);
        w->FormResize();
        const int rule = (w->MainGrid->GridClientWidth() - 2) / 16;
        QCOMPARE(w->MainGrid->ColWidths(1), width > 0 ? width : rule);
        QCOMPARE(w->MainGrid->ColWidths(2), rule);
        w->close();
        QCOMPARE(TIniPlus(path("Tarvo.Ini")).ReadString("Window", "ColumnWidths", QString()),
                 written);
    }
};

WINDOW_TEST_MAIN(TstWindowBytes)
#include "tst_windowbytes.moc"
