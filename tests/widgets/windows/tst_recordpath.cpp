// A shown window's record path across a crash while the archive is locked by another program:
// results taken, a save (which starts the journal again) and more results, then the window
// dies. The next start gives the archive every result once, whatever the operator answers
// about the rows, and the status bar says how many wait while the lock lasts.

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "archive/TArchive.h"
#include "support/ArchiveSamples.h"
#include "support/TestFiles.h"
#include "text/RecordStrings.h"
#include "windows/TArchiveLink.h"

class TestRecordPath : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestRecordPath()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    void session(TForm2 *w, const std::function<void()> &script)
    {
        const QPointer<TForm2> alive(w);
        QTimer::singleShot(0, this, [&] {
            script();
            if (alive && alive->isVisible()) {
                m_boxes.fallback = QMessageBox::No;
                alive->close();
            }
        });
        w->ShowModal();
    }

private slots:
    void init()
    {
        Prepare();
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(path("data.txt")));
    }
    void cleanup() { Finish(); }

    void lockedArchiveThenCrash_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("rows given back") << int(QMessageBox::Yes);
        QTest::newRow("rows let go") << int(QMessageBox::No);
    }
    void lockedArchiveThenCrash()
    {
        QFETCH(int, answer);
        const QString archive = path(TArchive::FileName);
        {
            TArchive made; // the archive exists, so that another program can lock it
            QVERIFY(made.open(m_dir->path()));
        }
        std::optional<RawArchive> other(std::in_place, archive);
        QVERIFY(other->exec("BEGIN EXCLUSIVE"));
        TForm2 *w = window().release();
        session(w, [&] {
            feedResult(*w, 11.5);
            feedResult(*w, 12.5);
            w->actSaveExecute();
            m_clock.now = m_clock.now.addSecs(180);
            feedResult(*w, 13.5);
            delete w; // a crash: no close, no questions
        });

        // Started again with the lock still held: everything waits, and the status says so.
        auto again = window();
        m_boxes.answers = {QMessageBox::StandardButton(answer)};
        session(again.get(), [&] {
            const TArchive &a = again->ArchiveLink()->archive();
            QCOMPARE(a.pendingCount(), 4); // the three results and the save
            QCOMPARE(again->ArchiveLink()->statusLabel()->text(), a.statusText());
            QVERIFY2(a.statusText().contains(Str::ArchivePending.arg(4)),
                     qPrintable(a.statusText()));
            m_boxes.fallback = QMessageBox::No;
            again->close();
        });
        // Closing with the archive still locked keeps them in the journal, and says so.
        QVERIFY(m_boxes.texts().join(u'\n').contains(Str::ArchiveLeftInJournal.arg(4)));
        again.reset(); // lets the journal go
        other.reset();

        for (int start = 0; start < 2; ++start) { // the second start adds nothing
            auto third = window();
            m_boxes.answers = {QMessageBox::No};
            session(third.get(), [&] {
                TArchive &a = third->ArchiveLink()->archive();
                QTRY_VERIFY((a.retry(), a.pendingCount() == 0));
                QCOMPARE(a.state(), ArchiveState::Ok);
                third->close();
            });
        }
        RawArchive raw(archive);
        QCOMPARE(raw.value("SELECT count(*) FROM results").toInt(), 3);
        QCOMPARE(raw.value("SELECT count(DISTINCT uid) FROM records WHERE kind = 'result'").toInt(),
                 3);
        QCOMPARE(raw.value("SELECT group_concat(event) FROM file_events").toString(),
                 QStringLiteral("save"));
    }
};

WINDOW_TEST_MAIN(TestRecordPath)
#include "tst_recordpath.moc"
