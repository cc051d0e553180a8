// The system's file dialog for patch and bank files, started from a menu
// choice and collected from the editor's idle, so that it never runs under a
// control's feet. On Linux zenity (or kdialog) runs as a child process and
// the host's window stays live; on Windows the common dialog runs modally
// from the idle.
#pragma once

#include <memory>
#include <string>

class FileDialog {
public:
    FileDialog();
    ~FileDialog();
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    // False when a dialog is already open or none could be started.
    bool start(bool save, const std::string& title, const std::string& pattern);
    bool isRunning() const { return dialog != nullptr; }
    // Once the dialog has ended: true with the chosen path, or false when it
    // was cancelled. While it runs: false with `finished` cleared.
    bool poll(bool& finished, std::string& path);
    void cancel();

private:
    struct Dialog; // the platform's state of the open dialog
    std::unique_ptr<Dialog> dialog;
};
