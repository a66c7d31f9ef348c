// The windows' part of the result exchange, driven through the poller's events without a line:
// one reading of the clock per result dates its row and starts the two minutes.

#include <memory>

#include <QTemporaryDir>

#include "WindowTestSupport.h"
#include "pollers/RequestCode.h"
#include "pollers/TOpPoller.h"
#include "sim/InstrumentFrames.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

const QDate kDay(2024, 3, 5);

// Puts a complete reply into the poller's buffer as the poller thread hands it over.
void putReply(TOpPoller *p, bool tarvo)
{
    std::vector<uint32_t> words;
    for (int k = 0; k < 27; ++k)
        words.push_back(EncodeFp(1.25 + k));
    const auto echo = AddressEcho(0);
    const std::vector<uint8_t> frame = tarvo ? BuildTarvoFrame(106, 0, 3, words, echo)
                                             : BuildMirelFrame(234, 0x07FFFFFF, 0x0800, 3, words,
                                                               echo);
    std::fill(p->ResultData.begin(), p->ResultData.end(), 0);
    p->ResultData[0] = tarvo ? 4 : 64;
    std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
}

} // namespace

class TestResultRowClock : public QObject
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
        putReply(p, tarvo);
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

WINDOW_TEST_MAIN(TestResultRowClock)
#include "tst_resultrowclock.moc"
