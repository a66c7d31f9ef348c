#pragma once

#include "windows/TRegistrationWindow.h"
#include "windows/TarvoDecoder.h"

class TOpTarvo;

// The registration window of the first family: 17 columns with built-in titles.
class TForm2 : public TRegistrationWindow
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    TOpTarvo *OpTarvo1 = nullptr;

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
