// The generated images and sounds: the forms the game reads, repeatable bytes, clean loops.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/LoadTGA.h"

namespace fs = std::filesystem;

namespace {

const char* const kImages[] = {"do_alpha32.tga", "eye_alpha.tga",       "talk_alpha32.tga",
                               "wood-1.tga",     "hardwoodfloor32.tga", "ceiling.tga"};
const char* const kCursorImages[] = {"do_alpha32.tga", "eye_alpha.tga", "talk_alpha32.tga"};
const char* const kSounds[] = {"Footsteps.wav", "a.wav"};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

fs::path asset(const char* name) { return fs::path(KELVARINE_ASSET_DIR) / name; }

bool isPowerOfTwo(GLuint v) { return v != 0 && (v & (v - 1)) == 0; }

std::uint32_t le(const std::string& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

TEST(GeneratedImages, LoadAsPowerOfTwoTexturesStoredBottomUpAtBothDepths) {
    int depths[2] = {0, 0};  // 24-bit, 32-bit
    for (const char* name : kImages) {
        SCOPED_TRACE(name);
        const std::string bytes = readFile(asset(name));
        ASSERT_GE(bytes.size(), 18u);
        EXPECT_EQ(0, bytes[17] & 0x20) << "stored top-down: the picture would stand on its head";
        TGAImageRec* image = LoadTGA(asset(name).c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(isPowerOfTwo(image->sizeX) && isPowerOfTwo(image->sizeY))
            << image->sizeX << "x" << image->sizeY;
        EXPECT_EQ(18 + std::size_t{image->sizeX} * image->sizeY * image->bpp / 8, bytes.size());
        depths[image->bpp == 32]++;
        FreeTGA(image);
    }
    EXPECT_GT(depths[0], 0) << "no 24-bit image: the RGB upload path never runs";
    EXPECT_GT(depths[1], 0) << "no 32-bit image: the RGBA upload path never runs";
}

// A cursor icon is a shape on a transparent ground: much of it fully clear,
// much of it fully opaque.
TEST(GeneratedImages, CursorIconsAreShapesOnATransparentGround) {
    for (const char* name : kCursorImages) {
        SCOPED_TRACE(name);
        TGAImageRec* image = LoadTGA(asset(name).c_str());
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(32u, image->bpp);
        const std::size_t pixels = std::size_t{image->sizeX} * image->sizeY;
        std::size_t clear = 0, opaque = 0;
        for (std::size_t i = 0; i < pixels; ++i) {
            clear += image->data[4 * i + 3] == 0;
            opaque += image->data[4 * i + 3] == 255;
        }
        EXPECT_GT(clear, pixels / 5);
        EXPECT_GT(opaque, pixels / 5);
        // The border is background all round.
        for (GLuint x = 0; x < image->sizeX; ++x) {
            EXPECT_EQ(0, image->data[4 * x + 3]) << "bottom row, x " << x;
            EXPECT_EQ(0, image->data[4 * (pixels - 1 - x) + 3]) << "top row, x " << x;
        }
        FreeTGA(image);
    }
}

struct Pcm {
    int format = 0, channels = 0, bits = 0, rate = 0;
    std::vector<int> samples;
};

Pcm readPcm(const fs::path& path) {
    const std::string b = readFile(path);
    Pcm pcm;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::string tag = b.substr(at, 4);
        const std::uint32_t len = le(b, at + 4, 4);
        if (tag == "fmt ") {
            pcm.format = static_cast<int>(le(b, at + 8, 2));
            pcm.channels = static_cast<int>(le(b, at + 10, 2));
            pcm.rate = static_cast<int>(le(b, at + 12, 4));
            pcm.bits = static_cast<int>(le(b, at + 22, 2));
        } else if (tag == "data") {
            for (std::size_t i = at + 8; i + 1 < at + 8 + len && i + 1 < b.size(); i += 2)
                pcm.samples.push_back(static_cast<std::int16_t>(le(b, i, 2)));
        }
        at += 8 + len + (len & 1);
    }
    return pcm;
}

// Both sounds loop. A click is a jump from the last sample back to the first
// that is larger than anything the sound does inside itself.
TEST(GeneratedSounds, ArePcmAndLoopWithoutAClickAtTheSeam) {
    for (const char* name : kSounds) {
        SCOPED_TRACE(name);
        const Pcm pcm = readPcm(asset(name));
        EXPECT_EQ(1, pcm.format);
        EXPECT_EQ(1, pcm.channels);
        EXPECT_EQ(16, pcm.bits);
        EXPECT_GT(pcm.rate, 0);
        ASSERT_GE(pcm.samples.size(), static_cast<std::size_t>(pcm.rate / 2)) << "shorter than half a second";
        const std::vector<int>& s = pcm.samples;
        int largestStep = 0, peak = 0;
        for (std::size_t i = 0; i + 1 < s.size(); ++i) largestStep = std::max(largestStep, std::abs(s[i + 1] - s[i]));
        for (int v : s) peak = std::max(peak, std::abs(v));
        EXPECT_GT(peak, 3000) << "the sound is all but silent";
        EXPECT_LT(peak, 32767) << "the sound clips";
        EXPECT_LE(std::abs(s.front() - s.back()), largestStep) << "the loop seam clicks";
    }
    // The steps fade out before the end and start after a pause, so the seam is silent.
    const Pcm steps = readPcm(asset("Footsteps.wav"));
    EXPECT_EQ(0, steps.samples.front());
    EXPECT_EQ(0, steps.samples.back());
}

// The generator may use no clock, no shared random state and no uninitialised
// memory: two runs must write the same bytes as the build did.
TEST(GeneratedAssets, TwoRunsOfTheGeneratorWriteTheSameBytes) {
    const fs::path root = fs::temp_directory_path() / ("kelvarine_gen_" + std::to_string(getpid()));
    for (const char* run : {"a", "b"}) {
        const std::string command = std::string(KELVARINE_GEN_ASSETS) + " " + (root / run).string();
        ASSERT_EQ(0, std::system(command.c_str())) << command;
    }
    std::vector<const char*> files(std::begin(kImages), std::end(kImages));
    files.insert(files.end(), std::begin(kSounds), std::end(kSounds));
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string built = readFile(asset(name));
        ASSERT_FALSE(built.empty());
        EXPECT_TRUE(built == readFile(root / "a" / name));
        EXPECT_TRUE(built == readFile(root / "b" / name));
    }
    fs::remove_all(root);
}

}  // namespace
