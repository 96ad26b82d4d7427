// Start values of the world state and the random helper.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "input/keyboard.h"
#include "input/verb.h"
#include "input/walk.h"
#include "render/cursor.h"
#include "render/scene.h"
#include "shell/frame.h"
#include "shell/get_random.h"

namespace {

unsigned bits(float f)
{
    unsigned u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Runs first in this binary, before any test draws from the generator.
TEST(WorldStart, FirstColourTargetsComeRedGreenBlueFromTheTimeSeed)
{
    const std::time_t now = std::time(nullptr);
    bool matched = false;
    // The program started at most a few seconds before this test.
    for (std::time_t t = now; t >= now - 5 && !matched; --t) {
        std::srand(static_cast<unsigned>(t));
        const int r = std::rand() % 256, g = std::rand() % 256, b = std::rand() % 256;
        matched = r == random_red && g == random_green && b == random_blue;
    }
    EXPECT_TRUE(matched) << random_red << " " << random_green << " " << random_blue;
}

TEST(WorldStart, ComputedStartValues)
{
    EXPECT_EQ(mouse_x, 0);
    EXPECT_EQ(mouse_y, 768);
    EXPECT_EQ(old_x, 0.0f);
    EXPECT_EQ(old_y, 768.0f);
    const float light[4] = {0.0f, 0.5f, 3.5f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(LightPosition[i], light[i]);
    }
    EXPECT_EQ(egoPosition.x, 0.0f);
    EXPECT_EQ(egoPosition.z, 3.0f);
    EXPECT_EQ(egoVelocity.z, 0.05f);
    EXPECT_EQ(xpos, 0.0f);
    EXPECT_EQ(zpos, 3.0f);
    EXPECT_EQ(cursor_type, LOOK);
    EXPECT_EQ(is_light_on, 1);
    EXPECT_EQ(lights_on, 0);
    EXPECT_EQ(fullscreen, 1);
    EXPECT_EQ(sphere_red, 255);
    EXPECT_EQ(sphere_direct, 1);
}

TEST(WorldStart, ConstantsHaveTheirExactSinglePrecisionBits)
{
    EXPECT_EQ(bits(piover180), 0x3C8EFA35u);
    EXPECT_EQ(bits(mouse_sensitivity), 0x3A8072D6u);
    EXPECT_EQ(mouse_sensitivity_y, 0.0013f);
    EXPECT_EQ(egoRadius, 1.5f);
    EXPECT_EQ(y_camera, -0.5f);
}

TEST(GetRandom, StaysWithinInclusiveBoundsAndReachesBoth)
{
    bool sawLow = false, sawHigh = false;
    for (int i = 0; i < 20000; ++i) {
        const int v = get_random(0, 255);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 255);
        sawLow = sawLow || v == 0;
        sawHigh = sawHigh || v == 255;
    }
    EXPECT_TRUE(sawLow);
    EXPECT_TRUE(sawHigh);
    EXPECT_EQ(get_random(5, 5), 5);
}

TEST(GetRandom, ReversedBoundsStillGiveAValueBetweenThem)
{
    for (int i = 0; i < 100; ++i) {
        const int v = get_random(9, 3);
        EXPECT_GE(v, 3);
        EXPECT_LE(v, 9);
    }
}

}  // namespace
