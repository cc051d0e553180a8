// The largest sample difference between two renders of the same score, in
// dBFS: how far a change moved the sound. Exits 1 when the files differ in
// length or channels, or the difference is above the limit given.
//
//   render_difference BEFORE.wav AFTER.wav [LIMIT_DBFS]
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Audio {
    std::vector<float> samples;
    int channels = 0;
};

bool readAudio(const char* path, Audio& audio)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) {
        fprintf(stderr, "render_difference: %s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    audio.channels = info.channels;
    audio.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t read = sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return read == info.frames;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: render_difference BEFORE AFTER [LIMIT_DBFS]\n");
        return 2;
    }
    const double limit = argc == 4 ? atof(argv[3]) : -90.0;
    Audio before, after;
    if (!readAudio(argv[1], before) || !readAudio(argv[2], after))
        return 2;
    if (before.channels != after.channels || before.samples.size() != after.samples.size()) {
        printf("%s and %s differ in length or channels\n", argv[1], argv[2]);
        return 1;
    }
    double peak = 0.0, level = 0.0;
    for (size_t i = 0; i < before.samples.size(); ++i) {
        peak = std::fmax(peak, std::fabs(double(before.samples[i]) - after.samples[i]));
        level = std::fmax(level, std::fabs(double(before.samples[i])));
    }
    const double peakDb = peak > 0.0 ? 20.0 * std::log10(peak) : -INFINITY;
    printf("peak difference %.1f dBFS (signal peak %.1f dBFS)%s\n", peakDb, 20.0 * std::log10(level),
           peak == 0.0 ? ", identical" : "");
    return peakDb <= limit ? 0 : 1;
}
