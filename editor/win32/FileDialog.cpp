#include "FileDialog.h"

#include "win32/WideText.h"

#include <windows.h>

#include <commdlg.h>

#include <vector>

struct FileDialog::Dialog {
    bool save = false;
    std::string title;
    std::string pattern;
    bool showing = false;
    bool cancelled = false;
};

namespace {

bool toAnsi(const std::wstring& name, std::string& path)
{
    BOOL lossy = FALSE;
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), int(name.size()), nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return false;
    path.assign(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), int(name.size()), path.data(), size, nullptr,
                        nullptr);
    return true;
}

// The preset files are opened with the C library, which takes paths in the
// ANSI code page. A name that code page cannot spell is reached through its
// short form when the file exists; otherwise it is given up.
bool ansiPath(const std::wstring& name, std::string& path)
{
    if (toAnsi(name, path))
        return true;
    std::vector<wchar_t> shortName(MAX_PATH * 4);
    const DWORD length = GetShortPathNameW(name.c_str(), shortName.data(), DWORD(shortName.size()));
    return length > 0 && length < shortName.size() && toAnsi(std::wstring(shortName.data(), length), path);
}

// The common dialog, owned by the window the user works in so that the host
// waits for it. `pattern` is like "*.fxp".
bool runDialog(bool save, const std::string& title, const std::string& pattern, std::wstring& chosen)
{
    const std::wstring caption = VSTGUI::widen(title);
    const std::wstring filter = VSTGUI::widen(pattern);
    // Description and pattern, each ended by a NUL, and one more NUL.
    const std::wstring filters = filter + L'\0' + filter + L'\0';
    const std::wstring extension = filter.size() > 2 ? filter.substr(2) : std::wstring();
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = GetActiveWindow();
    request.lpstrFilter = filters.c_str();
    request.lpstrFile = file.data();
    request.nMaxFile = DWORD(file.size());
    request.lpstrTitle = caption.c_str();
    request.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    request.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request)))
        return false;
    chosen = file.data();
    return !chosen.empty();
}

} // namespace

FileDialog::FileDialog() = default;

FileDialog::~FileDialog() { cancel(); }

bool FileDialog::start(bool save, const std::string& title, const std::string& pattern)
{
    if (dialog)
        return false;
    dialog = std::make_unique<Dialog>();
    dialog->save = save;
    dialog->title = title;
    dialog->pattern = pattern;
    return true;
}

bool FileDialog::poll(bool& finished, std::string& path)
{
    finished = false;
    if (!dialog || dialog->showing)
        return false;
    dialog->showing = true;
    std::wstring chosen;
    const bool answered = runDialog(dialog->save, dialog->title, dialog->pattern, chosen);
    // The editor may have been closed from inside the dialog's message loop.
    const bool cancelled = dialog->cancelled;
    dialog.reset();
    finished = true;
    return answered && !cancelled && ansiPath(chosen, path);
}

void FileDialog::cancel()
{
    // A dialog on the screen ends when the user ends it; its answer is dropped.
    if (dialog && dialog->showing)
        dialog->cancelled = true;
    else
        dialog.reset();
}
