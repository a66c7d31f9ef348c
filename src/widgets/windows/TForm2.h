#pragma once

#include "windows/TRegistrationWindow.h"
#include "results/TarvoDecoder.h"

class TOpTarvo;

// The registration window of the first family: 17 columns with built-in titles.
class TForm2 : public TRegistrationWindow
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    TOpTarvo *OpTarvo1 = nullptr;

    // The poller's events; all but the result are the same in both windows.
    void OpTarvo1Starting(TOpPoller *) { PollerStarting(); }
    void OpTarvo1Stoping(TOpPoller *) { PollerStoping(); }
    void OpTarvo1ErrorOpenPort(TOpPoller *) { PollerErrorOpenPort(); }
    void OpTarvo1GetNumber(TOpPoller *) { PollerGetNumber(); }
    void OpTarvo1PutResult(TOpPoller *Sender);
    const TTarvoBlock &LastResult() const { return m_block; }

protected:
    void SetTitles() override;
    void ApplyWidthRule() override;
    std::vector<TPrintColumn> PrintColumns(int pageWidth) const override;

private:
    TTarvoBlock m_block;
};

extern TForm2 *Form2;
