// End-to-end screenshots of the room, the bobbing sphere and the verb cursor; frame rate through a swap counter.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <vector>

#include "harness.h"

using e2e::Game;
using e2e::GameOptions;
using e2e::Image;
using e2e::Rect;
using e2e::RegionStats;
using e2e::XServer;

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kWindowTimeout = 20;
// How long a test waits for an input to show on screen; frames come hundreds of times a
// second, so this only matters on a badly loaded machine.
constexpr double kShowTimeout = 5;

// --- Where things must appear --------------------------------------------------
//
// The camera at start: eye at (0, 0.5, 3) looking along -z, no rotation, a 45 degree
// vertical field of view at aspect 4:3 over the whole 1024 x 768 window. A world point
// (x, y, z) at depth d = 3 - z lands at window pixel
//   column 512 + 512 * (f / aspect) * x / d,   row 384 - 384 * f * (y - 0.5) / d,
// with f = 1 / tan(22.5 degrees) and rows counted from the top, as in a screenshot.
struct Pixel {
    double x, y;
};

Pixel project(double x, double y, double z) {
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double aspect = double(kWidth) / kHeight;
    const double d = 3.0 - z;
    return {kWidth / 2.0 * (1 + f / aspect * x / d), kHeight / 2.0 * (1 - f * (y - 0.5) / d)};
}

// The rectangle between two projected corners, cut to the window and shrunk by `margin`
// pixels on every side, so that edges a pixel off and texture filtering at the borders
// do not matter, while a surface drawn in the wrong place still misses the rectangle.
Rect between(Pixel a, Pixel b, int margin) {
    int x0 = std::max(0, int(std::ceil(std::min(a.x, b.x)))) + margin;
    int y0 = std::max(0, int(std::ceil(std::min(a.y, b.y)))) + margin;
    int x1 = std::min(kWidth, int(std::floor(std::max(a.x, b.x)))) - margin;
    int y1 = std::min(kHeight, int(std::floor(std::max(a.y, b.y)))) - margin;
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect grow(const Rect& r, int by) { return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by}; }
Rect shrink(const Rect& r, int by) { return grow(r, -by); }

bool inside(const Rect& r, int x, int y) { return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height; }

std::string str(const Rect& r) {
    std::ostringstream s;
    s << "[" << r.x << "," << r.y << " " << r.width << "x" << r.height << "]";
    return s.str();
}

// The sphere: radius 0.1 at x 0, z 0.5, its centre between heights 0.495 and 0.755. Its
// outline is a little wider than the radius projected at its centre, hence the margin.
Rect sphereBox() {
    const int margin = 6;
    Pixel top = project(-0.1, 0.755 + 0.1, 0.5), bottom = project(0.1, 0.495 - 0.1, 0.5);
    return grow(between(top, bottom, 0), margin);
}

// The verb cursor after a passive move to window pixel (x, y): its lower-left corner at
// (x * 0.0009799849, (768 - y) * 0.0013) in the overlay's 0..1 box, 0.05 of the window
// on each side; rows counted from the top as in a screenshot.
Rect cursorSquare(int x, int y) {
    const double left = x * 0.0009799849 * kWidth;
    const double bottom = kHeight - (kHeight - y) * 0.0013 * kHeight;
    const double side_x = 0.05 * kWidth, side_y = 0.05 * kHeight;
    int x0 = int(std::floor(left)), x1 = int(std::ceil(left + side_x));
    int y0 = int(std::floor(bottom - side_y)), y1 = int(std::ceil(bottom));
    return {x0, y0, x1 - x0, y1 - y0};
}

// --- Comparing pictures --------------------------------------------------------

// A pixel counts as changed when a channel moves by more than this; the scene away from
// the sphere draws the same bytes every frame, so any real change is far larger.
constexpr int kTolerance = 3;

struct Difference {
    long pixels = 0;   // compared
    long changed = 0;  // beyond kTolerance
    int largest = 0;   // largest channel change
    Rect box;          // bounding box of the changed pixels
    double share() const { return pixels ? double(changed) / pixels : 0; }
};

