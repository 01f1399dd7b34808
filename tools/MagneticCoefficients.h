#pragma once

#include <QString>

#include <vector>

namespace kiv {

// Spherical-harmonic coefficients of one geomagnetic model: main field and
// secular variation, one entry per (n, m) term at index(n, m).
class MagneticCoefficients
{
public:
    static constexpr int NameLength = 32;

    // Allocates all four arrays for degree nMax (zero-filled).
    explicit MagneticCoefficients(int nMax);

    static int index(int n, int m) { return n * (n + 1) / 2 + m; }
    static int termCount(int nMax) { return (nMax + 1) * (nMax + 2) / 2; }

    // Writes into timed (allocated for the same degree) this model with its
    // main field moved to the decimal year; secular variation is applied only
    // up to degree nMaxSecVar.
    void adjustTo(double decimalYear, MagneticCoefficients& timed) const;

    double editionDate = 0.0;
    double epoch = 0.0;
    QString name;
    std::vector<double> mainG;
    std::vector<double> mainH;
    std::vector<double> secVarG;
    std::vector<double> secVarH;
    int nMax = 0;
    int nMaxSecVar = 0;
    double validUntil = 0.0;
};

} // namespace kiv
