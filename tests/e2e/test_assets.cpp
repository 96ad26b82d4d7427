// End-to-end tests of asset start-up: console transcript, damaged images and sounds, untextured surfaces.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <memory>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness.h"

using e2e::Game;
using e2e::GameOptions;
using e2e::TempDir;
using e2e::XServer;

namespace {

// Image files in texture slot order, then the two sounds.
const char* const kImageFiles[] = {"do_alpha32.tga", "eye_alpha.tga",       "talk_alpha32.tga",
                                   "wood-1.tga",     "hardwoodfloor32.tga", "ceiling.tga"};
constexpr int kSlots = 6;

const char* const kSoundLines[] = {"init() - No errors yet.\n", "init - no errors after alGenSources\n"};
const std::string kLastStartupLine = kSoundLines[1];

constexpr double kStartTimeout = 20;
constexpr double kExitTimeout = 5;
// A drawn room varies far more than this across the window; a blank one not at all.
constexpr double kDrawnStddev = 10;

bool isImage(const std::string& file) { return file.size() > 4 && file.substr(file.size() - 4) == ".tga"; }

std::string diagnostics(Game& game) {
    const int status = game.waitExit(0);
    return (status == e2e::kStillRunning ? "\n(running)" : "\n(exited with status " + std::to_string(status) + ")") +
           "\n--- stdout ---\n" + game.out() + "--- stderr ---\n" + game.err();
}

// Shots the window until the room is drawn: a fresh game compiles its shaders before
// the first frame, which takes a while on a loaded machine. Returns the last shot.
e2e::Image waitForScene(const Game& game, double timeoutSeconds) {
    const auto start = std::chrono::steady_clock::now();
    e2e::Image shot = game.windowShot();
    while (shot.stats().maxStddev() <= kDrawnStddev &&
           std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < timeoutSeconds) {
        Game::settle(100);
        shot = game.windowShot();
    }
    return shot;
}

std::vector<unsigned char> readBytes(const std::string& path) {
    std::string s = e2e::readFile(path);
    return {s.begin(), s.end()};
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Pixel depth from a TGA header (byte 16), or 0 when the file is not one.
int tgaDepth(const std::string& path) {
    std::vector<unsigned char> b = readBytes(path);
    return b.size() >= 18 && b[2] == 2 ? b[16] : 0;
}

// The lines the texture set prints for the images in `dir`, with slot `skip` left out.
std::string textureLines(const std::string& dir, int skip = -1) {
    std::string lines;
    for (int i = 0; i < kSlots; ++i)
        if (i != skip && tgaDepth(dir + "/" + kImageFiles[i]) == 32)
            lines += "Texture " + std::to_string(i) + " BPP: 32\n";
    return lines;
}

// Everything the game printed up to and including the last start-up line; the pointer's
// entry lines may follow it.
std::string startupTranscript(const Game& game) {
    std::string out = game.out();
    auto end = out.find(kLastStartupLine);
    return end == std::string::npos ? out : out.substr(0, end + kLastStartupLine.size());
}

// A crash or a memory fault shows on stderr even when the exit status hides it.
void expectCleanStderr(Game& game) {
    const std::string err = game.err();
    for (const char* fault : {"Sanitizer", "runtime error:", "Segmentation", "double free", "free(): ",
                              "corrupted", "Aborted", "core dumped"}) {
        EXPECT_EQ(std::string::npos, err.find(fault)) << "stderr reports \"" << fault << "\"" << diagnostics(game);
    }
}

enum class Damage { Missing, Empty, Truncated, RunLength, GreyScale, Text };

const char* damageName(Damage d) {
    switch (d) {
    case Damage::Missing: return "Missing";
    case Damage::Empty: return "Empty";
    case Damage::Truncated: return "Truncated";
    case Damage::RunLength: return "RunLengthTga";
    case Damage::GreyScale: return "GreyScaleTga";
    case Damage::Text: return "TextFile";
    }
    return "?";
}

// A well-formed TGA of another kind with the original's size: run-length-encoded
// true-colour (type 10) or 8-bit grey-scale (type 3).
std::vector<unsigned char> otherKindTga(const std::vector<unsigned char>& original, Damage kind) {
    const unsigned width = original[12] | original[13] << 8, height = original[14] | original[15] << 8;
    const unsigned char depth = kind == Damage::RunLength ? original[16] : 8;
    std::vector<unsigned char> tga(18, 0);
    tga[2] = kind == Damage::RunLength ? 10 : 3;
    for (int i = 12; i < 16; ++i)
        tga[i] = original[i];
    tga[16] = depth;
    const unsigned long pixels = static_cast<unsigned long>(width) * height;
    if (kind == Damage::GreyScale) {
        tga.insert(tga.end(), pixels, 0x80);
        return tga;
    }
    // Run packets of at most 128 equal pixels: a count byte with the top bit set, then one pixel.
    for (unsigned long left = pixels; left > 0;) {
        const unsigned long run = left < 128 ? left : 128;
        tga.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
        tga.insert(tga.end(), depth / 8, 0x60);
        left -= run;
    }
    return tga;
}

void damage(const std::string& path, Damage d) {
    std::vector<unsigned char> bytes = readBytes(path);
    switch (d) {
    case Damage::Missing:
        std::filesystem::remove(path);
        return;
    case Damage::Empty:
        bytes.clear();
        break;
    case Damage::Truncated:
        bytes.resize(bytes.size() / 2);
        break;
    case Damage::RunLength:
    case Damage::GreyScale:
        bytes = otherKindTga(bytes, d);
        break;
    case Damage::Text: {
        const std::string text = "This is a plain text file.\nIt holds no pictures and no sound.\n";
        bytes.assign(text.begin(), text.end());
        break;
    }
    }
    writeBytes(path, bytes);
}

// Seconds of sound in a 16-bit mono recording, from its length on disk.
double recordedSeconds(const Game& game) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(game.wavFile(), ec);
    return ec || bytes <= 44 ? 0.0 : (bytes - 44) / 2.0 / GameOptions().sampleRate;
}

struct DamageCase {
    const char* file;
    Damage damage;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.file << " " << damageName(c.damage); }

class DamagedAsset : public ::testing::TestWithParam<DamageCase> {
protected:
    std::unique_ptr<XServer> x = XServer::xvfb();
};

// The game starts with one file damaged, names the file where its loader reports
// the failure, draws the room, and quits cleanly on Escape. A damaged image costs
// its slot's picture; a damaged sound leaves its buffer empty, and the other sound
// still plays.
TEST_P(DamagedAsset, StartsNamesTheFileKeepsDrawingAndQuits) {
    const DamageCase c = GetParam();
    const bool image = isImage(c.file);

    TempDir dir;
    e2e::copyAssets(dir.path());
    const std::string intactTextureLines = textureLines(dir.path());
    int slot = -1;
    for (int i = 0; i < kSlots; ++i)
        if (std::string(kImageFiles[i]) == c.file)
            slot = i;
    damage(dir.file(c.file), c.damage);

    std::string expected;
    if (image) {
        // The loader names the file when its header test fails, and says nothing
        // when the header is fine but the pixel data is short.
        if (c.damage != Damage::Truncated)
            expected += std::string("Error: could not find or open file ") + c.file + "\n";
        expected += textureLines(dir.path(), slot) + kSoundLines[0] + kSoundLines[1];
    } else {
        expected = intactTextureLines + kSoundLines[0] + "Error: could not load sound file " + c.file + "\n" +
                   kSoundLines[1];
    }

    GameOptions options;
    options.workDir = dir.path();
    options.soundDriver = image ? "null" : "wave";
    Game game(*x, options);
    ASSERT_TRUE(game.waitForWindow("Kelvarine", kStartTimeout)) << diagnostics(game);
    ASSERT_TRUE(game.waitForOutput(kLastStartupLine, kStartTimeout)) << diagnostics(game);
    EXPECT_EQ(expected, startupTranscript(game)) << diagnostics(game);

    EXPECT_GT(waitForScene(game, kStartTimeout).stats().maxStddev(), kDrawnStddev)
        << "the window shows one flat colour" << diagnostics(game);
    ASSERT_TRUE(game.running()) << diagnostics(game);

    // Walking plays source 0: heard when Footsteps.wav loaded, silent when its
    // buffer was left empty. The recording grows in real time, so its length
    // before and after the walk marks the walk.
    double walkStart = 0, walkEnd = 0;
    if (!image) {
        walkStart = recordedSeconds(game);
        game.keyDown("Up");
        Game::settle(700);
        game.keyUp("Up");
        walkEnd = recordedSeconds(game);
    }

    game.key("Escape");
    EXPECT_EQ(0, game.waitExit(kExitTimeout)) << diagnostics(game);
    expectCleanStderr(game);
    EXPECT_EQ(std::string::npos, game.out().find("Error", expected.size()))
        << "an error line after start-up" << diagnostics(game);

    if (!image) {
        ASSERT_GT(walkEnd - walkStart, 0.3) << "the recording did not grow during the walk";
        const double rms = game.rms(walkStart, walkEnd - walkStart);
        if (std::string(c.file) == "Footsteps.wav") {
            EXPECT_LT(rms, 0.001) << "the empty footsteps buffer made a sound: RMS " << rms;
        } else {
            EXPECT_GT(rms, 0.005) << "footsteps are not heard although Footsteps.wav is intact: RMS " << rms;
        }
    }
}

std::vector<DamageCase> damageCases() {
    // Each image also gets one TGA of another kind; the kinds rotate over the slots.
    const Damage otherKinds[] = {Damage::RunLength, Damage::GreyScale, Damage::Text};
    std::vector<DamageCase> cases;
    for (int i = 0; i < kSlots; ++i)
        for (Damage d : {Damage::Missing, Damage::Empty, Damage::Truncated, otherKinds[i % 3]})
            cases.push_back({kImageFiles[i], d});
    for (const char* sound : {"Footsteps.wav", "a.wav"})
        for (Damage d : {Damage::Missing, Damage::Empty, Damage::Truncated, Damage::Text})
            cases.push_back({sound, d});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<DamageCase>& info) {
    std::string name = std::string(info.param.file) + "_" + damageName(info.param.damage);
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(EachFile, DamagedAsset, ::testing::ValuesIn(damageCases()), caseName);

// The ceiling fills the top band of the first view.
const e2e::Rect kCeilingBand{0, 0, 1024, 130};

// A 24-bit TGA of 5 by 3 pixels, all of one colour: its 15-byte rows are not a
// multiple of four bytes, so an upload at the default row alignment would start
// rows 1 and 2 one and two bytes late, turning them blue and green.
std::vector<unsigned char> oddWidthTga(unsigned char r, unsigned char g, unsigned char b) {
    std::vector<unsigned char> tga(18, 0);
    tga[2] = 2;
    tga[12] = 5;
    tga[14] = 3;
    tga[16] = 24;
    for (int i = 0; i < 5 * 3; ++i)
        tga.insert(tga.end(), {b, g, r});
    return tga;
}

// The same start-up three times with different ceiling images. With the generated
// image the ceiling shows tiles and seams; with none, its slot's texture is empty,
// texturing has no effect, and the band is one flat light grey; with a one-colour
// image of odd width, it is flat and of that colour.
TEST(CeilingTexture, GeneratedMissingAndOddWidthImagesShowAsTheyShould) {
    std::unique_ptr<XServer> x = XServer::xvfb();
    TempDir dir;
    e2e::copyAssets(dir.path());
    const std::string lines = textureLines(dir.path());
    // Both depths must be there, so the transcript shows 32-bit slots printing and
    // 24-bit slots staying silent.
    int depths[2] = {0, 0};
    for (const char* file : kImageFiles)
        depths[tgaDepth(dir.file(file)) == 32]++;
    ASSERT_GT(depths[0], 0) << "no 24-bit image among the generated ones";
    ASSERT_GT(depths[1], 0) << "no 32-bit image among the generated ones";

    GameOptions options;
    options.workDir = dir.path();
    options.soundDriver = "null";
    enum { kGenerated, kMissing, kOddWidth, kRuns };
    e2e::RegionStats band[kRuns];
    for (int run = 0; run < kRuns; ++run) {
        if (run == kMissing)
            std::filesystem::remove(dir.file("ceiling.tga"));
        if (run == kOddWidth)
            writeBytes(dir.file("ceiling.tga"), oddWidthTga(200, 40, 40));
        Game game(*x, options);
        ASSERT_TRUE(game.waitForWindow("Kelvarine", kStartTimeout)) << diagnostics(game);
        ASSERT_TRUE(game.waitForOutput(kLastStartupLine, kStartTimeout)) << diagnostics(game);
        if (run == kGenerated) {
            EXPECT_EQ(lines + kSoundLines[0] + kSoundLines[1], startupTranscript(game)) << diagnostics(game);
        }
        band[run] = waitForScene(game, kStartTimeout).stats(kCeilingBand);
        game.key("Escape");
        EXPECT_EQ(0, game.waitExit(kExitTimeout)) << diagnostics(game);
    }

    EXPECT_GT(band[kGenerated].maxStddev(), 5.0) << "the generated ceiling shows no texture";
    EXPECT_LT(band[kMissing].maxStddev(), 2.0) << "the ceiling without its image is not plain";
    for (double mean : band[kMissing].mean) {
        EXPECT_GT(mean, 150.0) << "the ceiling without its image is not lit light grey";
    }
    const e2e::RegionStats& odd = band[kOddWidth];
    EXPECT_LT(odd.maxStddev(), 2.0) << "the one-colour ceiling is not flat: rows were read misaligned";
    EXPECT_GT(odd.mean[0], 100.0);
    EXPECT_LT(odd.mean[1], 0.4 * odd.mean[0]) << "the one-colour ceiling is not red";
    EXPECT_LT(odd.mean[2], 0.4 * odd.mean[0]) << "the one-colour ceiling is not red";
}

}  // namespace
