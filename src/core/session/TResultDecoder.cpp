#include "session/TResultDecoder.h"

#include "results/LocaleFormats.h"
#include "results/MirelDecoder.h"
#include "table/TableShape.h"

std::unique_ptr<TResultDecoder> TResultDecoder::tarvo()
{
    return std::make_unique<TTarvoResultDecoder>();
}

std::unique_ptr<TResultDecoder> TResultDecoder::mirel()
{
    return std::make_unique<TMirelResultDecoder>();
}

std::size_t TTarvoResultDecoder::valuesCarried(std::span<const uint8_t> resultData, uint16_t status)
{
    switch (resultData.empty() ? 0 : resultData[0]) {
    case 1:
        return 4;
    case 2:
        return 6;
    case 4:
        // An instrument that flags both status bits sends no values at all.
        return (status & 0x00A0) == 0x00A0 ? 0 : 12;
    default:
        return 0;
    }
}

std::optional<TDecodedResult> TTarvoResultDecoder::decode(std::span<const uint8_t> resultData)
{
    if (!DecodeTarvoReply(resultData, m_block))
        return std::nullopt;
    TDecodedResult result;
    result.wanted = TarvoRowWanted(m_block);
    result.status = m_block.status;
    result.cells.emplace_back(TableShape::GroupCol, QString::number(m_block.group));
    for (std::size_t k = 0; k < m_block.values.size(); ++k)
        result.cells.emplace_back(TableShape::FirstValueCol + int(k),
                                  FormatValue(m_block.values[k]));
    result.group = m_block.group;
    // The block keeps earlier values; only those this reply's kind carries are its own.
    const std::size_t carried = valuesCarried(resultData, m_block.status);
    for (std::size_t k = 0; k < m_block.values.size(); ++k)
        result.values.push_back(k < carried ? std::optional(m_block.values[k]) : std::nullopt);
    return result;
}

std::optional<TDecodedResult> TMirelResultDecoder::decode(std::span<const uint8_t> resultData)
{
    const std::optional<TMirelReply> reply = DecodeMirelReply(resultData);
    if (!reply)
        return std::nullopt;
    TDecodedResult result;
    result.wanted = MirelRowWanted(*reply);
    result.status = reply->status;
    result.cells.emplace_back(TableShape::GroupCol, QString::number(reply->count));
    result.group = reply->count;
    for (std::size_t k = 0; k < reply->values.size(); ++k) {
        const bool carried = reply->mask & (1u << k);
        result.values.push_back(carried ? std::optional(reply->values[k]) : std::nullopt);
        if (carried)
            result.cells.emplace_back(TableShape::FirstValueCol + int(k),
                                      FormatValue(reply->values[k]));
    }
    return result;
}
