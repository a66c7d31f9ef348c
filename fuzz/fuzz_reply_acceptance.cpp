// The poller's acceptance test against the two families' reply tables, written out here
// on their own: accepted only for a listed length ending in the address echo, the kind set
// only from the table (and before the echo test), never a byte read past the reply.

#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "pollers/TPollerFamily.h"

namespace {

struct TRow
{
    uint8_t code;
    int length;
    uint8_t kind; // 0: the kind stays as it was
};

const TRow kTarvo[] = {{4, 4, 0},   {6, 38, 1},  {6, 54, 2}, {6, 106, 4},
                       {7, 56, 2},  {7, 76, 4},  {9, 4, 0}};
const TRow kMirel[] = {{4, 4, 0}, {6, 234, 64}, {7, 76, 64}, {9, 4, 0}};

template <size_t N>
const TRow *find(const TRow (&table)[N], uint8_t code, int length)
{
    for (const TRow &r : table) {
        if (r.code == code && r.length == length)
            return &r;
    }
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    const bool mirel = data[0] & 1;
    // Mostly the real codes, now and then any byte.
    const uint8_t codes[] = {4, 6, 7, 9};
    const uint8_t code = (data[0] & 0x80) ? data[1] : codes[data[1] & 3];
    const std::vector<uint8_t> request(data + 2, data + 6);
    std::vector<uint8_t> reply(data + 6, data + size);
    // Inputs are short; let the last input byte stretch the reply to the long lengths so
    // that the listed ones are met often.
    if (!reply.empty() && (data[0] & 2)) {
        const int lengths[] = {4, 38, 54, 106, 56, 76, 234, 233, 105, 37, 3, 0};
        const int want = lengths[reply.back() % (sizeof lengths / sizeof lengths[0])];
        reply.resize(static_cast<size_t>(want), 0xA0);
        if (reply.size() >= 4 && (data[0] & 4))
            std::memcpy(reply.data() + reply.size() - 4, request.data(), 4);
    }
    const int count = static_cast<int>(reply.size());
    const TRow *row = mirel ? find(kMirel, code, count) : find(kTarvo, code, count);
    const bool echo = count >= 4 && std::memcmp(reply.data() + count - 4, request.data(), 4) == 0;

    const TPollerFamily &family = mirel ? TPollerFamily::Mirel() : TPollerFamily::Tarvo();
    const uint8_t oldKind = 0xEE;
    uint8_t kind = oldKind;
    // An empty vector's data() may be null; the function must not touch it for count 0.
    const bool accepted = family.AcceptReply(code, reply.data(), count, request.data(), &kind);

    FUZZ_CHECK(accepted == (row != nullptr && echo));
    FUZZ_CHECK(kind == (row && row->kind ? row->kind : oldKind));
    return 0;
}
