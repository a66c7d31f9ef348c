// The first family's decoder on buffers of any size: it takes exactly what the reply layout
// says or nothing at all, and never reads past the buffer (ASan watches an exact-size copy).

#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "pollers/NumberFormats.h"
#include "results/TarvoDecoder.h"

namespace {

bool sameBlock(const TTarvoBlock &a, const TTarvoBlock &b)
{
    // Bitwise, so that a value changed to an equal-looking one still counts as changed.
    return a.status == b.status && a.group == b.group
           && std::memcmp(a.values.data(), b.values.data(), sizeof a.values) == 0;
}

TTarvoBlock startBlock(uint8_t salt)
{
    TTarvoBlock b;
    b.status = static_cast<uint16_t>(0xBE00 | salt);
    b.group = salt;
    for (size_t k = 0; k < b.values.size(); ++k)
        b.values[k] = -1000.25 - static_cast<double>(k) - salt;
    return b;
}

uint8_t nib(const std::vector<uint8_t> &buf, size_t replyAt)
{
    return buf[1 + replyAt] & 0x0F;
}

// What the block must become, worked out from the reply table; false when decoding must fail.
bool expected(const std::vector<uint8_t> &buf, TTarvoBlock &want)
{
    if (buf.empty())
        return false;
    size_t statusAt = 0, groupAt = 0, firstAt = 0, count = 0;
    bool hasStatus = false;
    switch (buf[0]) {
    case 1:
        groupAt = 0;
        firstAt = 2;
        count = 4;
        break;
    case 2:
        groupAt = 0;
        firstAt = 2;
        count = 6;
        break;
    case 4:
        hasStatus = true;
        statusAt = 0;
        groupAt = 4;
        firstAt = 6;
        count = 12;
        break;
    default:
        return false;
    }
    if (buf.size() - 1 < firstAt + 8 * count)
        return false;
    want.status = 0;
    if (hasStatus) {
        want.status = static_cast<uint16_t>(nib(buf, statusAt) | nib(buf, statusAt + 1) << 4
                                            | nib(buf, statusAt + 2) << 8
                                            | nib(buf, statusAt + 3) << 12);
    }
    want.group = static_cast<uint8_t>(nib(buf, groupAt) | nib(buf, groupAt + 1) << 4);
    if (hasStatus && (want.status & 0x00A0) == 0x00A0)
        return true;
    for (size_t k = 0; k < count; ++k) {
        try {
            want.values[k] = Fp8ToReal(std::span<const uint8_t, 8>(&buf[1 + firstAt + 8 * k], 8));
        } catch (const EConvertError &) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<uint8_t> buf(data, data + size);
    const TTarvoBlock before = startBlock(size ? data[size - 1] : 0);

    TTarvoBlock want = before;
    const bool shouldDecode = expected(buf, want);
    TTarvoBlock block = before;
    const bool decoded = DecodeTarvoReply(buf, block);
    FUZZ_CHECK(decoded == shouldDecode);
    FUZZ_CHECK(sameBlock(block, decoded ? want : before));
    if (decoded)
        (void)TarvoRowWanted(block);

    // The poller hands over its whole zero-padded 129-byte buffer: the bytes past what the
    // reply layout uses must not matter.
    if (decoded && size <= 129) {
        std::vector<uint8_t> padded(buf);
        padded.resize(129, 0);
        TTarvoBlock again = before;
        FUZZ_CHECK(DecodeTarvoReply(padded, again));
        FUZZ_CHECK(sameBlock(again, block));
    }
    return 0;
}
