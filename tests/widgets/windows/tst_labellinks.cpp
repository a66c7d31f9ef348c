// Labels follow their results: a label typed on a row of a reopened file, or of archived
// results opened as a table, is a change of the archived result the row shows, and the
// archive's search finds it; opening results as a table keeps the label waiting in the open
// row and the labels queued.

#include <memory>

#include "ResultFeed.h"
#include "WindowTestSupport.h"
#include "archive/TArchive.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TLabelEntry.h"

class TestLabelLinks : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestLabelLinks()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    std::unique_ptr<TForm2> shown()
    {
        auto w = window();
        w->setModelName(Str::ModelTarvo);
        w->ArchiveLink()->start(m_dir->path());
        w->AskSaveFileName = [this](const QString &) { return path(QStringLiteral("b.txt")); };
        w->AskOpenFileName = w->AskSaveFileName;
        return w;
    }
    static std::vector<TArchiveHit> found(TForm2 &w, const QString &label)
    {
        TArchive &archive = w.ArchiveLink()->archive();
        std::vector<TArchiveHit> hits = archive.search(TArchiveQuery{label, {}, {}, {}, 1000}).hits;
        archive.loadDetails(hits, nullptr);
        return hits;
    }

private slots:
    void init()
    {
        Prepare();
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(path("a.txt")));
    }
    void cleanup() { Finish(); }

    void labelFollowsResult_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("linked");
        QTest::newRow("saved, labelled since, reopened") << "reopen" << true;
        QTest::newRow("a file no result matches") << "foreign" << false;
        QTest::newRow("the older of twins opened as table") << "twins" << true;
    }
    void labelFollowsResult()
    {
        QFETCH(QString, how);
        QFETCH(bool, linked);
        auto w = shown();
        feedResult(*w, 20);
        if (how != "twins") // twins: the same values in the same second
            m_clock.now = m_clock.now.addSecs(180);
        feedResult(*w, how == "twins" ? 20 : 21);
        const std::vector<TArchiveHit> all = found(*w, QString());
        QCOMPARE(all.size(), std::size_t(2));
        const TArchiveHit &first = all.back(); // row 1's result
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("до сохранения")));
        if (how == "twins") {
            m_boxes.answers = {QMessageBox::No};
            w->ArchiveLink()->openHits({first});
        } else {
            w->actSaveAsExecute();
            if (how == "foreign") { // another day in the file: no archived result shows so
                QByteArray bytes = getFile(path("b.txt"));
                QVERIFY(bytes.contains("05.03.2024"));
                QVERIFY(putFile(path("b.txt"), bytes.replace("05.03.2024", "06.03.2024")));
            }
            w->actNewExecute();
            w->actOpenFileExecute();
            QCOMPARE(w->MainGrid->RowCount(), 4);
        }
        QVERIFY(w->ArchiveLink()->rowResult(1).isNull() != (how == "twins"));
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("проба-7")));
        const std::vector<TArchiveHit> hits = found(*w, QStringLiteral("проба-7"));
        QCOMPARE(hits.size(), std::size_t(linked ? 1 : 0));
        if (!linked)
            return;
        QCOMPARE(hits[0].id, first.id);
        // The row keeps the result it was found to hold.
        QCOMPARE(w->ArchiveLink()->rowResult(1),
                 w->ArchiveLink()->archive().resultHandles({first}).front());
    }

    // The label typed for the next sample and the labels after it wait on in the new table.
    void openHitsKeepsWaitingLabels()
    {
        auto w = shown();
        feedResult(*w, 20);
        QVERIFY(w->findChild<TLabelEntry *>()->paste(1, 2, QStringLiteral("w1\nq1\nq2")));
        m_boxes.answers = {QMessageBox::No};
        w->ArchiveLink()->openHits(found(*w, QString()));
        QCOMPARE(w->MainGrid->RowCount(), 3);
        QCOMPARE(w->MainGrid->Cells(1, 2), QStringLiteral("w1"));
        QCOMPARE(w->findChild<TLabelEntry *>()->queue(), (QStringList{"q1", "q2"}));
        feedResult(*w, 21);
        QCOMPARE(w->MainGrid->Cells(1, 3), QStringLiteral("q1"));
        QCOMPARE(found(*w, QStringLiteral("w1")).size(), std::size_t(1));
    }
};

WINDOW_TEST_MAIN(TestLabelLinks)
#include "tst_labellinks.moc"
