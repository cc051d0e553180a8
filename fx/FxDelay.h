// The tempo-synchronised stereo delay of the effects chain (effect kind 4):
// nine modes, a colour filter in the loop and LFO 2 on the delay time.
#pragma once

#include "DelayModSource.h"
#include "Module.h"

#include <atomic>
#include <cstdint>
#include <vector>

class FxDelay : public Module {
public:
    static constexpr int32_t kRingSize = 1 << 18; // per channel; positions wrap with kRingMask
    static constexpr uint32_t kRingMask = kRingSize - 1;
    static constexpr int32_t kDiffuserCount = 4;
    static constexpr int32_t kDiffuserSize = 4096;
    static constexpr int32_t kModeCount = 9;

    // setParameter indices, as the engine forwards them.
    enum Param : int32_t {
        kType = 0,
        kFeedback = 1,
        kRateLeft = 2,
        kRateRight = 3,
        kColour = 6,
        kAmount = 7,
    };

    FxDelay();
    ~FxDelay() override;

    virtual void setSampleRate(double rate);
    virtual void reset();
    virtual void setParameter(int32_t index, float value);
    // n frames of io[0] and io[1] in place; tempo in BPM; mod is read, not
    // advanced (the chain moves its phase on after the block).
    virtual void process(int32_t n, float** io, float tempo, const DelayModSource* mod);

    // Above this the loop gain of any mode is held, so that echoes always die
    // away and a full-scale input cannot pile up in the rings.
    static constexpr float kMaxLoopGain = 0.99f;

    // Configuration.
    float rateRatio = 1.0f; // sampleRate / 44100, scales the diffuser lengths
    // 0..kModeCount - 1, whatever value arrives. One word that the audio
    // thread reads once per block; the crossing follows from it there.
    std::atomic<int32_t> mode{0};
    float fb = 0.0f;        // raw "FX Delay Feedbk"
    float wet = 0.0f;       // "FX Delay Amt" squared; the dry gain is 1 - wet
    // Raw rate values; the delay lengths pick note-table entry trunc(rate * 20.001)
    // limited to 0..20 at the start of every block. Until the first program
    // arrives both sit on "1/8".
    float rateLeft = 0.5f;
    float rateRight = 0.5f;
    float gL = 0.0f; // ping-pong crossing of the left line, as the mode sets it
    float gR = 0.0f;
    struct Crossing {
        float left, right;
    };
    static Crossing crossingOf(int32_t mode);
    // Colour filter y = b0 x + b1 x1 - a1 y1; b0 = 1 with b1 = a1 = 0 is the identity.
    float b0 = 1.0f;
    float b1 = 0.0f;
    float a1 = 0.0f;
    float colourCorner = 0.0f; // Hz; 0 while the filter is the identity
    float colourValue = 0.5f;  // raw "FX Delay Colour", designed again at a new rate
    int32_t dL = 0;            // whole samples, computed at the start of every block
    int32_t dR = 0;

    // Memory, allocated once here and never on the audio path.
    std::vector<float> ring[2];                   // left, right
    std::vector<float> diffuser[kDiffuserCount]; // all-passes A1..A4 of the diffuse modes

    // Running state.
    uint32_t w = 0;         // write index shared by both rings, 0..kRingMask
    uint32_t rightBase = 0; // right-tap base, w + dL - dR at block start
    int32_t diffuserIndex[kDiffuserCount] = {};
    float prevIn[2] = {};   // per channel: the last interpolated tap (filter input)
    float prevOut[2] = {};  // per channel: the last filter output, also the value fed back

private:
    void setColour(float value);
    template <bool kModulated>
    void runMode(int32_t n, float** io, const DelayModSource& mod, int32_t blockMode);
    template <int32_t kKind, bool kModulated>
    void run(int32_t n, float** io, const DelayModSource& mod, int32_t blockMode);
    void diffuserLengths(int32_t* lengths) const;
};
