#include "ADEditor.h"

#include "Conversions.h"
#include "EditorLayout.h"
#include "EditorVocabulary.h"
#include "ModulationVocabulary.h"
#include "ParamTable.h"
#include "VstSynth.h"
#include "PlatformFrame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace VSTGUI;

namespace {

constexpr int32_t kWaveCount = 70;
constexpr int32_t kArpModeDuophonic = 6;
constexpr int32_t kArpModeDynamic = 5;

enum MenuTag : int32_t {
    kQuickMenuFirst = 1000,
    kQuickMenuLast = 1007,
    kPathField = 1100,
};

int32_t kindOf(int32_t tag) { return kParamDescriptors[tag].controlKind; }

CRect rectOf(int32_t tag)
{
    const auto& r = EditorLayout::entry(tag).rect;
    return CRect::make(r.x, r.y, r.width, r.height);
}

// Plain codes are stored as floats; a small bias keeps 2.9999999 from
// reading as 2.
int32_t codeOf(float value) { return int32_t(std::floor(value + 0.0001f)); }

bool isCodeMenu(int32_t tag)
{
    return tag == 111 || tag == 114 || tag == 125 || tag == 126 || tag == 322 || (tag >= 128 && tag <= 159) ||
           (tag >= 224 && tag <= 255);
}

std::string noteName(int32_t n)
{
    static const char* const kNames[] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    char text[16];
    snprintf(text, sizeof(text), "%s%d", kNames[(n - 1) % 12], (n - 1) / 12 + 1);
    return text;
}

std::string stepText(float v, bool asNote)
{
    const int32_t n = std::clamp(int32_t(128 * v), 0, 128);
    if (n == 0)
        return "---";
    if (n == 128)
        return "Tie";
    if (asNote)
        return noteName(n);
    char text[16];
    snprintf(text, sizeof(text), "%+d", n - 1);
    return text;
}

// Arp Rate note values with Arp Sync on.
const char* const kArpRateNames[] = {"1/2*",  "1/2",   "1/2T",  "1/4*",  "1/4",    "1/4T",  "1/8*",
                                     "1/8",   "1/8T",  "1/16*", "1/16",  "1/16T",  "1/32*", "1/32",
                                     "1/32T", "1/64*", "1/64",  "1/64T", "1/128*", "1/128", "1/128T"};

std::string rememberedScalePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config && *config)
        return std::string(config) + "/vesk-editor-scale";
    return home && *home ? std::string(home) + "/.config/vesk-editor-scale" : std::string();
}

double rememberedScale()
{
    double factor = 0;
    const std::string path = rememberedScalePath();
    if (FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "r")) {
        if (std::fscanf(file, "%lf", &factor) != 1)
            factor = 0;
        std::fclose(file);
    }
    return factor;
}

void rememberScale(double factor)
{
    const std::string path = rememberedScalePath();
    if (FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "w")) {
        std::fprintf(file, "%g\n", factor);
        std::fclose(file);
    }
}

// The host's word is taken when it gives one (setContentScale); otherwise
// GDK_SCALE, then the desktop's Xft.dpi, then what the editor used last.
double detectScale()
{
    if (const char* gdk = std::getenv("GDK_SCALE")) {
        const double factor = std::atof(gdk);
        if (factor >= 1 && factor <= 4)
            return factor;
    }
    const double desktop = displayScale();
    if (desktop > 0)
        return desktop;
    const double remembered = rememberedScale();
    return remembered >= 1 && remembered <= 4 ? remembered : 1.0;
}

} // namespace

std::unique_ptr<SynthEditor> createSynthEditor(VstSynth& synth) { return std::make_unique<ADEditor>(synth); }

ADEditor::ADEditor(VstSynth& plugin) : PluginGUIEditor(&plugin), synth(plugin)
{
    setPanelSize(EditorLayout::kPanelWidth, EditorLayout::kPanelHeight);
}

void ADEditor::chooseScale()
{
    // Looked up only when a host asks for the editor: a plug-in used without
    // one never touches the display.
    if (scaleChosen)
        return;
    scaleChosen = true;
    setScale(detectScale());
}

