// Key and button rules: the verb cycle, the character-key table, the light switch, hit choice.
#include <gtest/gtest.h>

#include <map>

#include "input/keyboard.h"
#include "input/mouse.h"
#include "input/verb.h"
#include "support/capture_stdout.h"

namespace {

TEST(Verbs, CycleThroughAllFourAndRecoverFromStrayValues)
{
    const struct {
        int before;
        cursor_types after;
    } cases[] = {{DO, LOOK}, {LOOK, TALK}, {TALK, INVENTORY}, {INVENTORY, DO}, {-1, DO}, {4, DO}, {1000, DO}};
    for (const auto& c : cases) {
        EXPECT_EQ(nextVerb(c.before), c.after) << c.before;
    }
}

TEST(Verbs, AdvancingLogsTheNewVerb)
{
    cursor_type = LOOK;
    CoutCapture out;
    advanceVerb();
    advanceVerb();
    advanceVerb();
    EXPECT_EQ(cursor_type, DO);
    EXPECT_EQ(out.take(), "Cursor_type: 2\nCursor_type: 3\nCursor_type: 0\n");
}

TEST(Keyboard, OnlyTheListedCodesDoAnything)
{
    const std::map<int, KeyCommand> commands = {
        {9, kKeyNextVerb},         {10, kKeySawEnter},     {13, kKeySawMacEnter},
        {27, kKeyQuitLeaveFirst},  {'L', kKeyToggleLight}, {'l', kKeyToggleLight},
        {'Q', kKeyQuitDestroyFirst}, {'q', kKeyQuitDestroyFirst}, {'X', kKeyTiltUp},
        {'x', kKeyTiltDown},
    };
    for (int key = 0; key < 256; ++key) {
        const auto it = commands.find(key);
        const KeyCommand expected = it == commands.end() ? kKeyNone : it->second;
        EXPECT_EQ(commandForKey(static_cast<unsigned char>(key)), expected) << "key " << key;
    }
}

TEST(Keyboard, LightSwitchTreatsAnyValueButOneAsOff)
{
    is_light_on = 1;
    EXPECT_EQ(toggleLightSwitch(), 0);
    EXPECT_EQ(toggleLightSwitch(), 1);
    is_light_on = 7;
    EXPECT_EQ(toggleLightSwitch(), 1);
}

TEST(Keyboard, CommandsThatOnlyWriteLeaveTheWorldAlone)
{
    cursor_type = TALK;
    is_light_on = 1;
    CoutCapture out;
    keyboard(13, 0, 0);
    keyboard(10, 0, 0);
    for (int key : {int{'a'}, int{'z'}, int{'0'}, int{' '}, 200}) {
        keyboard(static_cast<unsigned char>(key), 0, 0);
    }
    EXPECT_EQ(out.take(), "Saw Mac ENTER\nSaw ENTER\n");
    EXPECT_EQ(cursor_type, TALK);
    EXPECT_EQ(is_light_on, 1);
}

TEST(Picking, NearestHitTakesTheSmallestMinimumDepth)
{
    // Records: name count, min depth, max depth, name.
    const GLuint sphereFirst[8] = {1, 1000, 2000, 1, 1, 5000, 9000, 2};
    const GLuint roomNearer[8] = {1, 5000, 9000, 1, 1, 1000, 2000, 2};
    const GLuint tie[8] = {1, 3000, 4000, 1, 1, 3000, 3500, 2};
    const GLuint unsignedDepths[8] = {1, 0x80000000u, 0xFFFFFFFFu, 2, 1, 0x7FFFFFFFu, 0x90000000u, 1};
    EXPECT_EQ(nearestHit(sphereFirst, 2), 1);
    EXPECT_EQ(nearestHit(roomNearer, 2), 2);
    EXPECT_EQ(nearestHit(tie, 2), 1);  // the earlier record wins a tie
    EXPECT_EQ(nearestHit(unsignedDepths, 2), 1);
    EXPECT_EQ(nearestHit(roomNearer, 1), 1);  // only the first record counted
    EXPECT_EQ(nearestHit(sphereFirst, 0), 0);
    EXPECT_EQ(nearestHit(sphereFirst, -1), 0);  // overflowed buffer
}

}  // namespace
