#include <QTest>

#include "pollers/RequestCode.h"
#include "session/TResultExchange.h"
#include "sim/InstrumentFrames.h"

namespace {

std::vector<uint32_t> words()
{
    std::vector<uint32_t> w;
    for (int k = 0; k < 27; ++k)
        w.push_back(EncodeFp(1.25 + k));
    return w;
}

// The poller's result buffer: the kind, then the reply.
std::vector<uint8_t> buffer(uint8_t kind, const std::vector<uint8_t> &frame)
{
    std::vector<uint8_t> b(300, 0);
    b[0] = kind;
    std::copy(frame.begin(), frame.end(), b.begin() + 1);
    return b;
}

// A reply by name: good, flagged (a status that gets no row), junk (does not decode).
std::vector<uint8_t> reply(bool tarvo, const QString &name)
{
    const auto echo = AddressEcho(0);
    if (name == "junk") // a kind no reply length gives
        return buffer(tarvo ? 3 : 0, std::vector<uint8_t>(tarvo ? 106 : 234, 0x55));
    if (tarvo)
        return buffer(4, BuildTarvoFrame(106, name == "flagged" ? 0x1000 : 0, 3, words(), echo));
    const uint16_t status = name == "flagged" ? 0x0801 : 0x0800;
    return buffer(64, BuildMirelFrame(234, 0x7FFFFFF, status, 3, words(), echo));
}

} // namespace

// The 6 -> 9 -> 0 exchange and the two-minute pacing, as a script of poll events against a
// clock: "get T C" (a poll at T seconds asks C), "hold T C" (the same while the window holds
// results back), "put NAME T C ROW" (the reply NAME leaves C; ROW: row, none or rejected).
class TestResultExchange : public QObject
{
    Q_OBJECT

private slots:
    void script_data()
    {
        QTest::addColumn<bool>("tarvo");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("first result at once, the next after two minutes")
            << true << QStringList{"get 0 6",   "put good 1 9 row", "put good 1 0 none", "get 60 0",
                                   "get 121 0", "get 122 6",        "put good 122 9 row"};
        QTest::newRow("a reply that does not decode is asked for again (first family)")
            << true
            << QStringList{"get 0 6", "put junk 0 6 rejected", "get 1 6", "put good 1 9 row"};
        QTest::newRow("... and confirmed all the same (second family)")
            << false
            << QStringList{"get 0 6", "put junk 0 9 rejected", "put good 0 0 none", "get 100 0",
                           "get 121 6"};
        QTest::newRow("a flagged result is confirmed without a row")
            << true << QStringList{"get 0 6", "put flagged 0 9 rejected", "get 10 9"};
        QTest::newRow("flagged, second family")
            << false << QStringList{"get 0 6", "put flagged 0 9 rejected"};
        QTest::newRow("held back: a fetch waits, a confirmation goes on")
            << true << QStringList{"hold 0 0",         "get 0 6",  "hold 0 0",         "get 1 6",
                                   "put good 1 9 row", "hold 2 9", "put good 2 0 none"};
        QTest::newRow("a clock set back behind the last result asks at once")
            << true
            << QStringList{"get 100 6", "put good 100 9 row", "put good 100 0 none", "get 50 6"};
        QTest::newRow("a reply while idle changes nothing")
            << false << QStringList{"put good 0 0 none", "get 0 6"};
    }
    void script()
    {
        QFETCH(bool, tarvo);
        QFETCH(QStringList, steps);
        TResultExchange exchange(tarvo ? TResultDecoder::tarvo() : TResultDecoder::mirel());
        const QDateTime start(QDate(2026, 12, 9), QTime(23, 59, 0));
        uint8_t command = RequestCode::Idle;
        for (const QString &step : steps) {
            const QStringList w = step.split(' ');
            const bool put = w[0] == "put";
            const QDateTime now = start.addSecs(w[put ? 2 : 1].toInt());
            const uint8_t want = uint8_t(w[put ? 3 : 2].toInt());
            if (put) {
                const auto data = reply(tarvo, w[1]);
                const TResultExchange::Step s = exchange.putResult(command, data, data.size() - 1,
                                                                   now);
                command = s.command;
                const QString got = s.row ? "row" : s.rejected ? "rejected" : "none";
                QVERIFY2(got == w[4], qPrintable(step + ": " + got));
                if (s.row) // one clock reading for the row and the pacing
                    QVERIFY(s.at == now && exchange.lastResult() == now);
            } else {
                command = exchange.getNumber(command, w[0] == "hold", now);
            }
            QVERIFY2(command == want, qPrintable(step + ": " + QString::number(command)));
        }
    }

    // How much of the block each first-family reply carries, the rest being the previous
    // result's.
    void valuesCarried_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("carried");
        QTest::newRow("kind 1") << 1 << 0 << 4;
        QTest::newRow("kind 2") << 2 << 0 << 6;
        QTest::newRow("kind 4") << 4 << 0 << 12;
        QTest::newRow("kind 4, one status bit") << 4 << 0x0080 << 12;
        QTest::newRow("kind 4, both bits: no values") << 4 << 0x00A0 << 0;
        QTest::newRow("unknown kind") << 3 << 0 << 0;
    }
    void valuesCarried()
    {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(int, carried);
        const uint8_t data[] = {uint8_t(kind), 0, 0};
        QCOMPARE(TTarvoResultDecoder::valuesCarried(data, uint16_t(status)), std::size_t(carried));
    }
};

QTEST_GUILESS_MAIN(TestResultExchange)
#include "tst_resultexchange.moc"