bool ADEditor::getRect(ERect** rect)
{
    chooseScale();
    return PluginGUIEditor::getRect(rect);
}

ADEditor::~ADEditor() { close(); }

void ADEditor::setContentScale(float factor)
{
    if (isOpen() || !std::isfinite(factor) || factor <= 0)
        return;
    setScale(factor);
    scaleChosen = true;
}

bool ADEditor::open(void* parentWindow)
{
    if (isOpen())
        close();
    chooseScale();
    rememberScale(getScale());
    timer = std::make_unique<CVSTGUITimer>([this] { timerTick(); }, 40);
    timer->start();
    skin = std::make_unique<Skin>(getScale());
    if (!createFrame(parentWindow)) {
        timer.reset();
        skin.reset();
        return false;
    }
    for (auto& flag : pending)
        flag.store(false, std::memory_order_relaxed);
    programPending.store(false);
    anyPending.store(false);
    buildControls();
    opened.store(true, std::memory_order_release);
    return true;
}

void ADEditor::close()
{
    opened.store(false, std::memory_order_release);
    fileDialog.cancel();
    timer.reset();
    destroyFrame();
    forgetControls();
    skin.reset();
}

void ADEditor::forgetControls()
{
    controls.fill(nullptr);
    for (auto& views : pagedViews)
        views.clear();
    presetMenu = nullptr;
    stepDisplay = nullptr;
    valueDisplay = nullptr;
    pathField = nullptr;
    pathFieldDone = false;
}

bool ADEditor::isBuiltOnPane(int32_t place) const
{
    if (place == EditorLayout::kCommon)
        return true;
    if (place == EditorLayout::kSoundPane)
        return pane == kSoundPane;
    return place >= EditorLayout::kFirstPage && place < EditorLayout::kFirstPage + EditorLayout::kNumPages &&
           pane == kPagesPane;
}

void ADEditor::buildControls()
{
    CFrame* frame = getFrame();
    frame->setBackground(skin->get(pane == kSoundPane ? "background_sound" : "background_pages"));
    valueDisplay = new CMyParamDisplay({10, 10, 100, 20});
    // Page panels first, so the page's controls lie on top of them.
    static const char* const kPanels[][2] = {{"112", "page_fx"}, {"122", "page_matrix_left"},
                                             {"123", "page_patch"}, {"124", "page_matrix_right"}};
    for (const auto& panel : kPanels) {
        const int32_t tag = std::atoi(panel[0]);
        const auto& entry = EditorLayout::entry(tag);
        if (!isBuiltOnPane(entry.place))
            continue;
        auto* view = new CBackgroundAddOn(rectOf(tag), skin->get(panel[1]));
        frame->addView(view);
        pagedViews[entry.place - EditorLayout::kFirstPage].push_back(view);
    }
    for (int32_t tag = 0; tag < kNumTags; ++tag) {
        const auto& entry = EditorLayout::entry(tag);
        if (entry.place == EditorLayout::kNoPlace || !isBuiltOnPane(entry.place) || kindOf(tag) == 33)
            continue;
        CControl* control = createControl(tag, rectOf(tag));
        if (!control)
            continue;
        controls[size_t(tag)] = control;
        showValue(tag, initialValue(tag));
        frame->addView(control);
        if (entry.place >= EditorLayout::kFirstPage)
            pagedViews[entry.place - EditorLayout::kFirstPage].push_back(control);
    }
    if (pane == kPagesPane) {
        const auto& area = EditorLayout::kStepDisplay;
        stepDisplay = new CArpStepDisplay(CRect::make(area.x, area.y, area.width, area.height));
        frame->addView(stepDisplay);
        pagedViews[0].push_back(stepDisplay);
    }
    showValue(4, synth.getParameter(4));
    showValue(9, synth.getParameter(9));
    if (auto* description = dynamic_cast<CParamDisplay*>(controls[344]))
        description->setText(synth.getProgramDescription());
    rebuildPresetMenu();
    showPage(page);
    frame->addView(valueDisplay);
}

