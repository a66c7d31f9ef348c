// The recovery journal of a shown window when things go wrong: it cannot be opened or written
// (told at once, marked while it lasts, complete again once it works), the results file
// changed or vanished before the restart (no row written over, none dropped), and the window
// is deleted with a label half typed.

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "results/TJournal.h"
#include "support/TestFiles.h"
#include "text/Strings.h"
#include "windows/TForm2.h"
#include "windows/TJournalKeeper.h"

namespace {

// The results of a file's lines, each as its first five fields (label to first value).
QList<QByteArray> resultLines(const QByteArray &file)
{
    QList<QByteArray> out;
    for (const QByteArray &line : file.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() > 4 && !fields[1].isEmpty())
            out << fields.mid(0, 5).join('\t');
    }
    return out;
}

QLabel *journalMark(TRegistrationWindow *w)
{
    return w->findChild<QLabel *>(QStringLiteral("JournalMark"));
}

bool markShown(TRegistrationWindow *w)
{
    QLabel *mark = journalMark(w);
    return mark && mark->isVisibleTo(w);
}

// Files larger than the limit cannot be written: a full disk, as the process sees it.
class FileSizeCap
{
public:
    explicit FileSizeCap(rlim_t bytes)
    {
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit cap = m_old;
        cap.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &cap) == 0;
    }
    ~FileSizeCap() { lift(); }
    void lift()
    {
        if (m_ok)
            setrlimit(RLIMIT_FSIZE, &m_old);
        m_ok = false;
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    bool m_ok = false;
};

} // namespace

class TestRecovery : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT

public:
    TestRecovery()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    QString journalPath() const { return path(QStringLiteral("Tarvo.journal")); }

    void useDataFile() { writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(data())); }
    QString data() const { return path(QStringLiteral("data.txt")); }

    // Shows the window as the program does (its journal opens then) and runs the script in
    // its loop; the script ends by closing the window or deleting it (a crash).
    void session(TForm2 *w, const std::function<void()> &script)
    {
        const QPointer<TForm2> alive(w);
        QTimer::singleShot(0, this, [&] {
            script();
            // A check that failed inside left the window open: close it, or this never ends.
            if (alive && alive->isVisible()) {
                m_boxes.answers = {QMessageBox::No};
                alive->close();
            }
        });
        w->ShowModal();
    }

    // A session that takes results and is then killed: the journal holds them.
    void crashedSession(const QList<double> &results)
    {
        TForm2 *w = window().release();
        session(w, [&] {
            for (double t : results)
                feedResult(*w, t);
            delete w;
        });
    }

