// Flushes denormal floats to zero for the lifetime of the guard and restores
// the host's setting afterwards: a decaying voice or effect tail must never
// drop onto the slow denormal path, whatever the host left in the FPU.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(__x86_64__)
#include <xmmintrin.h>

class DenormalGuard {
public:
    DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(saved); }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved;
};
#else
// Elsewhere the explicit flushes in the voice and effect code suffice.
class DenormalGuard {};
#endif
