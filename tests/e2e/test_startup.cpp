// End-to-end tests of start-up and quitting: window or game mode, first output, exit statuses.
#include <gtest/gtest.h>

#include "harness.h"

using e2e::Game;
using e2e::GameOptions;
using e2e::XServer;

namespace {

// What the game prints once all four 32-bit images are loaded and the audio is set up.
const char* const kStartupLines =
    "Texture 0 BPP: 32\n"
    "Texture 1 BPP: 32\n"
    "Texture 2 BPP: 32\n"
    "Texture 4 BPP: 32\n"
    "init() - No errors yet.\n"
    "init - no errors after alGenSources\n";

// A fresh build compiles Mesa's shaders on first use, so the first window can be slow.
constexpr double kWindowTimeout = 20;
constexpr double kExitTimeout = 5;

GameOptions withSoundDriver(const std::string& driver) {
    GameOptions options;
    options.soundDriver = driver;
    return options;
}

std::string diagnostics(const Game& game) {
    return "\n--- stdout ---\n" + game.out() + "--- stderr ---\n" + game.err();
}

// The sphere bobs every frame, so two shots a moment apart differ while the frame
// loop runs; a loop that drew once and stopped leaves them equal.
long changedBytes(const Game& game) {
    e2e::Image before = game.windowShot();
    Game::settle(300);
    e2e::Image after = game.windowShot();
    long changed = 0;
    for (size_t i = 0; i < before.rgb.size() && i < after.rgb.size(); ++i)
        changed += before.rgb[i] != after.rgb[i];
    return changed;
}

class Startup : public ::testing::Test {
protected:
    std::unique_ptr<XServer> x = XServer::xvfb();
};

TEST_F(Startup, RunsWindowedOnXvfbPrintsStartupLinesAndQuitsOnEscape) {
    Game game(*x);
    ASSERT_TRUE(game.waitForWindow("Kelvarine", kWindowTimeout)) << diagnostics(game);
    e2e::Geometry g = game.windowGeometry();
    EXPECT_EQ(1024, g.width);
    EXPECT_EQ(768, g.height);

    // Xvfb cannot switch video modes, so the game must carry on in its window.
    Game::settle(1000);
    ASSERT_TRUE(game.running()) << diagnostics(game);
    e2e::RegionStats scene = game.windowShot().stats();
    EXPECT_GT(scene.pixels, 1000L * 700);
    EXPECT_GT(scene.maxStddev(), 10.0) << "the window shows one flat colour: nothing drawn";
    EXPECT_GT(changedBytes(game), 0L) << "the picture does not change: the frame loop is not running";

    ASSERT_TRUE(game.waitForOutput("init - no errors after alGenSources\n", 1)) << diagnostics(game);
    std::string out = game.out();
    EXPECT_EQ(kStartupLines, out.substr(0, std::string(kStartupLines).size())) << diagnostics(game);

    game.key("Escape");
    EXPECT_EQ(0, game.waitExit(kExitTimeout)) << diagnostics(game);
}

class QuitKey : public Startup, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuitKey, EndsWithStatusZero) {
    Game game(*x, withSoundDriver("null"));
    ASSERT_TRUE(game.waitForWindow("Kelvarine", kWindowTimeout)) << diagnostics(game);
    ASSERT_TRUE(game.waitForOutput("init - no errors after alGenSources", kWindowTimeout)) << diagnostics(game);
    Game::settle();
    ASSERT_TRUE(game.running()) << diagnostics(game);

    game.key(GetParam());
    EXPECT_EQ(0, game.waitExit(kExitTimeout)) << diagnostics(game);
}

INSTANTIATE_TEST_SUITE_P(LowerAndUpperCase, QuitKey, ::testing::Values("q", "Q"));

TEST_F(Startup, WithoutSoundDeviceReportsBufferErrorAndExitsWithOne) {
    // OpenAL Soft tries only the listed backends; one that does not exist leaves no
    // device, just as on a machine without a sound card.
    Game game(*x, withSoundDriver("none_available"));
    ASSERT_EQ(1, game.waitExit(kWindowTimeout)) << diagnostics(game);

    std::string out = game.out();
    ASSERT_FALSE(out.empty());
    ASSERT_EQ('\n', out.back()) << diagnostics(game);
    std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
    EXPECT_EQ("- Error creating buffers !!\n", last) << diagnostics(game);
    EXPECT_EQ(std::string::npos, out.find("init - no errors after alGenSources")) << diagnostics(game);
}

TEST(GameMode, RunsFullScreenOnXorgDummyAndQuitsOnEscape) {
    std::string why;
    std::unique_ptr<XServer> x = XServer::xorgDummy(&why);
    if (!x)
        GTEST_SKIP() << "no X server with a switchable video mode: " << why;

    Game game(*x, withSoundDriver("null"));
    // freeglut names the game-mode window itself.
    ASSERT_TRUE(game.waitForWindow("FREEGLUT", kWindowTimeout)) << diagnostics(game);
    e2e::Geometry g = game.windowGeometry();
    EXPECT_EQ(0, g.x);
    EXPECT_EQ(0, g.y);
    EXPECT_EQ(1024, g.width);
    EXPECT_EQ(768, g.height);

    // freeglut stops the main loop at once if any window it knows lacks a display
    // callback; a second later the game must still be there and drawing.
    Game::settle(1000);
    ASSERT_TRUE(game.running()) << diagnostics(game);
    EXPECT_TRUE(game.waitForOutput("init - no errors after alGenSources", 1)) << diagnostics(game);
    EXPECT_GT(game.windowShot().stats().maxStddev(), 10.0) << "the game-mode window shows one flat colour";
    EXPECT_GT(changedBytes(game), 0L) << "the picture does not change: the frame loop is not running";

    game.key("Escape");
    EXPECT_EQ(0, game.waitExit(kExitTimeout)) << diagnostics(game);
}

}  // namespace
