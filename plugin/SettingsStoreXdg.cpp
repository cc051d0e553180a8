// The settings store on Linux: files under the XDG configuration folders,
// $XDG_CONFIG_HOME (else ~/.config) for the user and the first folder of
// $XDG_CONFIG_DIRS (else /etc/xdg) for the machine. The folder is named after
// the maker and the product, and the file after the stored value.
#include "SettingsStore.h"

#include "ReplaceFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kFolders[] = {"Tovimar Sonic", "VESK"};
const char* const kValueName = "1";

// The XDG rule: relative paths in these variables are ignored.
bool isAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string userRoot()
{
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config && isAbsolute(config))
        return config;
    const char* home = getenv("HOME");
    return home && isAbsolute(home) ? std::string(home) + "/.config" : std::string();
}

std::string machineRoot()
{
    const char* dirs = getenv("XDG_CONFIG_DIRS");
    const std::string list = dirs ? dirs : "";
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find(':', start);
        end = end == std::string::npos ? list.size() : end;
        const std::string entry = list.substr(start, end - start);
        if (isAbsolute(entry))
            return entry;
        start = end + 1;
    }
    return "/etc/xdg";
}

std::string folderUnder(const std::string& root)
{
    std::string folder = root;
    for (const char* name : kFolders)
        folder += std::string("/") + name;
    return folder;
}

// Exactly one valid map: a regular file of that many bytes (never waiting
// on a pipe, never reading more than a map).
bool readMap(const std::string& root, ControllerMap::Bytes& bytes)
{
    if (root.empty())
        return false;
    const std::string path = folderUnder(root) + "/" + kValueName;
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat info;
    ControllerMap::Bytes stored;
    const bool whole = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                       info.st_size == static_cast<off_t>(stored.size()) &&
                       read(descriptor, stored.data(), stored.size()) == static_cast<ssize_t>(stored.size());
    close(descriptor);
    const bool valid = whole && ControllerMap::isValid(stored);
    if (valid)
        bytes = stored;
    return valid;
}

bool makeFolders(const std::string& root, mode_t rootMode)
{
    std::string path;
    for (size_t at = 1; at <= root.size(); ++at) {
        if (at == root.size() || root[at] == '/') {
            path = root.substr(0, at);
            if (mkdir(path.c_str(), rootMode) != 0 && errno != EEXIST)
                return false;
        }
    }
    for (const char* name : kFolders) {
        path += std::string("/") + name;
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

void writeMap(const std::string& root, mode_t rootMode, const ControllerMap::Bytes& bytes)
{
    if (root.empty() || !makeFolders(root, rootMode))
        return;
    writeFileReplacing(folderUnder(root) + "/" + kValueName, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}
} // namespace

bool readControllerSettings(ControllerMap::Bytes& bytes)
{
    try {
        return readMap(userRoot(), bytes) || readMap(machineRoot(), bytes);
    } catch (...) {
        return false;
    }
}

void writeControllerSettings(const ControllerMap::Bytes& bytes)
{
    // Called from the plug-in's destructor: nothing may escape.
    try {
        writeMap(machineRoot(), 0755, bytes);
        // A missing ~/.config is made private, as the XDG rules ask.
        writeMap(userRoot(), 0700, bytes);
    } catch (...) {
    }
}
