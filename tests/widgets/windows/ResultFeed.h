#pragma once

// Results handed to a first-family window as its poller hands them over, without a line.

#include <QStringList>

#include "controls/TColorStringGrid.h"
#include "pollers/RequestCode.h"
#include "pollers/TOpTarvo.h"
#include "sim/InstrumentFrames.h"
#include "windows/TForm2.h"

// A result whose values are `values` (value k is the k-th, the temperature first), the rest
// 1.5, and its acknowledgement.
inline void feedValues(TForm2 &w, const std::vector<double> &values)
{
    std::vector<uint32_t> words(12, EncodeFp(1.5));
    for (size_t k = 0; k < values.size() && k < words.size(); ++k)
        words[k] = EncodeFp(values[k]);
    const auto echo = AddressEcho(0);
    const auto frame = BuildTarvoFrame(106, 0, 1, words, echo);
    TOpPoller *p = w.OpTarvo1;
    std::fill(p->ResultData.begin(), p->ResultData.end(), 0);
    p->ResultData[0] = 4;
    std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
    p->Command = RequestCode::Fetch;
    w.OpTarvo1PutResult(p);
    w.OpTarvo1PutResult(p);
}

// A result whose first value (the temperature) is `temperature`, and its acknowledgement.
inline void feedResult(TForm2 &w, double temperature)
{
    feedValues(w, {temperature});
}

// The temperature of every row that holds a result.
inline QStringList temperatures(const TColorStringGrid *g)
{
    QStringList out;
    for (int r = 1; r < g->RowCount(); ++r) {
        if (!g->Cells(2, r).isEmpty())
            out << g->Cells(5, r);
    }
    return out;
}
