#pragma once

// The second and third families' result reply.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

struct TMirelReply
{
    uint32_t mask = 0; // bit k set: value k was measured
    uint16_t status = 0;
    uint8_t count = 0;
    std::array<double, 27> values{};
};

// resultData is the poller's result buffer: byte 0 is the reply kind (64 marks a complete
// reply), reply byte k sits at resultData[1 + k]. Reply bytes 0..229 carry 115 data bytes as
// low nibbles, low half first; the upper halves are ignored. Data bytes: mask 0..3, status 4..5,
// count 6, value k in 7 + 4k .. 10 + 4k (lowest byte first), each an FP word.
// All 27 value words are converted whatever the mask says, and one that does not convert fails
// the whole reply even when its mask bit is clear: the instruments' own software rejects such a
// reply too, and operators rely on seeing the same results.
// Returns nothing for another kind, a short buffer or a word that does not convert.
std::optional<TMirelReply> DecodeMirelReply(std::span<const uint8_t> resultData);

// Only a finished measurement (0x0800) without the error bit (0x0001) gets a row.
bool MirelRowWanted(const TMirelReply &reply);
