#include "UrlOpener.h"

#include <spawn.h>
#include <sys/wait.h>

void openInBrowser(const char* address)
{
    // The shell starts the opener in the background and ends at once, so
    // waiting for it holds the host for no more than a fork, and neither
    // process is left behind as a zombie.
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char script[] = "xdg-open \"$1\" >/dev/null 2>&1 &";
    char name[] = "sh";
    char* arguments[] = {shell, option, script, name, const_cast<char*>(address), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, shell, nullptr, nullptr, arguments, environ) == 0)
        waitpid(child, nullptr, 0);
}