CControl* ADEditor::createKnob(int32_t tag, int32_t kind, const CRect& rect)
{
    auto text = [this](int32_t t, float v) { return knobText(t, v); };
    auto tovimarKnob = [&](const char* strip) {
        return new CTovimarKnob(rect, this, tag, skin->get(strip), valueDisplay, text, &showValuePopups, learnMenu);
    };
    switch (kind) {
    case 0:
        return tovimarKnob("knob_large");
    case 12:
        return tovimarKnob("knob_small");
    case 36:
        return tovimarKnob("knob_bipolar");
    default:
        return new CMyKnob(rect, this, tag, [this, tag](float v) { return myKnobText(tag, v); }, learnMenu);
    }
}

CControl* ADEditor::createMenu(int32_t tag, int32_t kind, const CRect& rect)
{
    COptionMenu* menu = nullptr;
    if (kind == 20) {
        auto* destination = new CDestinationMenu(rect, this, tag, quickMenuTarget);
        destination->addEntry("---");
        for (int32_t k = 0; k < kQuickDestinationMenus; ++k) {
            auto group = std::make_unique<COptionMenu>(CRect{}, this, kQuickMenuFirst + k);
            const int32_t end = k + 1 < kQuickDestinationMenus ? kQuickDestinationOffsets[k + 1]
                                                               : kModDestinationMenuEntries;
            for (int32_t index = kQuickDestinationOffsets[k]; index < end; ++index)
                group->addEntry(kModDestinationMenu[index].text);
            destination->addSubMenu(kQuickDestinationTitles[k], std::move(group));
        }
        return destination;
    }
    if (kind == 50) {
        const bool patch = tag == 355;
        menu = new CMyOptionMenu(rect, this, tag, patch ? "PATCH" : "BANK");
        menu->addTitle(patch ? "Patch file" : "Bank file");
        menu->addEntry(patch ? "-GLoad Patch..." : "-GLoad Bank...");
        menu->addEntry(patch ? "Save Patch..." : "Save Bank...");
        return menu;
    }
    menu = kind == 17 ? new CWaveformSelector(rect, this, tag) : new COptionMenu(rect, this, tag);
    for (const MenuRow& row : menuRowsFor(tag))
        menu->addEntry(row.text);
    return menu;
}

CControl* ADEditor::createControl(int32_t tag, const CRect& rect)
{
    const int32_t kind = kindOf(tag);
    const std::string size = std::to_string(int(rect.getWidth())) + "x" + std::to_string(int(rect.getHeight()));
    switch (kind) {
    case 0: case 12: case 36: case 19: case 23: case 24: case 25: case 26: case 28: case 29: case 39: case 40:
    case 41:
        return createKnob(tag, kind, rect);
    case 1: case 35: case 37:
        return new CMyOnOffButton(rect, this, tag, skin->get("button_" + size), learnMenu);
    case 45:
        return new COnOffButton(rect, this, tag, skin->get("button_sort"));
    case 3:
        return new CMyVerticalSwitch(rect, this, tag, 4, skin->get(tag == 0 || tag == 5 ? "switch_osc" : "switch_lfo"),
                                     learnMenu);
    case 13:
        return new CMyVerticalSwitch(rect, this, tag, 3, skin->get("switch_sub"), learnMenu);
    case 6: {
        presetMenu = new COptionMenu(rect, this, tag);
        return presetMenu;
    }
    case 10:
        return new CADSREnvelope(rect, this, tag);
    case 11:
        return new CUrlButton(rect, this, tag);
    case 15:
        return new CKeyboardWheel(rect, this, tag, skin->get("wheel"), tag == 346);
    case 16:
        if (tag == 332 || tag == 349)
            return new CKickButton(rect, this, tag, skin->get(tag == 332 ? "kick_left" : "kick_right"));
        return new CRockerSwitch(rect, this, tag, skin->get("rocker"));
    case 17: case 18: case 20: case 21: case 30: case 42: case 43: case 44: case 46: case 47: case 49: case 50:
        return createMenu(tag, kind, rect);
    case 22:
        return new CKickButton(rect, this, tag, skin->get(tag == 337 ? "button_sound" : "button_pages"));
    case 32:
        return new CArpMainMM(rect, this, tag, 4, skin->get("switch_page"));
    case 34: {
        auto* display = new CParamDisplay(rect, this, tag);
        display->setEditable(true, sizeof(ProgramRecord::description) - 1);
        display->setWrapping(true);
        display->setFontSize(11);
        return display;
    }
    case 38:
        return new CKeyboardCtrl(rect, this, tag, synth);
    case 48:
        return new CHorizontalSwitch(rect, this, tag, 3, skin->get("switch_bank"));
    case 51:
        return new CVeskFxBox(rect, this, tag, skin->get("fx_tile"), fxTiles, tag - 323);
    default:
        return nullptr;
    }
}

