// The bank loop over a register type that holds one or two groups of four
// lines (SSE2 or AVX). Only ReverbBank.cpp and ReverbBankAvx.cpp include it;
// everything here is local to each of them, so that nothing built for AVX
// can stand in for the SSE2 build of the same function.
#pragma once

#include "ReverbBank.h"

namespace {

int32_t smaller(int32_t a, int32_t b) { return a < b ? a : b; }

// The lines run kWidth at a time, side by side in the lanes (line k + 4g + j
// in lane j of group g), four samples at a time: four samples of each line
// are loaded as they lie in the pool and transposed into time steps, and the
// new states transposed back for the writes and the sums. A stretch ends where
// one of the lines wraps; its last samples short of a whole four go one at a
// time, in the same arithmetic on scalars.
// Lines negate their write-back by the parity of their place, so that the
// sign costs nothing in the loop (state - late rather than -(late - state)).
template <typename V, bool kEvenNegative>
void runBankLines(ReverbBankLines& local, const float* late, float (*sum)[kReverbChunk], int32_t c, float keep)
{
    using Reg = typename V::Reg;
    constexpr int32_t kWidth = 4 * V::kGroups;
    const Reg keepV = V::set1(keep);
    for (int32_t k = 0; k < local.count; k += kWidth) {
        float* cell[kWidth];
        float* end[kWidth];
        for (int32_t i = 0; i < kWidth; ++i) {
            cell[i] = local.base[k + i] + local.index[k + i];
            end[i] = local.base[k + i] + local.length[k + i];
        }
        const float* gain = local.gain + k;
        const float* outL = local.outL + k;
        const float* outR = local.outR + k;
        Reg outLV[4], outRV[4];
        for (int32_t j = 0; j < 4; ++j) {
            outLV[j] = V::perGroup(outL + j);
            outRV[j] = V::perGroup(outR + j);
        }
        const Reg gainV = V::load(gain);
        Reg state = V::load(local.state + k);
        for (int32_t s = 0; s < c;) {
            int32_t stretch = c - s;
            for (int32_t i = 0; i < kWidth; ++i)
                stretch = smaller(stretch, static_cast<int32_t>(end[i] - cell[i]));
            const int32_t stop = s + stretch;
            for (; s + 4 <= stop; s += 4) {
                Reg v[4];
                for (int32_t j = 0; j < 4; ++j)
                    v[j] = V::loadLines(cell, j);
                V::transpose(v);
                for (int32_t t = 0; t < 4; ++t) {
                    state = V::add(V::mul(keepV, state), V::mul(gainV, v[t]));
                    v[t] = state;
                }
                V::transpose(v);
                const Reg e = V::loadLate(late + s);
                for (int32_t j = 0; j < 4; ++j)
                    V::storeLines(cell, j, ((j & 1) == 0) == kEvenNegative ? V::sub(v[j], e) : V::sub(e, v[j]));
                Reg left = V::mul(v[0], outLV[0]);
                Reg right = V::mul(v[0], outRV[0]);
                for (int32_t j = 1; j < 4; ++j) {
                    left = V::add(left, V::mul(v[j], outLV[j]));
                    right = V::add(right, V::mul(v[j], outRV[j]));
                }
                V::addGroupsInto(sum[0] + s, left);
                V::addGroupsInto(sum[1] + s, right);
                for (float*& p : cell)
                    p += 4;
            }
            if (s < stop) {
                float st[kWidth];
                V::store(st, state);
                for (; s < stop; ++s) {
                    const float e = late[s];
                    for (int32_t g = 0; g < V::kGroups; ++g) {
                        float left = 0.0f;
                        float right = 0.0f;
                        for (int32_t j = 0; j < 4; ++j) {
                            const int32_t i = 4 * g + j;
                            st[i] = keep * st[i] + gain[i] * *cell[i];
                            *cell[i]++ = ((j & 1) == 0) == kEvenNegative ? st[i] - e : e - st[i];
                            left = j == 0 ? st[i] * outL[i] : left + st[i] * outL[i];
                            right = j == 0 ? st[i] * outR[i] : right + st[i] * outR[i];
                        }
                        sum[0][s] += left;
                        sum[1][s] += right;
                    }
                }
                state = V::load(st);
            }
            for (int32_t i = 0; i < kWidth; ++i)
                if (cell[i] == end[i])
                    cell[i] = local.base[k + i];
        }
        float st[kWidth];
        V::store(st, state);
        for (int32_t i = 0; i < kWidth; ++i) {
            local.index[k + i] = static_cast<int32_t>(cell[i] - local.base[k + i]);
            local.state[k + i] = st[i];
        }
    }
}

template <typename V>
void runBankKernel(ReverbBankLines& local, const float* late, float (*sum)[kReverbChunk], int32_t c, float keep)
{
    if (local.evenLinesNegative)
        runBankLines<V, true>(local, late, sum, c, keep);
    else
        runBankLines<V, false>(local, late, sum, c, keep);
}

// Early reflections: to[s] += from[k][s] * gain[k] for every tap k, four
// taps to a pass over the chunk, each added after the one before as single
// taps would be.
template <typename V>
void addTapsKernel(const float* const* from, const float* gain, int32_t count, float* to, int32_t c)
{
    using Reg = typename V::Reg;
    constexpr int32_t kStep = 4 * V::kGroups;
    for (int32_t k = 0; k < count; k += 4) {
        const int32_t group = smaller(4, count - k);
        const float* f[4];
        float g[4];
        for (int32_t j = 0; j < 4; ++j) {
            // A group short of four fills up with silent copies of its first tap.
            f[j] = from[k + (j < group ? j : 0)];
            g[j] = j < group ? gain[k + j] : 0.0f;
        }
        const Reg gv[4] = {V::set1(g[0]), V::set1(g[1]), V::set1(g[2]), V::set1(g[3])};
        int32_t s = 0;
        for (; s + kStep <= c; s += kStep) {
            Reg sumOf = V::load(to + s);
            for (int32_t j = 0; j < 4; ++j)
                sumOf = V::add(sumOf, V::mul(V::load(f[j] + s), gv[j]));
            V::store(to + s, sumOf);
        }
        for (; s < c; ++s)
            for (int32_t j = 0; j < 4; ++j)
                to[s] += f[j][s] * g[j];
    }
}

} // namespace
