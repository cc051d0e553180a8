// Paints the editor's skin with cairo: panel backgrounds with their sections
// and captions (from the editor's layout table), knob and wheel filmstrips,
// buttons, switches and the keyboard, each at 1x, 1.5x and 2x. Writes the
// PNG files and an assembler file that puts them into the module.
#include "EditorLayout.h"
#include "ParamTable.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using EditorLayout::Place;
using EditorLayout::Rect;

struct Rgb {
    double r, g, b;
};
constexpr Rgb kPanel{0.157, 0.165, 0.180};
constexpr Rgb kSection{0.212, 0.224, 0.243};
constexpr Rgb kSectionEdge{0.290, 0.302, 0.322};
constexpr Rgb kAccent{0.941, 0.549, 0.157};
constexpr Rgb kLabel{0.800, 0.812, 0.831};
constexpr Rgb kInset{0.086, 0.094, 0.106};
constexpr Rgb kKnobBody{0.230, 0.240, 0.260};
constexpr Rgb kLedOff{0.260, 0.200, 0.150};

void colour(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void roundRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

enum class Align { kLeft, kCentre, kRight };

void text(cairo_t* cr, const std::string& s, double x, double y, double w, double h, double size, Rgb c,
          Align align = Align::kCentre, bool bold = false)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_font_extents_t f;
    cairo_font_extents(cr, &f);
    double tx = x + (w - e.x_advance) / 2;
    if (align == Align::kLeft)
        tx = x + 2;
    else if (align == Align::kRight)
        tx = x + w - 2 - e.x_advance;
    colour(cr, c);
    cairo_move_to(cr, tx, y + (h + f.ascent - f.descent) / 2);
    cairo_show_text(cr, s.c_str());
}

// One image at every scale; `paint` draws in unscaled panel units.
struct Image {
    std::string name;
    int width;
    int height;
    std::function<void(cairo_t*)> paint;
};

int kindOf(int tag) { return kParamDescriptors[tag].controlKind; }

bool isMenuKind(int kind)
{
    switch (kind) {
    case 6: case 17: case 18: case 20: case 21: case 30: case 42: case 43: case 44: case 46: case 47: case 49:
    case 50:
        return true;
    default:
        return false;
    }
}

bool isTextKnobKind(int kind) { return kind == 19 || (kind >= 23 && kind <= 29 && kind != 27) || (kind >= 39 && kind <= 41); }

void drawSections(cairo_t* cr, Place place)
{
    for (int i = 0; i < EditorLayout::sectionCount(); ++i) {
        const auto& s = EditorLayout::section(i);
        if (s.place != place)
            continue;
        const Rect& r = s.rect;
        roundRect(cr, r.x + 0.5, r.y + 0.5, r.width - 1, r.height - 1, 6);
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, r.y, 0, r.y + r.height);
        cairo_pattern_add_color_stop_rgb(fill, 0, kSection.r + 0.02, kSection.g + 0.02, kSection.b + 0.02);
        cairo_pattern_add_color_stop_rgb(fill, 1, kSection.r - 0.02, kSection.g - 0.02, kSection.b - 0.02);
        cairo_set_source(cr, fill);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(fill);
        colour(cr, kSectionEdge);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        colour(cr, kAccent);
        cairo_rectangle(cr, r.x + 8, r.y + 16, 24, 2);
        cairo_fill(cr);
        text(cr, s.title, r.x + 8, r.y + 2, r.width - 16, 14, 10.5, kAccent, Align::kLeft, true);
    }
}

