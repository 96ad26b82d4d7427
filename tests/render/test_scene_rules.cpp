// The sphere's bounce and colour drift, stepped without a window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/scene.h"

namespace {

std::string shortest(float f)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", f);
    return text;
}

TEST(Bounce, FirstAscentTakes51StepsAndOvershootsOneStep)
{
    float h = 0.0f;
    int dir = 1;
    int steps = 0;
    while (dir == 1) {
        const float before = h;
        bounceStep(h, dir);
        if (dir == 1) {
            ++steps;
            EXPECT_EQ(h, static_cast<float>(before + 0.005));  // narrowed from double
        }
    }
    EXPECT_EQ(steps, 51);
    EXPECT_EQ(shortest(h), "0.2549999");
}

TEST(Bounce, LaterCyclesTake106CallsBetweenFixedExtremes)
{
    float h = 0.0f;
    int dir = 1;
    // Run through the first ascent and turn.
    while (dir == 1) {
        bounceStep(h, dir);
    }
    float low = h, high = h;
    int calls = 0;
    // Down, turn, up, turn: one full cycle back to sinking from the top.
    int turns = 0;
    int lastDir = dir;
    while (turns < 2) {
        bounceStep(h, dir);
        ++calls;
        low = std::min(low, h);
        high = std::max(high, h);
        if (dir != lastDir) {
            ++turns;
            lastDir = dir;
        }
    }
    EXPECT_EQ(calls, 106);
    EXPECT_EQ(shortest(low), "-0.004999998");
    EXPECT_EQ(shortest(high), "0.2549999");
}

struct DriftCase {
    int colour[3];
    int target[3];
    int after[3];
};

TEST(ColourDrift, EachChannelMovesOneUnitTowardItsTarget)
{
    const DriftCase cases[] = {
        {{255, 255, 255}, {10, 255, 254}, {254, 255, 254}},  // 255 target matched from the start
        {{0, 100, 200}, {5, 100, 190}, {1, 100, 199}},
        {{7, 7, 7}, {8, 6, 7}, {8, 6, 7}},  // reaching a target this call is not yet a match
    };
    for (const auto& c : cases) {
        sphere_red = c.colour[0], sphere_green = c.colour[1], sphere_blue = c.colour[2];
        random_red = c.target[0], random_green = c.target[1], random_blue = c.target[2];
        check_colors();
        EXPECT_EQ(sphere_red, c.after[0]);
        EXPECT_EQ(sphere_green, c.after[1]);
        EXPECT_EQ(sphere_blue, c.after[2]);
        // Targets are kept while any channel was still moving.
        EXPECT_EQ(random_red, c.target[0]);
        EXPECT_EQ(random_green, c.target[1]);
        EXPECT_EQ(random_blue, c.target[2]);
    }
}

TEST(ColourDrift, AllMatchedDrawsNewTargetsRedBlueGreenAndMovesNothing)
{
    sphere_red = random_red = 40;
    sphere_green = random_green = 50;
    sphere_blue = random_blue = 60;
    std::srand(1234);
    const int first = std::rand() % 256, second = std::rand() % 256, third = std::rand() % 256;
    std::srand(1234);
    check_colors();
    EXPECT_EQ(random_red, first);
    EXPECT_EQ(random_blue, second);
    EXPECT_EQ(random_green, third);
    EXPECT_EQ(sphere_red, 40);
    EXPECT_EQ(sphere_green, 50);
    EXPECT_EQ(sphere_blue, 60);
}

}  // namespace
