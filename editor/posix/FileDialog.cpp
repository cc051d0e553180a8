#include "FileDialog.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

struct FileDialog::Dialog {
    pid_t child = -1;
    int output = -1;
    std::string answer;
};

FileDialog::FileDialog() = default;

FileDialog::~FileDialog() { cancel(); }

bool FileDialog::start(bool save, const std::string& title, const std::string& pattern)
{
    if (dialog)
        return false;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    const std::vector<std::vector<std::string>> candidates = {
        save ? std::vector<std::string>{"zenity", "--file-selection", "--save", "--confirm-overwrite",
                                        "--title=" + title, "--file-filter=" + pattern}
             : std::vector<std::string>{"zenity", "--file-selection", "--title=" + title,
                                        "--file-filter=" + pattern},
        {"kdialog", save ? "--getsavefilename" : "--getopenfilename", ".", pattern, "--title", title},
    };
    pid_t child = -1;
    for (const auto& command : candidates) {
        std::vector<char*> arguments;
        for (const auto& argument : command)
            arguments.push_back(const_cast<char*>(argument.c_str()));
        arguments.push_back(nullptr);
        if (posix_spawnp(&child, arguments[0], &actions, nullptr, arguments.data(), environ) == 0)
            break;
        child = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (child <= 0) {
        close(pipeEnds[0]);
        return false;
    }
    fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    dialog = std::make_unique<Dialog>();
    dialog->child = child;
    dialog->output = pipeEnds[0];
    return true;
}

bool FileDialog::poll(bool& finished, std::string& path)
{
    finished = false;
    if (!dialog)
        return false;
    char buffer[512];
    ssize_t count = 0;
    std::string& answer = dialog->answer;
    while ((count = read(dialog->output, buffer, sizeof(buffer))) > 0)
        answer.append(buffer, size_t(count));
    int status = 0;
    if (waitpid(dialog->child, &status, WNOHANG) != dialog->child)
        return false;
    while ((count = read(dialog->output, buffer, sizeof(buffer))) > 0)
        answer.append(buffer, size_t(count));
    close(dialog->output);
    std::string chosen = std::move(answer);
    dialog.reset();
    finished = true;
    while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r'))
        chosen.pop_back();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || chosen.empty())
        return false;
    path = chosen;
    return true;
}

void FileDialog::cancel()
{
    if (!dialog)
        return;
    kill(dialog->child, SIGTERM);
    waitpid(dialog->child, nullptr, 0);
    close(dialog->output);
    dialog.reset();
}
