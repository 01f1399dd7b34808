#pragma once

#include <cmath>

namespace kiv {

// Strike by the right-hand rule: the dip azimuth less 90, plus 360 while
// below 0. Values of a turn or more stay as they are, as every export has
// always written them. Real is the type the caller stores the result in, so
// the wrap is done at that precision.
template <typename Real>
Real strikeFromDipAzimuth(Real dipAzimuth)
{
    Real strike = dipAzimuth - Real(90);
    while (std::isfinite(strike) && strike < Real(0))
        strike += Real(360);
    return strike;
}

} // namespace kiv