// Compares two shots over `area`, skipping pixels inside any of `skip`.
Difference compare(const Image& a, const Image& b, const Rect& area, const std::vector<Rect>& skip = {}) {
    Difference d;
    int x0 = kWidth, y0 = kHeight, x1 = -1, y1 = -1;
    // Only where both shots have pixels: on Xvfb the window hangs one pixel off the
    // screen's top-left corner.
    const int left = std::max({area.x, a.left, b.left}), top = std::max({area.y, a.top, b.top});
    const int right = std::min({area.x + area.width, a.left + a.width, b.left + b.width});
    const int bottom = std::min({area.y + area.height, a.top + a.height, b.top + b.height});
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (std::any_of(skip.begin(), skip.end(), [&](const Rect& r) { return inside(r, x, y); }))
                continue;
            e2e::Rgb p = a.at(x, y), q = b.at(x, y);
            int delta = std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
            ++d.pixels;
            d.largest = std::max(d.largest, delta);
            if (delta > kTolerance) {
                ++d.changed;
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (d.changed)
        d.box = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    return d;
}

const Rect kWholeWindow{0, 0, kWidth, kHeight};

// --- Recognising the three textures --------------------------------------------

double luminance(const RegionStats& s) { return 0.299 * s.mean[0] + 0.587 * s.mean[1] + 0.114 * s.mean[2]; }
// Spread between the strongest and the weakest channel: near 0 for grey.
double chroma(const RegionStats& s) {
    return *std::max_element(s.mean, s.mean + 3) - *std::min_element(s.mean, s.mean + 3);
}
bool warm(const RegionStats& s) { return s.mean[0] > s.mean[1] && s.mean[1] > s.mean[2]; }

std::string describe(const RegionStats& s) {
    char text[160];
    std::snprintf(text, sizeof text, "mean (%.0f, %.0f, %.0f), stddev %.1f, luminance %.0f, chroma %.0f", s.mean[0],
                  s.mean[1], s.mean[2], s.maxStddev(), luminance(s), chroma(s));
    return text;
}

// An untextured surface is one flat lit colour (stddev below 1 under this light); every
// image of the game has grain, planks or tile joints well above this.
constexpr double kTexturedStddev = 4;

// --- Running the game -------------------------------------------------------------

std::string diagnostics(const Game& game) {
    return "\n--- stdout ---\n" + game.out() + "--- stderr ---\n" + game.err();
}

// Takes window shots until `ready` holds for one, or the time runs out; returns the last.
Image shotWhen(const Game& game, const std::function<bool(const Image&)>& ready, bool* ok) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        Image shot = game.windowShot();
        *ok = ready(shot);
        std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
        if (*ok || waited.count() > kShowTimeout)
            return shot;
        Game::settle(50);
    }
}

// Moves the hidden pointer and waits until the cursor square has appeared there, that is
// until the picture differs from `before` inside the new square.
Image moveCursor(const Game& game, int x, int y, const Image& before, bool* ok) {
    game.mouseMove(x, y);
    Rect square = shrink(cursorSquare(x, y), 2);
    return shotWhen(game, [&](const Image& shot) { return compare(before, shot, square).changed > 0; }, ok);
}

bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

class Scene : public ::testing::Test {
protected:
    virtual GameOptions options() { return {}; }

    void SetUp() override {
        GameOptions o = options();
        o.soundDriver = "null";
        game = std::make_unique<Game>(*x, o);
        ASSERT_TRUE(game->waitForWindow("Kelvarine", kWindowTimeout)) << diagnostics(*game);
        ASSERT_EQ(kWidth, game->windowGeometry().width);
        ASSERT_EQ(kHeight, game->windowGeometry().height);
        ASSERT_TRUE(game->waitForOutput("init - no errors after alGenSources\n", kWindowTimeout))
            << diagnostics(*game);
        // Start-up warps the pointer to the centre; its passive event and the first
        // textured frames come within moments of the audio set-up.
        bool drawn = false;
        shotWhen(*game, [](const Image& shot) { return shot.stats().maxStddev() > 10; }, &drawn);
        ASSERT_TRUE(drawn) << "the window never showed a textured picture" << diagnostics(*game);
        Game::settle(200);
    }

    void TearDown() override { game.reset(); }

    std::unique_ptr<XServer> x = XServer::xvfb(kWidth, kHeight);
    std::unique_ptr<Game> game;
};

// --- The room -------------------------------------------------------------------

enum class Surface { Ceiling, Floor, Wall };

struct Region {
    const char* name;
    Rect area;
    Surface surface;
};

