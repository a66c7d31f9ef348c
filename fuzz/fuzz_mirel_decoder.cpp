// The second family's decoder on buffers of any size: the fields come from the low nibbles
// as laid out, the high nibbles never matter, and the buffer is never read past its end.

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "pollers/NumberFormats.h"
#include "results/MirelDecoder.h"

namespace {

bool sameReply(const TMirelReply &a, const TMirelReply &b)
{
    return a.mask == b.mask && a.status == b.status && a.count == b.count
           && std::memcmp(a.values.data(), b.values.data(), sizeof a.values) == 0;
}

uint32_t dataByte(const std::vector<uint8_t> &buf, size_t j)
{
    return (buf[1 + 2 * j] & 0x0Fu) | (buf[2 + 2 * j] & 0x0Fu) << 4;
}

uint32_t dataWord(const std::vector<uint8_t> &buf, size_t j)
{
    return dataByte(buf, j) | dataByte(buf, j + 1) << 8 | dataByte(buf, j + 2) << 16
           | dataByte(buf, j + 3) << 24;
}

std::optional<TMirelReply> expected(const std::vector<uint8_t> &buf)
{
    if (buf.size() < 231 || buf[0] != 64)
        return std::nullopt;
    TMirelReply r;
    r.mask = dataWord(buf, 0);
    r.status = static_cast<uint16_t>(dataByte(buf, 4) | dataByte(buf, 5) << 8);
    r.count = static_cast<uint8_t>(dataByte(buf, 6));
    try {
        for (size_t k = 0; k < r.values.size(); ++k)
            r.values[k] = FpToReal(dataWord(buf, 7 + 4 * k));
    } catch (const EConvertError &) {
        return std::nullopt;
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<uint8_t> buf(data, data + size);
    const std::optional<TMirelReply> want = expected(buf);
    const std::optional<TMirelReply> got = DecodeMirelReply(buf);
    FUZZ_CHECK(got.has_value() == want.has_value());
    if (!got)
        return 0;
    FUZZ_CHECK(sameReply(*got, *want));
    (void)MirelRowWanted(*got);

    // Flipped high nibbles and a zero-padded 235-byte buffer, as the poller hands it over,
    // give the same reply.
    std::vector<uint8_t> other(buf);
    for (size_t i = 1; i < other.size(); ++i)
        other[i] ^= 0xF0;
    if (other.size() < 235)
        other.resize(235, 0);
    const std::optional<TMirelReply> again = DecodeMirelReply(other);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(sameReply(*again, *got));
    return 0;
}
