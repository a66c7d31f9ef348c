#pragma once

// Plausible milk results for the simulated instruments, reproducible from a start value.
// Values come rounded to two decimals, as the instruments show them.

#include <cstdint>
#include <random>
#include <vector>

class MilkGenerator
{
public:
    explicit MilkGenerator(uint32_t start = 1) : m_rng(start) {}
    void restart(uint32_t start) { m_rng = std::mt19937(start); }

    // 0 temperature, 1 fat, 2 solids-non-fat, 3 density, 4 protein, 5 added water,
    // 6 output signal, 7 lactose, 8 salts, 9 total solids, 10 freezing point,
    // 11 homogenisation degree.
    std::vector<double> tarvo();
    // 27 values: fat, solids-non-fat, density, protein, lactose, salts, added water,
    // freezing point, temperature, total solids, then the further indicators.
    std::vector<double> mirel();

private:
    double uniform(double low, double high);

    std::mt19937 m_rng;
};
