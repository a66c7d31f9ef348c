// FP words and FP8 groups from arbitrary bytes: a finite value that matches the layout
// computed here from first principles, or EConvertError with its exact message.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "FuzzCheck.h"
#include "pollers/NumberFormats.h"

namespace {

// (-1)^s * (1 + f / 2^22) * 2^E by plain doubling and halving; nothing for a bad word.
std::optional<double> expectedFp(uint32_t word)
{
    if ((word & 0xFF7FFFFFu) == 0)
        return 0.0;
    if (!(word & 0x00400000u))
        return std::nullopt;
    const int e = static_cast<int8_t>(word >> 24);
    if (e == 127)
        return 0.0;
    double v = static_cast<double>(word & 0x007FFFFFu & ~0x00400000u) / 4194304.0 + 1.0;
    for (int i = 0; i < e; ++i)
        v *= 2.0;
    for (int i = 0; i > e; --i)
        v /= 2.0;
    return (word & 0x00800000u) ? -v : v;
}

void checkFp(uint32_t word)
{
    const std::optional<double> want = expectedFp(word);
    try {
        const double got = FpToReal(word);
        FUZZ_CHECK(want.has_value());
        FUZZ_CHECK(std::isfinite(got));
        FUZZ_CHECK(got == *want);
    } catch (const EConvertError &e) {
        FUZZ_CHECK(!want.has_value());
        FUZZ_CHECK(std::strcmp(e.what(), "Invalid FP format") == 0);
    }
}

void checkFp8(std::span<const uint8_t, 8> bytes)
{
    bool inRange = true;
    uint32_t word = 0;
    for (int i = 0; i < 8; ++i) {
        inRange = inRange && bytes[i] >= 0x7F;
        word |= static_cast<uint32_t>(bytes[i] & 0x0F) << (4 * i);
    }
    const std::optional<double> want = inRange ? expectedFp(word) : std::nullopt;
    try {
        const double got = Fp8ToReal(bytes);
        FUZZ_CHECK(want.has_value());
        FUZZ_CHECK(std::isfinite(got));
        FUZZ_CHECK(got == *want);
    } catch (const EConvertError &e) {
        FUZZ_CHECK(!want.has_value());
        // A byte out of range is named as such even when the nibbles make a bad word too.
        FUZZ_CHECK(std::strcmp(e.what(), inRange ? "Invalid FP format" : "Invalid FP8 format") == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Every alignment of the input, so one input tries many words.
    const size_t limit = size < 64 ? size : 64;
    for (size_t i = 0; i + 4 <= size && i < limit; ++i) {
        uint32_t word = 0;
        for (int k = 0; k < 4; ++k)
            word |= static_cast<uint32_t>(data[i + k]) << (8 * k);
        checkFp(word);
    }
    for (size_t i = 0; i + 8 <= size && i < limit; ++i)
        checkFp8(std::span<const uint8_t, 8>(data + i, 8));
    return 0;
}
