// A file dialog that never blocks the host's window: zenity (or kdialog)
// runs as a child process whose answer is collected from the editor's idle.
#pragma once

#include <string>
#include <sys/types.h>

class FileDialog {
public:
    FileDialog() = default;
    ~FileDialog();
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    // False when a dialog is already open or none could be started.
    bool start(bool save, const std::string& title, const std::string& pattern);
    bool isRunning() const { return child > 0; }
    // Once the dialog has ended: true with the chosen path, or false when it
    // was cancelled. While it runs: false with `finished` cleared.
    bool poll(bool& finished, std::string& path);
    void cancel();

private:
    pid_t child = -1;
    int output = -1;
    std::string answer;
};