float ADEditor::initialValue(int32_t tag) const
{
    if (tag < ParamIndex::kNumProgramParams)
        return synth.getParameter(tag);
    switch (tag) {
    case 337:
    case 338:
        // The button of the pane on show stays lit.
        return (tag == 337) == (pane == kSoundPane) ? 1.0f : 0.0f;
    case 340:
        return float(synth.getEngine().bendUp) / 64.0f;
    case 341:
        return float(synth.getEngine().bendDown) / 64.0f;
    case 343:
        return float(page) / 3.0f;
    case 345:
        return showValuePopups ? 1.0f : 0.0f;
    case 346:
        // The wheel rests in the middle; the pitch-bend input has no storage.
        return 0.5f;
    case 351:
        return float(categoryFilter);
    case 352:
        return float(synth.getBankIndex()) * 0.5f;
    default:
        return 0.0f;
    }
}

void ADEditor::showValue(int32_t tag, float value)
{
    if (tag == 4 || tag == 9) {
        if (auto* selector = dynamic_cast<COptionMenu*>(controls[tag == 4 ? 329 : 330]))
            selector->setCurrent(std::clamp(int32_t(value * 128 + 0.001f), 0, kWaveCount - 1));
    }
    CControl* control = tag < kNumTags ? controls[size_t(tag)] : nullptr;
    if (!control)
        return;
    if (tag >= 192 && tag <= 223) {
        const char* text = modDestinationText(codeOf(value));
        static_cast<CDestinationMenu*>(control)->setShownText(text ? text : "---");
        return;
    }
    if (isCodeMenu(tag)) {
        const int32_t code = tag == 114 ? (value > 0.001f ? 1 : 0) : codeOf(value);
        const int32_t row = rowOfCode(menuRowsFor(tag), code);
        static_cast<COptionMenu*>(control)->setCurrent(std::max(row, 0));
        return;
    }
    if (tag >= 323 && tag <= 328) {
        control->setValue(float(codeOf(value)));
        return;
    }
    control->setValue(value);
}

void ADEditor::setParameter(int32_t index, float value)
{
    if (!opened.load(std::memory_order_acquire) || suppression.load(std::memory_order_relaxed) == 1 || index < 0 ||
        index >= kNumTags)
        return;
    pendingValue[size_t(index)].store(value, std::memory_order_relaxed);
    pending[size_t(index)].store(true, std::memory_order_release);
    anyPending.store(true, std::memory_order_release);
}

void ADEditor::programChanged()
{
    if (!opened.load(std::memory_order_acquire))
        return;
    programPending.store(true, std::memory_order_release);
    anyPending.store(true, std::memory_order_release);
}

void ADEditor::takePendingChanges()
{
    if (!anyPending.exchange(false, std::memory_order_acquire))
        return;
    if (programPending.exchange(false, std::memory_order_acquire)) {
        for (int32_t tag = 0; tag < ParamIndex::kNumProgramParams; ++tag)
            showValue(tag, synth.getParameter(tag));
        if (auto* description = dynamic_cast<CParamDisplay*>(controls[344]))
            description->setText(synth.getProgramDescription());
        showValue(352, float(synth.getBankIndex()) * 0.5f);
        rebuildPresetMenu();
    }
    for (int32_t tag = 0; tag < kNumTags; ++tag)
        if (pending[size_t(tag)].exchange(false, std::memory_order_acquire))
            showValue(tag, pendingValue[size_t(tag)].load(std::memory_order_relaxed));
}

