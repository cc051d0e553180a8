// The "Phaser/Chorus" slot of the effects chain (effect kind 3): three
// analog-style phasers (types 0..2) and, through its CDelay, two flangers and
// two choruses (types 3..6).
#pragma once

#include "CDelay.h"
#include "Module.h"
#include "SineTable.h"

#include <atomic>
#include <cstdint>

class FxVintagePhaser : public Module {
public:
    static constexpr int32_t kTypeCount = 7;
    static constexpr int32_t kMaxStages = 8;

    // setParameter indices, as the engine forwards them.
    enum Param : int32_t {
        kRate = 0,
        kFreq = 1,
        kFeedback = 2,
        kAmount = 3,
        kDepth = 4,
        kType = 5,
    };

    FxVintagePhaser();
    ~FxVintagePhaser() override;

    virtual void setSampleRate(double rate);
    virtual void reset();
    // Sets the phaser's own value and forwards the parameter to the chorus lines.
    void setParameter(int32_t index, float value);
    // n frames of io[0] and io[1] in place: the phaser for types 0..2, the
    // chorus lines for the others.
    void process(int32_t n, float** io);

    std::atomic<int32_t> type{0}; // 0..kTypeCount - 1, whatever value arrives; read once per block
    float rate = 1.0f;       // LFO Hz, 0.05..20
    double centre = 1000.0;  // Hz, 200..5000
    float feedback = 0.0f;   // 0.98 * "Fbk"
    float wet = 0.0f;        // "Amt"
    float dry = 1.0f;        // 1 - "Amt"
    float depth = 0.0f;      // raw "Depth"
    float depthDisplay = 0.0f; // depth * 100
    uint32_t lfoPhase = 0;   // one cycle = 2^32
    float stage[2][kMaxStages] = {}; // per channel
    float lastOut[2] = {};           // per channel, fed back
    CDelay chorus;

private:
    template <int32_t kStages>
    void runPhaser(int32_t n, float** io, int32_t outputStage);
    SineTable sine;
};
