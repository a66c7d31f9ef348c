#include "results/TarvoDecoder.h"

#include "pollers/NumberFormats.h"

namespace {

struct TLayout
{
    int statusAt = -1; // -1: the kind carries no status word
    int groupAt = 0;
    int firstValueAt = 0;
    int valueCount = 0;
};

bool LayoutOf(uint8_t kind, TLayout &layout)
{
    switch (kind) {
    case 1:
        layout = {-1, 0, 2, 4};
        return true;
    case 2:
        layout = {-1, 0, 2, 6};
        return true;
    case 4:
        layout = {0, 4, 6, 12};
        return true;
    default:
        return false;
    }
}

uint8_t Nibble(std::span<const uint8_t> reply, int at)
{
    return reply[at] & 0x0F;
}

} // namespace

bool DecodeTarvoReply(std::span<const uint8_t> resultData, TTarvoBlock &block)
{
    if (resultData.empty())
        return false;
    TLayout layout;
    if (!LayoutOf(resultData[0], layout))
        return false;
    const std::span<const uint8_t> reply = resultData.subspan(1);
    const size_t needed = static_cast<size_t>(layout.firstValueAt + 8 * layout.valueCount);
    if (reply.size() < needed)
        return false;

    TTarvoBlock next = block;
    next.status = 0;
    if (layout.statusAt >= 0) {
        for (int i = 0; i < 4; ++i)
            next.status |= static_cast<uint16_t>(Nibble(reply, layout.statusAt + i) << (4 * i));
    }
    next.group = static_cast<uint8_t>(Nibble(reply, layout.groupAt)
                                      | (Nibble(reply, layout.groupAt + 1) << 4));
    // With both 0x0080 and 0x0020 set the instrument's values are not a measurement.
    const bool valuesValid = layout.statusAt < 0 || (next.status & 0x00A0) != 0x00A0;
    if (valuesValid) {
        try {
            for (int k = 0; k < layout.valueCount; ++k) {
                const auto bytes = reply.subspan(layout.firstValueAt + 8 * k).first<8>();
                next.values[k] = Fp8ToReal(bytes);
            }
        } catch (const EConvertError &) {
            return false;
        }
    }
    block = next;
    return true;
}

bool TarvoRowWanted(const TTarvoBlock &block)
{
    return (block.status & 0x1020) == 0;
}
