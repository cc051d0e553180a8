// Note names as musicians write them, shared by the demo generator and
// vesk-render's command line.
#pragma once

#include <string>

// "60", "C4" (middle C, 60), "F#3", "Bb2", "C-1" (0); -1 when the text is
// not a note in 0..127.
int parseNoteName(const std::string& text);
