#include "UrlOpener.h"

#include <spawn.h>
#include <sys/wait.h>

void openInBrowser(const char* address)
{
    // The browser runs on its own; a second child reaps the opener at once so
    // no zombie is left behind.
    char opener[] = "xdg-open";
    char* arguments[] = {opener, const_cast<char*>(address), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, opener, nullptr, nullptr, arguments, environ) == 0)
        waitpid(child, nullptr, WNOHANG);
}