// Captions, the insets under menus and text fields, and the few marks that
// belong to the panel rather than to a control.
void drawControlsDressing(cairo_t* cr, Place place)
{
    for (int tag = 0; tag < EditorLayout::kNumTags; ++tag) {
        const auto& e = EditorLayout::entry(tag);
        if (e.place != place)
            continue;
        const Rect& r = e.rect;
        const int kind = kindOf(tag);
        if (isMenuKind(kind) || isTextKnobKind(kind) || kind == 34) {
            roundRect(cr, r.x - 0.5, r.y - 0.5, r.width + 1, r.height + 1, 3);
            colour(cr, kInset);
            cairo_fill_preserve(cr);
            colour(cr, {0.05, 0.05, 0.06});
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
        if (kind == 10) {
            // The envelope views carry a little ADSR outline.
            colour(cr, kAccent, 0.7);
            cairo_set_line_width(cr, 1.5);
            cairo_move_to(cr, r.x + 2, r.y + r.height - 2);
            cairo_line_to(cr, r.x + 12, r.y + 3);
            cairo_line_to(cr, r.x + 24, r.y + 12);
            cairo_line_to(cr, r.x + 40, r.y + 12);
            cairo_line_to(cr, r.x + r.width - 2, r.y + r.height - 2);
            cairo_stroke(cr);
        }
        switch (e.labelPosition) {
        case EditorLayout::kBelow:
            text(cr, e.label, r.x - 14, r.y + r.height + 1, r.width + 28, 12, 8.5, kLabel);
            break;
        case EditorLayout::kAbove:
            text(cr, e.label, r.x - 14, r.y - 13, r.width + 28, 12, 8.5, kLabel, Align::kCentre);
            break;
        case EditorLayout::kLeft:
            text(cr, e.label, r.x - 130, r.y, 126, r.height, 8.5, kLabel, Align::kRight);
            break;
        default:
            break;
        }
    }
}

void drawKeyboard(cairo_t* cr, const Rect& k)
{
    // 35 white keys of 19 pixels, black keys 10 wide and 68 deep.
    for (int i = 0; i < 35; ++i) {
        const double x = k.x + 19 * i;
        cairo_pattern_t* p = cairo_pattern_create_linear(0, k.y, 0, k.y + k.height);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.86, 0.86, 0.84);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.98, 0.98, 0.96);
        cairo_set_source(cr, p);
        roundRect(cr, x + 0.5, k.y, 18, k.height - 0.5, 2);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    static const int kBlackPositions[] = {0, 1, 3, 4, 5};
    for (int octave = 0; octave < 5; ++octave)
        for (int position : kBlackPositions) {
            const double x = k.x + 133 * octave + 13 + 19 * position;
            cairo_pattern_t* p = cairo_pattern_create_linear(0, k.y, 0, k.y + 68);
            cairo_pattern_add_color_stop_rgb(p, 0, 0.08, 0.08, 0.09);
            cairo_pattern_add_color_stop_rgb(p, 1, 0.22, 0.22, 0.24);
            cairo_set_source(cr, p);
            roundRect(cr, x, k.y - 1, 10, 69, 1.5);
            cairo_fill(cr);
            cairo_pattern_destroy(p);
        }
    for (int octave = 0; octave < 5; ++octave)
        text(cr, "C" + std::to_string(octave + 1), k.x + 133 * octave, k.y + k.height - 14, 19, 12, 7.5,
             {0.45, 0.45, 0.45});
}

void drawLogo(cairo_t* cr)
{
    const auto& r = EditorLayout::entry(350).rect;
    text(cr, "VESK", r.x, r.y, r.width, r.height - 6, 22, kAccent, Align::kLeft, true);
    text(cr, "TOVIMAR SONIC", r.x, r.y + 20, r.width, 10, 6.5, kLabel, Align::kLeft);
}

void drawPanelBase(cairo_t* cr)
{
    colour(cr, kPanel);
    cairo_paint(cr);
    // Top bar and bottom strip are a shade darker than the panes.
    colour(cr, {0.110, 0.118, 0.129});
    cairo_rectangle(cr, 0, 0, EditorLayout::kPanelWidth, 42);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 496, EditorLayout::kPanelWidth, EditorLayout::kPanelHeight - 496);
    cairo_fill(cr);
    colour(cr, kAccent);
    cairo_rectangle(cr, 0, 41, EditorLayout::kPanelWidth, 1);
    cairo_fill(cr);
    drawLogo(cr);
    drawControlsDressing(cr, EditorLayout::kCommon);
    drawKeyboard(cr, EditorLayout::kKeyboardArea);
}

void drawEnvelopeRows(cairo_t* cr)
{
    static const struct {
        int firstTag;
        const char* name;
    } kRows[] = {{18, "AMP"}, {22, "FILTER"}, {57, "MOD"}};
    for (const auto& row : kRows) {
        const Rect& r = EditorLayout::entry(row.firstTag).rect;
        text(cr, row.name, 18, r.y, 52, r.height, 10, kLabel, Align::kLeft, true);
    }
}

