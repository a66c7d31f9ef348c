#pragma once

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
    void WriteExtraSettings(TIniPlus &ini) override;

private:
    TWindowPlacement *m_placement = nullptr;
};

extern TForm2 *Form2;
