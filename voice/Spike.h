// The spike: a short transient added to the amplifier at a voice's start,
// independent of the envelope, so even a slow attack gets a click of its own.
// Per frame of the output loop, with the level before the envelope step:
//   y = (amp.current() + spike.gain(age)) * x
#pragma once

#include <cstdint>

// The engine instance's spike tables, both `length` entries long.
struct SpikeTables {
    const float* soft;
    const float* hard;
    int32_t length;
};

class Spike {
public:
    // hardShape: any modulation slot routes to Spike Hard. amount: the sum of
    // the Spike Soft and Spike Hard contributions.
    Spike(const SpikeTables& tables, bool hardShape, float amount)
        : table(hardShape ? tables.hard : tables.soft),
          length(tables.length > 0 ? static_cast<uint32_t>(tables.length) : 0u), amount(amount)
    {
    }

    // Whether any frame from this age on gets a transient: lets the render
    // pick its loop without the spike for nearly every call.
    bool activeFrom(uint32_t age) const { return amount != 0.0f && age < length; }

    float gain(uint32_t age) const { return age < length ? amount * table[age] : 0.0f; }

private:
    const float* table;
    uint32_t length;
    float amount;
};
