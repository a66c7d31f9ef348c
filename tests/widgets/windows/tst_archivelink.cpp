// The registration windows and the archive: a result is archived with the values its reply
// carried and its raw bytes, label changes and file events follow it, archived results open
// as a table and export, and a window whose archive fails goes on registering.

#include <memory>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include "WindowTestSupport.h"
#include "archive/TArchiveDialog.h"
#include "export/TExportDialog.h"
#include "pollers/TOpPoller.h"
#include "sim/InstrumentFrames.h"
#include "text/ServerStrings.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

// A reply as the poller hands it over: byte 0 the kind, the frame from byte 1.
void putFrame(TOpPoller *p, uint8_t kind, const std::vector<uint8_t> &frame)
{
    std::fill(p->ResultData.begin(), p->ResultData.end(), 0);
    p->ResultData[0] = kind;
    std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
    p->ResultLength = frame.size();
}

std::vector<uint32_t> words()
{
    std::vector<uint32_t> w;
    for (int k = 0; k < 27; ++k)
        w.push_back(EncodeFp(1.25 + k));
    return w;
}

// A full first-family reply: status word, group and twelve values.
std::vector<uint8_t> tarvoFrame(uint8_t group)
{
    return BuildTarvoFrame(106, 0, group, words(), AddressEcho(0));
}

// The result exchange as the poller runs it: fetch, then the confirmation's reply.
void takeResult(TRegistrationWindow &w)
{
    w.Poller()->OnGetNumber(w.Poller());
    w.Poller()->OnPutResult(w.Poller());
    w.Poller()->OnPutResult(w.Poller());
}

QStringList archivedFileEvents(const QString &dbPath)
{
    QStringList events;
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(dbPath);
        if (db.open()) {
            QSqlQuery q(QStringLiteral("SELECT event, row_count FROM file_events ORDER BY id"), db);
            while (q.next())
                events << q.value(0).toString() + QLatin1Char(':') + q.value(1).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return events;
}

} // namespace

class TestArchiveLink : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestArchiveLink()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private:
    std::unique_ptr<TRegistrationWindow> shown(bool tarvo)
    {
        std::unique_ptr<TRegistrationWindow> w;
        if (tarvo)
            w = window();
        else
            w = std::make_unique<TForm3>();
        m_boxes.attach(*w);
        m_clock.attach(*w);
        w->setModelName(tarvo ? Str::ModelTarvo : Str::ModelMirel);
        w->ArchiveLink()->start(m_dir->path());
        return w;
    }
    static std::vector<TArchiveHit> allHits(TRegistrationWindow &w)
    {
        TArchiveSearchResult found = w.ArchiveLink()->archive().search(TArchiveQuery{});
        w.ArchiveLink()->archive().loadDetails(found.hits, nullptr);
        return found.hits;
    }