void ADEditor::idle()
{
    if (!isOpen())
        return;
    if (pendingPane >= 0) {
        switchPane(pendingPane);
        pendingPane = -1;
    }
    finishFileCommand();
    // A modal file dialog lets the host run; it may have closed the editor.
    if (!isOpen())
        return;
    if (pathFieldDone) {
        getFrame()->removeView(pathField);
        pathField = nullptr;
        pathFieldDone = false;
    }
    takePendingChanges();
    timer->poll();
    PluginGUIEditor::idle();
}

void ADEditor::timerTick()
{
    // The marker follows the step that last played while the arpeggiator runs.
    if (stepDisplay)
        stepDisplay->setStep(synth.getParameter(115) > 0.001f
                                 ? synth.getEngine().arp.arpCurrentStep.load(std::memory_order_relaxed)
                                 : -1);
}

CControl* ADEditor::getControl(int32_t tag) const
{
    return tag >= 0 && tag < kNumTags ? controls[size_t(tag)] : nullptr;
}

void ADEditor::switchPane(int32_t newPane)
{
    if (!isOpen() || newPane == pane)
        return;
    getFrame()->removeAll();
    forgetControls();
    pane = newPane;
    buildControls();
}

void ADEditor::showPage(int32_t newPage)
{
    page = std::clamp(newPage, 0, 3);
    for (int32_t p = 0; p < 4; ++p)
        for (CView* view : pagedViews[p])
            view->setVisible(p == page);
}

void ADEditor::rebuildPresetMenu()
{
    presetPrograms.clear();
    if (!presetMenu)
        return;
    presetMenu->removeAllEntry();
    const int32_t first = synth.getBankIndex() * kProgramsPerBank;
    const int32_t current = synth.getProgram();
    int32_t currentRow = 0;
    for (int32_t program = first; program < first + kProgramsPerBank && program < synth.getAeffect()->numPrograms;
         ++program) {
        char name[kVstMaxProgNameLen + 1] = {};
        synth.getProgramNameIndexed(0, program, name);
        const int32_t category = codeOf(synth.getProgramParameter(program, ParamIndex::kPatchCategory));
        if (categoryFilter != 0 && category != categoryFilter)
            continue;
        if (program == current)
            currentRow = int32_t(presetPrograms.size());
        char text[48];
        snprintf(text, sizeof(text), "%03d %s", program % kProgramsPerBank + 1, name);
        presetMenu->addEntry(text);
        presetPrograms.push_back(program);
    }
    presetMenu->setCurrent(currentRow);
}

void ADEditor::stepPreset(int32_t direction)
{
    if (presetPrograms.empty())
        return;
    const auto found = std::find(presetPrograms.begin(), presetPrograms.end(), synth.getProgram());
    const int32_t row = found == presetPrograms.end() ? 0 : int32_t(found - presetPrograms.begin());
    const int32_t next = std::clamp(row + direction, 0, int32_t(presetPrograms.size()) - 1);
    synth.setProgram(presetPrograms[size_t(next)]);
    if (presetMenu)
        presetMenu->setCurrent(next);
}

void ADEditor::stepWave(int32_t oscillator, int32_t direction)
{
    const int32_t index = oscillator == 0 ? 4 : 9;
    const int32_t current = std::clamp(int32_t(synth.getParameter(index) * 128 + 0.001f), 0, kWaveCount - 1);
    const int32_t next = std::clamp(current + direction, 0, kWaveCount - 1);
    synth.setParameterAutomated(index, float(next) / 128.0f);
    showValue(index, float(next) / 128.0f);
}

void ADEditor::stepFilterType(int32_t direction)
{
    const auto& rows = menuRowsFor(126);
    int32_t row = std::max(0, rowOfCode(rows, codeOf(synth.getParameter(126))));
    int32_t next = row + direction;
    // A separator is passed over to the next row in the same direction.
    while (next >= 0 && next < int32_t(rows.size()) && rows[size_t(next)].code == kSeparatorRow)
        next += direction;
    if (next < 0 || next >= int32_t(rows.size()))
        return;
    row = next;
    synth.setParameterQuiet(126, float(rows[size_t(row)].code));
    showValue(126, float(rows[size_t(row)].code));
}

