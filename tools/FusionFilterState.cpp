#include "tools/FusionFilterState.h"

#include <cmath>

namespace kiv {

const float FusionFilterState::zeta = float(std::sqrt(0.75) * 0.0034906585);

namespace {

float rootOf(float value)
{
    return float(std::sqrt(double(value)));
}

// Scales the three values to unit length.
void normalise(float& x, float& y, float& z)
{
    const float norm = rootOf(x * x + y * y + z * z);
    x /= norm;
    y /= norm;
    z /= norm;
}

} // namespace

void FusionFilterState::reset()
{
    *this = FusionFilterState();
}

float FusionFilterState::advanceGain()
{
    if (warmUpTime < WarmUpSeconds)
        warmUpTime += deltaT;
    return warmUpTime >= WarmUpSeconds ? SteadyGain : WarmUpGain;
}

void FusionFilterState::update(float gx, float gy, float gz, float ax, float ay, float az,
                               float mx, float my, float mz)
{
    const float beta = advanceGain();
    normalise(ax, ay, az);
    normalise(mx, my, mz);

    // Objective function: measured minus predicted gravity and flux.
    const float f1 = 2.0f * (q1 * q3 - q0 * q2) - ax;
    const float f2 = 2.0f * (q0 * q1 + q2 * q3) - ay;
    const float f3 = 1.0f - 2.0f * (q1 * q1 + q2 * q2) - az;
    const float f4 = 2.0f * bx * (0.5f - q2 * q2 - q3 * q3) + 2.0f * bz * (q1 * q3 - q0 * q2) - mx;
    const float f5 = 2.0f * bx * (q1 * q2 - q0 * q3) + 2.0f * bz * (q0 * q1 + q2 * q3) - my;
    const float f6 = 2.0f * bx * (q0 * q2 + q1 * q3) + 2.0f * bz * (0.5f - q1 * q1 - q2 * q2) - mz;

    // Gradient: the transposed Jacobian of f1..f6 times f.
    float s0 = -2.0f * q2 * f1 + 2.0f * q1 * f2 - 2.0f * bz * q2 * f4
        + (-2.0f * bx * q3 + 2.0f * bz * q1) * f5 + 2.0f * bx * q2 * f6;
    float s1 = 2.0f * q3 * f1 + 2.0f * q0 * f2 - 4.0f * q1 * f3 + 2.0f * bz * q3 * f4
        + (2.0f * bx * q2 + 2.0f * bz * q0) * f5 + (2.0f * bx * q3 - 4.0f * bz * q1) * f6;
    float s2 = -2.0f * q0 * f1 + 2.0f * q3 * f2 - 4.0f * q2 * f3
        + (-4.0f * bx * q2 - 2.0f * bz * q0) * f4 + (2.0f * bx * q1 + 2.0f * bz * q3) * f5
        + (2.0f * bx * q0 - 4.0f * bz * q2) * f6;
    float s3 = 2.0f * q1 * f1 + 2.0f * q2 * f2 + (-4.0f * bx * q3 + 2.0f * bz * q1) * f4
        + (-2.0f * bx * q0 + 2.0f * bz * q2) * f5 + 2.0f * bx * q1 * f6;
    // A perfect match has no step direction; dividing would poison q for good.
    const float gradientNorm = rootOf(s0 * s0 + s1 * s1 + s2 * s2 + s3 * s3);
    if (gradientNorm > 0.0f) {
        s0 /= gradientNorm;
        s1 /= gradientNorm;
        s2 /= gradientNorm;
        s3 /= gradientNorm;
    }

    // Gyroscope bias drift from the error the gradient implies.
    const float errorX = 2.0f * q0 * s1 - 2.0f * q1 * s0 - 2.0f * q2 * s3 + 2.0f * q3 * s2;
    const float errorY = 2.0f * q0 * s2 + 2.0f * q1 * s3 - 2.0f * q2 * s0 - 2.0f * q3 * s1;
    const float errorZ = 2.0f * q0 * s3 - 2.0f * q1 * s2 + 2.0f * q2 * s1 - 2.0f * q3 * s0;
    biasX += errorX * deltaT * zeta;
    biasY += errorY * deltaT * zeta;
    biasZ += errorZ * deltaT * zeta;
    gx -= biasX;
    gy -= biasY;
    gz -= biasZ;

    // Integrate the corrected rate and the gradient step.
    const float dot0 = 0.5f * (-q1 * gx - q2 * gy - q3 * gz) - beta * s0;
    const float dot1 = 0.5f * (q0 * gx + q2 * gz - q3 * gy) - beta * s1;
    const float dot2 = 0.5f * (q0 * gy - q1 * gz + q3 * gx) - beta * s2;
    const float dot3 = 0.5f * (q0 * gz + q1 * gy - q2 * gx) - beta * s3;
    q0 += dot0 * deltaT;
    q1 += dot1 * deltaT;
    q2 += dot2 * deltaT;
    q3 += dot3 * deltaT;
    const float norm = rootOf(q0 * q0 + q1 * q1 + q2 * q2 + q3 * q3);
    q0 /= norm;
    q1 /= norm;
    q2 /= norm;
    q3 /= norm;
    output = Eigen::Quaterniond(q0, q1, q2, q3);

    // Reference flux: the measurement turned into the world frame, its
    // horizontal part folded onto north.
    const float hx = 2.0f * mx * (0.5f - q2 * q2 - q3 * q3) + 2.0f * my * (q1 * q2 - q0 * q3)
        + 2.0f * mz * (q1 * q3 + q0 * q2);
    const float hy = 2.0f * mx * (q1 * q2 + q0 * q3) + 2.0f * my * (0.5f - q1 * q1 - q3 * q3)
        + 2.0f * mz * (q2 * q3 - q0 * q1);
    const float hz = 2.0f * mx * (q1 * q3 - q0 * q2) + 2.0f * my * (q2 * q3 + q0 * q1)
        + 2.0f * mz * (0.5f - q1 * q1 - q2 * q2);
    bx = rootOf(hx * hx + hy * hy);
    bz = hz;
}

} // namespace kiv
