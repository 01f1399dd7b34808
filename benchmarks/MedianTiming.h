#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// Runs step `passes` times and prints the median and best time in
// milliseconds: the median for the typical case, the best for the floor.
inline void measureMedian(const char* what, int passes, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < passes; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-48s median %.2f ms, best %.2f ms\n", what, times[times.size() / 2], times.front());
}
