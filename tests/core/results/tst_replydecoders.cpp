#include <QTest>

#include <cmath>
#include <vector>

#include "results/MirelDecoder.h"
#include "results/TarvoDecoder.h"

using Bytes = std::vector<uint8_t>;
using Values12 = std::array<double, 12>;

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Values12)

namespace {

// The instrument word of a value that has an exact one (at most 23 significant bits).
uint32_t FpWord(double v)
{
    if (v == 0.0)
        return 0;
    int e = 0;
    const double m = std::frexp(std::fabs(v), &e); // |v| = m * 2^e, m in [0.5, 1)
    const auto fraction = static_cast<uint32_t>((2.0 * m - 1.0) * 4194304.0);
    return static_cast<uint32_t>(static_cast<uint8_t>(e - 1)) << 24 | (v < 0 ? 0x00800000u : 0)
           | 0x00400000u | fraction;
}

// Eight bytes of a word, four bits in each; the high nibbles vary as on the line.
void PutFp8(Bytes &reply, size_t at, uint32_t word)
{
    for (int i = 0; i < 8; ++i)
        reply[at + i] = static_cast<uint8_t>((0x80 + 0x10 * (i % 8)) | ((word >> (4 * i)) & 0xF));
}

// A result buffer: kind byte, then the reply; 129 bytes like the poller's.
Bytes TarvoBuffer(uint8_t kind, uint16_t status, uint8_t group, const std::vector<double> &values)
{
    Bytes buffer(129, 0xA5);
    buffer[0] = kind;
    size_t at = 1;
    if (kind == 4) {
        for (int i = 0; i < 4; ++i)
            buffer[at + i] = static_cast<uint8_t>(0x30 + 0x40 * i) | ((status >> (4 * i)) & 0xF);
        at += 4;
    }
    buffer[at] = static_cast<uint8_t>(0xF0 | (group & 0xF));
    buffer[at + 1] = static_cast<uint8_t>(0x50 | (group >> 4));
    at += 2;
    for (double v : values) {
        PutFp8(buffer, at, FpWord(v));
        at += 8;
    }
    return buffer;
}

TTarvoBlock OldBlock()
{
    TTarvoBlock block;
    block.status = 0x1111;
    block.group = 99;
    for (size_t k = 0; k < block.values.size(); ++k)
        block.values[k] = 100.0 + static_cast<double>(k);
    return block;
}

Values12 Merged(const std::vector<double> &fresh)
{
    Values12 values = OldBlock().values;
    for (size_t k = 0; k < fresh.size(); ++k)
        values[k] = fresh[k];
    return values;
}

const std::vector<double> Twelve = {36.5, 3.75,  8.5,  1028.25, -0.5,     0.0,
                                    2.0,  4.625, 0.75, 12.125,  -0.53125, 65.0};

std::vector<double> First(size_t n)
{
    return {Twelve.begin(), Twelve.begin() + static_cast<std::ptrdiff_t>(n)};
}

// Data bytes of a Mirel reply spread over nibbles, with upper halves that must be ignored.
Bytes MirelBuffer(uint32_t mask, uint16_t status, uint8_t count, std::array<uint32_t, 27> words)
{
    std::array<uint8_t, 115> data{};
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<uint8_t>(mask >> (8 * i));
    data[4] = static_cast<uint8_t>(status);
    data[5] = static_cast<uint8_t>(status >> 8);
    data[6] = count;
    for (size_t k = 0; k < words.size(); ++k) {
        for (int i = 0; i < 4; ++i)
            data[7 + 4 * k + i] = static_cast<uint8_t>(words[k] >> (8 * i));
    }
    Bytes buffer(235, 0);
    buffer[0] = 64;
    for (size_t j = 0; j < data.size(); ++j) {
        buffer[1 + 2 * j] = static_cast<uint8_t>((j * 0x30) & 0xF0) | (data[j] & 0x0F);
        buffer[2 + 2 * j] = static_cast<uint8_t>((j * 0x70 + 0x90) & 0xF0) | (data[j] >> 4);
    }
    for (size_t i = 231; i < buffer.size(); ++i)
        buffer[i] = 0x11; // the address echo
    return buffer;
}

std::array<uint32_t, 27> Words(const std::vector<double> &values)
{
    std::array<uint32_t, 27> words{};
    for (size_t k = 0; k < values.size(); ++k)
        words[k] = FpWord(values[k]);
    return words;
}

} // namespace

