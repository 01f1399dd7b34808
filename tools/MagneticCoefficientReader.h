#pragma once

#include "tools/MagneticCoefficients.h"

#include <QString>

#include <memory>

namespace kiv {

// Reads one geomagnetic model from a coefficient file: the published WMM.COF
// layout, or the spherical-harmonic data file format (first line "%...").
// Returns null when the file cannot be read or holds no usable model.
class MagneticCoefficientReader
{
public:
    // Highest degree accepted; keeps a corrupt file from asking for gigabytes.
    static constexpr int MaxDegree = 1000;

    static std::unique_ptr<MagneticCoefficients> read(const QString& path);

private:
    static std::unique_ptr<MagneticCoefficients> readCof(const QString& path);
    static std::unique_ptr<MagneticCoefficients> readShdf(const QString& path);
    static int scanHighestDegree(const QString& path);
    static bool readCofCoefficients(const QString& path, MagneticCoefficients& model);
};

} // namespace kiv
