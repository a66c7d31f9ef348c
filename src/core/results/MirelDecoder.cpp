#include "results/MirelDecoder.h"

#include "pollers/NumberFormats.h"

namespace {

constexpr uint8_t CompleteReply = 64;
constexpr size_t DataBytes = 115;

} // namespace

std::optional<TMirelReply> DecodeMirelReply(std::span<const uint8_t> resultData)
{
    if (resultData.size() < 1 + 2 * DataBytes || resultData[0] != CompleteReply)
        return std::nullopt;
    std::array<uint8_t, DataBytes> data{};
    for (size_t j = 0; j < DataBytes; ++j) {
        data[j] = static_cast<uint8_t>((resultData[1 + 2 * j] & 0x0F)
                                       | ((resultData[2 + 2 * j] & 0x0F) << 4));
    }
    const auto word = [&data](size_t at) {
        return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8
               | static_cast<uint32_t>(data[at + 2]) << 16
               | static_cast<uint32_t>(data[at + 3]) << 24;
    };

    TMirelReply reply;
    reply.mask = word(0);
    reply.status = static_cast<uint16_t>(data[4] | (data[5] << 8));
    reply.count = data[6];
    try {
        for (size_t k = 0; k < reply.values.size(); ++k)
            reply.values[k] = FpToReal(word(7 + 4 * k));
    } catch (const EConvertError &) {
        return std::nullopt;
    }
    return reply;
}

bool MirelRowWanted(const TMirelReply &reply)
{
    return (reply.status & 0x0801) == 0x0800;
}