private slots:
    void init()
    {
        Prepare();
        signal(SIGXFSZ, SIG_IGN);
    }
    void cleanup() { Finish(); }

    // A journal that cannot be opened is told at once, with the reason, and marked in the
    // window; another running copy on the same settings is named as such.
    void journalCannotBeOpened_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("another copy holds it") << "held"
                                               << "другая её копия";
        QTest::newRow("a folder in its place") << "folder"
                                               << "Не удаётся вести журнал";
        QTest::newRow("a FIFO in its place") << "fifo" << Str::NotRegularFile;
        QTest::newRow("its folder is not writable") << "read-only"
                                                    << "Не удаётся вести журнал";
    }
    void journalCannotBeOpened()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        TJournal other;
        if (kind == u"held")
            QVERIFY(other.Open(journalPath()));
        else if (kind == u"folder")
            QVERIFY(QDir().mkdir(journalPath()));
        else if (kind == u"fifo")
            QVERIFY(mkfifo(QFile::encodeName(journalPath()).constData(), 0644) == 0);
        // The settings are read first; then the folder is taken away (as nobody, for root).
        auto w = window();
        std::unique_ptr<AsNobody> nobody;
        if (kind == u"read-only") {
            QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(0x5555)));
            nobody = std::make_unique<AsNobody>();
        }
        bool marked = false;
        session(w.get(), [&] {
            QTRY_VERIFY(!m_boxes.calls.isEmpty());
            marked = markShown(w.get());
            w->close();
        });
        nobody.reset();
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7700));
        QCOMPARE(m_boxes.calls.size(), 1);
        QCOMPARE(m_boxes.calls[0].caption, Str::JournalCaption);
        QCOMPARE(m_boxes.calls[0].icon, QMessageBox::Warning);
        QVERIFY2(m_boxes.calls[0].text.contains(says), qPrintable(m_boxes.calls[0].text));
        QVERIFY(m_boxes.calls[0].text.contains(journalPath()));
        QVERIFY(marked);
        QCOMPARE(journalMark(w.get())->text(), Str::JournalMark);
        if (kind == u"held") // the other copy's journal is left alone
            QCOMPARE(other.ReadAll().size(), size_t(0));
    }

    // The disk fills while results come: told once, marked; once there is room again the
    // journal is whole again, rows taken meanwhile included, and a crash then costs nothing.
    void journalWriteFailsThenRecovers()
    {
        useDataFile();
        TForm2 *w = window().release();
        int boxesWhileFull = 0;
        bool markedWhileFull = false;
        bool markedAfter = true;
        session(w, [&] {
            feedResult(*w, 1);
            {
                FileSizeCap full(rlim_t(QFileInfo(journalPath()).size()));
                QVERIFY(full.ok());
                feedResult(*w, 2);
                feedResult(*w, 3);
                QTRY_COMPARE(m_boxes.calls.size(), 1);
                QTest::qWait(20);
                boxesWhileFull = int(m_boxes.calls.size());
                markedWhileFull = markShown(w);
            }
            feedResult(*w, 4);
            markedAfter = markShown(w);
            delete w;
        });
        QCOMPARE(boxesWhileFull, 1);
        QCOMPARE(m_boxes.calls[0].caption, Str::JournalCaption);
        QVERIFY2(m_boxes.calls[0].text.contains(journalPath()), qPrintable(m_boxes.calls[0].text));
        QVERIFY(markedWhileFull);
        QVERIFY(!markedAfter);

        m_boxes = BoxRecorder();
        m_boxes.answers = {QMessageBox::Yes};
        auto second = window();
        QStringList rows;
        session(second.get(), [&] {
            rows = temperatures(second->MainGrid);
            second.reset();
        });
        QCOMPARE(rows, (QStringList{"1,00", "2,00", "3,00", "4,00"}));
    }

    // After a crash the results file may have changed (another copy saved it, a share was
    // remounted) or be gone. The journal's rows never land on other rows and none is
    // dropped; the operator is told where they went.
    void restoreOntoOtherFile_data()
    {
        QTest::addColumn<QByteArray>("fileNow"); // "-": gone
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("fileName"); // the table's name afterwards
        QTest::addColumn<QString>("told");     // "": nothing told
        const QByteArray first = "a\t01.03.2024\t09:00:00\t1\t10,00\r\n";
        const QByteArray second = "b\t01.03.2024\t09:05:00\t1\t11,00\r\n";
        const QByteArray open = QByteArray(15, '\t') + "\r\n";
        QTest::newRow("unchanged: in place")
            << first + open << QStringList{"10,00", "1,00", "2,00"} << "data.txt"
            << "";
        QTest::newRow("a row more: after it")
            << first + second + open << QStringList{"10,00", "11,00", "1,00", "2,00"} << "data.txt"
            << "изменился";
        QTest::newRow("a row fewer: nothing blank")
            << open << QStringList{"1,00", "2,00"} << "data.txt"
            << "изменился";
        QTest::newRow("other content, same size")
            << QByteArray(first).replace("10,00", "12,00") + open
            << QStringList{"12,00", "1,00", "2,00"} << "data.txt"
            << "изменился";
        QTest::newRow("gone: a table of its own")
            << QByteArray("-") << QStringList{"1,00", "2,00"} << "Новый1.txt"
            << "не найден";
    }
    void restoreOntoOtherFile()
    {
        QFETCH(QByteArray, fileNow);
        QFETCH(QStringList, expected);
        QFETCH(QString, fileName);
        QFETCH(QString, told);
        useDataFile();
        const QByteArray before = "a\t01.03.2024\t09:00:00\t1\t10,00\r\n" + QByteArray(15, '\t')
                                  + "\r\n";
        QVERIFY(putFile(data(), before));
        crashedSession({1, 2});
        if (fileNow == "-")
            QVERIFY(QFile::remove(data()));
        else if (fileNow != before)
            QVERIFY(putFile(data(), fileNow));

        m_boxes.answers = {QMessageBox::Yes};
        auto second = window();
        QStringList rows;
        QString name;
        session(second.get(), [&] {
            rows = temperatures(second->MainGrid);
            name = second->FileName();
            second->actSaveExecute();
            second.reset(); // a second crash, after the save
        });
        QCOMPARE(rows, expected);
        QCOMPARE(name, path(fileName));
        QCOMPARE(m_boxes.calls[0].caption, Str::RecoveryCaption);
        if (told.isEmpty()) {
            QCOMPARE(m_boxes.calls.size(), 1);
        } else {
            QCOMPARE(m_boxes.calls.size(), 2);
            QVERIFY2(m_boxes.calls[1].text.contains(told), qPrintable(m_boxes.calls[1].text));
        }
        // Saved where the table now belongs; a file that is gone is not made again.
        QVERIFY(QFile::exists(path(fileName)));
        QCOMPARE(QFile::exists(data()), fileNow != "-");
        // The file's own rows lead the saved table, as they were.
        if (fileNow != "-") {
            const QList<QByteArray> own = resultLines(fileNow);
            QCOMPARE(resultLines(getFile(data())).mid(0, own.size()), own);
        }
    }

    // A file gone at the restart: the rows given back are journaled as the new table, so a
    // second crash before any save still gives every one of them back.
    void missingFileLosesNothingTwice()
    {
        useDataFile();
        // Rows of the file come first: by their numbers, the journal's rows lie past the end
        // of an empty table.
        QVERIFY(putFile(data(),
                        "a\t01.03.2024\t09:00:00\t1\t10,00\r\n" + QByteArray(15, '\t') + "\r\n"));
        crashedSession({1, 2, 3});
        QVERIFY(QFile::remove(data()));
        for (int crash = 0; crash < 2; ++crash) {
            m_boxes = BoxRecorder();
            m_boxes.answers = {QMessageBox::Yes};
            auto w = window();
            QStringList rows;
            session(w.get(), [&] {
                rows = temperatures(w->MainGrid);
                w.reset();
            });
            QCOMPARE(rows, (QStringList{"1,00", "2,00", "3,00"}));
            QVERIFY(m_boxes.calls[0].text.contains(QStringLiteral(": 3.")));
        }
    }

    // A shown window deleted with its label editor open (the program ending without a close)
    // takes what was typed into the journal, while it is still a whole window.
    void deletedWithEditorOpen()
    {
        useDataFile();
        TForm2 *w = window().release();
        session(w, [&] {
            feedResult(*w, 1);
            TColorStringGrid *g = w->MainGrid;
            g->setFocus();
            g->setCurrentIndex(g->model()->index(0, 1));
            QTest::keyClick(g, Qt::Key_F2);
            auto *editor = g->findChild<QLineEdit *>();
            QVERIFY(editor && g->EditorOpen());
            QTest::keyClicks(editor, QStringLiteral("typed"));
            delete w;
        });
        m_boxes.answers = {QMessageBox::Yes};
        auto second = window();
        QString label;
        session(second.get(), [&] {
            label = second->MainGrid->Cells(1, 1);
            second.reset();
        });
        QCOMPARE(label, QStringLiteral("typed"));
    }
};

WINDOW_TEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