// Regions of the first view, each well inside one surface. Between them they pin the
// layout: a mirrored camera puts the block (and its wall colour) where the right-hand
// ceiling region is, an upside-down one swaps the floor and ceiling bands.
std::vector<Region> firstViewRegions() {
    const int m = 12;
    // The platform top (y 0.25) and the block's top (y 1) seen at the block face (z 1)
    // and at the back wall (z -1).
    Pixel blockTopFront = project(-0.5, 1, 1), blockFloorFront = project(-0.5, 0, 1);
    Pixel backTopAtBlock = project(-0.5, 1, -1);
    Pixel backPlatformRight = project(2.5, 0.25, -1);
    Rect sphere = sphereBox();
    return {
        // Everything above the top edge of the block front is ceiling.
        {"ceiling band", between({0, 0}, {kWidth, blockTopFront.y}, m), Surface::Ceiling},
        // Right of the block, between its top and the back wall's top: ceiling again.
        {"ceiling right of the block", between({backTopAtBlock.x + 40, blockTopFront.y}, {kWidth, backTopAtBlock.y}, m),
         Surface::Ceiling},
        {"block front", between(project(-2.5, 1, 1), blockFloorFront, m), Surface::Wall},
        // The back wall right of the sphere, from the ceiling down to the platform top.
        {"back wall", between({double(sphere.x + sphere.width), backTopAtBlock.y}, backPlatformRight, m),
         Surface::Wall},
        {"platform front", between(project(-0.5, 0.25, 1), project(2.5, 0, 1), m), Surface::Wall},
        // Below the bottom edge of the block and platform fronts only floor shows. The
        // lower right corner is left to the cursor of the README picture.
        {"floor band", between({0, blockFloorFront.y}, {kWidth * 0.8, kHeight}, m), Surface::Floor},
    };
}

// The README picture's cursor: the eye over the floor in the lower right.
constexpr int kReadmeCursorX = 880, kReadmeCursorY = 700;

TEST_F(Scene, FirstViewShowsRoomLayoutAndItsThreeTextures) {
    bool moved = false;
    Image before = game->windowShot();
    Image shot = moveCursor(*game, kReadmeCursorX, kReadmeCursorY, before, &moved);
    ASSERT_TRUE(moved) << "the cursor never reached the lower right" << diagnostics(*game);

    std::filesystem::create_directories(KELVARINE_SCREENSHOT_DIR);
    EXPECT_TRUE(shot.savePng(std::string(KELVARINE_SCREENSHOT_DIR) + "/first-view.png"));

    Rect cursor = cursorSquare(kReadmeCursorX, kReadmeCursorY);
    RegionStats wall{}, floor{};
    for (const Region& r : firstViewRegions()) {
        ASSERT_GT(r.area.width, 40) << r.name << " " << str(r.area);
        ASSERT_GT(r.area.height, 40) << r.name << " " << str(r.area);
        ASSERT_FALSE(overlap(r.area, cursor)) << r.name << " " << str(r.area) << " overlaps the cursor";
        RegionStats s = shot.stats(r.area);
        SCOPED_TRACE(std::string(r.name) + " " + str(r.area) + ": " + describe(s));
        EXPECT_GT(s.maxStddev(), kTexturedStddev) << "untextured";
        switch (r.surface) {
        case Surface::Ceiling:
            // Off-white tiles: bright and nearly grey.
            EXPECT_GT(luminance(s), 120);
            EXPECT_LT(chroma(s), 25);
            break;
        case Surface::Floor:
            floor = s;
            EXPECT_TRUE(warm(s));
            EXPECT_GT(chroma(s), 50);
            break;
        case Surface::Wall:
            if (wall.pixels == 0)
                wall = s;
            EXPECT_TRUE(warm(s));
            EXPECT_GT(chroma(s), 25);
            EXPECT_LT(luminance(s), 100);
            // All wall regions show the same planks under nearly the same light.
            EXPECT_NEAR(luminance(wall), luminance(s), 15);
            break;
        }
    }
    // The floor boards are the lighter brown: a floor drawn with the wall image fails here.
    EXPECT_GT(luminance(floor), luminance(wall) + 25) << "floor " << describe(floor) << "; wall " << describe(wall);
}

// --- The sphere ------------------------------------------------------------------

