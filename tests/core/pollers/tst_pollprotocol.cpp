#include <QDateTime>
#include <QTest>
#include <QTimeZone>

#include <cstdint>
#include <vector>

#include "pollers/RequestCode.h"
#include "pollers/RequestFrame.h"
#include "pollers/ResultPacing.h"
#include "pollers/TPollerFamily.h"

// The poll protocol as plain functions: the request frame, which replies are accepted, and
// when the next result is asked for. No line, no thread: each failing row is named.

using Bytes = std::vector<uint8_t>;
using namespace RequestCode;

namespace {

constexpr int kUnchanged = -1;     // ResultKind stays as it was
constexpr uint8_t kOldKind = 0xEE; // what ResultKind held before the exchange
constexpr uint16_t kAddress = 0x1234;

const TPollerFamily &familyNamed(const QString &name)
{
    return name == QLatin1String("mirel") ? TPollerFamily::mirel() : TPollerFamily::tarvo();
}

// A reply of `length` bytes that ends in the address echo, with echo byte `wrongByte` spoiled
// (none when negative). Shorter than the echo: the last bytes of the echo only.
Bytes replyOf(int length, int wrongByte)
{
    const TRequest request = buildRequest(kAddress, Fetch);
    Bytes r(std::size_t(length), 0xA5);
    for (int i = 0; i < kEchoSize && i < length; ++i)
        r[std::size_t(length - 1 - i)] = request[std::size_t(kEchoSize - 1 - i)];
    if (wrongByte >= 0 && length >= kEchoSize)
        r[std::size_t(length - kEchoSize + wrongByte)] ^= 0x01;
    return r;
}

// The instrument's reply table, written out on its own: (code, length) -> kind.
struct TListed
{
    uint8_t code;
    int length;
    int kind;
};
const TListed kTarvoListed[] = {{Probe, 4, kUnchanged},  {Fetch, 38, 1},      {Fetch, 54, 2},
                                {Fetch, 106, 4},         {FetchShort, 56, 2}, {FetchShort, 76, 4},
                                {Confirm, 4, kUnchanged}};
const TListed kMirelListed[] = {{Probe, 4, kUnchanged},
                                {Fetch, 234, 64},
                                {FetchShort, 76, 64},
                                {Confirm, 4, kUnchanged}};

} // namespace

