#include "session/TResultExchange.h"

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
                                                 const QDateTime &now)
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
    if (result && result->wanted)
        step.row = std::move(result);
    return step;
}
