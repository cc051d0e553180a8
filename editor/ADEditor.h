// The plug-in's editor: one control per parameter and editor tag, built from
// the descriptor table and placed by the layout table, on a common panel
// with two panes (the sound pane and the pages pane with its four pages).
#pragma once

#include "CVSTGUITimer.h"
#include "EditorControls.h"
#include "FileDialog.h"
#include "PluginGUIEditor.h"
#include "Skin.h"
#include "SynthEditor.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

class VstSynth;

class ADEditor : public VSTGUI::PluginGUIEditor, public SynthEditor, public VSTGUI::CControlListener {
public:
    static constexpr int32_t kNumTags = 357;
    static constexpr int32_t kSoundPane = 0;
    static constexpr int32_t kPagesPane = 1;

    explicit ADEditor(VstSynth& synth);
    ~ADEditor() override;

    // Host calls.
    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;

    // SynthEditor.
    void setParameter(int32_t index, float value) override;
    void programChanged() override;
    void setContentScale(float scale) override;

    // CControlListener.
    void valueChanged(VSTGUI::CControl* control) override;
    void controlBeginEdit(VSTGUI::CControl* control) override;
    void controlEndEdit(VSTGUI::CControl* control) override;

    VSTGUI::CControl* getControl(int32_t tag) const;
    int32_t getPage() const { return page; }
    int32_t getPane() const { return pane; }
    // While 1, parameter changes from the host are not shown.
    void setSuppression(int32_t mode) { suppression.store(mode); }
    // The program each preset menu row selects.
    const std::vector<int32_t>& presetMenuPrograms() const { return presetPrograms; }
    // The arpeggiator step marked on the arp page, -1 for none.
    int32_t shownArpStep() const { return stepDisplay ? stepDisplay->getStep() : -1; }
    // Opens the pane (applied at the next idle, never under a control's feet).
    void requestPane(int32_t newPane) { pendingPane = newPane; }

private:
    void chooseScale();
    void buildControls();
    // Forgets every control and view of the frame (it is emptied or deleted).
    void forgetControls();
    VSTGUI::CControl* createControl(int32_t tag, const VSTGUI::CRect& rect);
    VSTGUI::CControl* createKnob(int32_t tag, int32_t kind, const VSTGUI::CRect& rect);
    VSTGUI::CControl* createMenu(int32_t tag, int32_t kind, const VSTGUI::CRect& rect);
    void showValue(int32_t tag, float value);
    float initialValue(int32_t tag) const;
    void takePendingChanges();
    void rebuildPresetMenu();
    void showPage(int32_t newPage);
    void switchPane(int32_t newPane);
    void stepPreset(int32_t direction);
    void stepWave(int32_t oscillator, int32_t direction);
    void stepFilterType(int32_t direction);
    void applyQuickDestination(int32_t menu, int32_t row);
    void applyEffectOrder();
    void sortMatrix();
    void loadArpPattern(int32_t row);
    void startFileCommand(int32_t tag, int32_t row);
    void finishFileCommand();
    void runFileCommand(std::string path);
    // Without zenity or kdialog the path is typed into a field of our own.
    void askForPath();
    void timerTick();
    std::string knobText(int32_t tag, float value) const;
    std::string myKnobText(int32_t tag, float value) const;
    bool isBuiltOnPane(int32_t place) const;

    VstSynth& synth;
    std::unique_ptr<Skin> skin;
    std::unique_ptr<VSTGUI::CVSTGUITimer> timer;
    std::array<VSTGUI::CControl*, kNumTags> controls{};
    VSTGUI::COptionMenu* presetMenu = nullptr;
    CArpStepDisplay* stepDisplay = nullptr;
    CMyParamDisplay* valueDisplay = nullptr;
    CLittleRightClickMenu learnMenu{this};
    std::array<VSTGUI::CView*, 4> pageViews{};
    std::vector<VSTGUI::CView*> pagedViews[4];
    // The slot whose destination menu was opened last.
    int32_t quickMenuTarget = -1;
    FxBoxGroup fxTiles;
    std::vector<int32_t> presetPrograms;
    int32_t categoryFilter = 0;
    int32_t page = 0;
    int32_t pane = kSoundPane;
    int32_t pendingPane = -1;
    bool showValuePopups = true;
    bool scaleChosen = false;
    FileDialog fileDialog;
    int32_t fileCommand = 0; // 1 patch, 2 bank; negative: save
    VSTGUI::CParamDisplay* pathField = nullptr;
    bool pathFieldDone = false;

    // Written from any thread, read on the UI thread.
    std::atomic<bool> opened{false};
    std::atomic<int32_t> suppression{0};
    std::atomic<bool> anyPending{false};
    std::atomic<bool> programPending{false};
    std::array<std::atomic<bool>, kNumTags> pending{};
    std::array<std::atomic<float>, kNumTags> pendingValue{};
};
