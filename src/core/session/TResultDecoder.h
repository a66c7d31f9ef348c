#pragma once

// A result reply as a registration window takes it: the cells of its row besides the date and
// time, whether the result gets a row at all, and for the archive the group (or count) and each
// value the reply carried. One decoder per instrument family; the first family's keeps the
// values a short reply does not carry.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include "results/TarvoDecoder.h"

struct TDecodedResult
{
    bool wanted = false;
    uint16_t status = 0; // the instrument's status word (0 when the reply carries none)
    std::vector<std::pair<int, QString>> cells;
    int group = 0;
    std::vector<std::optional<double>> values;
    QByteArray raw; // the reply as the instrument sent it
};

class TResultDecoder
{
public:
    virtual ~TResultDecoder() = default;
    // The poller's result buffer (byte 0 the reply's kind); nothing when it does not decode.
    virtual std::optional<TDecodedResult> decode(std::span<const uint8_t> resultData) = 0;
    // A reply that does not decode is confirmed all the same (true) or asked for again.
    virtual bool confirmsUndecoded() const = 0;

    static std::unique_ptr<TResultDecoder> tarvo();
    static std::unique_ptr<TResultDecoder> mirel();
};

// The first family's decoder.
class TTarvoResultDecoder : public TResultDecoder
{
public:
    std::optional<TDecodedResult> decode(std::span<const uint8_t> resultData) override;
    bool confirmsUndecoded() const override { return false; }

    // How many values, from value 0, a reply of this kind carries (the rest of the block is
    // the previous result's).
    static std::size_t valuesCarried(std::span<const uint8_t> resultData, uint16_t status);

private:
    TTarvoBlock m_block;
};

// The second family's decoder: a value the reply does not mark leaves its cell as it was.
class TMirelResultDecoder : public TResultDecoder
{
public:
    std::optional<TDecodedResult> decode(std::span<const uint8_t> resultData) override;
    bool confirmsUndecoded() const override { return true; }
};
