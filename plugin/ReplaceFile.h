// Writing a file so that a failed write never destroys the file that was there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes a temporary file next to the target and renames it over the target.
// On failure the target is as it was and no temporary file is left.
bool writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);
