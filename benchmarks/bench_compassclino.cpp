// Time per orientation sample: one fusion filter update followed by the
// fusion-form readings, and the base-form readings alone.
// Usage: bench_compassclino [samples]

#include "tools/FusionFilterState.h"
#include "tools/QuaternionCompassClino.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

kiv::OrientationContext everyReading()
{
    kiv::OrientationContext context;
    context.projectDeclination = 3.5;
    context.primaryOrientation = Qt::PortraitOrientation;
    context.currentOrientation = Qt::PortraitOrientation;
    context.bearing = context.plane = context.line = true;
    return context;
}

double nanosecondsPerSample(Clock::time_point start, long samples)
{
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / samples;
}

} // namespace

int main(int argc, char* argv[])
{
    const long samples = argc > 1 ? std::atol(argv[1]) : 1000000;
    if (samples <= 0)
        return 1;
    const kiv::OrientationContext context = everyReading();
    double sink = 0.0;

    kiv::FusionFilterState state;
    state.deltaT = 0.01f;
    auto start = Clock::now();
    for (long i = 0; i < samples; ++i) {
        // A slowly turning device keeps the gradient away from zero.
        state.update(0.01f, 0.02f, 0.005f, 0.1f, 0.2f, 9.8f, 0.0f, 15.0f, -26.0f);
        sink += kiv::fusionOrientationFromQuaternion(state.output, context).bearing;
    }
    const double fused = nanosecondsPerSample(start, samples);

    const Eigen::Quaterniond q(0.907673371, 0.330366090, -0.088521327, -0.243210347);
    start = Clock::now();
    for (long i = 0; i < samples; ++i) {
        Eigen::Quaterniond turned = q;
        turned.w() += 1e-9 * double(i % 7);
        sink += kiv::orientationFromQuaternion(turned.normalized(), context).plunge;
    }
    const double base = nanosecondsPerSample(start, samples);

    std::printf("samples: %ld\n", samples);
    std::printf("filter update + fusion-form readings: %.1f ns/sample\n", fused);
    std::printf("base-form readings: %.1f ns/sample\n", base);
    std::printf("(checksum %.3f)\n", sink);
    return 0;
}