void drawArpExtras(cairo_t* cr)
{
    const Rect& d = EditorLayout::kStepDisplay;
    for (int row = 0; row < 4; ++row) {
        const double y = d.y + row * EditorLayout::kStepRowSpacing;
        text(cr, "STEPS " + std::to_string(row * 8 + 1) + "-" + std::to_string(row * 8 + 8), d.x, y + 14, 120, 12, 8,
             kLabel, Align::kLeft);
        for (int i = 0; i < 8; ++i) {
            colour(cr, kLedOff);
            cairo_arc(cr, d.x + 6 + i * EditorLayout::kStepMarkerSpacing, y + 6, 4, 0, 2 * M_PI);
            cairo_fill(cr);
        }
        text(cr, "NOTE", d.x, y + 28, 120, 12, 7.5, {0.55, 0.57, 0.6}, Align::kLeft);
        text(cr, "VELOCITY / KEY", d.x, y + 50, 128, 12, 7.5, {0.55, 0.57, 0.6}, Align::kLeft);
    }
}

void drawMatrixHeaders(cairo_t* cr)
{
    for (int half = 0; half < 2; ++half) {
        const double x0 = half == 0 ? 8 : 502;
        text(cr, "SOURCE", x0 + 30, 52, 96, 12, 8.5, kAccent, Align::kLeft, true);
        text(cr, "AMOUNT", x0 + 130, 52, 92, 12, 8.5, kAccent, Align::kLeft, true);
        text(cr, "DESTINATION", x0 + 226, 52, 150, 12, 8.5, kAccent, Align::kLeft, true);
        text(cr, "VOICES", x0 + 380, 52, 100, 12, 8.5, kAccent, Align::kLeft, true);
        for (int row = 0; row < 16; ++row) {
            const int slot = half * 16 + row + 1;
            text(cr, std::to_string(slot), x0 + 4, 70 + row * 24, 24, 18, 9, slot > 24 ? Rgb{0.4, 0.4, 0.42} : kLabel,
                 Align::kRight);
        }
    }
}

void drawPage(cairo_t* cr, Place page)
{
    colour(cr, kPanel);
    cairo_rectangle(cr, 0, 42, EditorLayout::kPanelWidth, 454);
    cairo_fill(cr);
    if (page == EditorLayout::kMatrixPage) {
        roundRect(cr, 8.5, 46.5, 983, 445, 6);
        colour(cr, kSection);
        cairo_fill(cr);
        drawMatrixHeaders(cr);
    }
    if (page == EditorLayout::kFxPage)
        text(cr, "EFFECT ORDER  (drag a tile onto another to move it, Shift swaps)", 22, 46, 800, 14, 8.5, kLabel,
             Align::kLeft);
    if (page == EditorLayout::kPatchPage) {
        roundRect(cr, 8.5, 46.5, 983, 445, 6);
        colour(cr, kSection);
        cairo_fill(cr);
        text(cr, "PATCH", 16, 48, 200, 14, 10.5, kAccent, Align::kLeft, true);
    }
    drawSections(cr, page);
    if (page == EditorLayout::kArpPage)
        drawArpExtras(cr);
    drawControlsDressing(cr, page);
}