class TestReplyDecoders : public QObject
{
    Q_OBJECT
private slots:
    void tarvoDecodes_data()
    {
        QTest::addColumn<Bytes>("buffer");
        QTest::addColumn<uint>("status");
        QTest::addColumn<uint>("group");
        QTest::addColumn<Values12>("values");

        QTest::newRow("kind 1: values 0..3, the rest kept, status cleared")
            << TarvoBuffer(1, 0, 0x3C, First(4)) << 0u << 0x3Cu << Merged(First(4));
        QTest::newRow("kind 2: values 0..5")
            << TarvoBuffer(2, 0, 0x07, First(6)) << 0u << 0x07u << Merged(First(6));
        QTest::newRow("kind 4: status nibbles and all twelve values")
            << TarvoBuffer(4, 0x4321, 0xE5, Twelve) << 0x4321u << 0xE5u << Merged(Twelve);
        QTest::newRow("kind 4 with 0x0080 alone: values taken")
            << TarvoBuffer(4, 0x0080, 1, Twelve) << 0x0080u << 1u << Merged(Twelve);
        QTest::newRow("kind 4 with 0x00A0: all twelve old values kept")
            << TarvoBuffer(4, 0x10A0, 2, Twelve) << 0x10A0u << 2u << Merged({});
        // The value bytes need not even be valid when they are not read.
        Bytes garbage = TarvoBuffer(4, 0x00A0, 3, {});
        garbage[20] = 0x00;
        QTest::newRow("kind 4 with 0x00A0: value bytes not read")
            << garbage << 0x00A0u << 3u << Merged({});
    }
    void tarvoDecodes()
    {
        QFETCH(Bytes, buffer);
        QFETCH(uint, status);
        QFETCH(uint, group);
        QFETCH(Values12, values);
        TTarvoBlock block = OldBlock();
        QVERIFY(DecodeTarvoReply(buffer, block));
        QCOMPARE(block.status, status);
        QCOMPARE(block.group, group);
        for (size_t k = 0; k < values.size(); ++k)
            QCOMPARE(block.values[k], values[k]);
    }

    void tarvoFails_data()
    {
        QTest::addColumn<Bytes>("buffer");
        QTest::newRow("kind 0") << TarvoBuffer(0, 0, 1, First(4));
        QTest::newRow("kind 3") << TarvoBuffer(3, 0, 1, Twelve);
        QTest::newRow("kind 64") << TarvoBuffer(64, 0, 1, Twelve);
        QTest::newRow("empty buffer") << Bytes{};
        Bytes shortBuffer = TarvoBuffer(4, 0, 1, Twelve);
        shortBuffer.resize(1 + 101); // one byte short of value 11
        QTest::newRow("kind 4 cut in value 11") << shortBuffer;
        Bytes lowByte = TarvoBuffer(4, 0, 1, Twelve);
        lowByte[1 + 6 + 8 * 11 + 3] = 0x30; // in the last value: the first ones would convert
        QTest::newRow("FP8 byte below 0x7F in value 11") << lowByte;
        Bytes noLeadingOne = TarvoBuffer(2, 0, 1, First(6));
        PutFp8(noLeadingOne, 1 + 2 + 8 * 5, 0x00000001);
        QTest::newRow("FP word without its leading one") << noLeadingOne;
    }
    void tarvoFails()
    {
        QFETCH(Bytes, buffer);
        TTarvoBlock block = OldBlock();
        QVERIFY(!DecodeTarvoReply(buffer, block));
        const TTarvoBlock old = OldBlock();
        QCOMPARE(block.status, old.status);
        QCOMPARE(block.group, old.group);
        QVERIFY(block.values == old.values);
    }

