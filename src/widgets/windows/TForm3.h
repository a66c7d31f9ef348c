#pragma once

#include <QStringList>

#include "results/MirelDecoder.h"
#include "windows/TRegistrationWindow.h"

class TOpMirel;
class TWindowPlacement;

// The registration window of the second and third families: 32 columns whose titles and
// visibility come from its settings file.
class TForm3 : public TRegistrationWindow
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);

    TOpMirel *OpMirel1 = nullptr;
    QMenu *mnView = nullptr;

    // The poller's events; the window's part of each is the same in both windows.
    void OpMirel1Starting(TOpPoller *) { PollerStarting(); }
    void OpMirel1Stoping(TOpPoller *) { PollerStoping(); }
    void OpMirel1ErrorOpenPort(TOpPoller *) { PollerErrorOpenPort(); }
    void OpMirel1GetNumber(TOpPoller *) { PollerGetNumber(); }
    void OpMirel1PutResult(TOpPoller *) { PollerPutResult(); }
    // Item i of the View menu shows or hides column i + 5.
    void ViewItemClick(QAction *item);
    // "Показатели…": the columns dialog; what it changes goes through ViewItemClick.
    void chooseColumns();
    // The dialog: the View menu's titles and check marks in, the chosen marks out; nothing when
    // cancelled. Tests replace it to answer without a person.
    std::function<std::optional<QList<bool>>(const QStringList &titles, const QList<bool> &shown)>
        askColumns;

protected:
    void ReadExtraSettings(const TIniPlus &ini) override;
    void WriteExtraSettings(TIniPlus &ini) override;
    void SetTitles() override;
    void ApplyWidthRule() override;
    std::vector<TPrintColumn> PrintColumns(int pageWidth) const override;

private:
    QStringList m_titles;
    TWindowPlacement *m_placement = nullptr;
};

extern TForm3 *Form3;
