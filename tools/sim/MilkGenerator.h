#pragma once

// Plausible raw cow milk for the simulated instruments, reproducible from a start value.
// Values come rounded to two decimals, as the instruments show them. Left alone it sends
// milk a dairy takes; asked to, every nth sample is one it turns away (watered, skimmed or
// over-fat), so the limits of a demo have something to show.

#include <cstdint>
#include <random>
#include <vector>

class MilkGenerator
{
public:
    explicit MilkGenerator(uint32_t start = 1)
        : m_rng(start)
    {}
    void restart(uint32_t start)
    {
        m_rng = std::mt19937(start);
        m_made = 0;
    }
    // 0 (the default): every sample good; n: samples n, 2n, 3n ... are out of the norms.
    void setOddEvery(int n)
    {
        m_oddEvery = n > 0 ? n : 0;
        m_made = 0;
    }

    // 0 temperature, 1 fat, 2 solids-non-fat, 3 density, 4 protein, 5 added water,
    // 6 output signal, 7 lactose, 8 salts, 9 total solids, 10 freezing point,
    // 11 homogenisation degree.
    std::vector<double> tarvo();
    // 27 values: fat, solids-non-fat, density, protein, lactose, salts, added water,
    // freezing point, temperature, total solids, then the further indicators.
    std::vector<double> mirel();

private:
    // What both families measure of one sample.
    struct Milk
    {
        double fat = 0;
        double snf = 0;
        double density = 0;
        double protein = 0;
        double water = 0;
        double freezing = 0;
        double lactose = 0;
        double salts = 0;
    };
    Milk sample();
    void spoil(Milk &m);
    double uniform(double low, double high);

    std::mt19937 m_rng;
    int m_oddEvery = 0;
    int m_made = 0;
};
