#pragma once

// A registration window (real widgets, real poller thread) polling the instrument simulator
// on a pseudo-terminal, with the window's clock stepped past the two-minute pacing on every
// reading. The fault campaign and the soak share it. Header only: the soak links no QtTest.

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpPoller.h"
#include "results/LocaleFormats.h"
#include "sim/InstrumentSim.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

class SimWindowRig
{
public:
    using Family = InstrumentSim::Family;

    explicit SimWindowRig(Family family)
        : m_sim(family)
    {
        TRegistrationWindow::SetProgramDir(m_dir.path());
        m_link = m_dir.filePath(QStringLiteral("tty")).toStdString();
        m_ok = m_sim.start(m_link);
        if (family == Family::Tarvo)
            m_window = std::make_unique<TForm2>();
        else
            m_window = std::make_unique<TForm3>();
        m_window->Poller()->Port = QString::fromStdString(m_link);
        // Every reading of the clock is a little over two minutes later than the last one, so
        // each poll asks for a result at once.
        m_clock = QDateTime(QDate(2024, 3, 1), QTime(8, 0));
        m_window->Now = [this] {
            m_clock = m_clock.addMSecs(2 * 60 * 1000 + 1);
            return m_clock;
        };
        m_window->MessageBox = [this](QMessageBox::Icon, const QString &, const QString &text,
                                      QMessageBox::StandardButtons) {
            m_messages << text;
            return QMessageBox::No;
        };
    }

    ~SimWindowRig() { StopPolling(5000); }

    bool Ok() const { return m_ok; }
    InstrumentSim &Sim() { return m_sim; }
    TRegistrationWindow *Window() const { return m_window.get(); }
    TOpPoller *Poller() const { return m_window->Poller(); }
    TColorStringGrid *Grid() const { return m_window->MainGrid; }
    QString Dir() const { return m_dir.path(); }
    std::string Link() const { return m_link; }
    QStringList Messages() const { return m_messages; }

    // Presses the poll button when polling is off.
    void StartPolling()
    {
        if (!Poller()->Active())
            m_window->actOprExecute();
    }

    // Stops polling and waits (running the events) until the thread has ended.
    bool StopPolling(int timeoutMs)
    {
        if (Poller()->Active())
            m_window->actOprExecute();
        return Pump(timeoutMs, [this] { return !Poller()->Active(); });
    }

    template <typename Pred>
    static bool Pump(int timeoutMs, Pred done)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    bool WaitForExchanges(std::size_t count, int timeoutMs)
    {
        return Pump(timeoutMs, [&] { return m_sim.exchanges().size() >= count; });
    }

    bool NumberEdit1Enabled() const { return m_window->NumberEdit1->isEnabled(); }

    int DataRows() const { return Grid()->RowCount() - 2; } // without titles and open row

    // The cells a result row must show for a result the simulator sent.
    static std::vector<std::pair<int, QString>> ExpectedCells(const InstrumentSim::Exchange &ex,
                                                              Family family)
    {
        std::vector<std::pair<int, QString>> cells{{4, QString::number(ex.groupOrCount)}};
        for (std::size_t k = 0; k < ex.values.size(); ++k) {
            if (family == Family::Mirel && !(ex.mask & (1u << k)))
                continue;
            cells.emplace_back(5 + int(k), FormatValue(ex.values[k]));
        }
        return cells;
    }

    static bool StatusWantsRow(const InstrumentSim::Exchange &ex, Family family)
    {
        return family == Family::Tarvo ? (ex.status & 0x1020) == 0 : (ex.status & 0x0801) == 0x0800;
    }

    // Which sent result (index into exchanges) grid row `row` shows, or -1 when none does.
    int MatchRow(int row, const std::vector<InstrumentSim::Exchange> &log) const
    {
        const Family family = m_sim.family();
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (!log[i].resultFrame)
                continue;
            bool same = true;
            for (const auto &[col, text] : ExpectedCells(log[i], family))
                same = same && Grid()->Cells(col, row) == text;
            if (same)
                return int(i);
        }
        return -1;
    }

    // Every data row is whole (date, time, group and every value present) and the open row
    // holds nothing but its number.
    QString HalfWritten() const
    {
        const int last = Grid()->RowCount() - 1;
        const int cols = m_sim.family() == Family::Tarvo ? 17 : 32;
        for (int r = 1; r < last; ++r) {
            for (int c = 2; c < cols; ++c) {
                if (Grid()->Cells(c, r).isEmpty())
                    return QStringLiteral("row %1 column %2 empty").arg(r).arg(c);
            }
        }
        for (int c = 1; c < cols; ++c) {
            if (!Grid()->Cells(c, last).isEmpty())
                return QStringLiteral("open row column %1 holds %2")
                    .arg(c)
                    .arg(Grid()->Cells(c, last));
        }
        return {};
    }

private:
    QTemporaryDir m_dir;
    InstrumentSim m_sim;
    std::string m_link;
    bool m_ok = false;
    std::unique_ptr<TRegistrationWindow> m_window;
    QDateTime m_clock;
    QStringList m_messages;
};
