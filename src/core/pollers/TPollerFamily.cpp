#include "pollers/TPollerFamily.h"

#include <algorithm>

#include "pollers/RequestCode.h"

using namespace RequestCode;

const TReplyLength *TReplyRule::lengthFor(int count) const
{
    const auto it = std::find_if(lengths.begin(), lengths.end(),
                                 [count](const TReplyLength &l) { return l.length == count; });
    return it == lengths.end() ? nullptr : &*it;
}

const TReplyRule *TPollerFamily::rule(uint8_t code) const
{
    const auto it = std::find_if(rules.begin(), rules.end(),
                                 [code](const TReplyRule &r) { return r.code == code; });
    return it == rules.end() ? nullptr : &*it;
}

const TPollerFamily &TPollerFamily::tarvo()
{
    static const TPollerFamily f{.replySize = 128,
                                 .readTotalMultiplier = std::nullopt,
                                 .readTotalConstant = 200,
                                 .rules = {{Probe, 4, {{4, 0}}},
                                           {Fetch, 106, {{38, 1}, {54, 2}, {106, 4}}},
                                           {FetchShort, 76, {{56, 2}, {76, 4}}},
                                           {Confirm, 4, {{4, 0}}}}};
    return f;
}

const TPollerFamily &TPollerFamily::mirel()
{
    static const TPollerFamily f{.replySize = 234,
                                 .readTotalMultiplier = 1,
                                 .readTotalConstant = 100,
                                 .rules = {{Probe, 4, {{4, 0}}},
                                           {Fetch, 234, {{234, 64}}},
                                           {FetchShort, 76, {{76, 64}}},
                                           {Confirm, 4, {{4, 0}}}}};
    return f;
}

bool TPollerFamily::acceptReply(uint8_t code, std::span<const uint8_t> reply,
                                const TRequest &request, uint8_t &kind) const
{
    return judgeReply(code, reply, request, kind) == TReplyVerdict::Accepted;
}

TReplyVerdict TPollerFamily::judgeReply(uint8_t code, std::span<const uint8_t> reply,
                                        const TRequest &request, uint8_t &kind) const
{
    if (reply.empty())
        return TReplyVerdict::NoReply;
    const TReplyRule *found = rule(code);
    const TReplyLength *entry = found ? found->lengthFor(int(reply.size())) : nullptr;
    if (!entry || reply.size() < std::size_t(kEchoSize))
        return TReplyVerdict::WrongLength;
    if (entry->kind != 0)
        kind = entry->kind;
    const auto echo = addressEchoOf(request);
    return std::equal(echo.begin(), echo.end(), reply.end() - kEchoSize) ? TReplyVerdict::Accepted
                                                                         : TReplyVerdict::WrongEcho;
}
