// A one-line progress bar on a terminal, redrawn in place; silent when the
// stream is not a terminal or the work is short.
#pragma once

#include <cstdint>
#include <cstdio>

class ProgressBar {
public:
    // Shown only when `stream` is a terminal and `total` exceeds
    // `minimumTotal` (both in the caller's unit).
    ProgressBar(FILE* stream, int64_t total, int64_t minimumTotal);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(int64_t done);
    // Clears the line, so what is printed next starts on a clean one.
    void finish();

private:
    FILE* stream;
    int64_t total;
    bool shown;
    int lastPercent = -1;
};
