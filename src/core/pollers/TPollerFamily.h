#pragma once

// What one instrument family's poller differs in; the cycle itself is shared.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

struct TReplyRule
{
    uint8_t code = 0;
    int asked = 0;                // bytes asked for
    std::array<int, 3> lengths{}; // accepted reply lengths, 0 = unused
    std::array<uint8_t, 3> kinds{}; // ResultKind for each length; 0 = leave it as it was

    bool Accepts(int count) const;
    // 0 when the kind stays unchanged.
    uint8_t KindFor(int count) const;
};

struct TPollerFamily
{
    int replySize = 0;          // the thread's reply buffer; ResultData has one byte more
    int readTotalMultiplier = 0; // ms per byte asked for
    int readTotalConstant = 0;   // ms
    std::array<TReplyRule, 4> rules{}; // codes 4, 6, 7, 9

    const TReplyRule *Rule(uint8_t code) const;

    // The acceptance test of one exchange: a listed length for the code, ending with the echo
    // of the four address bytes of the request. *kind is set from the length (before the echo
    // test) when the rule gives one.
    bool AcceptReply(uint8_t code, const uint8_t *reply, int count, const uint8_t *request,
                     uint8_t *kind) const;

    static const TPollerFamily &Tarvo();
    static const TPollerFamily &Mirel();
};
