// The verb cursor's motion and image choice, driven through its callbacks.
#include <gtest/gtest.h>

#include "assets/LoadGLTextures.h"
#include "input/verb.h"
#include "render/cursor.h"
#include "support/capture_stdout.h"

namespace {

class CursorMotion : public ::testing::Test {
protected:
    void SetUp() override
    {
        mouse_entry = 1;
        mouse_x = 0;
        mouse_y = 768;
        cursor_x = cursor_y = 0.0f;
        old_x = 0.0f;
        old_y = 768.0f;
    }
};

TEST_F(CursorMotion, FirstEventAtTheCentreFollowsThePointer)
{
    PassiveMouseFunc(512, 384);
    EXPECT_NEAR(cursor_x, 0.502f, 0.0005f);
    EXPECT_NEAR(cursor_y, 0.499f, 0.0005f);
    EXPECT_EQ(mouse_x, 512);
    EXPECT_EQ(mouse_y, 384);
}

TEST_F(CursorMotion, RelativeMovesScaleByTheTwoSensitivities)
{
    PassiveMouseFunc(512, 384);
    const float x0 = cursor_x, y0 = cursor_y;
    PassiveMouseFunc(612, 384);
    EXPECT_NEAR(cursor_x - x0, 0.098f, 0.0001f);
    EXPECT_EQ(cursor_y, y0);
    PassiveMouseFunc(612, 484);
    EXPECT_NEAR(cursor_y - y0, -0.13f, 0.0001f);

    const float x1 = cursor_x, y1 = cursor_y;
    PassiveMouseFunc(612, 484);  // same place: only the raw position is stored
    EXPECT_EQ(cursor_x, x1);
    EXPECT_EQ(cursor_y, y1);
}

TEST_F(CursorMotion, OutsideTheWindowOnlyTheRawPositionIsKept)
{
    PassiveMouseFunc(100, 700);
    {
        CoutCapture out;
        EntryFunc(0);
        EXPECT_EQ(out.take(), "Mouse left: 0\n");
    }
    const float x = cursor_x, y = cursor_y;
    PassiveMouseFunc(900, 100);
    EXPECT_EQ(cursor_x, x);
    EXPECT_EQ(cursor_y, y);
    EXPECT_EQ(mouse_x, 900);
    EXPECT_EQ(old_x, 100.0f);
    {
        CoutCapture out;
        EntryFunc(1);
        EXPECT_EQ(out.take(), "Mouse entered: 1\n");
    }
    // Back inside, the first event jumps the whole way from the exit point.
    PassiveMouseFunc(900, 100);
    EXPECT_NEAR(cursor_x, 900 * mouse_sensitivity, 1e-5f);
    EXPECT_NEAR(cursor_y, 668 * mouse_sensitivity_y, 1e-5f);
}

TEST_F(CursorMotion, DragIsIgnoredThenTheNextPassiveEventJumps)
{
    PassiveMouseFunc(200, 300);
    const float x = cursor_x, y = cursor_y;
    MovingMouseFunc(400, 500);
    EXPECT_EQ(cursor_x, x);
    EXPECT_EQ(cursor_y, y);
    PassiveMouseFunc(400, 500);
    EXPECT_NEAR(cursor_x, 400 * mouse_sensitivity, 1e-5f);
    EXPECT_NEAR(cursor_y, 268 * mouse_sensitivity_y, 1e-5f);
}

TEST_F(CursorMotion, EdgesOfTheScreen)
{
    PassiveMouseFunc(1021, 0);
    EXPECT_GT(cursor_x, 1.0f);  // wholly off the right edge
    EXPECT_LT(cursor_y, 1.0f);  // a sliver still shows at the top
    EXPECT_GT(cursor_y + cursor_size, 1.0f);
}

TEST(CursorImage, EachVerbShowsItsOwnImageAndOthersShowLook)
{
    const struct {
        int verb;
        int slot;
    } cases[] = {{DO, kTexCursorDo}, {LOOK, kTexCursorLook}, {TALK, kTexCursorTalk},
                 {INVENTORY, kTexCursorLook}, {-1, kTexCursorLook}, {4, kTexCursorLook}, {99, kTexCursorLook}};
    for (const auto& c : cases) {
        EXPECT_EQ(cursorTextureSlot(c.verb), c.slot) << "verb " << c.verb;
    }
}

}  // namespace
