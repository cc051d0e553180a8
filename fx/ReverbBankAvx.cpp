// Built with AVX enabled where the compiler and target allow it (see
// CMakeLists.txt); runReverbBank calls it only on machines that have AVX.
#ifdef __AVX__

#include "ReverbBankKernel.h"

#include <immintrin.h>

namespace {

// Two groups of four lines per AVX register, one in each 128-bit half, so
// that every lane does what its SSE2 lane would.
struct AvxLanes {
    using Reg = __m256;
    static constexpr int32_t kGroups = 2;
    static Reg set1(float x) { return _mm256_set1_ps(x); }
    static Reg load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, Reg v) { _mm256_storeu_ps(p, v); }
    static Reg perGroup(const float* p) { return _mm256_setr_m128(_mm_set1_ps(p[0]), _mm_set1_ps(p[4])); }
    static Reg loadLines(float* const* cell, int32_t j)
    {
        return _mm256_setr_m128(_mm_loadu_ps(cell[j]), _mm_loadu_ps(cell[4 + j]));
    }
    static void storeLines(float* const* cell, int32_t j, Reg v)
    {
        _mm_storeu_ps(cell[j], _mm256_castps256_ps128(v));
        _mm_storeu_ps(cell[4 + j], _mm256_extractf128_ps(v, 1));
    }
    static Reg loadLate(const float* p) { return _mm256_broadcast_ps(reinterpret_cast<const __m128*>(p)); }
    // The first group's sum before the second's, as two SSE2 groups add.
    static void addGroupsInto(float* p, Reg v)
    {
        const __m128 first = _mm_add_ps(_mm_loadu_ps(p), _mm256_castps256_ps128(v));
        _mm_storeu_ps(p, _mm_add_ps(first, _mm256_extractf128_ps(v, 1)));
    }
    static Reg add(Reg a, Reg b) { return _mm256_add_ps(a, b); }
    static Reg sub(Reg a, Reg b) { return _mm256_sub_ps(a, b); }
    static Reg mul(Reg a, Reg b) { return _mm256_mul_ps(a, b); }
    // Within each half, as _MM_TRANSPOSE4_PS does.
    static void transpose(Reg* v)
    {
        const Reg t0 = _mm256_unpacklo_ps(v[0], v[1]);
        const Reg t1 = _mm256_unpackhi_ps(v[0], v[1]);
        const Reg t2 = _mm256_unpacklo_ps(v[2], v[3]);
        const Reg t3 = _mm256_unpackhi_ps(v[2], v[3]);
        v[0] = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
        v[1] = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
        v[2] = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
        v[3] = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    }
};

} // namespace

void runReverbBankAvx(ReverbBankLines& lines, const float* late, float (*sum)[kReverbChunk], int32_t c, float keep)
{
    runBankKernel<AvxLanes>(lines, late, sum, c, keep);
}

void addReverbTapsAvx(const float* const* from, const float* gain, int32_t count, float* to, int32_t c)
{
    addTapsKernel<AvxLanes>(from, gain, count, to, c);
}

#endif
