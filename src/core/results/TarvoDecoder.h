#pragma once

// The first family's result reply, as the window keeps it between results.

#include <array>
#include <cstdint>
#include <span>

struct TTarvoBlock
{
    uint16_t status = 0;
    uint8_t group = 0;
    std::array<double, 12> values{};
};

// resultData is the poller's result buffer: byte 0 is the reply kind (1, 2 or 4, chosen by the
// reply length), reply byte k sits at resultData[1 + k].
// Kind 1 carries values 0..3, kind 2 values 0..5, kind 4 a status word and values 0..11 (the
// values only while status AND 0x00A0 is not 0x00A0). Values a reply does not carry keep what
// the block held. Returns false for another kind, a short buffer or a value that does not
// convert; the block is then left exactly as it was, so a later short reply cannot show values
// half taken from a rejected one.
bool DecodeTarvoReply(std::span<const uint8_t> resultData, TTarvoBlock &block);

// Results whose status has bit 0x1000 or 0x0020 set are acknowledged but get no row.
bool TarvoRowWanted(const TTarvoBlock &block);
