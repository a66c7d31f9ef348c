#pragma once

// The result exchange of a registration window with its poller, without the window: what each
// poll asks for and what a reply gives.
//
// A poll asks for the result (Fetch) once more than two minutes have passed since the last one
// taken, and for nothing while the window holds results back (a question about the table is
// open). A fetched reply is decoded and confirmed (Confirm); the confirmation's reply ends the
// exchange (Idle). A reply that does not decode is asked for again, or confirmed all the same,
// as the family's decoder says. One reading of the clock dates the row and starts the two
// minutes, so a result on the stroke of midnight never gets one day's date and the next day's
// time.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include <QDateTime>

#include "session/TResultDecoder.h"

class TResultExchange
{
public:
    explicit TResultExchange(std::unique_ptr<TResultDecoder> decoder);

    // The command for this poll, given the one in force.
    uint8_t getNumber(uint8_t command, bool holding, const QDateTime &now) const;

    struct Step
    {
        uint8_t command = 0;
        // The result that gets a row, taken at `at`.
        std::optional<TDecodedResult> row;
        QDateTime at;
        // The reply got no row: rejected, with the status it was marked with or none when it
        // did not decode.
        bool rejected = false;
        std::optional<uint16_t> rejectedStatus;
    };
    // The poller put a reply of replyLength bytes into its result buffer under `command`.
    Step putResult(uint8_t command, std::span<const uint8_t> resultData, std::size_t replyLength,
                   const QDateTime &now);

    // Invalid until the first result: the first poll asks at once.
    QDateTime lastResult() const { return m_lastResult; }

private:
    std::unique_ptr<TResultDecoder> m_decoder;
    QDateTime m_lastResult;
};
