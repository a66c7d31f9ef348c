#pragma once

// What one instrument family's poller differs in: its reply buffer, its read time-outs and
// which reply lengths it accepts for each request. The cycle itself is shared.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pollers/RequestFrame.h"

// What became of a reply: taken, or dropped for one of three reasons.
enum class TReplyVerdict : uint8_t { Accepted, NoReply, WrongLength, WrongEcho };

// One accepted reply length and the ResultKind it gives; kind 0 leaves ResultKind as it was.
struct TReplyLength
{
    int length = 0;
    uint8_t kind = 0;
};

struct TReplyRule
{
    uint8_t code = 0;
    int asked = 0; // bytes asked for
    std::vector<TReplyLength> lengths;

    // The entry for a reply of `count` bytes, or nullptr when that length is not accepted.
    const TReplyLength *lengthFor(int count) const;
    // A reply longer than the echo carries a result: it is read into the reply buffer, zeroed
    // first. The echo-only replies leave the buffer holding the last result.
    bool carriesResult() const { return asked > kEchoSize; }
};

struct TPollerFamily
{
    int replySize = 0; // the thread's reply buffer; ResultData has one byte more
    std::optional<int> readTotalMultiplier; // ms per byte asked for; unset: the port's own
    int readTotalConstant = 0;              // ms
    std::vector<TReplyRule> rules;          // in the order one cycle tries them

    const TReplyRule *rule(uint8_t code) const;

    // The acceptance test of one exchange: a listed length for the code, ending with the echo
    // of the four address bytes of the request. `kind` is set from the length (before the
    // echo test) when the rule gives one.
    bool acceptReply(uint8_t code, std::span<const uint8_t> reply, const TRequest &request,
                     uint8_t &kind) const;
    // The same test, telling why a reply is dropped: nothing came, a length the code does
    // not list, or the address echo does not match.
    TReplyVerdict judgeReply(uint8_t code, std::span<const uint8_t> reply, const TRequest &request,
                             uint8_t &kind) const;

    static const TPollerFamily &tarvo();
    static const TPollerFamily &mirel();
};
