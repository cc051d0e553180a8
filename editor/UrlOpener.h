// Hands a web address to the desktop's browser without waiting for it.
#pragma once

void openInBrowser(const char* address);
