// The flanger and chorus of the "Phaser/Chorus" slot: two variable-speed
// recorders (CDelayLine), one per channel, that write the signal at a
// modulated speed and read it back one lap later.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CDelayLine {
public:
    // lapSize: N, samples per lap at speed 1 (at least kMinLap); startPhase: LFO phase 0..1.
    CDelayLine(int32_t lapSize, double startPhase);

    static constexpr int32_t kMinLap = 5;
    static constexpr int32_t kSegmentSlack = 10; // a segment holds N + 10 entries
    static constexpr int32_t kPrefix = 3;        // entries carried over from the lap before

    void setOutputSmoothing(float coefficient); // limited to 0.05..1
    void setLfoDepth(double depth);
    void setLfoIncrement(double cyclesPerSample); // 0 <= increment < 1
    void setFeedback(float target);
    void setMix(float target);
    // Lap setting t' = t^2 * 0.99 + 0.01 of a flanger or chorus type.
    void setLap(double tPrime);

    // The clean start of a sleeping line: LFO at its start phase, rate and
    // feedback at their targets, mix and input gain at 0, both segments empty.
    void restart();

    // n samples of one channel in place; a line whose mix is and stays 0
    // sleeps, restarting cleanly, and leaves the block untouched.
    void process(float* io, int32_t n);

    // One lap of recorded entries: the value and the lap position it was
    // written at. The first kPrefix entries are the end of the lap before.
    struct Segment {
        std::vector<float> value;
        std::vector<double> time; // 0..1 within the lap; the prefix entries lie below 0
        int32_t count = kPrefix;
        int32_t cursor = 0;
    };

    int32_t lapSize;           // N
    Segment segment[2];
    int32_t writeSegment = 0;  // the other one is read
    double writePosition = 0.0; // 0..1, fraction of a lap
    double lfoPhase = 0.0;      // 0..1
    double lfoStartPhase;
    double lfoIncrement = 0.0;  // cycles per sample, 0 <= increment < 1
    double lfoDepth = 0.0;
    // The targets that a type or amount change sets are single words that the
    // audio thread reads once per block.
    std::atomic<double> rateTarget{0.0}; // lap fraction per sample at speed 1
    double rateCurrent = 0.0;
    float feedbackTarget = 0.0f;
    float feedbackCurrent = 0.0f;
    std::atomic<float> mixTarget{0.0f};
    float mixCurrent = 0.0f;
    float inputGain = 0.0f;
    float outputSmoothing = 1.0f; // one-pole coefficient, 0.05..1
    float outputState = 0.0f;

private:
    // A segment as the processing loop keeps it, in locals.
    struct View {
        float* value;
        double* time;
        int32_t count;
        int32_t cursor;
        int32_t capacity;
        float readAt(double position);
        void append(float value, double time);
    };
    template <bool kGliding>
    void run(float* io, int32_t n, float mixGoal, double rateGoal);
    static void empty(Segment& s);
    static View view(Segment& s);
    static void keep(Segment& s, const View& v);
    void endLap(View& reading, View& recording, int32_t& writing, float written, double& position);
};

class CDelay {
public:
    CDelay();
    ~CDelay();

    // Recreates both lines when the rate actually changes, then puts the
    // start values back (which the next parameter hand-over overwrites).
    void setSampleRate(double rate);

    // The phaser's parameters as the flanger and chorus read them.
    void setRate(double hz);              // LFO rate; the right line runs 10 % faster
    void setOutputSmoothing(float value); // "Freq"
    void setFeedback(float value);        // "Fbk"
    void setAmount(float value);          // "Amt"
    void setDepth(float value);           // "Depth"
    void setType(int32_t type);           // phaser type codes 3..6; others are ignored

    // The left line on `left`, the right on `right`, n samples in place.
    void process(float* left, float* right, int32_t n);

    double sampleRate = 0.0;
    std::unique_ptr<CDelayLine> left;
    std::unique_ptr<CDelayLine> right;
    float amount = 0.0f;   // the last "Amt" value
    float feedback = 0.0f; // the last "Fbk" value
    bool mixInverted = false;
    bool feedbackInverted = false;
    bool linesPresent = false;

private:
    void applyMix();
    void applyFeedback();
    template <typename F>
    void forEachLine(F&& apply);
};
