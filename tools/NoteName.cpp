#include "NoteName.h"

#include <cctype>
#include <cstdlib>

namespace {
// Semitones above C of the letters A..G.
constexpr int kLetterOffsets[] = {9, 11, 0, 2, 4, 5, 7};
constexpr int kLowestOctave = -1; // C-1 is MIDI note 0
} // namespace

int parseNoteName(const std::string& text)
{
    if (text.empty())
        return -1;
    const char* rest = text.c_str();
    int note;
    if (std::isdigit(static_cast<unsigned char>(text[0]))) {
        note = 0;
    } else {
        const int letter = std::toupper(static_cast<unsigned char>(text[0])) - 'A';
        if (letter < 0 || letter > 6)
            return -1;
        note = kLetterOffsets[letter];
        ++rest;
        if (*rest == '#' || *rest == 'b')
            note += *rest++ == '#' ? 1 : -1;
        if (*rest == 0)
            return -1;
    }
    char* end = nullptr;
    const long number = std::strtol(rest, &end, 10);
    if (*end != 0 || end == rest || std::isspace(static_cast<unsigned char>(*rest)) || number < -1 || number > 127)
        return -1;
    if (std::isdigit(static_cast<unsigned char>(text[0])))
        note = static_cast<int>(number);
    else
        note += static_cast<int>((number - kLowestOctave) * 12);
    return note >= 0 && note <= 127 ? note : -1;
}
