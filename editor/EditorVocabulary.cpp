#include "EditorVocabulary.h"

#include "FilterTypes.h"
#include "ModulationVocabulary.h"
#include "OscillatorTables.h"

#include <cstdio>

const int32_t kQuickDestinationOffsets[kQuickDestinationMenus] = {1, 17, 24, 30, 45, 48, 63, 87};
const char* const kQuickDestinationTitles[kQuickDestinationMenus] = {
    "Oscillators", "Noise, PW, Ring, FM", "Mod Env, Cutoff, Reso", "Filter, Spike, Amp",
    "Curves",      "LFOs",                "Matrix Amounts",        "Pitch, Pan, Level"};

const char* const kCategoryNames[kCategoryCount] = {
    "", "Arpeggiated", "Bass", "Chords", "Drums", "Keyboards", "Leads", "Mallets", "Pads", "Plucked",
    "Sound Effects", "Synths", "Textures", "Wind"};
const char* const kCategoryMenuLabels[kCategoryCount] = {
    "Category: None",  "Category: Arpeggiated", "Category: Bass",  "Category: Chords", "Category: Drums",
    "Category: Keys",  "Category: Leads",       "Category: Mallet", "Category: Pads",  "Category: Plucked",
    "Category: Sound Effects", "Category: Synth", "Category: Textures", "Category: Wind"};
const char* const kEffectKindLabels[6] = {"Distortion", "EQ-1", "EQ-2", "Phaser/Chorus", "Delay", "Reverb"};

const char* const kArpPatternNames[kArpPatternCount] = {
    "User Pattern", "Bass Roller 1", "Bass Roller 2", "Duo 1",   "Duo 2",      "Duo 3",      "Duo 4",
    "Duo 5",        "Harp-ish",      "Riff 1",        "Riff 2",  "Riff 3",     "Stabs 1",    "Stabs 2",
    "Stabs 3",      "Octaver 1",     "Octaver 2",     "Octaver 3", "Skippy",   "Vel Echo",   "Vel Rise"};

namespace {

template <typename Entry, int N, typename Text>
std::vector<MenuRow> rowsOf(const Entry (&table)[N], Text text)
{
    std::vector<MenuRow> rows;
    for (const Entry& e : table)
        rows.push_back({e.code, text(e)});
    return rows;
}

struct Vocabularies {
    std::vector<MenuRow> source = rowsOf(kModSourceMenu, [](const ModMenuEntry& e) { return std::string(e.text); });
    std::vector<MenuRow> destination =
        rowsOf(kModDestinationMenu, [](const ModMenuEntry& e) { return std::string(e.text); });
    std::vector<MenuRow> voices = rowsOf(kModVoicesMenu, [](const ModMenuEntry& e) { return std::string(e.text); });
    std::vector<MenuRow> filter = rowsOf(kFilterMenu, [](const FilterMenuEntry& e) {
        return e.code == kFilterMenuSeparatorCode ? std::string("-") : std::string(e.name);
    });
    std::vector<MenuRow> arpMode{{3, "Mode: Chord"},      {6, "Mode: Duophonic"}, {5, "Mode: Dynamic"},
                                 {4, "Mode: Modulation"}, {0, "Mode: Simple"},    {2, "Mode: One Shot"},
                                 {1, "Mode: Voice 2/4/6/8"}};
    std::vector<MenuRow> arpSync{{0, "Free Rate"}, {1, "Tempo Sync"}};
    std::vector<MenuRow> fmMode{{0, "1->2 fbk"}, {1, "1->2 dual"}, {2, "Filter FM"}};
    std::vector<MenuRow> category;
    std::vector<MenuRow> categoryFilter;
    std::vector<MenuRow> arpPattern;
    std::vector<MenuRow> waves;
    std::vector<MenuRow> none;

    Vocabularies()
    {
        for (auto& row : filter)
            if (row.text == "-")
                row.code = kSeparatorRow;
        categoryFilter.push_back({0, "Show All"});
        for (int32_t code = 0; code < kCategoryCount; ++code) {
            category.push_back({code, kCategoryMenuLabels[code]});
            if (code > 0)
                categoryFilter.push_back({code, kCategoryNames[code]});
        }
        for (int32_t row = 0; row < kArpPatternCount; ++row)
            arpPattern.push_back({row, kArpPatternNames[row]});
        for (int32_t wave = 0; wave < vesk::kWaveCount; ++wave) {
            char text[48];
            snprintf(text, sizeof(text), "%02d %s", wave + 1, vesk::waveNames[wave]);
            waves.push_back({wave, text});
        }
    }
};

const Vocabularies& vocabularies()
{
    static const Vocabularies built;
    return built;
}

} // namespace

const std::vector<MenuRow>& menuRowsFor(int32_t tag)
{
    const Vocabularies& v = vocabularies();
    if (tag >= 128 && tag <= 159)
        return v.source;
    if (tag >= 192 && tag <= 223)
        return v.destination;
    if (tag >= 224 && tag <= 255)
        return v.voices;
    switch (tag) {
    case 111: return v.fmMode;
    case 114: return v.arpSync;
    case 125: return v.arpMode;
    case 126: return v.filter;
    case 322: return v.category;
    case 329: case 330: return v.waves;
    case 351: return v.categoryFilter;
    case 354: return v.arpPattern;
    default: return v.none;
    }
}

int32_t rowOfCode(const std::vector<MenuRow>& rows, int32_t code)
{
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row].code == code)
            return int32_t(row);
    return -1;
}
