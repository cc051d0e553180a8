#include "ProgressBar.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(FILE* out, int64_t workTotal, int64_t minimumTotal)
    : stream(out), total(workTotal), shown(workTotal > minimumTotal && isatty(fileno(out)))
{
}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(int64_t done)
{
    if (!shown)
        return;
    const int percent = static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    const int filled = percent * kBarWidth / 100;
    const std::string bar = std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kBarWidth - filled), '.');
    std::fprintf(stream, "\rrendering [%s] %3d%%", bar.c_str(), percent);
    std::fflush(stream);
}

void ProgressBar::finish()
{
    if (!shown)
        return;
    std::fprintf(stream, "\r%*s\r", kBarWidth + 20, "");
    std::fflush(stream);
    shown = false;
}
