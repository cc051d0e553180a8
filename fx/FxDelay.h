// The tempo-synchronised stereo delay of the effects chain (effect kind 4):
// nine modes, a colour filter in the loop and LFO 2 on the delay time.
#pragma once

#include "Module.h"

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

    // Configuration.
    float rateRatio = 1.0f; // sampleRate / 44100, scales the diffuser lengths
    int32_t mode = 0;       // 0..kModeCount - 1, whatever value arrives
    float fb = 0.0f;        // raw "FX Delay Feedbk"
    float wet = 0.0f;       // "FX Delay Amt" squared; the dry gain is 1 - wet
    // Raw rate values; the delay lengths pick note-table entry trunc(rate * 20.001)
    // limited to 0..20 at the start of every block. Until the first program
    // arrives both sit on "1/8".
    float rateLeft = 0.5f;
    float rateRight = 0.5f;
    float gL = 0.0f; // ping-pong crossing of the left line, set by the mode
    float gR = 0.0f;
    // Colour filter y = b0 x + b1 x1 - a1 y1; all three 1 is the identity.
    float b0 = 1.0f;
    float b1 = 1.0f;
    float a1 = 1.0f;
    float colourCorner = 0.0f; // Hz; 0 while the filter is the identity
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
};
