// UTF-8, as the toolkit keeps its texts, to and from Windows' UTF-16.
#pragma once

#include <string>

namespace VSTGUI {

std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

} // namespace VSTGUI
