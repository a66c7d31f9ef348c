#pragma once

#include "results/TarvoDecoder.h"
#include "windows/TRegistrationWindow.h"

class TOpTarvo;
class TWindowPlacement;

// The registration window of the first family: 17 columns with built-in titles.
class TForm2 : public TRegistrationWindow
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    TOpTarvo *OpTarvo1 = nullptr;

    // How many values, from value 0, a reply of this kind carries (the rest of the block is
    // the previous result's).
    static std::size_t TarvoValuesCarried(std::span<const uint8_t> resultData, uint16_t status);

    // The poller's events; the window's part of each is the same in both windows.
    void OpTarvo1Starting(TOpPoller *) { PollerStarting(); }
    void OpTarvo1Stoping(TOpPoller *) { PollerStoping(); }
    void OpTarvo1ErrorOpenPort(TOpPoller *) { PollerErrorOpenPort(); }
    void OpTarvo1GetNumber(TOpPoller *) { PollerGetNumber(); }
    void OpTarvo1PutResult(TOpPoller *) { PollerPutResult(); }

protected:
    void SetTitles() override;
    void ApplyWidthRule() override;
    std::vector<TPrintColumn> PrintColumns(int pageWidth) const override;
    std::optional<DecodedResult> decodeResult(std::span<const uint8_t> resultData) override;
    // A reply that does not decode is asked for again.
    bool confirmsUndecoded() const override { return false; }
    void WriteExtraSettings(TIniPlus &ini) override;

private:
    TWindowPlacement *m_placement = nullptr;
    // Values a short reply does not carry are the previous result's.
    TTarvoBlock m_block;
};

extern TForm2 *Form2;