void ADEditor::applyQuickDestination(int32_t menu, int32_t row)
{
    const int32_t index = row + kQuickDestinationOffsets[menu];
    if (index >= kModDestinationMenuEntries || quickMenuTarget < 192 || quickMenuTarget > 223)
        return;
    synth.setParameter(quickMenuTarget, float(kModDestinationMenu[index].code));
    showValue(quickMenuTarget, float(kModDestinationMenu[index].code));
    synth.updateDisplay();
}

void ADEditor::applyEffectOrder()
{
    for (int32_t slot = 0; slot < 6; ++slot) {
        const int32_t kind = codeOf(synth.getParameter(323 + slot));
        if (kind >= 0 && kind <= 5)
            synth.setEffectOrderSlot(slot, kind);
        if (CControl* tile = controls[size_t(323 + slot)])
            tile->setValue(float(kind));
    }
}

// Matrix Sort: routed slots move to the top in their order, empty ones sink;
// "MM Amount n" destinations follow the slot they scale to its new place.
void ADEditor::sortMatrix()
{
    constexpr int32_t kSlots = 24;
    constexpr int32_t kFamilies[] = {128, 160, 192, 224};
    std::array<int32_t, kSlots> order{};
    int32_t next = 0;
    for (bool routed : {true, false})
        for (int32_t slot = 0; slot < kSlots; ++slot)
            if ((codeOf(synth.getParameter(128 + slot)) != 0 && codeOf(synth.getParameter(192 + slot)) != 0) == routed)
                order[size_t(next++)] = slot;
    std::array<int32_t, kSlots> newPlace{};
    for (int32_t place = 0; place < kSlots; ++place)
        newPlace[size_t(order[size_t(place)])] = place;
    std::array<std::array<float, kSlots>, 4> values{};
    for (size_t family = 0; family < 4; ++family)
        for (int32_t slot = 0; slot < kSlots; ++slot)
            values[family][size_t(slot)] = synth.getParameter(kFamilies[family] + order[size_t(slot)]);
    for (float& destination : values[2]) {
        const int32_t code = codeOf(destination);
        if (code >= kDestMmAmount1 && code <= kDestMmAmount24)
            destination = float(kDestMmAmount1 + newPlace[size_t(code - kDestMmAmount1)]);
    }
    for (size_t family = 0; family < 4; ++family)
        for (int32_t slot = 0; slot < kSlots; ++slot)
            synth.setParameter(kFamilies[family] + slot, values[family][size_t(slot)]);
    synth.updateDisplay();
}

void ADEditor::startFileCommand(int32_t tag, int32_t row)
{
    if (row <= 0)
        return;
    const bool patch = tag == 355;
    const bool save = row == 2;
    const std::string title = std::string(save ? "Save " : "Load ") + (patch ? "Patch" : "Bank");
    fileCommand = (patch ? 1 : 2) * (save ? -1 : 1);
    if (!fileDialog.start(save, title, patch ? "*.fxp" : "*.fxb"))
        askForPath();
    if (auto* menu = dynamic_cast<COptionMenu*>(controls[size_t(tag)]))
        menu->setCurrent(0);
}

void ADEditor::finishFileCommand()
{
    bool finished = false;
    std::string path;
    if (fileDialog.poll(finished, path))
        runFileCommand(path);
}

void ADEditor::askForPath()
{
    if (pathField)
        return;
    pathField = new CParamDisplay(CRect::make(118, 12, 512, 18), this, kPathField);
    pathField->setEditable(true, 1024);
    const char* home = std::getenv("HOME");
    pathField->setText(std::string(home ? home : "") + "/");
    getFrame()->addView(pathField);
    pathField->beginEditing();
}

