#include "sim/ControlMilk.h"

#include <cmath>
#include <utility>

ControlMilk::ControlMilk(int every, std::vector<double> values, std::vector<double> drift)
    : m_every(every > 0 ? every : 0)
    , m_values(std::move(values))
    , m_drift(std::move(drift))
{}

std::vector<double> ControlMilk::next(std::vector<double> sample)
{
    if (!isOn() || ++m_made % m_every != 0)
        return sample;
    if (sample.size() < m_values.size())
        sample.resize(m_values.size(), 0.0);
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const double drift = i < m_drift.size() ? m_drift[i] * m_controls : 0.0;
        // Shown to two decimals, as the instrument rounds what it measures.
        sample[i] = std::round((m_values[i] + drift) * 100.0) / 100.0;
    }
    ++m_controls;
    return sample;
}
