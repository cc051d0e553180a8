#include "OscillatorStages.h"

#include "BenchTiming.h"
#include "Oscillators.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

constexpr double kRate = 48000.0;
constexpr int kVoiceCounts[] = {8, 72};

struct Variant {
    const char* name;
    void (*setUp)(OscillatorParameters&);
    bool morph; // both oscillators' waves modulated
};

void saws(OscillatorParameters& p)
{
    p.oscMix = 0.5f;
    p.fine[1] = 3;
}

void pulses(OscillatorParameters& p)
{
    saws(p);
    p.shape[0] = p.shape[1] = kOscPulse;
}

void fatSaws(OscillatorParameters& p)
{
    saws(p);
    p.fatAmount[0] = p.fatAmount[1] = 128;
    p.fatFactor[0] = p.fatFactor[1] = 1.01f;
}

void fatPulses(OscillatorParameters& p)
{
    fatSaws(p);
    p.shape[0] = p.shape[1] = kOscPulse;
}

void waves(OscillatorParameters& p)
{
    saws(p);
    p.shape[0] = p.shape[1] = kOscWavetable;
    p.wave[0] = 12;
    p.wave[1] = 40;
}

void extras(OscillatorParameters& p)
{
    saws(p);
    p.subLevel = 0.5f;
    p.noiseLevel = 0.3f;
    p.ringMod = 0.4f;
}

void heavy(OscillatorParameters& p)
{
    fatSaws(p);
    extras(p);
}

const Variant kVariants[] = {
    {"two saws (Init)", saws, false},
    {"two pulses", pulses, false},
    {"two fat saws", fatSaws, false},
    {"two fat pulses", fatPulses, false},
    {"two morphing waves", waves, true},
    {"saws + sub, noise, ring", extras, false},
    {"heavy: fat saws + sub, noise, ring", heavy, false},
};

struct Voices {
    Voices(int count, const Variant& variant) : slots(count)
    {
        for (size_t p = 0; p < pitch.size(); ++p)
            pitch[p] = static_cast<float>(1.021974609375 * std::pow(2.0, double(p) / 1536.0));
        variant.setUp(params);
        morph = variant.morph;
        for (int v = 0; v < count; ++v) {
            VoiceSlot& slot = slots[v];
            std::memset(&slot, 0, sizeof slot);
            slot.active = 1;
            slot.pitch = static_cast<float>(spreadNote(v, count) * 128);
            slot.osc1Phase = slot.osc2Phase = static_cast<uint32_t>(v) * 0x9E3779B9u; // voices out of step
            slot.prevInc1 = slot.prevInc2 = kUnsetRamp;
            slot.prevMix = slot.prevFmDepth = slot.prevRingMod = kUnsetRamp;
            slot.prevOsc3Level = kUnsetOsc3Level;
        }
    }

    void renderSlice()
    {
        const OscillatorRates rates{pitch.data(), static_cast<float>(4294967296.0 / kRate), kRate};
        for (VoiceSlot& slot : slots) {
            OscillatorInputs in = startingOscillatorInputs(params, 0.5f, 0.0f, 0);
            in.waveModulated[0] = in.waveModulated[1] = morph;
            in.wavePosition[0] += 512;
            in.wavePosition[1] += 512;
            const OscillatorSlice s = prepareOscillators(params, in, rates, slot, kMaxSliceFrames, false);
            renderOscillators(s, slot, noise, voice, second, filterFm);
            slot.age += kMaxSliceFrames;
        }
    }

    std::vector<float> pitch = std::vector<float>(23040);
    OscillatorParameters params;
    bool morph = false;
    std::vector<VoiceSlot> slots;
    uint32_t noise = 1;
    float voice[kMaxSliceFrames], second[kMaxSliceFrames], filterFm[kMaxSliceFrames];
};

// Seconds of CPU per voice-sample over `seconds` of audio.
double timeRun(Voices& voices, double seconds)
{
    const int slices = static_cast<int>(seconds * kRate / kMaxSliceFrames);
    const double start = threadSeconds();
    for (int i = 0; i < slices; ++i)
        voices.renderSlice();
    const double used = threadSeconds() - start;
    return used / (double(slices) * kMaxSliceFrames * voices.slots.size());
}

} // namespace

void printOscillatorStages(int runs, double seconds)
{
    // Runs go round all variants in turn, so a change in the machine's load
    // lands on every row alike and shows in the spread instead of in one row.
    std::vector<Voices> rigs;
    for (const Variant& variant : kVariants)
        for (int count : kVoiceCounts)
            rigs.emplace_back(count, variant);
    std::vector<std::vector<double>> times(rigs.size());
    for (Voices& voices : rigs)
        timeRun(voices, seconds / 4); // ramps start, tables come in
    for (int r = 0; r < runs; ++r)
        for (size_t i = 0; i < rigs.size(); ++i)
            times[i].push_back(timeRun(rigs[i], seconds));

    printf("\noscillator stage alone, ns per voice-sample (median, spread of %d runs)\n", runs);
    printf("%-36s", "variant");
    for (int voices : kVoiceCounts)
        printf(" | %6d voices    ", voices);
    printf("\n");
    size_t i = 0;
    for (const Variant& variant : kVariants) {
        printf("%-36s", variant.name);
        for (size_t c = 0; c < std::size(kVoiceCounts); ++c, ++i) {
            const RunSeries t = summarise(times[i]);
            printf(" | %8.2f ±%4.1f %%", t.median * 1e9, 50.0 * t.spread);
        }
        printf("\n");
    }
}
