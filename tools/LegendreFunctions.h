#pragma once

#include <vector>

namespace kiv {

// Schmidt semi-normalised associated Legendre functions P(n, m)(sin phi) and
// their derivatives by phi, without the Condon-Shortley phase, stored at index
// n(n + 1)/2 + m. sinPhi and cosPhi are those of the geocentric latitude.
class LegendreFunctions
{
public:
    // Degree above which the scaled high-degree form is used away from the poles.
    static constexpr int LowDegreeLimit = 16;

    static void compute(int nMax, double sinPhi, double cosPhi, std::vector<double>& p,
                        std::vector<double>& dp);

    // Plain recursion; exact at the poles, but cos^m underflows at high degree.
    static void lowDegree(int nMax, double sinPhi, double cosPhi, std::vector<double>& p,
                          std::vector<double>& dp);

    // Recursion on scaled values with cos^m applied last, for high degrees.
    // Needs cosPhi away from 0 (the derivative divides by it).
    static void highDegree(int nMax, double sinPhi, double cosPhi, std::vector<double>& p,
                           std::vector<double>& dp);
};

} // namespace kiv