private slots:
    void init()
    {
        Prepare();
        // The results file in the test's folder: a save must not land in the working folder.
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n").arg(path("a.txt")));
    }
    void cleanup() { Finish(); }

    // The values a reply did not carry are empty in the archive, though the row shows the
    // previous result's; the raw bytes are the reply without the kind byte.
    void resultArchived_data()
    {
        QTest::addColumn<bool>("tarvo");
        QTest::addColumn<int>("length");
        QTest::addColumn<uint32_t>("mask");
        QTest::addColumn<QList<int>>("present");
        QTest::newRow("tarvo 38 bytes") << true << 38 << 0u << QList<int>{0, 1, 2, 3};
        QTest::newRow("tarvo 54 bytes") << true << 54 << 0u << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("mirel, values 0, 2, 26")
            << false << 234 << ((1u << 26) | 5u) << QList<int>{0, 2, 26};
    }
    void resultArchived()
    {
        QFETCH(bool, tarvo);
        QFETCH(int, length);
        QFETCH(uint32_t, mask);
        QFETCH(QList<int>, present);
        auto w = shown(tarvo);
        const auto echo = AddressEcho(0);
        const auto frame = tarvo ? BuildTarvoFrame(length, 0, 3, words(), echo)
                                 : BuildMirelFrame(length, mask, 0x0800, 3, words(), echo);
        const uint8_t kind = tarvo ? (length == 38 ? 1 : 2) : 64;
        putFrame(w->Poller(), kind, frame);
        takeResult(*w);
        QCOMPARE(w->MainGrid->RowCount(), 3);

        const auto hits = allHits(*w);
        QCOMPARE(hits.size(), std::size_t(1));
        const TArchiveResult &r = hits[0].result;
        QCOMPARE(r.model, tarvo ? Str::ModelTarvo : Str::ModelMirel);
        QCOMPARE(r.group, 3);
        QCOMPARE(r.at, m_clock.now);
        QCOMPARE(r.dateText, w->MainGrid->Cells(2, 1));
        QCOMPARE(r.raw,
                 QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
        QCOMPARE(r.cells.size(), w->MainGrid->ColCount() - 1);
        for (int k = 0; k < int(r.values.size()); ++k) {
            QCOMPARE(r.values[size_t(k)].has_value(), present.contains(k));
            if (r.values[size_t(k)])
                QCOMPARE(*r.values[size_t(k)], 1.25 + k);
        }
    }

    // The archive's view tells each value against the limits the window coloured it by.
    void limitsInView()
    {
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n[Limits]\r\n6=2.8;6.0\r\n7=1;5\r\n")
                     .arg(path("a.txt")));
        auto w = shown(true);
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        {
            auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            db.setDatabaseName(w->ArchiveLink()->archive().path());
            QVERIFY(db.open());
            QSqlQuery view(QStringLiteral("SELECT fat, fat_ok, snf_ok, density_ok IS NULL "
                                          "FROM tarvo_results"),
                           db);
            QVERIFY(view.next());
            // 2,25 below 2,8; 3,25 within 1…5; density has no limit.
            QCOMPARE(QStringList({view.value(0).toString(), view.value(1).toString(),
                                  view.value(2).toString(), view.value(3).toString()}),
                     QStringList({"2.25", "0", "1", "1"}));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    }

    // Only a settings file that names a server puts the server's status in the status bar;
    // a server that does not answer says so while the window goes on archiving, and the
    // status goes with the archive.
    void serverStatusOnlyWithServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("station"); // named in the settings; empty: the computer's
        QTest::newRow("no server") << QString() << QString();
        QTest::newRow("nothing listening")
            << "host=127.0.0.1 port=1 dbname=reg01 user=reg01" << QString();
        QTest::newRow("nothing listening, a named station")
            << "host=127.0.0.1 port=1 dbname=reg01 user=reg01"
            << "line-2";
    }
    void serverStatusOnlyWithServer()
    {
        QFETCH(QString, server);
        QFETCH(QString, station);
        if (!server.isEmpty())
            writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n[Archive]\r\nServer=%2\r\n"
                                    "Station=%3\r\n")
                         .arg(path("a.txt"), server, station));
        auto w = shown(true);
        auto *label = w->findChild<QLabel *>(QStringLiteral("ServerStatus"));
        QCOMPARE(label != nullptr, !server.isEmpty());
        QCOMPARE(w->ArchiveLink()->serverView() != nullptr, !server.isEmpty());
        QCOMPARE(w->findChild<QThread *>(QStringLiteral("archive-server")) != nullptr,
                 !server.isEmpty());
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        QCOMPARE(allHits(*w).size(), std::size_t(1));
        QCOMPARE(allHits(*w)[0].station, station.isEmpty() ? QSysInfo::machineHostName() : station);
        if (!label)
            return;
        QTRY_VERIFY_WITH_TIMEOUT(label->text().contains(QStringLiteral("(1 запись в очереди)")),
                                 10000);
        QVERIFY2(label->text().startsWith(QStringLiteral("Сервер: ")), qPrintable(label->text()));
        QVERIFY(!label->toolTip().isEmpty());
        w->ArchiveLink()->finish();
        QVERIFY(!w->findChild<QLabel *>(QStringLiteral("ServerStatus")));
        QVERIFY(!w->ArchiveLink()->serverView());
    }

    // A password in the string is refused in red with the reason, and nothing connects.
    void passwordInServerRefused()
    {
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n[Archive]\r\nServer=host=127.0.0.1 "
                                "port=1 user=reg01 password=s3cret\r\n")
                     .arg(path("a.txt")));
        auto w = shown(true);
        auto *label = w->findChild<QLabel *>(QStringLiteral("ServerStatus"));
        QVERIFY(label);
        QCOMPARE(label->text(), Str::ServerFailed.arg(Str::ServerPasswordRefused));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0xb0, 0x00, 0x00));
        QVERIFY(!w->findChild<QThread *>(QStringLiteral("archive-server")));
    }

    // A typed label becomes a label change of the row's result; a label typed again the same
    // is no change.
    void labelChange()
    {
        auto w = shown(true);
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("Ферма \"Рассвет\"; =1+2")));
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("Ферма \"Рассвет\"; =1+2")));
        const auto hits = allHits(*w);
        QCOMPARE(hits.size(), std::size_t(1));
        QVERIFY(hits[0].edited);
        QCOMPARE(hits[0].label, QStringLiteral("Ферма \"Рассвет\"; =1+2"));
        const auto history = w->ArchiveLink()->archive().labelHistory(hits[0].id, nullptr);
        QCOMPARE(history.size(), std::size_t(1));
        QCOMPARE(history[0].oldText, QString());
        QCOMPARE(history[0].row, 1);
    }

    // Save, save as, new and open each leave an event with the table's result rows.
    void fileEvents()
    {
        auto w = shown(true);
        w->AskSaveFileName = [this](const QString &) { return path(QStringLiteral("b.txt")); };
        w->AskOpenFileName = [this](const QString &) { return path(QStringLiteral("b.txt")); };
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        w->actSaveExecute();
        w->actSaveAsExecute();
        w->actNewExecute();
        w->actOpenFileExecute();
        QCOMPARE(w->ArchiveLink()->archive().close(), 0);
        QCOMPARE(archivedFileEvents(path(TArchive::FileName)),
                 (QStringList{"save:1", "save as:1", "new:0", "open:1"}));
    }

    // A window that is never shown (the start-up instances) leaves no archive behind.
    void hiddenWindowArchivesNothing()
    {
        auto w = window();
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        QCOMPARE(w->MainGrid->RowCount(), 3);
        QVERIFY(!QFile::exists(path(TArchive::FileName)));
    }

    // Archived results open as a new table, oldest first with today's labels, after the save
    // prompt; Cancel-free "No" lets the unsaved row go as New does.
    void openHitsAsTable()
    {
        auto w = shown(true);
        for (int i = 0; i < 2; ++i) {
            putFrame(w->Poller(), 4, tarvoFrame(uint8_t(i + 1)));
            takeResult(*w);
            QVERIFY(typeLabel(w->MainGrid, i + 1, QStringLiteral("проба %1").arg(i)));
            m_clock.now = m_clock.now.addSecs(180);
        }
        const QStringList before = rowCells(w->MainGrid, 2);
        const QString oldName = w->FileName();
        m_boxes.answers = {QMessageBox::No};
        w->ArchiveLink()->openHits(allHits(*w));
        QCOMPARE(m_boxes.calls.size(), 1); // the save prompt
        QVERIFY(w->FileName() != oldName);
        QCOMPARE(w->MainGrid->RowCount(), 4);
        QCOMPARE(w->MainGrid->Cells(1, 1), QStringLiteral("проба 0"));
        QCOMPARE(rowCells(w->MainGrid, 2), before);
        QVERIFY(w->MainGrid->Cells(2, 3).isEmpty()); // the open row
        QVERIFY(w->Changed());
    }

    // "Архив…" finds the results; "open as table" closes the dialog and shows them.
    void archiveDialogOpensTable()
    {
        auto w = shown(true);
        putFrame(w->Poller(), 4, tarvoFrame(5));
        takeResult(*w);
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("Ёлка")));
        const QStringList row = rowCells(w->MainGrid, 1);
        m_boxes.answers = {QMessageBox::No};
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<TArchiveDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            seen = true;
            d->labelEdit()->setText(QStringLiteral("ёл"));
            d->find();
            d->view()->selectAll();
            d->openButton()->click();
            if (d->isVisible())
                d->reject(); // not closed by the button: the check below fails
        });
        w->ArchiveLink()->actArchiveExecute();
        QVERIFY(seen);
        QCOMPARE(w->MainGrid->RowCount(), 3);
        QCOMPARE(rowCells(w->MainGrid, 1), row);
    }

    // The preview draws the protocol as "Печать отчёта…" prints it, page by page.
    void printPreview()
    {
        auto w = shown(true);
        putFrame(w->Poller(), 4, tarvoFrame(5));
        takeResult(*w);
        int pages = -1;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            auto *view = d->findChild<QPrintPreviewWidget *>();
            pages = view ? view->pageCount() : -1;
            d->reject();
        });
        w->ArchiveLink()->actPrintPreviewExecute();
        QCOMPARE(pages, 1);
    }

    // The table exports through the chosen format; a folder that cannot be written gets a
    // message and no file.
    void exportTable_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("written");
        QTest::newRow("temporary folder") << QString() << true;
        QTest::newRow("missing folder") << QStringLiteral("missing/deeper") << false;
    }
    void exportTable()
    {
        QFETCH(QString, folder);
        QFETCH(bool, written);
        auto w = shown(true);
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        QVERIFY(typeLabel(w->MainGrid, 1, QStringLiteral("=HYPERLINK(1)")));
        const QString target = QDir(path(folder)).filePath(QStringLiteral("out.csv"));
        w->ArchiveLink()->AskExportFileName = [&](const QString &, TExportFormat *format) {
            *format = TExportFormat::Csv;
            return target;
        };
        w->ArchiveLink()->actExportExecute();
        QCOMPARE(QFile::exists(target), written);
        QCOMPARE(m_boxes.calls.size(), written ? 0 : 1);
        if (written) {
            const QByteArray bytes = getFile(target);
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            const QString text = QString::fromUtf8(bytes);
            // Text, never a formula.
            QVERIFY(text.contains(QStringLiteral("\n1;\"'=HYPERLINK(1)\";")));
        }
    }

    // An archive that cannot be written: the rows still come, the status bar says so, and the
    // records wait to be written.
    void brokenArchive()
    {
        QVERIFY(putFile(path(TArchive::FileName), QByteArray(4096, 'x')));
        auto w = shown(true);
        putFrame(w->Poller(), 4, tarvoFrame(1));
        takeResult(*w);
        QCOMPARE(w->MainGrid->RowCount(), 3);
        QLabel *status = w->ArchiveLink()->statusLabel();
        QVERIFY(status);
        QCOMPARE(status->text(), w->ArchiveLink()->archive().statusText());
        QVERIFY(w->ArchiveLink()->archive().state() != ArchiveState::Ok);
        QCOMPARE(w->ArchiveLink()->archive().pendingCount(), 1);
    }
};

WINDOW_TEST_MAIN(TestArchiveLink)
#include "tst_archivelink.moc"
