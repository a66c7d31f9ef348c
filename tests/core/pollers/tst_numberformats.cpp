#include <QTest>

#include <array>
#include <cmath>
#include <optional>

#include "pollers/NumberFormats.h"

using Group = std::array<uint8_t, 8>;
Q_DECLARE_METATYPE(Group)

namespace {

// The word's value straight from its layout: (-1)^s x (1 + f / 2^22) x 2^E, or nothing
// when the leading one is missing.
std::optional<double> valueOf(uint32_t word)
{
    if ((word & 0xFF7FFFFFu) == 0)
        return 0.0;
    if (!(word & 0x00400000u))
        return std::nullopt;
    const int e = static_cast<int8_t>(word >> 24);
    if (e == 127)
        return 0.0;
    const double v = std::ldexp(1.0 + (word & 0x3FFFFFu) / 4194304.0, e);
    return (word & 0x00800000u) ? -v : v;
}

uint32_t wordOf(int exponent, bool negative, uint32_t fraction)
{
    return (uint32_t(uint8_t(exponent)) << 24) | (negative ? 0x00800000u : 0u) | 0x00400000u
           | fraction;
}

// The word spread over eight bytes, four bits each, under the given high nibble.
Group groupOf(uint32_t word, uint8_t high = 0xA0)
{
    Group g{};
    for (int i = 0; i < 8; ++i)
        g[i] = high | ((word >> (4 * i)) & 0x0F);
    return g;
}

QString errorOf(const auto &call)
{
    try {
        call();
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class TestNumberFormats : public QObject
{
    Q_OBJECT
private slots:
    void fp_data()
    {
        QTest::addColumn<uint>("word");
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << 0x00000000u << 0.0;
        QTest::newRow("sign alone") << 0x00800000u << 0.0;
        QTest::newRow("one") << 0x00400000u << 1.0;
        QTest::newRow("minus one") << 0x00C00000u << -1.0;
        QTest::newRow("two") << 0x01400000u << 2.0;
        QTest::newRow("half") << 0xFF400000u << 0.5;
        QTest::newRow("three") << 0x01600000u << 3.0;
        QTest::newRow("E=127 is zero") << 0x7F400000u << 0.0;
        QTest::newRow("E=127 negative is zero") << 0x7FFFFFFFu << 0.0;
        QTest::newRow("smallest") << 0x80400000u << std::ldexp(1.0, -128);
        QTest::newRow("largest") << 0x7E7FFFFFu << std::ldexp(2.0 - std::ldexp(1.0, -22), 126);
    }
    void fp()
    {
        QFETCH(uint, word);
        QFETCH(double, value);
        const double got = FpToReal(word);
        QVERIFY2(got == value, qPrintable(QString::number(got, 'g', 17)));
        QVERIFY(!std::signbit(got) || value != 0.0);
    }

    void fpInvalid_data()
    {
        QTest::addColumn<uint>("word");
        QTest::newRow("lowest fraction bit only") << 0x00000001u;
        QTest::newRow("fraction without leading one") << 0x003FFFFFu;
        QTest::newRow("exponent only") << 0x01000000u;
        QTest::newRow("E=127 without leading one") << 0x7F000000u;
        QTest::newRow("negative without leading one") << 0x80A00000u;
    }
    void fpInvalid()
    {
        QFETCH(uint, word);
        QCOMPARE(errorOf([&] { FpToReal(word); }), QStringLiteral("Invalid FP format"));
    }

    // Every exponent, both signs and fractions from none to all bits, through both forms.
    void roundTrip()
    {
        const uint32_t fractions[] = {0, 1, 0x155555, 0x200000, 0x2AAAAA, 0x3FFFFE, 0x3FFFFF};
        for (int e = -128; e <= 127; ++e) {
            for (bool negative : {false, true}) {
                for (uint32_t f : fractions) {
                    const uint32_t word = wordOf(e, negative, f);
                    const double want = e == 127 ? 0.0
                                                 : (negative ? -1 : 1)
                                                       * std::ldexp(1.0 + f / 4194304.0, e);
                    const QByteArray where = QByteArray::number(word, 16);
                    QVERIFY2(FpToReal(word) == want, where.constData());
                    QVERIFY2(Fp8ToReal(groupOf(word)) == want, where.constData());
                    QVERIFY2(Fp8ToReal(groupOf(word, 0xF0)) == want, where.constData());
                }
            }
        }
    }

    void fp8_data()
    {
        QTest::addColumn<Group>("bytes");
        QTest::addColumn<double>("value");
        QTest::newRow("one") << Group{0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA4, 0xA0, 0xA0} << 1.0;
        QTest::newRow("all 0x7F") << Group{0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F}
                                  << -(2.0 - std::ldexp(1.0, -22)) * 0.5;
        QTest::newRow("all 0x80 is zero")
            << Group{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80} << 0.0;
        QTest::newRow("high nibbles differ")
            << Group{0x7F, 0xFF, 0x8F, 0xF0, 0x90, 0xB6, 0xC1, 0xD0}
            << std::ldexp(1.0 + 0x200FFF / 4194304.0, 1);
    }
    void fp8()
    {
        QFETCH(Group, bytes);
        QFETCH(double, value);
        const double got = Fp8ToReal(bytes);
        QVERIFY2(got == value, qPrintable(QString::number(got, 'g', 17)));
    }

    void fp8Invalid_data()
    {
        QTest::addColumn<Group>("bytes");
        QTest::addColumn<QString>("message");
        const QString fp8 = QStringLiteral("Invalid FP8 format");
        const QString fp = QStringLiteral("Invalid FP format");
        // The nibbles form 1.0; only the range test stops it.
        QTest::newRow("b3 = 0x30") << Group{0xA0, 0xA0, 0xA0, 0x30, 0xA0, 0xA4, 0xA0, 0xA0} << fp8;
        QTest::newRow("b7 = 0x7E") << Group{0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA4, 0xA0, 0x7E} << fp8;
        QTest::newRow("b0 = 0x00") << Group{0x00, 0xA0, 0xA0, 0xA0, 0xA0, 0xA4, 0xA0, 0xA0} << fp8;
        // The range test comes before the word is looked at.
        QTest::newRow("bad byte and bad word")
            << Group{0xA1, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0x10} << fp8;
        QTest::newRow("word without leading one")
            << Group{0xA1, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0} << fp;
    }
    void fp8Invalid()
    {
        QFETCH(Group, bytes);
        QFETCH(QString, message);
        QCOMPARE(errorOf([&] { Fp8ToReal(bytes); }), message);
    }

    // Each position with every byte from 0x70 to 0x8F, the others holding 1.0: bytes below
    // 0x7F are refused, the rest count only with their low nibble.
    void fp8HighNibble_data()
    {
        QTest::addColumn<int>("position");
        for (int i = 0; i < 8; ++i)
            QTest::newRow(qPrintable(QStringLiteral("b%1").arg(i))) << i;
    }
    void fp8HighNibble()
    {
        QFETCH(int, position);
        const uint32_t one = 0x00400000u;
        for (int b = 0x70; b <= 0x8F; ++b) {
            Group g = groupOf(one);
            g[position] = uint8_t(b);
            const uint32_t word = (one & ~(0xFu << (4 * position)))
                                  | (uint32_t(b & 0x0F) << (4 * position));
            const std::optional<double> want = valueOf(word);
            const QString got = errorOf([&] { Fp8ToReal(g); });
            const QByteArray where = QByteArray::number(b, 16);
            if (b < 0x7F) {
                QVERIFY2(got == QStringLiteral("Invalid FP8 format"), where.constData());
            } else if (!want) {
                QVERIFY2(got == QStringLiteral("Invalid FP format"), where.constData());
            } else {
                QVERIFY2(got.isEmpty(), where.constData());
                QVERIFY2(Fp8ToReal(g) == *want, where.constData());
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestNumberFormats)
#include "tst_numberformats.moc"