    void tarvoFailedReplyLeavesNothingForTheNext()
    {
        TTarvoBlock block = OldBlock();
        Bytes bad = TarvoBuffer(4, 0, 1, std::vector<double>(12, 7.0));
        bad[1 + 6 + 8 * 8] = 0x00; // value 8 fails after 0..7 converted
        QVERIFY(!DecodeTarvoReply(bad, block));
        QVERIFY(DecodeTarvoReply(TarvoBuffer(1, 0, 1, First(4)), block));
        QCOMPARE(block.values[4], OldBlock().values[4]);
        QCOMPARE(block.values[7], OldBlock().values[7]);
    }

    void mirelDecodesFields()
    {
        std::vector<double> values(27, 0.0);
        values[0] = 1.0;
        values[13] = 0.5;
        values[26] = -3.0;
        values[7] = 1028.25;
        const auto reply = DecodeMirelReply(MirelBuffer(0x05ABCDEF, 0x1F80, 200, Words(values)));
        QVERIFY(reply.has_value());
        QCOMPARE(reply->mask, 0x05ABCDEFu);
        QCOMPARE(reply->status, uint16_t(0x1F80));
        QCOMPARE(reply->count, uint8_t(200));
        for (size_t k = 0; k < 27; ++k)
            QCOMPARE(reply->values[k], values[k]);
    }

    void mirelStatus_data()
    {
        QTest::addColumn<uint>("mask");
        QTest::addColumn<uint>("status");
        QTest::addColumn<bool>("wanted");
        QTest::newRow("mask 0, good status") << 0u << 0x0800u << true;
        QTest::newRow("0x0800 with all other bits") << 0x07FFFFFFu << 0xFFFEu << true;
        QTest::newRow("0x0801") << 0x07FFFFFFu << 0x0801u << false;
        QTest::newRow("0x0000") << 0x07FFFFFFu << 0x0000u << false;
        QTest::newRow("0x0001") << 0x07FFFFFFu << 0x0001u << false;
        QTest::newRow("0xF7FF (no 0x0800)") << 0x07FFFFFFu << 0xF7FFu << false;
    }
    void mirelStatus()
    {
        QFETCH(uint, mask);
        QFETCH(uint, status);
        QFETCH(bool, wanted);
        const auto reply = DecodeMirelReply(
            MirelBuffer(mask, static_cast<uint16_t>(status), 5, Words({2.0, 3.0})));
        QVERIFY(reply.has_value());
        QCOMPARE(reply->mask, mask);
        QCOMPARE(reply->status, uint16_t(status));
        QCOMPARE(MirelRowWanted(*reply), wanted);
    }

    void mirelFails_data()
    {
        QTest::addColumn<Bytes>("buffer");
        auto words = Words({1.0});
        words[13] = 0x00000001;
        QTest::newRow("bad word in value 13, mask bit set")
            << MirelBuffer(1u << 13, 0x0800, 1, words);
        QTest::newRow("bad word in value 13, mask bit clear") << MirelBuffer(0x1, 0x0800, 1, words);
        auto lastBad = Words({});
        lastBad[26] = 0x7F200000;
        QTest::newRow("bad word in value 26") << MirelBuffer(0x1, 0x0800, 1, lastBad);
        Bytes incomplete = MirelBuffer(0x1, 0x0800, 1, Words({1.0}));
        incomplete[0] = 32;
        QTest::newRow("reply not complete") << incomplete;
        Bytes shortBuffer = MirelBuffer(0x1, 0x0800, 1, Words({1.0}));
        shortBuffer.resize(230);
        QTest::newRow("one data nibble short") << shortBuffer;
        QTest::newRow("empty") << Bytes{};
    }
    void mirelFails()
    {
        QFETCH(Bytes, buffer);
        QVERIFY(!DecodeMirelReply(buffer).has_value());
    }
};

QTEST_APPLESS_MAIN(TestReplyDecoders)
#include "tst_replydecoders.moc"
