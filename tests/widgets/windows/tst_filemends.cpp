// Files the operator did not mean to lose: "Save as" asks before replacing a file that exists,
// and a file that does not look like a results table is opened, and saved over the first
// time, only when the operator says so. The program's own files open as they always did.

#include <QAbstractButton>
#include <QFileDialog>
#include <QTimer>

#include "WindowTestSupport.h"
#include "text/Strings.h"
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

} // namespace

class TstFileMends : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TstFileMends()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    QString data() const { return path(QStringLiteral("data.txt")); }
    QString other() const { return path(QStringLiteral("other.txt")); }

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
};

WINDOW_TEST_MAIN(TstFileMends)
#include "tst_filemends.moc"
