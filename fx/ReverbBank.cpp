#include "ReverbBankKernel.h"

#include <xmmintrin.h>

namespace {

// One group of four lines per SSE register.
struct SseLanes {
    using Reg = __m128;
    static constexpr int32_t kGroups = 1;
    static Reg set1(float x) { return _mm_set1_ps(x); }
    static Reg load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, Reg v) { _mm_storeu_ps(p, v); }
    static Reg perGroup(const float* p) { return _mm_set1_ps(p[0]); }
    static Reg loadLines(float* const* cell, int32_t j) { return _mm_loadu_ps(cell[j]); }
    static void storeLines(float* const* cell, int32_t j, Reg v) { _mm_storeu_ps(cell[j], v); }
    static Reg loadLate(const float* p) { return _mm_loadu_ps(p); }
    static void addGroupsInto(float* p, Reg v) { _mm_storeu_ps(p, _mm_add_ps(_mm_loadu_ps(p), v)); }
    static Reg add(Reg a, Reg b) { return _mm_add_ps(a, b); }
    static Reg sub(Reg a, Reg b) { return _mm_sub_ps(a, b); }
    static Reg mul(Reg a, Reg b) { return _mm_mul_ps(a, b); }
    static void transpose(Reg* v) { _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]); }
};

#ifdef VESK_AVX_BANK
// Asked once, when the library loads, so the audio thread never waits on it.
const bool kHasAvx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
}();
#endif

} // namespace

void runReverbBank(ReverbBankLines& lines, const float* late, float (*sum)[kReverbChunk], int32_t c, float keep)
{
#ifdef VESK_AVX_BANK
    if (kHasAvx) {
        runReverbBankAvx(lines, late, sum, c, keep);
        return;
    }
#endif
    runBankKernel<SseLanes>(lines, late, sum, c, keep);
}

void addReverbTaps(const float* const* from, const float* gain, int32_t count, float* to, int32_t c)
{
#ifdef VESK_AVX_BANK
    if (kHasAvx) {
        addReverbTapsAvx(from, gain, count, to, c);
        return;
    }
#endif
    addTapsKernel<SseLanes>(from, gain, count, to, c);
}
