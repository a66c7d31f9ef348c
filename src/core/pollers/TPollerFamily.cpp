#include "pollers/TPollerFamily.h"

#include <cstring>

bool TReplyRule::Accepts(int count) const
{
    for (int len : lengths) {
        if (len != 0 && len == count)
            return true;
    }
    return false;
}

uint8_t TReplyRule::KindFor(int count) const
{
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        if (lengths[i] != 0 && lengths[i] == count)
            return kinds[i];
    }
    return 0;
}

const TReplyRule *TPollerFamily::Rule(uint8_t code) const
{
    for (const TReplyRule &r : rules) {
        if (r.code == code)
            return &r;
    }
    return nullptr;
}

const TPollerFamily &TPollerFamily::Tarvo()
{
    static const TPollerFamily f{
        128, 0, 200,
        {{{4, 4, {4, 0, 0}, {0, 0, 0}},
          {6, 106, {38, 54, 106}, {1, 2, 4}},
          {7, 76, {56, 76, 0}, {2, 4, 0}},
          {9, 4, {4, 0, 0}, {0, 0, 0}}}}};
    return f;
}

const TPollerFamily &TPollerFamily::Mirel()
{
    static const TPollerFamily f{
        234, 1, 100,
        {{{4, 4, {4, 0, 0}, {0, 0, 0}},
          {6, 234, {234, 0, 0}, {64, 0, 0}},
          {7, 76, {76, 0, 0}, {64, 0, 0}},
          {9, 4, {4, 0, 0}, {0, 0, 0}}}}};
    return f;
}

bool TPollerFamily::AcceptReply(uint8_t code, const uint8_t *reply, int count,
                                const uint8_t *request, uint8_t *kind) const
{
    const TReplyRule *rule = Rule(code);
    if (!rule || count < 4 || !rule->Accepts(count))
        return false;
    if (const uint8_t k = rule->KindFor(count))
        *kind = k;
    return std::memcmp(reply + count - 4, request, 4) == 0;
}
