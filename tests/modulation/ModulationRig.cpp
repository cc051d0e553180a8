#include "ModulationRig.h"

#include "ParamFamilies.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace ParamIndex;

namespace {
constexpr int kBlock = 256;
constexpr float kSineShape = 0.7f;
} // namespace

ModulationRig::ModulationRig() { e.engine.setProgram(0); }

void ModulationRig::route(int slot, int32_t source, double amount, int32_t dest, int32_t voices)
{
    const int k = slot - 1;
    set(kModSource + k, static_cast<float>(source));
    set(kModAmount + k, static_cast<float>((amount + 1.0) / 2.0));
    set(kModDestination + k, static_cast<float>(dest));
    set(kModVoices + k, static_cast<float>(voices));
}

void ModulationRig::useSine()
{
    set(kOsc1Shape, kSineShape);
    set(kOscMix, 0.0f);
}

RenderedBuses ModulationRig::renderBuses(int frames)
{
    RenderedBuses out;
    std::vector<float> fx[2], dry[2];
    for (int c = 0; c < 2; ++c) {
        fx[c].resize(kBlock);
        dry[c].resize(kBlock);
    }
    for (int done = 0; done < frames; done += kBlock) {
        const int block = std::min(kBlock, frames - done);
        engine().beginBlock(block);
        for (int pos = 0; pos < block; pos += kMaxSliceFrames) {
            const int slice = std::min(kMaxSliceFrames, block - pos);
            float* fxBus[2] = {fx[0].data() + pos, fx[1].data() + pos};
            float* dryBus[2] = {dry[0].data() + pos, dry[1].data() + pos};
            engine().render(slice, fxBus, dryBus);
        }
        engine().updateGlobalModulation();
        engine().endBlock();
        out.fx.left.insert(out.fx.left.end(), fx[0].begin(), fx[0].begin() + block);
        out.fx.right.insert(out.fx.right.end(), fx[1].begin(), fx[1].begin() + block);
        out.dry.left.insert(out.dry.left.end(), dry[0].begin(), dry[0].begin() + block);
        out.dry.right.insert(out.dry.right.end(), dry[1].begin(), dry[1].begin() + block);
    }
    return out;
}

std::vector<float> ModulationRig::render(int frames)
{
    RenderedBuses buses = renderBuses(frames);
    for (size_t i = 0; i < buses.fx.left.size(); ++i)
        buses.fx.left[i] += buses.dry.left[i];
    return buses.fx.left;
}

VoiceControls ModulationRig::evaluate(const VoiceSlot& voice, const std::array<float, kNumLfos>& lfo)
{
    VoiceControls c{};
    std::copy(lfo.begin(), lfo.end(), c.lfoOut);
    engine().modulateVoice(voice, c);
    return c;
}

VoiceSlot voiceAt(int note, int velocity, int layer)
{
    VoiceSlot v;
    std::memset(&v, 0, sizeof v);
    v.active = 1;
    v.note = static_cast<int8_t>(note);
    v.pitch = static_cast<float>(note * 128);
    v.velocity = static_cast<int8_t>(velocity);
    v.layer = layer;
    return v;
}

double frequencyOf(const std::vector<float>& s, size_t from, size_t count)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < from + count; ++i)
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            const double at = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    return crossings > 1 ? (crossings - 1) * kRate / (last - first) : 0.0;
}

double rms(const std::vector<float>& s, size_t from, size_t count)
{
    double sum = 0.0;
    for (size_t i = from; i < from + count; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(count));
}

double roughness(const std::vector<float>& s, size_t from, size_t count)
{
    double sum = 0.0;
    for (size_t i = from + 1; i < from + count; ++i) {
        const double d = double(s[i]) - s[i - 1];
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(count - 1));
}

double semitones(double a, double b) { return 12.0 * std::log2(b / a); }
