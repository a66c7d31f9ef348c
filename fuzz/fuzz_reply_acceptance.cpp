// The poller's acceptance test against the two families' reply tables, written out here
// on their own: accepted only for a listed length ending in the address echo, the kind set
// only from the table (and before the echo test), never a byte read past the reply.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "pollers/RequestCode.h"
#include "pollers/RequestFrame.h"
#include "pollers/TPollerFamily.h"

using namespace RequestCode;

namespace {

struct TRow
{
    uint8_t code;
    int length;
    uint8_t kind; // 0: the kind stays as it was
};

const TRow kTarvo[] = {{Probe, 4, 0},       {Fetch, 38, 1},      {Fetch, 54, 2}, {Fetch, 106, 4},
                       {FetchShort, 56, 2}, {FetchShort, 76, 4}, {Confirm, 4, 0}};
const TRow kMirel[] = {{Probe, 4, 0}, {Fetch, 234, 64}, {FetchShort, 76, 64}, {Confirm, 4, 0}};

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
    const uint8_t codes[] = {Probe, Fetch, FetchShort, Confirm};
    const uint8_t code = (data[0] & 0x80) ? data[1] : codes[data[1] & 3];
    // Any four bytes stand for the address part of the request.
    const TRequest request{data[2], data[3], data[4], data[5], code};
    std::vector<uint8_t> reply(data + 6, data + size);
    // Inputs are short; let the last input byte stretch the reply to the long lengths so
    // that the listed ones are met often.
    if (!reply.empty() && (data[0] & 2)) {
        const int lengths[] = {4, 38, 54, 106, 56, 76, 234, 233, 105, 37, 3, 0};
        const int want = lengths[reply.back() % (sizeof lengths / sizeof lengths[0])];
        reply.resize(static_cast<size_t>(want), 0xA0);
        if (reply.size() >= kEchoSize && (data[0] & 4))
            std::memcpy(reply.data() + reply.size() - kEchoSize, request.data(), kEchoSize);
    }
    const int count = static_cast<int>(reply.size());
    const TRow *row = mirel ? find(kMirel, code, count) : find(kTarvo, code, count);
    const uint8_t *address = request.data(); // the first four bytes
    const bool echo = count >= kEchoSize
                      && std::equal(address, address + kEchoSize, reply.end() - kEchoSize);

    const TPollerFamily &family = mirel ? TPollerFamily::mirel() : TPollerFamily::tarvo();
    const uint8_t oldKind = 0xEE;
    uint8_t kind = oldKind;
    // An empty vector's data() may be null; the function must not touch it for count 0.
    const bool accepted = family.acceptReply(code, reply, request, kind);

    FUZZ_CHECK(accepted == (row != nullptr && echo));
    FUZZ_CHECK(kind == (row && row->kind ? row->kind : oldKind));
    return 0;
}
