#include "tools/MagneticCoefficients.h"

namespace kiv {

MagneticCoefficients::MagneticCoefficients(int degree)
    : mainG(std::size_t(termCount(degree)), 0.0),
      mainH(mainG.size(), 0.0),
      secVarG(mainG.size(), 0.0),
      secVarH(mainG.size(), 0.0),
      nMax(degree),
      nMaxSecVar(degree)
{
}

void MagneticCoefficients::adjustTo(double decimalYear, MagneticCoefficients& timed) const
{
    if (timed.mainG.size() != mainG.size())
        timed = MagneticCoefficients(nMax);
    timed.editionDate = editionDate;
    timed.epoch = epoch;
    timed.name = name;
    timed.nMax = nMax;
    timed.nMaxSecVar = nMaxSecVar;
    timed.validUntil = validUntil;

    const double years = decimalYear - epoch;
    const int lastSecVar = index(nMaxSecVar, nMaxSecVar);
    for (int n = 1; n <= nMax; ++n) {
        for (int m = 0; m <= n; ++m) {
            const int i = index(n, m);
            if (i <= lastSecVar) {
                timed.mainG[i] = mainG[i] + years * secVarG[i];
                timed.mainH[i] = mainH[i] + years * secVarH[i];
                timed.secVarG[i] = secVarG[i];
                timed.secVarH[i] = secVarH[i];
            } else {
                timed.mainG[i] = mainG[i];
                timed.mainH[i] = mainH[i];
                timed.secVarG[i] = 0.0;
                timed.secVarH[i] = 0.0;
            }
        }
    }
}

} // namespace kiv
