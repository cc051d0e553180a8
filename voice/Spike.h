// The spike: a short transient added to the amplifier at a voice's start,
// independent of the envelope, so even a slow attack gets a click of its own.
// Per frame of the output loop, with the level before the envelope step:
//   y = (amplifier level + amount * table[age]) * x
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

    // Adds the transient to the amplifier levels of one call whose first
    // frame has the voice's age `age`.
    void addTo(float* levels, int32_t frames, uint32_t age) const
    {
        if (!activeFrom(age))
            return;
        const uint32_t left = length - age;
        const int32_t n = left < static_cast<uint32_t>(frames) ? static_cast<int32_t>(left) : frames;
        const float* shape = table + age;
        for (int32_t t = 0; t < n; ++t)
            levels[t] += amount * shape[t];
    }

private:
    const float* table;
    uint32_t length;
    float amount;
};
