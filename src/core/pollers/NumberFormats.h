#pragma once

// The instruments' own 32-bit float words ("FP") and their eight-byte nibble form ("FP8").

#include <cstdint>
#include <span>
#include <stdexcept>

#include <QString>

// Raised when a word or byte group is not a valid encoding.
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const char *message)
        : std::runtime_error(message)
    {}
    QString Message() const { return QString::fromLatin1(what()); }
};

// Word layout: bits 31..24 exponent (two's complement), 23 sign, 22 explicit leading one,
// 21..0 fraction. Exponent 127 reads as 0, as the instrument software always did.
double FpToReal(uint32_t word);

// Eight reply bytes, four word bits in each low nibble, least significant first.
// Every byte must be at least 0x7F.
double Fp8ToReal(std::span<const uint8_t, 8> bytes);