void ADEditor::runFileCommand(std::string path)
{
    const bool patch = std::abs(fileCommand) == 1;
    const std::string extension = patch ? ".fxp" : ".fxb";
    if (path.size() < 4 || path.compare(path.size() - 4, 4, extension) != 0)
        path += extension;
    if (fileCommand > 0) {
        // One refresh after the load instead of one per parameter.
        suppression.store(1);
        patch ? synth.loadPatch(path) : synth.loadBank(path);
        suppression.store(0);
        programChanged();
    } else {
        patch ? synth.savePatch(path) : synth.saveBank(path);
        rebuildPresetMenu();
    }
    fileCommand = 0;
}

void ADEditor::controlBeginEdit(CControl* control)
{
    const int32_t tag = control->getTag();
    synth.beginEdit(tag == 329 ? 4 : tag == 330 ? 9 : tag);
}

void ADEditor::controlEndEdit(CControl* control)
{
    const int32_t tag = control->getTag();
    synth.endEdit(tag == 329 ? 4 : tag == 330 ? 9 : tag);
}

void ADEditor::valueChanged(CControl* control)
{
    const int32_t tag = control->getTag();
    const float v = control->getValue();
    if (tag == kPathField) {
        // The field goes at the next idle: this call comes from inside it.
        runFileCommand(pathField->getText());
        pathFieldDone = true;
        return;
    }
    if (tag == CLittleRightClickMenu::kTag) {
        const int32_t target = learnMenu.getTarget();
        if (learnMenu.getCurrentIndex() == CLittleRightClickMenu::kLearnRow)
            synth.midiLearn(target);
        else
            synth.midiForget(target);
        return;
    }
    if (tag >= kQuickMenuFirst && tag <= kQuickMenuLast) {
        applyQuickDestination(tag - kQuickMenuFirst, static_cast<COptionMenu*>(control)->getCurrentIndex());
        return;
    }
    if (tag < 0 || tag >= kNumTags)
        return;
    const int32_t row = isCodeMenu(tag) || (tag >= 192 && tag <= 223) || tag == 351 || (tag >= 329 && tag <= 331) ||
                                tag == 354 || tag == 355 || tag == 356
                            ? static_cast<COptionMenu*>(control)->getCurrentIndex()
                            : -1;
    const auto& rows = menuRowsFor(tag);
    const float code = row >= 0 && row < int32_t(rows.size()) ? float(rows[size_t(row)].code) : 0.0f;
    switch (tag) {
    // A change of Arp On or Arp Mode, from here or from a host, makes the
    // audio thread let go of what sounds and start the pattern again.
    case 115:
        synth.setParameterQuiet(115, v);
        return;
    case 125:
        synth.setParameterQuiet(125, code);
        return;
    case 126:
        synth.setParameterQuiet(126, code);
        return;
    case 329:
    case 330:
        synth.setParameterAutomated(tag == 329 ? 4 : 9, float(row) / 128.0f);
        return;
    case 331:
        if (row >= 0 && row < int32_t(presetPrograms.size()))
            synth.setProgram(presetPrograms[size_t(row)]);
        return;
    case 332:
    case 349:
        if (v > 0)
            stepPreset(tag == 332 ? -1 : 1);
        return;
    case 335:
    case 336:
        if (v != 0)
            stepWave(tag - 335, v < 0 ? -1 : 1);
        return;
    case 337:
    case 338:
        if (v > 0)
            requestPane(tag == 337 ? kSoundPane : kPagesPane);
        else
            control->setValue(initialValue(tag));
        return;
    case 340:
    case 341: {
        const int32_t semitones = int32_t(v * 64);
        synth.setBendRanges(tag == 340 ? semitones : synth.getEngine().bendUp,
                            tag == 341 ? semitones : synth.getEngine().bendDown);
        return;
    }
    case 342:
        if (v != 0)
            stepFilterType(v < 0 ? -1 : 1);
        return;
    case 343:
        showPage(v < 0.00001f ? 0 : v < 0.34f ? 1 : v < 0.67f ? 2 : 3);
        if (pane != kPagesPane)
            requestPane(kPagesPane);
        return;
    case 344:
        synth.setProgramDescription(static_cast<CParamDisplay*>(control)->getText());
        return;
    case 345:
        showValuePopups = v > 0.5f;
        return;
    case 346:
        synth.setParameterAutomated(346, v);
        return;
    case 353:
        // A push button: it sorts once and springs back.
        if (v > 0) {
            sortMatrix();
            control->setValue(0);
        }
        return;
    case 351:
        categoryFilter = int32_t(code);
        rebuildPresetMenu();
        return;
    case 352: {
        const int32_t bank = std::clamp(int32_t(std::lround(v * 2)), 0, 2);
        const int32_t program = bank * kProgramsPerBank + synth.getProgram() % kProgramsPerBank;
        if (program < synth.getAeffect()->numPrograms)
            synth.setProgram(program);
        rebuildPresetMenu();
        return;
    }
    case 354:
        loadArpPattern(row);
        return;
    case 355:
    case 356:
        startFileCommand(tag, row);
        return;
    default:
        break;
    }
    const bool isMenu = row >= 0;
    if (tag < 127)
        synth.setParameterAutomated(tag, isMenu ? code : v); // FM Mode and Arp Sync store their code
    else if (tag < ParamIndex::kNumProgramParams)
        synth.setParameterQuiet(tag, isMenu ? code : v);
    if (tag >= 323 && tag <= 328)
        applyEffectOrder();
}