class TestPollProtocol : public QObject
{
    Q_OBJECT
private slots:
    void requestFrame_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("address 0") << 0 << int(Fetch) << QByteArray::fromHex("90A0A0A006");
        QTest::newRow("address 0x1234, least significant digit first")
            << 0x1234 << int(Fetch) << QByteArray::fromHex("94A3A2A106");
        QTest::newRow("lowest digit only")
            << 0x000F << int(Fetch) << QByteArray::fromHex("9FA0A0A006");
        QTest::newRow("highest digit only")
            << 0xF000 << int(Fetch) << QByteArray::fromHex("90A0A0AF06");
        QTest::newRow("address 0xFFFF")
            << 0xFFFF << int(Fetch) << QByteArray::fromHex("9FAFAFAF06");
        QTest::newRow("address 0xBEEF")
            << 0xBEEF << int(Fetch) << QByteArray::fromHex("9FAEAEAB06");
        QTest::newRow("confirmation")
            << 0x0105 << int(Confirm) << QByteArray::fromHex("95A0A1A009");
        QTest::newRow("probe") << 0x0105 << int(Probe) << QByteArray::fromHex("95A0A1A004");
        QTest::newRow("short fetch")
            << 0x0105 << int(FetchShort) << QByteArray::fromHex("95A0A1A007");
        QTest::newRow("any code byte goes out as given")
            << 0 << 0xFF << QByteArray::fromHex("90A0A0A0FF");
    }
    void requestFrame()
    {
        QFETCH(int, address);
        QFETCH(int, code);
        QFETCH(QByteArray, frame);
        const TRequest request = buildRequest(uint16_t(address), uint8_t(code));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(request.data()), kRequestSize), frame);
        const auto echo = addressEchoOf(request);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(echo.data()), kEchoSize),
                 frame.left(kEchoSize));
    }

    void acceptance_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("wrongEchoByte"); // -1: the echo is intact
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("kind");
        const QString t = QStringLiteral("tarvo");
        const QString m = QStringLiteral("mirel");
        const int u = kUnchanged;
        // First family.
        QTest::newRow("tarvo probe, echo") << t << int(Probe) << 4 << -1 << true << u;
        QTest::newRow("tarvo probe, 5 bytes") << t << int(Probe) << 5 << -1 << false << u;
        QTest::newRow("tarvo fetch 38 -> kind 1") << t << int(Fetch) << 38 << -1 << true << 1;
        QTest::newRow("tarvo fetch 54 -> kind 2") << t << int(Fetch) << 54 << -1 << true << 2;
        QTest::newRow("tarvo fetch 106 -> kind 4") << t << int(Fetch) << 106 << -1 << true << 4;
        for (int n : {0, 3, 4, 37, 39, 53, 55, 56, 76, 105, 107, 128, 234})
            QTest::addRow("tarvo fetch %d dropped", n) << t << int(Fetch) << n << -1 << false << u;
        for (int b = 0; b < kEchoSize; ++b) {
            // The kind follows the length before the echo is looked at.
            QTest::addRow("tarvo fetch 54, echo byte %d wrong", b)
                << t << int(Fetch) << 54 << b << false << 2;
        }
        QTest::newRow("tarvo short fetch 56 -> kind 2")
            << t << int(FetchShort) << 56 << -1 << true << 2;
        QTest::newRow("tarvo short fetch 76 -> kind 4")
            << t << int(FetchShort) << 76 << -1 << true << 4;
        for (int n : {4, 38, 54, 55, 57, 75, 77, 106})
            QTest::addRow("tarvo short fetch %d dropped", n)
                << t << int(FetchShort) << n << -1 << false << u;
        QTest::newRow("tarvo short fetch 76, echo byte 0 wrong")
            << t << int(FetchShort) << 76 << 0 << false << 4;
        QTest::newRow("tarvo confirmation, echo") << t << int(Confirm) << 4 << -1 << true << u;
        QTest::newRow("tarvo confirmation, silence") << t << int(Confirm) << 0 << -1 << false << u;
        QTest::newRow("tarvo confirmation, 3 bytes") << t << int(Confirm) << 3 << -1 << false << u;
        for (int b = 0; b < kEchoSize; ++b) {
            QTest::addRow("tarvo confirmation, echo byte %d wrong", b)
                << t << int(Confirm) << 4 << b << false << u;
        }
        for (int code : {0, 5, 8, 0x90, 0xFF}) {
            QTest::addRow("tarvo unknown code %d, echo", code)
                << t << code << 4 << -1 << false << u;
            QTest::addRow("tarvo unknown code %d, 106", code)
                << t << code << 106 << -1 << false << u;
        }
        // Second family.
        QTest::newRow("mirel probe, echo") << m << int(Probe) << 4 << -1 << true << u;
        QTest::newRow("mirel fetch 234 -> kind 64") << m << int(Fetch) << 234 << -1 << true << 64;
        for (int n : {0, 4, 38, 54, 76, 106, 233, 235})
            QTest::addRow("mirel fetch %d dropped", n) << m << int(Fetch) << n << -1 << false << u;
        for (int b = 0; b < kEchoSize; ++b) {
            QTest::addRow("mirel fetch 234, echo byte %d wrong", b)
                << m << int(Fetch) << 234 << b << false << 64;
        }
        QTest::newRow("mirel short fetch 76 -> kind 64")
            << m << int(FetchShort) << 76 << -1 << true << 64;
        for (int n : {56, 75, 77, 234})
            QTest::addRow("mirel short fetch %d dropped", n)
                << m << int(FetchShort) << n << -1 << false << u;
        QTest::newRow("mirel confirmation, echo") << m << int(Confirm) << 4 << -1 << true << u;
        QTest::newRow("mirel confirmation, echo byte 3 wrong")
            << m << int(Confirm) << 4 << 3 << false << u;
        QTest::newRow("mirel idle code, echo") << m << int(Idle) << 4 << -1 << false << u;
    }
    void acceptance()
    {
        QFETCH(QString, family);
        QFETCH(int, code);
        QFETCH(int, length);
        QFETCH(int, wrongEchoByte);
        QFETCH(bool, accepted);
        QFETCH(int, kind);
        const Bytes reply = replyOf(length, wrongEchoByte);
        uint8_t resultKind = kOldKind;
        const TRequest request = buildRequest(kAddress, uint8_t(code));
        const TPollerFamily &f = familyNamed(family);
        QCOMPARE(f.acceptReply(uint8_t(code), reply, request, resultKind), accepted);
        QCOMPARE(int(resultKind), kind == kUnchanged ? int(kOldKind) : kind);
    }

    // No length outside the instrument's table is taken for any code, however the table is
    // kept inside (an unused slot must never read as "length 0").
    void onlyListedRepliesAreAccepted_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("tarvo") << QStringLiteral("tarvo");
        QTest::newRow("mirel") << QStringLiteral("mirel");
    }
    void onlyListedRepliesAreAccepted()
    {
        QFETCH(QString, family);
        const bool mirel = family == QLatin1String("mirel");
        const auto listed = [mirel](int code, int length) {
            const auto check = [&](const auto &table) {
                for (const TListed &row : table) {
                    if (row.code == code && row.length == length)
                        return true;
                }
                return false;
            };
            return mirel ? check(kMirelListed) : check(kTarvoListed);
        };
        const TPollerFamily &f = familyNamed(family);
        for (int code = 0; code < 256; ++code) {
            const TRequest request = buildRequest(kAddress, uint8_t(code));
            for (int length = 0; length <= 300; ++length) {
                uint8_t kind = kOldKind;
                const bool got = f.acceptReply(uint8_t(code), replyOf(length, -1), request, kind);
                if (got != listed(code, length))
                    QFAIL(qPrintable(QStringLiteral("code %1, %2 bytes: %3")
                                         .arg(code)
                                         .arg(length)
                                         .arg(got ? "accepted" : "dropped")));
            }
        }
    }

    // What goes on the line per request: how many bytes are asked for, and where they land.
    void replyRules_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("carriesResult");
        const QString t = QStringLiteral("tarvo");
        const QString m = QStringLiteral("mirel");
        QTest::newRow("tarvo probe") << t << int(Probe) << 4 << false;
        QTest::newRow("tarvo fetch") << t << int(Fetch) << 106 << true;
        QTest::newRow("tarvo short fetch") << t << int(FetchShort) << 76 << true;
        QTest::newRow("tarvo confirmation") << t << int(Confirm) << 4 << false;
        QTest::newRow("mirel probe") << m << int(Probe) << 4 << false;
        QTest::newRow("mirel fetch") << m << int(Fetch) << 234 << true;
        QTest::newRow("mirel short fetch") << m << int(FetchShort) << 76 << true;
        QTest::newRow("mirel confirmation") << m << int(Confirm) << 4 << false;
    }
    void replyRules()
    {
        QFETCH(QString, family);
        QFETCH(int, code);
        QFETCH(int, asked);
        QFETCH(bool, carriesResult);
        const TPollerFamily &f = familyNamed(family);
        const TReplyRule *rule = f.rule(uint8_t(code));
        QVERIFY(rule);
        QCOMPARE(rule->asked, asked);
        QCOMPARE(rule->carriesResult(), carriesResult);
        // Every accepted length can be read, and a result fits the buffer it is read into.
        for (const TReplyLength &l : rule->lengths) {
            QVERIFY2(l.length <= rule->asked, qPrintable(QString::number(l.length)));
            QVERIFY(l.length >= kEchoSize);
        }
        QVERIFY(!carriesResult || asked <= f.replySize);
    }

    // A cycle tries the requests in this order, so a put-result handler that moves from the
    // fetch to the confirmation gets it in the same cycle.
    void cycleOrder_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("tarvo") << QStringLiteral("tarvo");
        QTest::newRow("mirel") << QStringLiteral("mirel");
    }
    void cycleOrder()
    {
        QFETCH(QString, family);
        std::vector<int> codes;
        for (const TReplyRule &r : familyNamed(family).rules)
            codes.push_back(r.code);
        QCOMPARE(codes, (std::vector<int>{Probe, Fetch, FetchShort, Confirm}));
    }

    void lineSettings_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("replySize");
        QTest::addColumn<int>("readMultiplier"); // -1: left at the port's own
        QTest::addColumn<int>("readConstant");
        QTest::newRow("tarvo") << QStringLiteral("tarvo") << 128 << -1 << 200;
        QTest::newRow("mirel") << QStringLiteral("mirel") << 234 << 1 << 100;
    }
    void lineSettings()
    {
        QFETCH(QString, family);
        QFETCH(int, replySize);
        QFETCH(int, readMultiplier);
        QFETCH(int, readConstant);
        const TPollerFamily &f = familyNamed(family);
        QCOMPARE(f.replySize, replySize);
        QCOMPARE(f.readTotalMultiplier.value_or(-1), readMultiplier);
        QCOMPARE(f.readTotalConstant, readConstant);
    }

    void resultDue_data()
    {
        QTest::addColumn<QDateTime>("last");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("due");
        const QTimeZone utc = QTimeZone::utc();
        const QDateTime noon(QDate(2024, 3, 5), QTime(12, 0), utc);
        const QDateTime lateEvening(QDate(2024, 3, 5), QTime(23, 59), utc);
        QTest::newRow("no result yet") << QDateTime() << noon << true;
        QTest::newRow("same moment") << noon << noon << false;
        QTest::newRow("1:59.999 later") << noon << noon.addMSecs(119999) << false;
        QTest::newRow("exactly 2:00 later") << noon << noon.addSecs(120) << false;
        QTest::newRow("2:00.001 later") << noon << noon.addMSecs(120001) << true;
        QTest::newRow("an hour later") << noon << noon.addSecs(3600) << true;
        QTest::newRow("a year later") << noon << noon.addYears(1) << true;
        QTest::newRow("over midnight, 2:00 later")
            << lateEvening << lateEvening.addSecs(120) << false;
        QTest::newRow("over midnight, 2:00.001 later")
            << lateEvening << lateEvening.addMSecs(120001) << true;
        QTest::newRow("clock set back 1 ms") << noon << noon.addMSecs(-1) << true;
        QTest::newRow("clock set back a day") << noon << noon.addDays(-1) << true;
        // The same instants written in another zone: only the time between them counts.
        const QDateTime noonPlus3(QDate(2024, 3, 5), QTime(15, 0), QTimeZone(3 * 3600));
        QTest::newRow("other zone, 2:00 later") << noonPlus3 << noon.addSecs(120) << false;
        QTest::newRow("other zone, 2:00.001 later") << noonPlus3 << noon.addMSecs(120001) << true;
    }
    void resultDue()
    {
        QFETCH(QDateTime, last);
        QFETCH(QDateTime, now);
        QFETCH(bool, due);
        QCOMPARE(ResultDue(last, now), due);
    }
};

QTEST_GUILESS_MAIN(TestPollProtocol)
#include "tst_pollprotocol.moc"
