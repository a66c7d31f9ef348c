#include "session/TResultExchange.h"

#include <algorithm>

#include "pollers/RequestCode.h"
#include "pollers/ResultPacing.h"

TResultExchange::TResultExchange(std::unique_ptr<TResultDecoder> decoder)
    : m_decoder(std::move(decoder))
{}

uint8_t TResultExchange::getNumber(uint8_t command, bool holding, const QDateTime &now) const
{
    // One asked for again after a bad reply waits too.
    if (holding)
        return command == RequestCode::Fetch ? uint8_t(RequestCode::Idle) : command;
    return ResultDue(m_lastResult, now) ? uint8_t(RequestCode::Fetch) : command;
}

TResultExchange::Step TResultExchange::putResult(uint8_t command,
                                                 std::span<const uint8_t> resultData,
                                                 std::size_t replyLength, const QDateTime &now)
{
    Step step;
    step.command = command;
    if (command == RequestCode::Confirm) {
        step.command = RequestCode::Idle;
        return step;
    }
    if (command != RequestCode::Fetch)
        return step;
    std::optional<TDecodedResult> result = m_decoder->decode(resultData);
    if (!result || !result->wanted) { // no row: the status bar counts it
        step.rejected = true;
        if (result)
            step.rejectedStatus = result->status;
    }
    if (!result && !m_decoder->confirmsUndecoded())
        return step; // asked for again on the next poll
    m_lastResult = now;
    step.at = now;
    step.command = RequestCode::Confirm;
    if (result && result->wanted) {
        // Byte 0 of the result buffer is the reply's kind, not a byte the instrument sent.
        const std::size_t length = std::min(replyLength,
                                            resultData.empty() ? 0 : resultData.size() - 1);
        result->raw = QByteArray(reinterpret_cast<const char *>(resultData.data()) + 1,
                                 qsizetype(length));
        step.row = std::move(result);
    }
    return step;
}
