// End-to-end tests of interaction: walking, held keys and footsteps, picking and the sphere's sound, keys, buttons, full screen.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

using e2e::Game;
using e2e::GameOptions;
using e2e::Image;
using e2e::Rect;
using e2e::RegionStats;
using e2e::XServer;

namespace {

// A fresh build compiles Mesa's shaders on first use, so the first window can be slow.
constexpr double kWindowTimeout = 20;
constexpr double kOutputTimeout = 10;
constexpr int kSampleRate = 22050;

// Stays on the sphere's path for about three quarters of its bounce: the sphere's
// centre runs between rows 289 and 386 of column 512 with a radius of about 37 pixels.
constexpr int kSphereX = 512, kSphereY = 337;

// Below the recorder's noise floor (about 0.00002) by far less than any sound we play:
// the footsteps record at about 0.015 and the sphere's sound at about 0.06.
constexpr double kSilence = 0.001;
constexpr double kAudible = 0.005;

// Parts of the window that the sphere and the verb cursor never cover.
const Rect kLeftWall{0, 160, 260, 300};
const Rect kFloorBand{0, 640, 1024, 128};
const Rect kRightWall{620, 200, 400, 240};

std::string diagnostics(const Game& game) {
    return "\n--- stdout ---\n" + game.out() + "--- stderr ---\n" + game.err();
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

bool waitUntil(const std::function<bool()>& done, double timeoutSeconds) {
    auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > timeoutSeconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Mean over the three channels of |a - b| in `r`, both pictures in window coordinates.
double meanAbsDiff(const Image& a, const Image& b, const Rect& r) {
    double sum = 0;
    long n = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) {
            if (!a.contains(x, y) || !b.contains(x, y))
                continue;
            e2e::Rgb p = a.at(x, y), q = b.at(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
            n += 3;
        }
    return n ? sum / n : 0;
}

// The vertical offset s that best lays `after` over `before` in `r`: before(x, y)
// matches after(x, y + s), so a positive s means the picture moved down.
int verticalShift(const Image& before, const Image& after, const Rect& r, int maxShift) {
    int best = 0;
    double bestDiff = 1e9;
    for (int s = -maxShift; s <= maxShift; ++s) {
        double sum = 0;
        long n = 0;
        for (int y = r.y; y < r.y + r.height; y += 2)
            for (int x = r.x; x < r.x + r.width; x += 2) {
                if (!before.contains(x, y) || !after.contains(x, y + s))
                    continue;
                e2e::Rgb p = before.at(x, y), q = after.at(x, y + s);
                sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
                ++n;
            }
        if (n > 0 && sum / n < bestDiff) {
            bestDiff = sum / n;
            best = s;
        }
    }
    return best;
}

// The OpenAL source name in a logged call such as "play 3".
std::string sourceOf(const std::string& call) { return call.substr(call.find(' ') + 1); }

double brightness(const RegionStats& s) { return (s.mean[0] + s.mean[1] + s.mean[2]) / 3; }

// The player as the console describes it, worked out in single precision like the
// game: a step moves by (sin, cos) of the heading times 0.05, and the collision plane
// z = 0 gives the distances -z and z through its two normals (0, 0, -1) and (0, 0, 1).
class Walker {
public:
    void press(const std::string& key) {
        if (key == "Up" || key == "Down")
            step(key == "Up");
        else if (key == "Left" || key == "Right")
            turn(key == "Left" ? 2.0f : -2.0f);
    }
    std::string transcript() const { return out_.str(); }

private:
    void turn(float degrees) {
        heading_ += degrees;
        const float a = heading_ * 0.0174532925f;
        vx_ = static_cast<float>(std::sin(static_cast<double>(a))) * 0.05f;
        vz_ = static_cast<float>(std::cos(static_cast<double>(a))) * 0.05f;
    }
    void step(bool forward) {
        const float nx = forward ? x_ - vx_ : x_ + vx_;
        const float nz = forward ? z_ - vz_ : z_ + vz_;
        const float distances[2][2] = {{-z_, -nz}, {z_, nz}};
        bool refused = false;
        for (int i = 0; i < 2; ++i) {
            if (forward)
                out_ << "i: " << i << " ";
            out_ << "D0: " << distances[i][0] << " D1: " << distances[i][1] << "\n";
            if (std::fabs(distances[i][1]) < 1.5f) {
                out_ << "The sphere is too close to the plane!\n";
                refused = true;
            }
        }
        if (refused)
            return;
        x_ = nx;
        z_ = nz;
        out_ << (forward ? "UP" : "DOWN") << " ego Position: x: " << x_ << " y: 0 z: " << z_ << "\n"
             << "xpos: " << x_ << " zpos: " << z_ << "\n\n";
    }

    float x_ = 0, z_ = 3, heading_ = 0, vx_ = 0, vz_ = 0.05f;
    std::ostringstream out_;
};

class Interaction : public ::testing::Test {
protected:
    // Starts the game with the sound recorded and returns once it runs and has handled
    // everything X sent it during start-up.
    void start(GameOptions options = {}) {
        options.sampleRate = kSampleRate;
        game = std::make_unique<Game>(*x, options);
        ASSERT_TRUE(game->waitForWindow("Kelvarine", kWindowTimeout)) << diagnostics(*game);
        ASSERT_TRUE(game->waitForOutput("init - no errors after alGenSources\n", kWindowTimeout))
            << diagnostics(*game);
        Game::settle(300);
        ASSERT_NO_FATAL_FAILURE(fence());
    }

    // Presses Return and waits for its line. X delivers one client's events in order,
    // so once the line is there every input sent before it has been handled.
    void fence() {
        const size_t seen = occurrences(game->out(), "Saw Mac ENTER\n");
        game->key("Return");
        ASSERT_TRUE(waitUntil([&] { return occurrences(game->out(), "Saw Mac ENTER\n") > seen; }, kOutputTimeout))
            << diagnostics(*game);
    }

    // Console output written since `mark`, a length of out() taken earlier.
    std::string outputSince(size_t mark) const { return game->out().substr(mark); }

    // How far the recording has got, in seconds: OpenAL Soft writes it in real time.
    double recordedSeconds() const {
        struct stat st {};
        if (stat(game->wavFile().c_str(), &st) != 0)
            return 0;
        return static_cast<double>(st.st_size) / (2.0 * kSampleRate);
    }

    void waitForRecording(double seconds) const {
        ASSERT_TRUE(waitUntil([&] { return recordedSeconds() > seconds; }, kOutputTimeout))
            << "the recording stopped at " << recordedSeconds() << " s";
    }

    // A shot once the game has handled every input sent so far and drawn a few frames.
    Image shotAfterInput() {
        fence();
        Game::settle(200);
        return game->windowShot();
    }

    std::unique_ptr<XServer> x = XServer::xvfb();
    std::unique_ptr<Game> game;
};

TEST_F(Interaction, ArrowKeysWalkAndTurnWithTheExpectedTranscriptAndMoveTheCamera) {
    // One press and one release per key, whatever the machine's load.
    ASSERT_EQ(0, x->run("xset r off"));
    ASSERT_NO_FATAL_FAILURE(start());
    const Image first = shotAfterInput();

    const std::vector<std::string> keys = {"Up", "Up", "Down", "Left", "Up", "Right", "Up", "Up",
                                           "Up", "Up", "Up", "Up", "Up", "Up"};
    Walker walker;
    const size_t mark = game->out().size();
    for (const auto& k : keys) {
        game->key(k);
        walker.press(k);
    }
    ASSERT_NO_FATAL_FAILURE(fence());

    const std::string transcript = outputSince(mark);
    EXPECT_EQ(walker.transcript() + "Saw Mac ENTER\n", transcript);
    // The model's own anchor: the first step as the game's documentation spells it out.
    EXPECT_EQ(0u, transcript.find("i: 0 D0: -3 D1: -2.95\n"
                                  "i: 1 D0: 3 D1: 2.95\n"
                                  "UP ego Position: x: 0 y: 0 z: 2.95\n"
                                  "xpos: 0 zpos: 2.95\n"
                                  "\n"));
    EXPECT_NE(std::string::npos, transcript.find("UP ego Position: x: -0.00174497 y: 0 z: "))
        << "the step after the left turn must move sideways";

    // Ten steps nearer, the platform's front edge drops from about row 615 to about 690:
    // the floor band just below it in the first view turns into the darker platform
    // front, while the floor at the bottom of the window stays floor.
    const Image near = shotAfterInput();
    const Rect belowEdge{600, 630, 400, 40}, bottom{600, 730, 400, 38};
    const double before = brightness(first.stats(belowEdge)), after = brightness(near.stats(belowEdge));
    std::cout << "band below the platform edge: brightness " << before << " -> " << after << "; bottom "
              << brightness(first.stats(bottom)) << " -> " << brightness(near.stats(bottom)) << "\n";
    EXPECT_LT(after, before - 20) << "the camera did not come nearer to the platform";
    EXPECT_NEAR(brightness(first.stats(bottom)), brightness(near.stats(bottom)), 10);
}

// Run on a connection with detectable auto-repeat (repeats come as presses alone) and
// on one without it (each repeat comes as a release and a press while the key is held).
class HeldKey : public Interaction, public ::testing::WithParamInterface<bool> {};

TEST_P(HeldKey, UpRepeatsStepsAndPlaysTheFootstepsOnceUntilReleased) {
    // The X server's own auto-repeat, which the game must turn into presses alone.
    ASSERT_EQ(0, x->run("xset r on r rate 660 25"));
    GameOptions options;
    options.logAlCalls = true;
    if (!GetParam())
        options.preload = KELVARINE_NO_DETECTABLE_REPEAT;
    ASSERT_NO_FATAL_FAILURE(start(options));

    const size_t mark = game->out().size();
    const double down = recordedSeconds();
    game->keyDown("Up");
    // Long enough for the 30 steps that fit before the plane and some refused ones.
    Game::settle(2600);
    const double up = recordedSeconds();
    game->keyUp("Up");
    ASSERT_NO_FATAL_FAILURE(fence());

    const std::string transcript = outputSince(mark);
    const size_t presses = occurrences(transcript, "i: 0 ");
    const size_t steps = occurrences(transcript, "UP ego Position");
    std::cout << "held " << up - down << " s: " << presses << " presses, " << steps << " steps\n";
    ASSERT_GE(presses, 31u) << "auto-repeat gave too few presses to reach the plane" << diagnostics(*game);
    EXPECT_EQ(30u, steps);
    Walker walker;
    for (size_t i = 0; i < presses; ++i)
        walker.press("Up");
    EXPECT_EQ(walker.transcript() + "Saw Mac ENTER\n", transcript);
    const std::vector<std::string> calls = game->alCalls();
    std::string callList;
    for (const auto& c : calls)
        callList += c + "; ";
    ASSERT_EQ(2u, calls.size()) << "repeats or refused steps restarted or stopped the footsteps: " << callList;
    EXPECT_EQ(0u, calls[0].find("play "));
    EXPECT_EQ("stop " + sourceOf(calls[0]), calls[1]) << "the release stopped another source";

    ASSERT_NO_FATAL_FAILURE(waitForRecording(up + 1.2));
    const double before = game->rms(std::max(0.0, down - 0.8), 0.6);
    const double walking = game->rms(down + 0.3, 1.4);
    const double refused = game->rms(down + 2.0, up - down - 2.1);
    const double after = game->rms(up + 0.5, 0.6);
    std::cout << "footsteps RMS: before " << before << ", walking " << walking << ", at the plane " << refused
              << ", after release " << after << "\n";
    EXPECT_LT(before, kSilence);
    EXPECT_GT(walking, kAudible);
    EXPECT_GT(refused, kAudible) << "the footsteps stopped while the key was still held";
    EXPECT_LT(after, kSilence) << "the footsteps go on after the release";

    // At the plane a fresh press is refused and must not start the footsteps again; its
    // release stops the silent source all the same.
    game->key("Up");
    ASSERT_NO_FATAL_FAILURE(fence());
    EXPECT_EQ((std::vector<std::string>{calls[0], calls[1], calls[1]}), game->alCalls());
}

INSTANTIATE_TEST_SUITE_P(AutoRepeat, HeldKey, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& info) {
    return std::string(info.param ? "Detectable" : "ReleasePressPairs");
});

TEST_F(Interaction, LeftClickOnTheSphereTogglesItsSoundOnlyWithTheVerbDo) {
    GameOptions options;
    options.logAlCalls = true;
    ASSERT_NO_FATAL_FAILURE(start(options));

    auto clickAt = [&](int px, int py) {
        game->mouseMove(px, py);
        game->click(1);
    };

    // The start verb is LOOK: six clicks on the sphere's path hit it almost surely,
    // and none may sound.
    for (int i = 0; i < 6; ++i)
        clickAt(kSphereX, kSphereY);
    ASSERT_NO_FATAL_FAILURE(fence());
    EXPECT_TRUE(game->alCalls().empty()) << "LOOK on the sphere made a sound call";

    const size_t mark = game->out().size();
    for (int i = 0; i < 3; ++i)
        game->key("Tab");
    ASSERT_NO_FATAL_FAILURE(fence());
    ASSERT_EQ("Cursor_type: 2\nCursor_type: 3\nCursor_type: 0\nSaw Mac ENTER\n", outputSince(mark));

    struct Spot {
        const char* what;
        int x, y;
    };
    for (const Spot& s : {Spot{"floor", 512, 720}, Spot{"back wall", 900, 320}, Spot{"side wall", 120, 420},
                          Spot{"platform front", 700, 560}, Spot{"ceiling", 512, 40}}) {
        clickAt(s.x, s.y);
        ASSERT_NO_FATAL_FAILURE(fence());
        EXPECT_TRUE(game->alCalls().empty()) << "DO on the " << s.what << " made a sound call";
    }

    // Clicks on the sphere's path until one lands on the sphere; misses hit the wall
    // behind it, which does nothing.
    auto clickSphereUntilCalls = [&](size_t calls) {
        for (int tries = 0; tries < 20 && game->alCalls().size() < calls; ++tries) {
            clickAt(kSphereX, kSphereY);
            fence();
        }
    };
    clickSphereUntilCalls(1);
    ASSERT_EQ(1u, game->alCalls().size());
    const std::string sphere = sourceOf(game->alCalls()[0]);
    ASSERT_EQ("play " + sphere, game->alCalls()[0]);
    const double played = recordedSeconds();
    ASSERT_NO_FATAL_FAILURE(waitForRecording(played + 1.2));

    clickSphereUntilCalls(2);
    ASSERT_EQ((std::vector<std::string>{"play " + sphere, "stop " + sphere}), game->alCalls());
    const double stopped = recordedSeconds();
    ASSERT_NO_FATAL_FAILURE(waitForRecording(stopped + 1.2));

    // The sphere's sound is about four times louder than the footsteps: the level tells
    // the right sound was started.
    const double before = game->rms(std::max(0.0, played - 1.0), 0.6);
    const double playing = game->rms(played + 0.3, 0.8);
    const double after = game->rms(stopped + 0.5, 0.6);
    std::cout << "sphere sound RMS: before " << before << ", playing " << playing << ", stopped " << after << "\n";
    EXPECT_LT(before, kSilence);
    EXPECT_GT(playing, 0.03);
    EXPECT_LT(after, kSilence);

    // A step plays the footsteps, which must be another source than the sphere's.
    game->key("Up");
    ASSERT_NO_FATAL_FAILURE(fence());
    const std::vector<std::string> calls = game->alCalls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_NE("play " + sphere, calls[2]);
    EXPECT_EQ("stop " + sourceOf(calls[2]), calls[3]);
}

TEST_F(Interaction, KeysAndButtonsWriteExactlyTheirLines) {
    ASSERT_NO_FATAL_FAILURE(start());
    struct Case {
        const char* what;
        std::function<void()> send;
        const char* lines;
    };
    const std::vector<Case> cases = {
        {"Tab", [&] { game->key("Tab"); }, "Cursor_type: 2\n"},
        {"Return", [&] { game->key("Return"); }, "Saw Mac ENTER\n"},
        {"Linefeed", [&] { game->key("Linefeed"); }, "Saw ENTER\n"},
        {"middle press", [&] { game->mouseDown(2); }, "Middle button\n"},
        {"middle release", [&] { game->mouseUp(2); }, "Middle button\n"},
        {"right press", [&] { game->mouseDown(3); }, "Cursor_type: 3\n"},
        {"right release", [&] { game->mouseUp(3); }, ""},
        {"right click from INVENTORY", [&] { game->click(3); }, "Cursor_type: 0\n"},
        {"wheel", [&] { game->click(4); }, ""},
        {"a", [&] { game->key("a"); }, ""},
        {"Z", [&] { game->key("Z"); }, ""},
        {"5", [&] { game->key("5"); }, ""},
        {"space", [&] { game->key("space"); }, ""},
        {"F2", [&] { game->key("F2"); }, ""},
        {"Home", [&] { game->key("Home"); }, ""},
        {"End", [&] { game->key("End"); }, ""},
        // Commands that act silently.
        {"left press", [&] { game->mouseDown(1); }, ""},
        {"left release", [&] { game->mouseUp(1); }, ""},
        {"Left", [&] { game->key("Left"); }, ""},
        {"Right", [&] { game->key("Right"); }, ""},
        {"Page_Up", [&] { game->key("Page_Up"); }, ""},
        {"Page_Down", [&] { game->key("Page_Down"); }, ""},
        {"F3", [&] { game->key("F3"); }, ""},
        {"L with Shift", [&] { game->key("L"); }, ""},
        {"l", [&] { game->key("l"); }, ""},
        {"X with Shift", [&] { game->key("X"); }, ""},
        {"x", [&] { game->key("x"); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t mark = game->out().size();
        c.send();
        ASSERT_NO_FATAL_FAILURE(fence());
        EXPECT_EQ(std::string(c.lines) + "Saw Mac ENTER\n", outputSince(mark));
    }
}

TEST_F(Interaction, LTogglesTheLightingOfThePicture) {
    ASSERT_NO_FATAL_FAILURE(start());
    const Image lit = shotAfterInput();
    game->key("L");
    const Image unlit = shotAfterInput();
    game->key("l");
    const Image relit = shotAfterInput();

    for (const Rect& r : {kLeftWall, kFloorBand, kRightWall}) {
        const double a = brightness(lit.stats(r)), b = brightness(unlit.stats(r)), c = brightness(relit.stats(r));
        std::cout << "brightness lit " << a << ", unlit " << b << ", lit again " << c << "\n";
        EXPECT_GT(std::fabs(a - b), 10.0) << "L did not change the lighting";
        EXPECT_LT(std::fabs(a - c), 2.0) << "l did not bring the lighting back";
        EXPECT_LT(meanAbsDiff(lit, relit, r), 3.0);
    }
}

TEST_F(Interaction, XAndPageUpTiltOneWayLowerXAndPageDownTheOther) {
    ASSERT_NO_FATAL_FAILURE(start());
    const Image level = shotAfterInput();
    // Five degrees at a focal length of about 927 pixels move the middle rows by about 80.
    struct Step {
        const char* key;
        int shiftFromLevel;
    };
    // Page Up and Page Down tilt by the same steps as X and x.
    for (const Step& s : {Step{"X", 81}, Step{"x", 0}, Step{"x", -81}, Step{"X", 0}, Step{"Page_Up", 81},
                          Step{"Page_Down", 0}}) {
        SCOPED_TRACE(s.key);
        game->key(s.key);
        const Image tilted = shotAfterInput();
        const int shift = verticalShift(level, tilted, kRightWall, 120);
        std::cout << s.key << ": picture moved " << shift << " rows from the level view\n";
        EXPECT_NEAR(s.shiftFromLevel, shift, 12);
        if (s.shiftFromLevel == 0) {
            EXPECT_LT(meanAbsDiff(level, tilted, kRightWall), 3.0) << "the level view did not come back";
        }
    }
}

TEST_F(Interaction, F3TintsTheRoomAndF3AgainRestoresIt) {
    ASSERT_NO_FATAL_FAILURE(start());
    const Image white = shotAfterInput();
    const RegionStats plain = white.stats(kFloorBand);

    // The tint follows the sphere's drifting colour, which may by chance lie near
    // white for a moment; a few shots apart catch it away from white.
    game->key("F3");
    double largest = 0;
    for (int shot = 0; shot < 4 && largest <= 20; ++shot) {
        const RegionStats tinted = shotAfterInput().stats(kFloorBand);
        for (int c = 0; c < 3; ++c)
            largest = std::max(largest, std::fabs(tinted.mean[c] - plain.mean[c]));
        Game::settle(400);
    }
    std::cout << "largest change of a floor colour channel under the tint: " << largest << "\n";
    EXPECT_GT(largest, 20.0) << "F3 did not tint the room";

    game->key("F3");
    const Image back = shotAfterInput();
    EXPECT_LT(meanAbsDiff(white, back, kFloorBand), 3.0) << "the second F3 did not restore the white room";
    EXPECT_LT(meanAbsDiff(white, back, kLeftWall), 3.0);
}

// Unlit, the sphere shows its colour exactly and the floor its texels times the room's
// colour, so the floor's channels shrink by the sphere's colour of the same frame.
TEST_F(Interaction, F3TintsTheRoomInTheSphereCurrentColour) {
    ASSERT_NO_FATAL_FAILURE(start());
    game->mouseMove(1000, 20);  // the verb cursor away into the ceiling's corner
    game->key("l");
    const RegionStats plain = shotAfterInput().stats(kFloorBand);
    game->key("F3");

    // The sphere's rows: a run of one flat colour across the middle column, where the
    // wall behind it shows grain.
    auto sphereColour = [](const Image& shot, e2e::Rgb* colour) {
        std::vector<e2e::Rgb> rows;
        for (int y = 250; y < 430; ++y) {
            const e2e::Rgb c = shot.at(512, y);
            bool flat = true;
            for (int x = 496; x <= 528 && flat; ++x) {
                const e2e::Rgb p = shot.at(x, y);
                flat = std::abs(p.r - c.r) <= 1 && std::abs(p.g - c.g) <= 1 && std::abs(p.b - c.b) <= 1;
            }
            if (flat)
                rows.push_back(c);
        }
        if (rows.size() < 20)
            return false;
        *colour = rows[rows.size() / 2];
        return true;
    };
    e2e::Rgb sphere;
    Image tinted;
    bool found = false;
    // A sphere near white would let an untinted room pass: wait for a clear colour.
    for (int tries = 0; tries < 20 && !found; ++tries) {
        tinted = shotAfterInput();
        found = sphereColour(tinted, &sphere) && std::min({sphere.r, sphere.g, sphere.b}) < 200;
    }
    ASSERT_TRUE(found) << "no flat-coloured sphere away from white in the middle column";
    const RegionStats floor = tinted.stats(kFloorBand);
    const int expected[3] = {sphere.r, sphere.g, sphere.b};
    for (int c = 0; c < 3; ++c) {
        const double tint = 255 * floor.mean[c] / plain.mean[c];
        std::cout << "channel " << c << ": sphere " << expected[c] << ", floor scaled by " << tint / 255 << "\n";
        EXPECT_NEAR(expected[c], tint, 6) << "channel " << c;
    }
}

TEST_F(Interaction, F1LeavesFullScreenForTheSavedWindowAndF1AgainReturns) {
    ASSERT_NO_FATAL_FAILURE(start());
    auto geometryBecomes = [&](int w, int h) {
        return waitUntil(
            [&] {
                if (!game->waitForWindow("Kelvarine", 2))
                    return false;
                e2e::Geometry g = game->windowGeometry();
                return g.width == w && g.height == h;
            },
            kOutputTimeout);
    };

    game->key("F1");
    ASSERT_TRUE(geometryBecomes(800, 600)) << "window " << game->windowGeometry().width << "x"
                                           << game->windowGeometry().height << diagnostics(*game);
    // The window's position may settle just after its size.
    EXPECT_TRUE(waitUntil(
        [&] {
            game->waitForWindow("Kelvarine", 2);
            return game->windowGeometry().x == 20 && game->windowGeometry().y == 20;
        },
        kOutputTimeout))
        << "window at " << game->windowGeometry().x << "," << game->windowGeometry().y;
    Game::settle(300);
    const Image screen = e2e::screenshot(*x);
    EXPECT_LT(screen.stats({840, 0, 184, 768}).maxStddev(), 1.0) << "the game still draws right of its window";
    EXPECT_GT(game->windowShot().stats().maxStddev(), 10.0) << "the 800 x 600 window shows no room";

    game->key("F1");
    ASSERT_TRUE(geometryBecomes(1024, 768)) << "window " << game->windowGeometry().width << "x"
                                            << game->windowGeometry().height << diagnostics(*game);
    Game::settle(300);
    EXPECT_GT(e2e::screenshot(*x).stats({840, 0, 184, 768}).maxStddev(), 10.0)
        << "the full-screen window does not reach the screen's right side";
}

}  // namespace