// Knob frames: a dark cap with a value arc and a pointer.
void drawKnob(cairo_t* cr, double size, double value, bool bipolar)
{
    const double c = size / 2;
    const double radius = size / 2 - 3;
    const double start = 0.75 * M_PI;
    const double sweep = 1.5 * M_PI;
    cairo_set_line_width(cr, 2.5);
    colour(cr, kInset);
    cairo_arc(cr, c, c, radius + 1, start, start + sweep);
    cairo_stroke(cr);
    const double from = bipolar ? start + sweep / 2 : start;
    const double to = start + sweep * value;
    colour(cr, kAccent);
    if (std::fabs(to - from) > 1e-3) {
        if (to > from)
            cairo_arc(cr, c, c, radius + 1, from, to);
        else
            cairo_arc_negative(cr, c, c, radius + 1, from, to);
        cairo_stroke(cr);
    }
    cairo_pattern_t* body = cairo_pattern_create_radial(c - radius / 3, c - radius / 3, 1, c, c, radius);
    cairo_pattern_add_color_stop_rgb(body, 0, 0.42, 0.43, 0.46);
    cairo_pattern_add_color_stop_rgb(body, 1, kKnobBody.r, kKnobBody.g, kKnobBody.b);
    cairo_set_source(cr, body);
    cairo_arc(cr, c, c, radius - 3, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    colour(cr, {0.95, 0.95, 0.95});
    cairo_move_to(cr, c + std::cos(to) * (radius - 9) * 0.3, c + std::sin(to) * (radius - 9) * 0.3);
    cairo_line_to(cr, c + std::cos(to) * (radius - 4), c + std::sin(to) * (radius - 4));
    cairo_stroke(cr);
}

void drawLed(cairo_t* cr, double x, double y, double w, double h, bool on)
{
    roundRect(cr, x, y, w, h, 2.5);
    if (on) {
        cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
        cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.72, 0.35);
        cairo_pattern_add_color_stop_rgb(p, 1, kAccent.r, kAccent.g - 0.1, kAccent.b);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    } else {
        colour(cr, kLedOff);
        cairo_fill(cr);
    }
}

// A button face with an optional caption, pressed or not.
void drawButton(cairo_t* cr, double w, double h, bool on, const std::string& caption)
{
    roundRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
    colour(cr, on ? Rgb{0.30, 0.31, 0.33} : Rgb{0.24, 0.25, 0.27});
    cairo_fill_preserve(cr);
    colour(cr, {0.08, 0.08, 0.09});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (caption.empty())
        drawLed(cr, 4, h / 2 - 2, w - 8, 4, on);
    else
        text(cr, caption, 0, 0, w, h, 9, on ? kAccent : kLabel, Align::kCentre, true);
}

void drawSwitch(cairo_t* cr, const std::vector<std::string>& names, int lit)
{
    for (size_t i = 0; i < names.size(); ++i) {
        const double y = 12.0 * double(i);
        colour(cr, int(i) == lit ? kAccent : kLedOff);
        cairo_arc(cr, 6, y + 6, 3.5, 0, 2 * M_PI);
        cairo_fill(cr);
        text(cr, names[i], 13, y, 47, 12, 8.5, int(i) == lit ? Rgb{1, 1, 1} : kLabel, Align::kLeft);
    }
}

void drawSegments(cairo_t* cr, const std::vector<std::pair<double, std::string>>& segments, double w, double h,
                  int lit)
{
    for (size_t i = 0; i < segments.size(); ++i) {
        const double x = segments[i].first;
        const double right = i + 1 < segments.size() ? segments[i + 1].first : w;
        roundRect(cr, x + 0.5, 0.5, right - x - 1, h - 1, 3);
        colour(cr, int(i) == lit ? kAccent : Rgb{0.24, 0.25, 0.27});
        cairo_fill(cr);
        text(cr, segments[i].second, x, 0, right - x, h, 9, int(i) == lit ? Rgb{0.1, 0.1, 0.1} : kLabel,
             Align::kCentre, true);
    }
}

void drawWheel(cairo_t* cr, double w, double h, double position)
{
    roundRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    colour(cr, {0.06, 0.06, 0.07});
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(3, 0, w - 3, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.16, 0.16, 0.17);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.36, 0.37, 0.39);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.16, 0.16, 0.17);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, 3, 3, w - 6, h - 6);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    colour(cr, {0.1, 0.1, 0.11});
    cairo_set_line_width(cr, 1);
    for (double y = std::fmod(position * 40, 8) + 3; y < h - 3; y += 8) {
        cairo_move_to(cr, 4, y + 0.5);
        cairo_line_to(cr, w - 4, y + 0.5);
        cairo_stroke(cr);
    }
    const double mark = 3 + (h - 12) * (1 - position);
    colour(cr, kAccent);
    cairo_rectangle(cr, 3, mark, w - 6, 6);
    cairo_fill(cr);
}

