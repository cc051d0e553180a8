// Where every control of the editor sits, in unscaled panel pixels, and the
// captions and section boxes the skin generator paints around them. The
// editor and the skin generator read the same table, so a label can never
// drift away from its knob.
#pragma once

#include <cstdint>

namespace EditorLayout {

constexpr int32_t kPanelWidth = 1000;
constexpr int32_t kPanelHeight = 630;
constexpr int32_t kNumTags = 357;

// The panel shows the common strips (top bar, keyboard and wheels) and one of
// two panes: the sound pane or the pages pane, whose area shows one of four
// pages.
enum Place : int32_t {
    kCommon,
    kSoundPane,
    kArpPage,
    kMatrixPage,
    kFxPage,
    kPatchPage,
    kNoPlace, // parameters without a control
};
constexpr int32_t kFirstPage = kArpPage;
constexpr int32_t kNumPages = 4;

// Where a control's caption goes.
enum LabelPosition : int32_t { kNoLabel, kBelow, kAbove, kLeft };

struct Rect {
    int32_t x, y, width, height;
};

struct Entry {
    Rect rect;
    Place place;
    const char* label;
    LabelPosition labelPosition;
};

struct Section {
    Rect rect;
    Place place;
    const char* title;
};

const Entry& entry(int32_t tag);
int32_t sectionCount();
const Section& section(int32_t index);

// The page and pane areas.
constexpr Rect kPaneArea{0, 42, kPanelWidth, 454};
constexpr Rect kKeyboardArea{146, 501, 665, 120};
// The arpeggiator's step marker display: 8 markers per row, 15 pixels apart,
// rows 80 pixels apart.
constexpr Rect kStepDisplay{20, 130, 124, 300};
constexpr int32_t kStepMarkerSpacing = 15;
constexpr int32_t kStepRowSpacing = 80;
constexpr int32_t kStepsPerRow = 8;

} // namespace EditorLayout