TEST_F(Scene, OnlyTheSphereAnimatesAboveThePlatformAtTheCentre) {
    // The cursor is moved off to the floor, where it stays still.
    bool moved = false;
    Image shot = moveCursor(*game, 150, 700, game->windowShot(), &moved);
    ASSERT_TRUE(moved) << diagnostics(*game);

    Rect sphere = sphereBox();
    Rect changes;
    for (int i = 0; i < 3; ++i) {
        Game::settle(300);
        Image later = game->windowShot();
        Difference whole = compare(shot, later, kWholeWindow);
        SCOPED_TRACE("shot " + std::to_string(i + 1) + ": changed " + std::to_string(whole.changed) + " pixels in " +
                     str(whole.box) + ", sphere expected in " + str(sphere));
        // Colour drift repaints the whole disc; bobbing moves it. Either way a good part
        // of a ball about 74 pixels across changes.
        EXPECT_GT(whole.changed, 500);
        EXPECT_EQ(0, compare(shot, later, kWholeWindow, {sphere}).changed) << "something outside the sphere moved";
        if (whole.changed) {
            EXPECT_NEAR(whole.box.x + whole.box.width / 2.0, kWidth / 2.0, 8) << "not centred on the middle column";
            if (changes.width == 0)
                changes = whole.box;
            int right = std::max(changes.x + changes.width, whole.box.x + whole.box.width);
            int bottom = std::max(changes.y + changes.height, whole.box.y + whole.box.height);
            changes.x = std::min(changes.x, whole.box.x);
            changes.y = std::min(changes.y, whole.box.y);
            changes.width = right - changes.x;
            changes.height = bottom - changes.y;
        }
        shot = later;
    }
    // A ball of radius 0.1 at depth 2.5 is about 74 pixels wide; the region swept by its
    // changes lies above the platform's top edge at the back wall.
    EXPECT_NEAR(74, changes.width, 12) << str(changes);
    EXPECT_LT(changes.y + changes.height, project(0, 0.25, -1).y) << str(changes);
}

// --- The verb cursor ----------------------------------------------------------------

struct Spot {
    int x, y;
};

// Spots away from the sphere's column, over the block, the back wall, the ceiling, the
// platform and the floor, visited in this order; no two neighbouring squares overlap.
const Spot kCursorSpots[] = {{150, 650}, {300, 500}, {700, 200}, {90, 300}, {800, 560}, {620, 360}};

TEST_F(Scene, CursorSquareFollowsThePointerAndBlendsItsImage) {
    bool moved = false;
    Image shot = moveCursor(*game, kCursorSpots[0].x, kCursorSpots[0].y, game->windowShot(), &moved);
    ASSERT_TRUE(moved) << diagnostics(*game);

    for (size_t i = 1; i < std::size(kCursorSpots); ++i) {
        const Spot& from = kCursorSpots[i - 1];
        const Spot& to = kCursorSpots[i];
        Rect oldSquare = cursorSquare(from.x, from.y), square = cursorSquare(to.x, to.y);
        SCOPED_TRACE("pointer to (" + std::to_string(to.x) + ", " + std::to_string(to.y) + "), square expected at " +
                     str(square));
        Image next = moveCursor(*game, to.x, to.y, shot, &moved);
        ASSERT_TRUE(moved) << "nothing appeared at the new place";

        // Outside the two squares (and the moving sphere) the picture is unchanged: the
        // square is exactly where the arithmetic puts it, give or take two pixels.
        Difference rest = compare(shot, next, kWholeWindow, {grow(oldSquare, 2), grow(square, 2), sphereBox()});
        EXPECT_EQ(0, rest.changed) << "changes outside the expected squares, within " << str(rest.box);

        // Inside, the eye is laid over the scene: its opaque part changes the picture and
        // its transparent surround does not, so neither none nor all of the square changes.
        // At half opacity no channel moves by more than half its range.
        for (const auto& [name, area] : {std::pair{"new square", square}, std::pair{"old square", oldSquare}}) {
            Difference d = compare(shot, next, shrink(area, 2));
            EXPECT_GT(d.share(), 0.1) << name;
            EXPECT_LT(d.share(), 0.7) << name;
            EXPECT_LE(d.largest, 130) << name;
        }
        shot = next;
    }
}