template <typename Draw>
Image strip(const std::string& name, int w, int h, int frames, Draw draw)
{
    return {name, w, h * frames, [=](cairo_t* cr) {
                for (int f = 0; f < frames; ++f) {
                    cairo_save(cr);
                    cairo_translate(cr, 0, double(h) * f);
                    cairo_rectangle(cr, 0, 0, w, h);
                    cairo_clip(cr);
                    draw(cr, f);
                    cairo_restore(cr);
                }
            }};
}

Image pageImage(const std::string& name, int tag, Place page)
{
    const Rect r = EditorLayout::entry(tag).rect;
    return {name, r.width, r.height, [=](cairo_t* cr) {
                cairo_translate(cr, -r.x, -r.y);
                drawPage(cr, page);
            }};
}

std::vector<Image> skinImages()
{
    std::vector<Image> images;
    images.push_back({"background_sound", EditorLayout::kPanelWidth, EditorLayout::kPanelHeight, [](cairo_t* cr) {
                          drawPanelBase(cr);
                          drawSections(cr, EditorLayout::kSoundPane);
                          drawControlsDressing(cr, EditorLayout::kSoundPane);
                          drawEnvelopeRows(cr);
                      }});
    images.push_back({"background_pages", EditorLayout::kPanelWidth, EditorLayout::kPanelHeight, [](cairo_t* cr) {
                          drawPanelBase(cr);
                          drawPage(cr, EditorLayout::kArpPage);
                      }});
    images.push_back(pageImage("page_matrix_left", 122, EditorLayout::kMatrixPage));
    images.push_back(pageImage("page_matrix_right", 124, EditorLayout::kMatrixPage));
    images.push_back(pageImage("page_fx", 112, EditorLayout::kFxPage));
    images.push_back(pageImage("page_patch", 123, EditorLayout::kPatchPage));
    constexpr int kKnobFrames = 61;
    images.push_back(strip("knob_large", 44, 44, kKnobFrames,
                           [](cairo_t* cr, int f) { drawKnob(cr, 44, f / double(kKnobFrames - 1), false); }));
    images.push_back(strip("knob_small", 32, 32, kKnobFrames,
                           [](cairo_t* cr, int f) { drawKnob(cr, 32, f / double(kKnobFrames - 1), false); }));
    images.push_back(strip("knob_bipolar", 32, 32, kKnobFrames,
                           [](cairo_t* cr, int f) { drawKnob(cr, 32, f / double(kKnobFrames - 1), true); }));
    // LED buttons in each size the layout uses.
    for (auto [w, h] : {std::pair{40, 16}, std::pair{20, 14}, std::pair{44, 16}, std::pair{34, 16}})
        images.push_back(strip("button_" + std::to_string(w) + "x" + std::to_string(h), w, h, 2,
                               [w = w, h = h](cairo_t* cr, int f) { drawButton(cr, w, h, f == 1, ""); }));
    images.push_back(strip("button_sound", 78, 20, 2, [](cairo_t* cr, int f) { drawButton(cr, 78, 20, f, "SOUND"); }));
    images.push_back(strip("button_pages", 78, 20, 2, [](cairo_t* cr, int f) { drawButton(cr, 78, 20, f, "PAGES"); }));
    images.push_back(strip("button_sort", 90, 18, 2, [](cairo_t* cr, int f) { drawButton(cr, 90, 18, f, "SORT"); }));
    images.push_back(strip("kick_left", 18, 18, 2,
                           [](cairo_t* cr, int f) { drawButton(cr, 18, 18, f, "\xE2\x97\x80"); }));
    images.push_back(strip("kick_right", 18, 18, 2,
                           [](cairo_t* cr, int f) { drawButton(cr, 18, 18, f, "\xE2\x96\xB6"); }));
    images.push_back(strip("rocker", 36, 16, 3, [](cairo_t* cr, int f) {
        cairo_save(cr);
        drawButton(cr, 18, 16, f == 1, "\xE2\x97\x80");
        cairo_translate(cr, 18, 0);
        drawButton(cr, 18, 16, f == 2, "\xE2\x96\xB6");
        cairo_restore(cr);
    }));
    images.push_back(strip("switch_osc", 60, 48, 4,
                           [](cairo_t* cr, int f) { drawSwitch(cr, {"Saw", "Pulse", "Sine", "Wavetbl"}, f); }));
    images.push_back(strip("switch_lfo", 60, 48, 4,
                           [](cairo_t* cr, int f) { drawSwitch(cr, {"Saw", "Pulse", "Sine", "S+H"}, f); }));
    images.push_back(strip("switch_sub", 60, 36, 3,
                           [](cairo_t* cr, int f) { drawSwitch(cr, {"Saw", "Pulse", "Triangle"}, f); }));
    images.push_back(strip("switch_bank", 72, 18, 3, [](cairo_t* cr, int f) {
        drawSegments(cr, {{0, "A"}, {24, "B"}, {48, "C"}}, 72, 18, f);
    }));
    images.push_back(strip("switch_page", 350, 18, 4, [](cairo_t* cr, int f) {
        drawSegments(cr, {{0, "ARP"}, {40, "MATRIX"}, {138, "EFFECTS"}, {248, "PATCH"}}, 350, 18, f);
    }));
    constexpr int kWheelFrames = 33;
    images.push_back(strip("wheel", 24, 100, kWheelFrames,
                           [](cairo_t* cr, int f) { drawWheel(cr, 24, 100, f / double(kWheelFrames - 1)); }));
    images.push_back(strip("fx_tile", 150, 24, 2, [](cairo_t* cr, int f) {
        roundRect(cr, 1, 1, 148, 22, 4);
        colour(cr, f ? Rgb{0.32, 0.24, 0.16} : Rgb{0.26, 0.27, 0.29});
        cairo_fill_preserve(cr);
        colour(cr, kAccent, 0.8);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }));
    return images;
}

