#include "ReplaceFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
// Puts the finished temporary file in the target's place in one step.
bool replaceTarget(const std::string& temporary, const std::string& path)
{
#if defined(_WIN32)
    // Windows' rename refuses to replace an existing file.
    return MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(temporary.c_str(), path.c_str()) == 0;
#endif
}
} // namespace

bool writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::string temporary = path + ".XXXXXX";
    int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return false;
#if !defined(_WIN32)
    // mkstemp makes the file private; a preset is an ordinary document.
    fchmod(descriptor, 0644);
#endif
    FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        close(descriptor);
        unlink(temporary.c_str());
        return false;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = fflush(file) == 0 && written;
    written = fclose(file) == 0 && written;
    if (!written || !replaceTarget(temporary, path)) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
