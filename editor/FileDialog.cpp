#include "FileDialog.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

FileDialog::~FileDialog() { cancel(); }

bool FileDialog::start(bool save, const std::string& title, const std::string& pattern)
{
    if (child > 0)
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
    output = pipeEnds[0];
    fcntl(output, F_SETFL, O_NONBLOCK);
    answer.clear();
    return true;
}

bool FileDialog::poll(bool& finished, std::string& path)
{
    finished = false;
    if (child <= 0)
        return false;
    char buffer[512];
    ssize_t count = 0;
    while ((count = read(output, buffer, sizeof(buffer))) > 0)
        answer.append(buffer, size_t(count));
    int status = 0;
    if (waitpid(child, &status, WNOHANG) != child)
        return false;
    while ((count = read(output, buffer, sizeof(buffer))) > 0)
        answer.append(buffer, size_t(count));
    close(output);
    output = -1;
    child = -1;
    finished = true;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.empty())
        return false;
    path = answer;
    return true;
}

void FileDialog::cancel()
{
    if (child > 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        child = -1;
    }
    if (output >= 0) {
        close(output);
        output = -1;
    }
}
