// Files the operator did not mean to lose: "Save as" asks before replacing a file that exists,
// and a file that does not look like a results table is opened, and saved over the first
// time, only when the operator says so. The program's own files open as they always did.
// Saved names end in ".txt"; a table of the other instrument is asked about; rows from
// elsewhere lose control characters and are asked about when the file cannot hold them; the
// caption marks unsaved changes; dragged column widths are kept.

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "WindowTestSupport.h"
#include "archive/ArchiveRecords.h"
#include "settings/TIniPlus.h"
#include "text/FileStrings.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TForm2.h"
#include "windows/WindowDialogs.h"

namespace {

const QByteArray kTable = "a\t02.03.2024\t08:00:00\t1\t9,00\r\n" + QByteArray(15, '\t') + "\r\n";

// Plays the operator at the real save dialog: types name, presses Save (again while the
// dialog still reads its folder), answers the replace question, then gives up.
struct DialogPlayer
{
    QString name;
    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList questions;
    int presses = 0;
    bool pressing = false; // Save pressed, not yet returned (its question may be open)
    QObject context;       // no tick outlives the player

    void tick()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            questions << box->text();
            box->button(answer)->click();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && !pressing) {
            if (!questions.isEmpty() || presses++ > 20)
                return dialog->reject();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(name);
            pressing = true;
            QTimer::singleShot(0, dialog, [this, dialog] {
                QMetaObject::invokeMethod(dialog, "accept");
                pressing = false;
            });
        } else if (!modal && presses > 0) {
            return; // the dialog has closed
        }
        QTimer::singleShot(20, &context, [this] { tick(); });
    }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFileMends : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestFileMends()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    QString data() const { return path(QStringLiteral("data.txt")); }
    QString other() const { return path(QStringLiteral("other.txt")); }
    void useData(const QString &extra = QString())
    {
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(data()) + extra);
        QVERIFY(putFile(data(), kTable));
    }

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void saveAsAsksBeforeReplacing_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("a new file: no question") << false << int(QMessageBox::No) << true;
        QTest::newRow("an existing file, No") << true << int(QMessageBox::No) << false;
        QTest::newRow("an existing file, Yes") << true << int(QMessageBox::Yes) << true;
    }
    void saveAsAsksBeforeReplacing()
    {
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(bool, chosen);
        if (exists)
            QVERIFY(putFile(other(), "someone's letter"));
        QWidget parent;
        DialogPlayer player;
        player.name = other();
        player.answer = QMessageBox::StandardButton(answer);
        player.tick();
        const QString name = AskResultsFileName(&parent, true, data());
        QCOMPARE(player.questions.size(), exists ? 1 : 0);
        QCOMPARE(name, chosen ? other() : QString());
    }

    // The dialog adds its suffix only to a name without any; a name with dots gets it too.
    void savedNamesEndInTxt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("dots of its own") << "Смена 09.12.2026"
                                         << "Смена 09.12.2026.txt";
        QTest::newRow("already .txt") << "a.TXT"
                                      << "a.TXT";
    }
    void savedNamesEndInTxt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QWidget parent;
        DialogPlayer player;
        player.name = path(typed);
        player.tick();
        QCOMPARE(AskResultsFileName(&parent, true, data()), path(saved));
    }

    // The program's table opens without a question; anything else asks, and "No" keeps the
    // table that was open.
    void openAsksAboutForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asked");
        QTest::newRow("the program's table") << kTable << false;
        QTest::newRow("binary") << QByteArray("PK\x03\x04\0\0\x14\0", 8) << true;
        QTest::newRow("another program's text")
            << QByteArray("Dear colleague,\r\nthe samples\tare late.\r\n") << true;
    }
    void openAsksAboutForeignFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asked);
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(data()));
        QVERIFY(putFile(data(), kTable));
        QVERIFY(putFile(other(), bytes));
        auto w = window();
        w->AskOpenFileName = [this](const QString &) { return other(); };
        m_boxes.answers = {QMessageBox::No};
        w->actOpenFileExecute();
        QCOMPARE(m_boxes.calls.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(m_boxes.calls[0].text, Str::ForeignOpen.arg(other()));
            QCOMPARE(w->FileName(), data()); // the old table stays
            QCOMPARE(w->MainGrid->Cells(1, 1), QStringLiteral("a"));
        } else {
            QCOMPARE(w->FileName(), other());
        }
    }

    // Opened on "Yes", the file is asked about again before the first save over it; "No"
    // leaves it byte for byte, "Yes" writes the table, after which saves ask nothing.
    void firstSaveOverForeignFileAsks()
    {
        const QByteArray foreign("\x7F"
                                 "ELF\x02\x01\x01\0\0\0\tnot\ta table\r\n",
                                 23);
        QVERIFY(putFile(other(), foreign));
        auto w = window();
        w->AskOpenFileName = [this](const QString &) { return other(); };
        m_boxes.answers = {QMessageBox::Yes, QMessageBox::No};
        w->actOpenFileExecute();
        QCOMPARE(w->FileName(), other());
        w->actSaveExecute();
        QCOMPARE(m_boxes.texts(),
                 (QStringList{Str::ForeignOpen.arg(other()), Str::ForeignSave.arg(other())}));
        QCOMPARE(getFile(other()), foreign);

        m_boxes.answers = {QMessageBox::Yes};
        w->actSaveExecute();
        QCOMPARE(m_boxes.calls.size(), 3);
        QVERIFY(getFile(other()) != foreign);
        w->actSaveExecute();
        QCOMPARE(m_boxes.calls.size(), 3);
    }
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
        QVERIFY(putFile(other, QByteArray("a\0b\x1b\t02.03.2024\t08:00:00\r\n", 26)));
        auto w = window();
        w->AskOpenFileName = [&](const QString &) { return other; };
        m_boxes.answers = {QMessageBox::Yes}; // it does not look like a table: asked first
        w->actOpenFileExecute();
        QCOMPARE(w->FileName(), other);
        QCOMPARE(w->MainGrid->Cells(1, 1), QStringLiteral("ab"));
        QCOMPARE(w->MainGrid->Cells(2, 1), QStringLiteral("02.03.2024")); // cells stay apart
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

WINDOW_TEST_MAIN(TestFileMends)
#include "tst_filemends.moc"
