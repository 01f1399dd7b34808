#include "tools/LegendreFunctions.h"

#include "tools/MagneticCoefficients.h"

#include <cmath>

namespace kiv {

namespace {

constexpr double PoleTolerance = 1.0e-10;
// Keeps the high-degree column values inside the double range before the
// cos^m factor brings them back down.
constexpr double HighDegreeScale = 1.0e-280;

int index(int n, int m)
{
    return MagneticCoefficients::index(n, m);
}

// Factor from P(m-1, m-1) to P(m, m), without the cos phi.
double sectoralFactor(int m)
{
    return m == 1 ? 1.0 : std::sqrt(double(2 * m - 1) / double(2 * m));
}

// P(n, m) = a x P(n-1, m) - b P(n-2, m)
double recursionA(int n, int m)
{
    return double(2 * n - 1) / std::sqrt(double(n * n - m * m));
}

double recursionB(int n, int m)
{
    if (n - 1 <= m)
        return 0.0;
    return std::sqrt(double((n - 1) * (n - 1) - m * m) / double(n * n - m * m));
}

void resize(int nMax, std::vector<double>& p, std::vector<double>& dp)
{
    const std::size_t size = std::size_t(MagneticCoefficients::termCount(nMax));
    p.assign(size, 0.0);
    dp.assign(size, 0.0);
}

} // namespace

void LegendreFunctions::compute(int nMax, double sinPhi, double cosPhi, std::vector<double>& p,
                                std::vector<double>& dp)
{
    if (nMax <= LowDegreeLimit || 1.0 - std::fabs(sinPhi) < PoleTolerance)
        lowDegree(nMax, sinPhi, cosPhi, p, dp);
    else
        highDegree(nMax, sinPhi, cosPhi, p, dp);
}

void LegendreFunctions::lowDegree(int nMax, double x, double z, std::vector<double>& p,
                                  std::vector<double>& dp)
{
    resize(nMax, p, dp);
    p[0] = 1.0;
    dp[0] = 0.0;

    for (int m = 1; m <= nMax; ++m) {
        const int i = index(m, m);
        const int j = index(m - 1, m - 1);
        const double k = sectoralFactor(m);
        p[i] = k * z * p[j];
        dp[i] = k * (z * dp[j] - x * p[j]);
    }

    for (int m = 0; m < nMax; ++m) {
        for (int n = m + 1; n <= nMax; ++n) {
            const int i = index(n, m);
            const int i1 = index(n - 1, m);
            const double a = recursionA(n, m);
            const double b = recursionB(n, m);
            const double p2 = b != 0.0 ? p[index(n - 2, m)] : 0.0;
            const double dp2 = b != 0.0 ? dp[index(n - 2, m)] : 0.0;
            p[i] = a * x * p[i1] - b * p2;
            dp[i] = a * (x * dp[i1] + z * p[i1]) - b * dp2;
        }
    }
}

void LegendreFunctions::highDegree(int nMax, double x, double z, std::vector<double>& p,
                                   std::vector<double>& dp)
{
    resize(nMax, p, dp);

    // Column by column: q(n, m) = P(n, m) / cos^m phi * scale.
    double sectoral = HighDegreeScale;
    double cosPower = 1.0;
    for (int m = 0; m <= nMax; ++m) {
        if (m > 0) {
            sectoral *= sectoralFactor(m);
            cosPower *= z;
        }
        double previous = 0.0;
        double current = sectoral;
        for (int n = m; n <= nMax; ++n) {
            if (n > m) {
                const double next = recursionA(n, m) * x * current - recursionB(n, m) * previous;
                previous = current;
                current = next;
            }
            // Multiply by cos^m first: an underflow there is a negligible term.
            p[index(n, m)] = current * cosPower / HighDegreeScale;
        }
    }

    for (int m = 0; m <= nMax; ++m) {
        for (int n = m; n <= nMax; ++n) {
            const double below = n > m ? p[index(n - 1, m)] : 0.0;
            dp[index(n, m)] = (std::sqrt(double(n * n - m * m)) * below - n * x * p[index(n, m)]) / z;
        }
    }
}

} // namespace kiv
