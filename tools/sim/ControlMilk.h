#pragma once

// The control milk a lab puts between its samples: every nth result is a control sample at
// the values given, the rest are the generated milk. A drift moves each later control further
// off, value by value, as an instrument drifting out of calibration would: control k (from 0)
// reads value + k * drift. Values not given stay as the generator made them.

#include <vector>

class ControlMilk
{
public:
    ControlMilk() = default;
    ControlMilk(int every, std::vector<double> values, std::vector<double> drift);

    bool isOn() const { return m_every > 0 && !m_values.empty(); }
    // The next result's values: `sample` as it is, or with the control's values over it.
    std::vector<double> next(std::vector<double> sample);

private:
    int m_every = 0;
    std::vector<double> m_values;
    std::vector<double> m_drift;
    int m_made = 0;
    int m_controls = 0;
};
