#pragma once

#include <Eigen/Geometry>

namespace kiv {

// State of the MARG orientation filter (gradient descent with magnetic
// distortion and gyroscope bias drift compensation), in single precision.
// The quaternion maps sensor coordinates into a world frame of X magnetic
// north, Y west and Z up.
struct FusionFilterState
{
    // Gain of the gyroscope bias drift: 0.2 degrees per second, in radians.
    static const float zeta;
    // Sensor time the filter converges with the high gain after a reset.
    static constexpr float WarmUpSeconds = 2.5f;
    static constexpr float WarmUpGain = 0.5f;
    static constexpr float SteadyGain = 0.041f;

    float q0 = 1.0f;
    float q1 = 0.0f;
    float q2 = 0.0f;
    float q3 = 0.0f;
    float biasX = 0.0f;
    float biasY = 0.0f;
    float biasZ = 0.0f;
    float bx = 1.0f;
    float bz = 0.0f;
    float deltaT = 0.001f;
    float warmUpTime = 0.0f;
    Eigen::Quaterniond output = Eigen::Quaterniond::Identity();

    void reset();
    // Adds deltaT to the warm-up time (until it is over) and returns the gain
    // of this update.
    float advanceGain();
    // One step of deltaT: gyroscope in rad/s, accelerometer and magnetometer
    // in any unit; neither of the latter may be all zeros.
    void update(float gx, float gy, float gz, float ax, float ay, float az, float mx, float my,
                float mz);
};

} // namespace kiv