void ADEditor::loadArpPattern(int32_t row)
{
    // Row 0 is the user's own pattern: nothing to load, but it still ends the notes.
    if (row > 0)
        synth.loadArpPattern(row);
    else
        synth.requestSoftAllNotesOff();
    // The pattern's values are shown at once, even while host changes are not.
    programPending.store(true, std::memory_order_relaxed);
    anyPending.store(true, std::memory_order_relaxed);
    takePendingChanges();
    synth.updateDisplay();
}

std::string ADEditor::knobText(int32_t tag, float) const
{
    char text[kVstMaxParamStrLen + 8] = {};
    synth.getParameterDisplay(tag, text);
    return text;
}

std::string ADEditor::myKnobText(int32_t tag, float v) const
{
    char text[48];
    const int32_t arpMode = codeOf(synth.getParameter(125));
    if (tag >= 256 && tag <= 287) {
        snprintf(text, sizeof(text), "%02d: %s", tag - 255, stepText(v, arpMode == kArpModeDuophonic).c_str());
        return text;
    }
    if (tag >= 288 && tag <= 319) {
        if (arpMode == kArpModeDuophonic)
            return stepText(v, true);
        if (arpMode == kArpModeDynamic)
            snprintf(text, sizeof(text), "Key %d", int32_t(v * 128) / 16);
        else
            snprintf(text, sizeof(text), "Vel %d %%", int32_t(std::lround(v * 100)));
        return text;
    }
    if (tag >= 160 && tag <= 191) {
        snprintf(text, sizeof(text), "%+d %%", int32_t(std::lround((2.0 * v - 1.0) * 100)));
        return text;
    }
    int32_t k = 0;
    switch (tag) {
    case 72:
        k = int32_t(200 * v) - 100;
        snprintf(text, sizeof(text), k < 0 ? "Length: %d %%" : "Length: +%d %%", k);
        break;
    case 73:
        k = int32_t(150 * v) - 75;
        snprintf(text, sizeof(text), k < 0 ? "Swing: %d %%" : "Swing: +%d %%", k);
        break;
    case 71:
        if (synth.getParameter(114) > 0.001f)
            snprintf(text, sizeof(text), "Rate: %s", kArpRateNames[std::clamp(int32_t(20.001f * v), 0, 20)]);
        else
            snprintf(text, sizeof(text), "Rate: %.1f Hz", expMap(v, 0.1, 100.0));
        break;
    case 340:
        snprintf(text, sizeof(text), "Bend up: %d", int32_t(64 * v));
        break;
    case 341:
        snprintf(text, sizeof(text), "Bend down: %d", int32_t(64 * v));
        break;
    case 320:
        snprintf(text, sizeof(text), "Steps: %d", int32_t(31 * v) + 1);
        break;
    case 321:
        snprintf(text, sizeof(text), "Voices: %d", int32_t(64 * v) + 8);
        break;
    default:
        snprintf(text, sizeof(text), "%.2f", double(v));
        break;
    }
    return text;
}
