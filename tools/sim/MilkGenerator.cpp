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

std::vector<double> MilkGenerator::tarvo()
{
    const double fat = uniform(2.5, 6.0);
    const double snf = uniform(7.5, 9.5);
    const double water = uniform(0.0, 10.0);
    return {
        uniform(15.0, 30.0),                 // temperature, deg C
        fat,                                 // %
        snf,                                 // %
        uniform(1026.0, 1034.0),             // density, kg/m3
        uniform(2.6, 3.8),                   // protein, %
        water,                               // added water, %
        uniform(0.5, 4.5),                   // output signal
        uniform(4.0, 5.5),                   // lactose, %
        uniform(0.6, 0.8),                   // salts, %
        Hundredths(std::clamp(fat + snf, 10.0, 16.0)), // total solids, %
        uniform(-0.56, -0.50),               // freezing point, deg C
        uniform(60.0, 100.0),                // homogenisation degree, %
    };
}

std::vector<double> MilkGenerator::mirel()
{
    const double fat = uniform(2.5, 6.0);
    const double snf = uniform(7.5, 9.5);
    const double protein = uniform(2.6, 3.8);
    return {
        fat, snf,
        uniform(1026.0, 1034.0),             // density
        protein,
        uniform(4.0, 5.5),                   // lactose
        uniform(0.6, 0.8),                   // salts
        uniform(0.0, 10.0),                  // added water
        uniform(-0.56, -0.50),               // freezing point
        uniform(15.0, 30.0),                 // temperature
        Hundredths(fat + snf),               // total solids
        uniform(2.0, 2.9),                   // casein
        uniform(6.5, 6.8),                   // pH
        uniform(4.0, 6.0),                   // conductivity, mS/cm
        uniform(15.0, 35.0),                 // urea, mg/100 ml
        uniform(16.0, 21.0),                 // acidity, deg T
        uniform(0.5, 0.9),                   // whey protein
        uniform(0.15, 0.20),                 // citric acid
        uniform(0.11, 0.13),                 // calcium
        uniform(0.09, 0.11),                 // phosphorus
        uniform(0.09, 0.12),                 // chlorides
        uniform(55.0, 75.0),                 // energy value, kcal/100 g
        uniform(0.3, 1.0),                   // free fatty acids
        uniform(50.0, 400.0),                // somatic cells, thousand/ml
        Hundredths(fat / protein),           // fat/protein ratio
        uniform(0.0, 0.1),                   // ketones
        uniform(8.0, 12.0),                  // dry skim solids of cream
        uniform(20.0, 40.0),                 // sample volume, ml
    };
}
