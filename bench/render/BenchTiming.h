// Timing helpers the whole-render and the stage tables share: thread CPU time
// (a busy machine disturbs it less than wall time), and a run series reduced
// to its median and its spread.
#pragma once

#include <algorithm>
#include <ctime>
#include <vector>

inline double threadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

struct RunSeries {
    double median;
    double spread; // (slowest - fastest) / median
};

inline RunSeries summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    return {median, median > 0.0 ? (values.back() - values.front()) / median : 0.0};
}

// MIDI notes of `count` held keys spread evenly over five octaves from C2, so
// the voices read saw tables all over the set instead of one register's few.
inline int spreadNote(int i, int count) { return 36 + (i * 60 + 30) / count; }
