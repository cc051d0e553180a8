#include "FactoryBank.h"

#include "ParamFamilies.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kLastSortedRecord = kInitProgram - 1;

} // namespace

bool programNameBefore(const char* a, const char* b)
{
    const bool aLast = a[0] == '-';
    const bool bLast = b[0] == '-';
    if (aLast != bLast)
        return bLast;
    // Two '-' names have no order among themselves; comparing them by bytes
    // as well keeps the comparison a strict weak order for std::sort.
    const size_t length = std::min(std::strlen(a), std::strlen(b)) + 1;
    return std::memcmp(a, b, length) < 0;
}

void loadFactoryBank(ProgramRecord* bank)
{
    std::memcpy(bank, kFactoryBank, sizeof(kFactoryBank));
    for (int p = 0; p < kNumPrograms; ++p)
        for (int slot = 0; slot < ParamIndex::kEffectOrderCount; ++slot)
            bank[p].params[ParamIndex::kEffectOrder + slot] = static_cast<float>(slot);
    const auto byName = [](const ProgramRecord& a, const ProgramRecord& b) {
        return programNameBefore(a.name, b.name);
    };
    for (int first = 0; first < kNumPrograms; first += kProgramsPerBank) {
        const int last = std::min(first + kProgramsPerBank - 1, kLastSortedRecord);
        std::sort(bank + first, bank + last + 1, byName);
    }
}