bool writePng(const Image& image, double scale, const std::string& path)
{
    const int w = int(std::lround(image.width * scale));
    const int h = int(std::lround(image.height * scale));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    image.paint(cr);
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <png folder> <SkinImages.cpp> <SkinData.S>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    static const struct {
        double factor;
        const char* suffix;
    } kScales[] = {{1.0, "1x"}, {1.5, "1.5x"}, {2.0, "2x"}};
    std::ofstream table(argv[2]);
    std::ofstream assembly(argv[3]);
    table << "// Generated by vesk_gen_skin.\n#include \"SkinImages.h\"\n\n";
    // The .S file goes through the preprocessor: ELF and PE objects name
    // their read-only section differently, only ELF knows hidden symbols and
    // the stack note, and 32-bit Windows prefixes C names with an underscore.
    assembly << "#define CONCAT2(a, b) a##b\n#define CONCAT(a, b) CONCAT2(a, b)\n"
                "#define SYMBOL(name) CONCAT(__USER_LABEL_PREFIX__, name)\n"
                "#if defined(_WIN32)\n    .section .rdata,\"dr\"\n#define HIDE(name)\n"
                "#else\n    .section .rodata\n#define HIDE(name) .hidden name\n#endif\n";
    std::string rows;
    int count = 0;
    for (const Image& image : skinImages())
        for (const auto& scale : kScales) {
            const std::string path = folder + "/" + image.name + "@" + scale.suffix + ".png";
            if (!writePng(image, scale.factor, path)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            const std::string symbol = "veskSkin" + std::to_string(count++);
            const std::string begin = "SYMBOL(" + symbol + ")", end = "SYMBOL(" + symbol + "End)";
            assembly << "    .global " << begin << "\n    HIDE(" << begin << ")\n    .global " << end << "\n    HIDE("
                     << end << ")\n    .balign 16\n"
                     << begin << ":\n    .incbin \"" << path << "\"\n" << end << ":\n";
            table << "extern \"C\" const uint8_t " << symbol << "[];\nextern \"C\" const uint8_t " << symbol
                  << "End[];\n";
            rows += "    {\"" + image.name + "\", " + std::to_string(scale.factor) + ", " + symbol + ", " + symbol +
                    "End},\n";
        }
    assembly << "#if !defined(_WIN32)\n    .section .note.GNU-stack,\"\",@progbits\n#endif\n";
    table << "\nconst SkinImage kSkinImages[] = {\n" << rows << "};\nconst int kSkinImageCount = " << count << ";\n";
    table.close();
    assembly.close();
    return table && assembly ? 0 : 1;
}
