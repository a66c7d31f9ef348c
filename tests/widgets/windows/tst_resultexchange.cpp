// The result exchange both windows run, driven through the poller's events without a line:
// fetch (6), confirm (9), idle (0) until two minutes after the last result; the one difference
// between the windows, a reply that does not decode; and one reading of the clock per result.

#include <memory>

#include <QTemporaryDir>

#include "WindowTestSupport.h"
#include "pollers/RequestCode.h"
#include "pollers/TOpPoller.h"
#include "sim/InstrumentFrames.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

enum class Reply { Good, NoRow, Undecodable };

const QDate kDay(2024, 3, 5);

} // namespace

Q_DECLARE_METATYPE(Reply)

namespace {

// Puts a reply into the poller's buffer as the poller thread hands it over.
void putReply(TOpPoller *p, bool tarvo, Reply reply)
{
    std::vector<uint32_t> words;
    for (int k = 0; k < 27; ++k)
        words.push_back(EncodeFp(1.25 + k));
    const auto echo = AddressEcho(0);
    std::vector<uint8_t> frame;
    uint8_t kind = 0;
    if (tarvo) {
        frame = BuildTarvoFrame(106, reply == Reply::NoRow ? 0x1000 : 0, 3, words, echo);
        kind = reply == Reply::Undecodable ? 3 : 4; // no reply length has kind 3
    } else {
        frame = BuildMirelFrame(234, 0x07FFFFFF, reply == Reply::NoRow ? 0x0801 : 0x0800, 3, words,
                                echo);
        kind = reply == Reply::Undecodable ? 0 : 64; // 64 marks a complete reply
    }
    std::fill(p->ResultData.begin(), p->ResultData.end(), 0);
    p->ResultData[0] = kind;
    std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
}

} // namespace

class TstResultExchange : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QDateTime m_now;
    qint64 m_stepMs = 0; // how far the clock moves on after each reading

    std::unique_ptr<TRegistrationWindow> window(bool tarvo)
    {
        std::unique_ptr<TRegistrationWindow> w;
        if (tarvo)
            w = std::make_unique<TForm2>();
        else
            w = std::make_unique<TForm3>();
        w->Now = [this] {
            const QDateTime t = m_now;
            m_now = m_now.addMSecs(m_stepMs);
            return t;
        };
        return w;
    }

    static void getNumber(TRegistrationWindow &w) { w.Poller()->OnGetNumber(w.Poller()); }
    static void putResult(TRegistrationWindow &w) { w.Poller()->OnPutResult(w.Poller()); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        TRegistrationWindow::SetProgramDir(m_dir->path());
        m_now = QDateTime(kDay, QTime(10, 0));
        m_stepMs = 0;
    }
    void cleanup()
    {
        TRegistrationWindow::SetProgramDir(QString());
        m_dir.reset();
    }

    void exchange_data()
    {
        QTest::addColumn<bool>("tarvo");
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("tarvo, a result") << true << Reply::Good << 1 << true;
        QTest::newRow("tarvo, status 0x1000: no row") << true << Reply::NoRow << 0 << true;
        QTest::newRow("tarvo, undecodable: asked again")
            << true << Reply::Undecodable << 0 << false;
        QTest::newRow("mirel, a result") << false << Reply::Good << 1 << true;
        QTest::newRow("mirel, status 0x0801: no row") << false << Reply::NoRow << 0 << true;
        QTest::newRow("mirel, undecodable: confirmed") << false << Reply::Undecodable << 0 << true;
    }
    void exchange()
    {
        QFETCH(bool, tarvo);
        QFETCH(Reply, reply);
        QFETCH(int, rows);
        QFETCH(bool, confirmed);
        auto w = window(tarvo);
        TOpPoller *p = w->Poller();
        QCOMPARE(p->Command, uint8_t(RequestCode::Idle));
        getNumber(*w); // no result yet: asks at once
        QCOMPARE(p->Command, uint8_t(RequestCode::Fetch));

        putReply(p, tarvo, reply);
        putResult(*w);
        QCOMPARE(w->MainGrid->RowCount(), 2 + rows);
        QCOMPARE(w->MainGrid->Cells(2, 1).isEmpty(), rows == 0);
        if (!confirmed) {
            // The fetch stays, and no result was taken: the next poll asks again.
            QCOMPARE(p->Command, uint8_t(RequestCode::Fetch));
            p->Command = RequestCode::Idle;
            getNumber(*w);
            QCOMPARE(p->Command, uint8_t(RequestCode::Fetch));
            return;
        }
        QCOMPARE(p->Command, uint8_t(RequestCode::Confirm));
        putResult(*w); // the confirmation's reply
        QCOMPARE(p->Command, uint8_t(RequestCode::Idle));
        putResult(*w); // an idle pass's reply changes nothing
        QCOMPARE(p->Command, uint8_t(RequestCode::Idle));
        QCOMPARE(w->MainGrid->RowCount(), 2 + rows);

        // Two minutes after the result, strictly, the next is asked for.
        m_now = m_now.addSecs(120);
        getNumber(*w);
        QCOMPARE(p->Command, uint8_t(RequestCode::Idle));
        m_now = m_now.addMSecs(1);
        getNumber(*w);
        QCOMPARE(p->Command, uint8_t(RequestCode::Fetch));
    }

    // A clock that moves on between readings, across midnight: the row's date and time and the
    // start of the two minutes are one and the same instant.
    void oneReadingAcrossMidnight_data()
    {
        QTest::addColumn<bool>("tarvo");
        QTest::addColumn<int>("stepMs");
        QTest::newRow("tarvo, 1 ms a reading") << true << 1;
        QTest::newRow("tarvo, 1 s a reading") << true << 1000;
        QTest::newRow("mirel, 1 ms a reading") << false << 1;
        QTest::newRow("mirel, 1 s a reading") << false << 1000;
    }
    void oneReadingAcrossMidnight()
    {
        QFETCH(bool, tarvo);
        QFETCH(int, stepMs);
        auto w = window(tarvo);
        TOpPoller *p = w->Poller();
        getNumber(*w);
        QCOMPARE(p->Command, uint8_t(RequestCode::Fetch));

        const QDateTime taken(kDay, QTime(23, 59, 59).addMSecs(1000 - stepMs));
        m_now = taken;
        m_stepMs = stepMs;
        putReply(p, tarvo, Reply::Good);
        putResult(*w);
        QCOMPARE(w->MainGrid->RowCount(), 3);
        QCOMPARE(w->MainGrid->Cells(2, 1), QStringLiteral("05.03.2024"));
        QCOMPARE(w->MainGrid->Cells(3, 1), QStringLiteral("23:59:59"));
        putResult(*w);

        m_stepMs = 0;
        m_now = taken.addSecs(120);
        getNumber(*w);
        QCOMPARE(p->Command, uint8_t(RequestCode::Idle));
        m_now = m_now.addMSecs(1);
        getNumber(*w);
        QCOMPARE(p->Command, uint8_t(RequestCode::Fetch));
    }
};

WINDOW_TEST_MAIN(TstResultExchange)
#include "tst_resultexchange.moc"
