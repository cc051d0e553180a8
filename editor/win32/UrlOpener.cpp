#include "UrlOpener.h"

#include "win32/WideText.h"

#include <windows.h>

#include <shellapi.h>

void openInBrowser(const char* address)
{
    ShellExecuteW(nullptr, L"open", VSTGUI::widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
