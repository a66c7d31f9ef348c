#include "pollers/NumberFormats.h"

#include <cmath>

double FpToReal(uint32_t word)
{
    if ((word & 0xFF7FFFFFu) == 0)
        return 0.0;
    if ((word & 0x00400000u) == 0)
        throw EConvertError("Invalid FP format");
    const int exponent = static_cast<int8_t>(word >> 24);
    // The value passes through a 48-bit real whose exponent byte is E + 129 (mod 256);
    // for E = 127 that byte wraps to 0, which means zero.
    if (exponent == 127)
        return 0.0;
    const double mantissa = 1.0 + static_cast<double>(word & 0x003FFFFFu) / 4194304.0;
    const double value = std::ldexp(mantissa, exponent);
    return (word & 0x00800000u) ? -value : value;
}

double Fp8ToReal(std::span<const uint8_t, 8> bytes)
{
    for (uint8_t b : bytes) {
        if (b < 0x7F)
            throw EConvertError("Invalid FP8 format");
    }
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t byte = (bytes[2 * i] & 0x0Fu) | ((bytes[2 * i + 1] & 0x0Fu) << 4);
        word |= byte << (8 * i);
    }
    // Every value FP can yield fits the 48-bit real exactly, so narrowing changes nothing.
    return FpToReal(word);
}
