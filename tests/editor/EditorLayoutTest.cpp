// The panel: every control at its place, nothing overlapping, both panes and
// all four pages, and the frame size the host is told.
#include "EditorLayout.h"
#include "EditorTestSupport.h"
#include "ParamTable.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace VSTGUI;

namespace {

bool hasControl(int32_t tag)
{
    const int32_t kind = kParamDescriptors[tag].controlKind;
    return kind != 2 && kind != 8 && kind != 9 && kind != 27 && kind != 33;
}

// The controls visible together on one pane or page.
std::vector<int32_t> visibleTags(ADEditor& editor)
{
    std::vector<int32_t> tags;
    for (int32_t tag = 0; tag < ADEditor::kNumTags; ++tag)
        if (CControl* control = editor.getControl(tag); control && control->isVisible())
            tags.push_back(tag);
    return tags;
}

} // namespace

TEST(EditorLayout, EveryControlSitsAtItsRectangleInsideTheFrameWithoutOverlap)
{
    EditorRig rig;
    ADEditor& editor = rig.editor();
    std::vector<bool> seen(ADEditor::kNumTags, false);
    auto check = [&](const char* where) {
        const std::vector<int32_t> tags = visibleTags(editor);
        for (size_t i = 0; i < tags.size(); ++i) {
            const CRect r = editor.getControl(tags[i])->getViewSize();
            const auto& expected = EditorLayout::entry(tags[i]).rect;
            EXPECT_EQ(r.left, expected.x) << tags[i];
            EXPECT_EQ(r.getWidth(), expected.width) << tags[i];
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1000 && r.bottom <= 630) << tags[i];
            seen[size_t(tags[i])] = true;
            for (size_t j = i + 1; j < tags.size(); ++j)
                EXPECT_FALSE(r.rectOverlap(editor.getControl(tags[j])->getViewSize()))
                    << where << ": " << tags[i] << " overlaps " << tags[j];
        }
    };
    check("sound pane");
    static const double kPageClicks[] = {650, 700, 800, 900}; // one per segment of the page selector
    for (int32_t page = 0; page < 4; ++page) {
        rig.click(kPageClicks[page], 20);
        rig.editor().idle();
        ASSERT_EQ(editor.getPane(), ADEditor::kPagesPane);
        ASSERT_EQ(editor.getPage(), page);
        check("page");
    }
    for (int32_t tag = 0; tag < ADEditor::kNumTags; ++tag)
        EXPECT_EQ(seen[size_t(tag)], hasControl(tag)) << "tag " << tag;
}

TEST(EditorLayout, HostGetsThePanelSizeTimesTheScale)
{
    EditorRig rig;
    for (double scale : {1.0, 1.5, 2.0}) {
        rig.editor().close();
        rig.editor().setContentScale(float(scale));
        ERect* rect = nullptr;
        ASSERT_EQ(rig.synth->dispatcher(effEditGetRect, 0, 0, &rect, 0), 1);
        EXPECT_EQ(rect->right - rect->left, int(1000 * scale));
        EXPECT_EQ(rect->bottom - rect->top, int(630 * scale));
        ASSERT_TRUE(rig.editor().open(nullptr));
        // The back buffer has the scaled pixels; events stay in panel units.
        const std::string path = ::testing::TempDir() + "vesk-editor.png";
        ASSERT_TRUE(rig.frame().writePng(path));
        rig.drag(rig.editor().getControl(28)->getViewSize(), -50);
        EXPECT_GT(rig.synth->getParameter(28), 0.2f) << scale;
        std::remove(path.c_str());
    }
    EXPECT_NE(rig.synth->getAeffect()->flags & effFlagsHasEditor, 0);
}

// Windows takes the desktop's DPI before any remembered scale.
#ifndef _WIN32
TEST(EditorLayout, ScaleComesFromGdkScaleElseFromTheLastOpening)
{
    ERect* rect = nullptr;
    {
        EditorRig rig;
        rig.editor().close();
        rig.editor().setContentScale(1.5f);
        ASSERT_TRUE(rig.editor().open(nullptr));
    }
    EditorRig remembered;
    remembered.synth->dispatcher(effEditGetRect, 0, 0, &rect, 0);
    EXPECT_EQ(rect->right, 1500);
    setEnvironment("GDK_SCALE", "2");
    auto synth = std::make_unique<VstSynth>(nullptr);
    synth->dispatcher(effEditGetRect, 0, 0, &rect, 0);
    EXPECT_EQ(rect->right, 2000);
    setEnvironment("GDK_SCALE", nullptr);
}
#endif
