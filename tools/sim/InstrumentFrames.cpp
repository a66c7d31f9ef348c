#include "sim/InstrumentFrames.h"

#include <cmath>
#include <stdexcept>

#include "pollers/RequestCode.h"

uint32_t EncodeFp(double value)
{
    if (value == 0.0)
        return 0;
    if (!std::isfinite(value))
        throw std::out_of_range("EncodeFp: not a finite number");
    const bool negative = value < 0;
    int e2 = 0;
    const double m = std::frexp(std::fabs(value), &e2); // |value| = m * 2^e2, m in [0.5, 1)
    int exponent = e2 - 1;
    auto fraction = static_cast<uint32_t>(std::llround((2.0 * m - 1.0) * 4194304.0));
    if (fraction == 0x400000u) { // rounding carried into the leading one
        fraction = 0;
        ++exponent;
    }
    if (exponent > 126)
        throw std::out_of_range("EncodeFp: value too large for the instrument's word");
    if (exponent < -128)
        return 0;
    return (static_cast<uint32_t>(static_cast<uint8_t>(exponent)) << 24)
           | (negative ? 0x00800000u : 0u) | 0x00400000u | fraction;
}

double FpWordValue(uint32_t word)
{
    if ((word & 0xFF7FFFFFu) == 0 || (word & 0x00400000u) == 0)
        return 0.0;
    const int exponent = static_cast<int8_t>(word >> 24);
    const double v = std::ldexp(1.0 + (word & 0x003FFFFFu) / 4194304.0, exponent);
    return (word & 0x00800000u) ? -v : v;
}

std::array<uint8_t, 8> EncodeFp8(uint32_t word, uint8_t high)
{
    std::array<uint8_t, 8> out{};
    const uint8_t h = high & 0xF0;
    for (int i = 0; i < 8; ++i)
        out[i] = h | ((word >> (4 * i)) & 0x0Fu);
    return out;
}

std::array<uint8_t, 5> RequestFrame(uint16_t address, uint8_t code)
{
    const auto echo = AddressEcho(address);
    return {echo[0], echo[1], echo[2], echo[3], code};
}

std::array<uint8_t, 4> AddressEcho(uint16_t address)
{
    return {static_cast<uint8_t>(0x90 | (address & 0x0F)),
            static_cast<uint8_t>(0xA0 | ((address >> 4) & 0x0F)),
            static_cast<uint8_t>(0xA0 | ((address >> 8) & 0x0F)),
            static_cast<uint8_t>(0xA0 | ((address >> 12) & 0x0F))};
}

bool IsRequestCode(uint8_t code)
{
    using namespace RequestCode;
    return code == Probe || code == Fetch || code == FetchShort || code == Confirm;
}

static int TarvoHeader(int length)
{
    return length >= 76 ? 6 : 2;
}

int TarvoValueCount(int length)
{
    return length < 4 + TarvoHeader(length) ? 0 : (length - 4 - TarvoHeader(length)) / 8;
}

std::vector<uint8_t> BuildTarvoFrame(int length, uint16_t status, uint8_t group,
                                     const std::vector<uint32_t> &words,
                                     std::span<const uint8_t, 4> echo)
{
    const int header = TarvoHeader(length);
    std::vector<uint8_t> frame;
    frame.reserve(length);
    auto nibble = [&frame](unsigned v) { frame.push_back(0xA0 | (v & 0x0F)); };
    if (header == 6) {
        for (int i = 0; i < 4; ++i)
            nibble(status >> (4 * i));
    }
    nibble(group);
    nibble(group >> 4);
    const int count = TarvoValueCount(length);
    for (int k = 0; k < count; ++k) {
        const auto fp8 = EncodeFp8(k < int(words.size()) ? words[k] : 0u);
        frame.insert(frame.end(), fp8.begin(), fp8.end());
    }
    while (int(frame.size()) < length - 4)
        frame.push_back(0xA0);
    frame.resize(std::max(0, length - 4));
    frame.insert(frame.end(), echo.begin(), echo.end());
    return frame;
}

int MirelValueCount(int length)
{
    const int data = (length - 4) / 2;
    return data < 7 ? 0 : (data - 7) / 4;
}

std::vector<uint8_t> BuildMirelFrame(int length, uint32_t mask, uint16_t status, uint8_t count,
                                     const std::vector<uint32_t> &words,
                                     std::span<const uint8_t, 4> echo)
{
    std::vector<uint8_t> data;
    auto le = [&data](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    le(mask, 4);
    le(status, 2);
    le(count, 1);
    const int values = MirelValueCount(length);
    for (int k = 0; k < values; ++k)
        le(k < int(words.size()) ? words[k] : 0u, 4);
    data.resize(std::max(0, (length - 4) / 2));

    std::vector<uint8_t> frame;
    frame.reserve(length);
    for (uint8_t d : data) {
        // The high halves carry nothing; vary them so a receiver that forgets to mask shows.
        const auto i = static_cast<unsigned>(frame.size());
        frame.push_back(static_cast<uint8_t>((((i % 7) + 1) << 4) | (d & 0x0F)));
        frame.push_back(static_cast<uint8_t>(((((i + 1) % 7) + 1) << 4) | (d >> 4)));
    }
    while (int(frame.size()) < length - 4)
        frame.push_back(0x30);
    frame.insert(frame.end(), echo.begin(), echo.end());
    return frame;
}