TEST_F(Scene, TabCyclesTheCursorImageLookTalkInventoryDo) {
    // Over the ceiling, a bright, even background for the images; `bare` is the same
    // place with the cursor away on the floor.
    const Spot spot{700, 200};
    const Rect in = shrink(cursorSquare(spot.x, spot.y), 2);
    bool ok = false;
    Image bare = moveCursor(*game, 150, 650, game->windowShot(), &ok);
    ASSERT_TRUE(ok) << diagnostics(*game);
    Image look = moveCursor(*game, spot.x, spot.y, bare, &ok);
    ASSERT_TRUE(ok) << diagnostics(*game);

    // Each Tab prints the new verb's number and, from the next frame on, shows an image
    // other than the one before.
    const std::pair<const char*, const char*> cycle[] = {
        {"TALK", "Cursor_type: 2\n"}, {"INVENTORY", "Cursor_type: 3\n"}, {"DO", "Cursor_type: 0\n"}, {"LOOK", "Cursor_type: 1\n"}};
    std::vector<Image> shots = {look};
    for (const auto& [verb, line] : cycle) {
        SCOPED_TRACE(verb);
        game->key("Tab");
        ASSERT_TRUE(game->waitForOutput(line, kShowTimeout)) << diagnostics(*game);
        const Image& before = shots.back();
        shots.push_back(shotWhen(*game, [&](const Image& shot) { return compare(before, shot, in).changed > 0; }, &ok));
        ASSERT_TRUE(ok) << "the cursor image did not change";
    }
    const Image& talk = shots[1];
    const Image& inventory = shots[2];
    const Image& doShot = shots[3];
    const Image& lookAgain = shots[4];

    EXPECT_GT(compare(look, talk, in).share(), 0.15) << "TALK looks like LOOK";
    EXPECT_GT(compare(look, doShot, in).share(), 0.15) << "DO looks like LOOK";
    EXPECT_GT(compare(talk, doShot, in).share(), 0.15) << "DO looks like TALK";
    EXPECT_EQ(0, compare(look, inventory, in).changed) << "INVENTORY must show the LOOK image";
    EXPECT_EQ(0, compare(look, lookAgain, in).changed) << "the fourth Tab must bring LOOK back";
    // Every image is half-transparent with a clear surround over the same scene.
    for (const Image* shot : std::initializer_list<const Image*>{&look, &talk, &doShot}) {
        Difference d = compare(bare, *shot, in);
        EXPECT_GT(d.share(), 0.1);
        EXPECT_LT(d.share(), 0.8);
        EXPECT_LE(d.largest, 130);
    }
}

// --- Frame rate ---------------------------------------------------------------------

struct SwapSample {
    unsigned long long swaps = 0;
    double seconds = 0;
};

bool readSwaps(const std::string& path, SwapSample* s) {
    std::istringstream in(e2e::readFile(path));
    return static_cast<bool>(in >> s->swaps >> s->seconds);
}

class SceneWithSwapCounter : public Scene {
protected:
    GameOptions options() override {
        GameOptions o;
        o.preload = KELVARINE_SWAP_COUNTER;
        o.env = {{"KELVARINE_SWAP_LOG", log}};
        return o;
    }
    e2e::TempDir dir;
    const std::string log = dir.file("swaps");
};

TEST_F(SceneWithSwapCounter, FramesKeepComingUnderXvfb) {
    // Rates over three one-second windows. The figure is printed, not judged: the speed
    // depends on the machine and its load. What must hold is that the loop goes on
    // drawing with no input at all.
    std::vector<double> rates;
    SwapSample first;
    ASSERT_TRUE(readSwaps(log, &first)) << "the swap counter wrote nothing" << diagnostics(*game);
    for (int i = 0; i < 3; ++i) {
        Game::settle(1000);
        SwapSample next;
        ASSERT_TRUE(readSwaps(log, &next));
        ASSERT_GT(next.seconds, first.seconds);
        EXPECT_GT(next.swaps, first.swaps) << "no frame in window " << i + 1;
        rates.push_back((next.swaps - first.swaps) / (next.seconds - first.seconds));
        first = next;
    }
    std::sort(rates.begin(), rates.end());
    std::printf("frames per second at %dx%d under Xvfb: median %.0f (%.0f to %.0f)\n", kWidth, kHeight, rates[1],
                rates[0], rates[2]);
    RecordProperty("fps_median", std::to_string(int(rates[1])));
}

}  // namespace
