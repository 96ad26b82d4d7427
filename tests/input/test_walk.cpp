// Walking with the collision test, turning and tilting: state and console transcripts.
#include <gtest/gtest.h>

#include <string>

#include "input/walk.h"
#include "support/capture_stdout.h"

namespace {

class Walking : public ::testing::Test {
protected:
    void SetUp() override
    {
        heading = yrot = 0.0f;
        xpos = 0.0f;
        zpos = 3.0f;
        egoPosition = Vector3D(0, 0, 3);
        egoVelocity = Vector3D(0, 0, 0.05f);
        x_angle = 0;
    }
    // After every call the player's two positions agree.
    void TearDown() override
    {
        EXPECT_EQ(egoPosition.x, xpos);
        EXPECT_EQ(egoPosition.y, 0.0f);
        EXPECT_EQ(egoPosition.z, zpos);
        EXPECT_EQ(yrot, heading);
    }
    CoutCapture out;
};

TEST_F(Walking, FirstForwardStepWritesFiveLines)
{
    EXPECT_TRUE(stepPlayer(true));
    EXPECT_EQ(out.take(), "i: 0 D0: -3 D1: -2.95\n"
                          "i: 1 D0: 3 D1: 2.95\n"
                          "UP ego Position: x: 0 y: 0 z: 2.95\n"
                          "xpos: 0 zpos: 2.95\n"
                          "\n");
    EXPECT_EQ(zpos, 2.95f);
}

TEST_F(Walking, ThirtyStepsFitThenThePlaneRefusesTheNext)
{
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(stepPlayer(true)) << "step " << i + 1;
    }
    EXPECT_EQ(zpos, 1.5000014f);
    out.take();
    EXPECT_FALSE(stepPlayer(true));
    EXPECT_EQ(out.take(), "i: 0 D0: -1.5 D1: -1.45\n"
                          "The sphere is too close to the plane!\n"
                          "i: 1 D0: 1.5 D1: 1.45\n"
                          "The sphere is too close to the plane!\n");
    EXPECT_EQ(zpos, 1.5000014f);
}

TEST_F(Walking, FirstBackwardStepHasNoIndexAndMovesAway)
{
    EXPECT_TRUE(stepPlayer(false));
    EXPECT_EQ(out.take(), "D0: -3 D1: -3.05\n"
                          "D0: 3 D1: 3.05\n"
                          "DOWN ego Position: x: 0 y: 0 z: 3.05\n"
                          "xpos: 0 zpos: 3.05\n"
                          "\n");
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(stepPlayer(false));  // away from the plane nothing stops the player
    }
}

TEST_F(Walking, DistanceEqualToTheRadiusIsAccepted)
{
    egoVelocity = Vector3D(0, 0, 0.5f);
    egoPosition = Vector3D(0, 0, 2.0f);
    zpos = 2.0f;
    EXPECT_TRUE(stepPlayer(true));  // lands exactly 1.5 from the plane
    EXPECT_EQ(egoPosition.z, 1.5f);
    // The displacement itself comes from the heading, not from egoVelocity.
    egoVelocity = Vector3D(0, 0, 0.05f);
    egoPosition = Vector3D(0, 0, 1.5f);
    zpos = 1.5f;
    EXPECT_FALSE(stepPlayer(true));
}

TEST_F(Walking, CrossingThePlaneIsReportedOnBothSides)
{
    // A player placed right at the plane: too close, and the step crosses it.
    egoPosition = Vector3D(0, 0, 0.01f);
    zpos = 0.01f;
    EXPECT_FALSE(stepPlayer(true));
    EXPECT_EQ(out.take(), "i: 0 D0: -0.01 D1: 0.04\n"
                          "The sphere is too close to the plane!\n"
                          "The sphere passed through the plane\n"
                          "i: 1 D0: 0.01 D1: -0.04\n"
                          "The sphere is too close to the plane!\n"
                          "The sphere passed through the plane\n");
}

TEST_F(Walking, TurningRecomputesTheStepAndNeverWraps)
{
    turnPlayer(2.0f);
    turnPlayer(-2.0f);
    EXPECT_EQ(heading, 0.0f);
    EXPECT_EQ(egoVelocity.x, 0.0f);
    EXPECT_EQ(egoVelocity.z, 0.05f);

    for (int i = 0; i < 45; ++i) {
        turnPlayer(2.0f);
    }
    EXPECT_EQ(heading, 90.0f);
    EXPECT_TRUE(stepPlayer(true));
    EXPECT_NEAR(xpos, -0.05f, 1e-6f);
    EXPECT_EQ(zpos, 3.0f);

    for (int i = 45; i < 180; ++i) {
        turnPlayer(2.0f);
    }
    EXPECT_EQ(heading, 360.0f);
    EXPECT_EQ(yrot, 360.0f);
}

TEST(Tilt, TruncatingRemainderKeepsTheDividendsSign)
{
    const struct {
        int angle, delta, result;
    } cases[] = {
        {0, -5, -5}, {-355, -5, 0}, {355, 5, 0}, {-5, 5, 0}, {5, -5, 0}, {-350, -5, -355}, {350, 5, 355},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tiltedAngle(c.angle, c.delta), c.result) << c.angle << " " << c.delta;
    }
}

TEST(Tilt, SeventyTwoStepsComeBackToLevel)
{
    x_angle = 0;
    for (int i = 0; i < 5; ++i) {
        tiltView(-5);
    }
    EXPECT_EQ(x_angle, -25);
    for (int i = 5; i < 72; ++i) {
        tiltView(-5);
        ASSERT_GE(x_angle, -355);
    }
    EXPECT_EQ(x_angle, 0);
}

TEST(RoomTint, F3FlipsBetweenWhiteAndTheSphereColour)
{
    lights_on = 0;
    toggleRoomTint();
    EXPECT_EQ(lights_on, 1);
    toggleRoomTint();
    EXPECT_EQ(lights_on, 0);
}

}  // namespace
