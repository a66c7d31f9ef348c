#include "sim/MilkGenerator.h"

#include <algorithm>
#include <cmath>

static double Hundredths(double v)
{
    return std::round(v * 100.0) / 100.0;
}

double MilkGenerator::uniform(double low, double high)
{
    return Hundredths(std::uniform_real_distribution<double>(low, high)(m_rng));
}

// Good raw milk keeps inside the usual purchase norms: fat 2.8-6.0 %, protein 2.8-3.6 %,
// density 1027-1030 kg/m3, solids-non-fat at least 8.2 %, freezing point at most -0.520,
// no added water.
MilkGenerator::Milk MilkGenerator::sample()
{
    Milk m;
    m.fat = uniform(3.2, 5.2);
    m.snf = uniform(8.3, 9.3);
    m.density = uniform(1027.5, 1029.8);
    m.protein = uniform(2.9, 3.5);
    m.water = 0;
    m.freezing = uniform(-0.545, -0.525);
    m.lactose = uniform(4.4, 5.0);
    m.salts = uniform(0.65, 0.75);
    ++m_made;
    if (m_oddEvery > 0 && m_made % m_oddEvery == 0)
        spoil(m);
    return m;
}

void MilkGenerator::spoil(Milk &m)
{
    switch (std::uniform_int_distribution<int>(0, 2)(m_rng)) {
    case 0: {
        // Watered: every solid thinner, the density and the freezing point nearer water's.
        m.water = uniform(6.0, 12.0);
        const double keep = 1 - m.water / 100;
        m.fat = Hundredths(m.fat * keep);
        m.snf = Hundredths(m.snf * keep);
        m.protein = Hundredths(m.protein * keep);
        m.lactose = Hundredths(m.lactose * keep);
        m.density = Hundredths(1000 + (m.density - 1000) * keep);
        m.freezing = Hundredths(m.freezing * keep);
        break;
    }
    case 1: // skimmed
        m.fat = uniform(0.8, 2.5);
        m.density = uniform(1030.5, 1032.0);
        break;
    default: // cream added
        m.fat = uniform(6.5, 8.0);
        m.density = uniform(1025.0, 1026.5);
        break;
    }
}

std::vector<double> MilkGenerator::tarvo()
{
    const Milk m = sample();
    return {
        uniform(15.0, 30.0),                               // temperature, deg C
        m.fat,                                             // %
        m.snf,                                             // %
        m.density,                                         // kg/m3
        m.protein,                                         // %
        m.water,                                           // added water, %
        uniform(0.5, 4.5),                                 // output signal
        m.lactose,                                         // %
        m.salts,                                           // %
        Hundredths(std::clamp(m.fat + m.snf, 10.0, 16.0)), // total solids, %
        m.freezing,                                        // deg C
        uniform(60.0, 100.0),                              // homogenisation degree, %
    };
}

std::vector<double> MilkGenerator::mirel()
{
    const Milk m = sample();
    return {
        m.fat,
        m.snf,
        m.density,
        m.protein,
        m.lactose,
        m.salts,
        m.water,
        m.freezing,
        uniform(15.0, 30.0),           // temperature
        Hundredths(m.fat + m.snf),     // total solids
        uniform(2.0, 2.9),             // casein
        uniform(6.5, 6.8),             // pH
        uniform(4.0, 6.0),             // conductivity, mS/cm
        uniform(15.0, 35.0),           // urea, mg/100 ml
        uniform(16.0, 21.0),           // acidity, deg T
        uniform(0.5, 0.9),             // whey protein
        uniform(0.15, 0.20),           // citric acid
        uniform(0.11, 0.13),           // calcium
        uniform(0.09, 0.11),           // phosphorus
        uniform(0.09, 0.12),           // chlorides
        uniform(55.0, 75.0),           // energy value, kcal/100 g
        uniform(0.3, 1.0),             // free fatty acids
        uniform(50.0, 400.0),          // somatic cells, thousand/ml
        Hundredths(m.fat / m.protein), // fat/protein ratio
        uniform(0.0, 0.1),             // ketones
        uniform(8.0, 12.0),            // dry skim solids of cream
        uniform(20.0, 40.0),           // sample volume, ml
    };
}
