// Unit tests for LoadTGA: accepted files, refused files, console output and clean-up.
#include "assets/LoadTGA.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Every operator new in this binary goes through these counters so a test can
// see what the loader left allocated and the largest block it asked for.
namespace {
std::atomic<long> g_liveBlocks{0};
std::atomic<std::size_t> g_largestRequest{0};

// Kept out of line so GCC does not pair an inlined free() with operator new
// and warn about a mismatch that the replacement makes correct.
[[gnu::noinline]] void* CountedAlloc(std::size_t n) {
    std::size_t seen = g_largestRequest.load();
    while (n > seen && !g_largestRequest.compare_exchange_weak(seen, n)) {
    }
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p != nullptr) ++g_liveBlocks;
    return p;
}
[[gnu::noinline]] void CountedFree(void* p) {
    if (p == nullptr) return;
    --g_liveBlocks;
    std::free(p);
}
}  // namespace

void* operator new(std::size_t n) {
    if (void* p = CountedAlloc(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = CountedAlloc(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedFree(p); }

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kErrorPrefix[] = "Error: could not find or open file ";

// An 18-byte header: the accepted 12-byte template followed by size and depth.
Bytes Header(std::uint16_t width, std::uint16_t height, std::uint8_t depth,
             std::uint8_t descriptor = 0) {
    return {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            std::uint8_t(width & 0xFF), std::uint8_t(width >> 8),
            std::uint8_t(height & 0xFF), std::uint8_t(height >> 8),
            depth, descriptor};
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Prefix(Bytes a, std::size_t n) {
    a.resize(n);
    return a;
}

// A valid header with one byte at `offset` replaced, for the template tests.
Bytes HeaderWithByte(std::size_t offset, std::uint8_t value) {
    Bytes h = Concat(Header(1, 1, 24), {1, 2, 3});
    h[offset] = value;
    return h;
}

// Deterministic filler so the larger images have distinct bytes in every lane.
Bytes Pattern(std::size_t n, std::uint32_t seed) {
    Bytes out(n);
    for (auto& b : out) {
        seed = seed * 1664525u + 1013904223u;
        b = std::uint8_t(seed >> 24);
    }
    return out;
}

// The obvious per-pixel swap the fast path must agree with.
Bytes ReferenceSwap(Bytes pixels, unsigned bytesPerPixel) {
    for (std::size_t i = 0; i + 2 < pixels.size(); i += bytesPerPixel) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
    }
    return count;
}

// What one LoadTGA call did, as seen from outside.
struct Outcome {
    TGAImageRec* image = nullptr;
    std::string console;
    long blocksLeft = 0;          // live heap blocks added by the call
    std::size_t largestRequest = 0;
    int descriptorsLeft = 0;      // open file descriptors added by the call
};

Outcome Load(const std::string& path) {
    Outcome out;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    const int fdsBefore = OpenDescriptorCount();
    g_largestRequest = 0;
    const long blocksBefore = g_liveBlocks.load();
    out.image = LoadTGA(path.c_str());
    out.blocksLeft = g_liveBlocks.load() - blocksBefore;
    out.largestRequest = g_largestRequest.load();
    out.descriptorsLeft = OpenDescriptorCount() - fdsBefore;
    std::fflush(stdout);
    out.console = testing::internal::GetCapturedStdout();
    return out;
}

class LoadTGATest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "loadtga_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const auto& f : files_) std::remove(f.c_str());
        rmdir(dir_.c_str());
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_ + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f == nullptr) return path;
        if (!bytes.empty()) {
            EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        }
        std::fclose(f);
        files_.push_back(path);
        return path;
    }

    std::string dir_;
    std::vector<std::string> files_;
};

struct RefusedCase {
    const char* name;
    Bytes bytes;
    bool printsError;  // header-test failures print; later refusals are silent
};

TEST_F(LoadTGATest, RefusesBadFilesWithTheRightConsoleOutputAndNoLeftovers) {
    const std::vector<RefusedCase> cases = {
        {"empty", {}, true},
        {"eleven_bytes", Prefix(Header(1, 1, 24), 11), true},
        {"template_then_five_bytes", Prefix(Header(1, 1, 24), 17), true},
        {"run_length_type_10", HeaderWithByte(2, 10), true},
        {"colour_mapped_type_1", HeaderWithByte(2, 1), true},
        {"id_length_1", HeaderWithByte(0, 1), true},
        {"colour_map_type_1", HeaderWithByte(1, 1), true},
        {"colour_map_length", HeaderWithByte(5, 1), true},
        {"x_origin_low", HeaderWithByte(8, 1), true},
        {"x_origin_high", HeaderWithByte(9, 1), true},
        {"y_origin_low", HeaderWithByte(10, 1), true},
        {"y_origin_high", HeaderWithByte(11, 1), true},
        {"depth_16", Concat(Header(1, 1, 16), {1, 2}), false},
        {"depth_8", Concat(Header(1, 1, 8), {1}), false},
        {"depth_31", Concat(Header(1, 1, 31), {1, 2, 3, 4}), false},
        {"width_0", Concat(Header(0, 1, 24), {1, 2, 3}), false},
        {"height_0", Concat(Header(1, 0, 32), {1, 2, 3, 4}), false},
        {"pixels_one_byte_short_24", Concat(Header(2, 2, 24), Pattern(11, 1)), false},
        {"pixels_one_byte_short_32", Concat(Header(3, 1, 32), Pattern(11, 2)), false},
        {"header_only_24", Header(1, 1, 24), false},
        // 32768 * 32768 * 4 is exactly 2^32: zero if the size wraps to 32 bits.
        {"size_wraps_32_bits", Concat(Header(32768, 32768, 32), Pattern(64, 3)), false},
        {"huge_header_only_32", Header(65535, 65535, 32), false},
        {"huge_header_only_24", Header(65535, 65535, 24), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(std::string(c.name) + ".tga", c.bytes);
        Outcome out = Load(path);
        EXPECT_EQ(out.image, nullptr);
        FreeTGA(out.image);
        EXPECT_EQ(out.console, c.printsError ? kErrorPrefix + path + "\n" : "");
        EXPECT_EQ(out.blocksLeft, 0);
        EXPECT_EQ(out.descriptorsLeft, 0);
        // A header may promise gigabytes; nothing that large may be requested
        // before the file is known to hold it.
        EXPECT_LE(out.largestRequest, std::size_t{1} << 20);
    }
}

TEST_F(LoadTGATest, MissingFilePrintsTheNameExactlyAsPassed) {
    const std::vector<std::string> names = {
        dir_ + "/absent.tga",
        "no_such_dir_kelvarine/../no_such_dir_kelvarine/absent.tga",
        "ceiling.TGA  ",
    };
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        Outcome out = Load(name);
        EXPECT_EQ(out.image, nullptr);
        EXPECT_EQ(out.console, kErrorPrefix + name + "\n");
        EXPECT_EQ(out.blocksLeft, 0);
        EXPECT_EQ(out.descriptorsLeft, 0);
    }
}

struct LoadedCase {
    const char* name;
    Bytes bytes;
    GLuint sizeX, sizeY, bpp;
    Bytes data;
};

TEST_F(LoadTGATest, LoadsAcceptedFilesAsRedGreenBlueInStoredRowOrder) {
    const Bytes wide = Pattern(256 * 3, 4);
    const std::vector<LoadedCase> cases = {
        {"one_pixel_24", Concat(Header(1, 1, 24), {0x01, 0x02, 0x03}), 1, 1, 24, {0x03, 0x02, 0x01}},
        {"two_pixels_32",
         Concat(Header(2, 1, 32), {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}),
         2, 1, 32,
         {0x30, 0x20, 0x10, 0x40, 0x70, 0x60, 0x50, 0x80}},
        {"width_low_byte_first", Concat(Header(256, 1, 24), wide), 256, 1, 24, ReferenceSwap(wide, 3)},
        {"height_low_byte_first", Concat(Header(1, 256, 24), wide), 1, 256, 24, ReferenceSwap(wide, 3)},
        // Rows are not reordered: the first stored row stays first.
        {"two_rows_kept_in_order",
         Concat(Header(1, 2, 24), {0xB0, 0x11, 0xA0, 0xB1, 0x21, 0xA1}),
         1, 2, 24,
         {0xA0, 0x11, 0xB0, 0xA1, 0x21, 0xB1}},
        {"trailing_bytes_ignored",
         Concat(Concat(Header(1, 1, 32), {1, 2, 3, 4}), Pattern(26, 5)),
         1, 1, 32, {3, 2, 1, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(std::string(c.name) + ".tga", c.bytes);
        Outcome out = Load(path);
        ASSERT_NE(out.image, nullptr);
        EXPECT_EQ(out.console, "");
        EXPECT_EQ(out.descriptorsLeft, 0);
        EXPECT_EQ(out.blocksLeft, 2);  // the record and its pixel block
        EXPECT_EQ(out.image->sizeX, c.sizeX);
        EXPECT_EQ(out.image->sizeY, c.sizeY);
        EXPECT_EQ(out.image->bpp, c.bpp);
        ASSERT_NE(out.image->data, nullptr);
        EXPECT_EQ(Bytes(out.image->data, out.image->data + c.data.size()), c.data);
        const long before = g_liveBlocks.load();
        FreeTGA(out.image);
        EXPECT_EQ(g_liveBlocks.load(), before - 2);
    }
}

TEST_F(LoadTGATest, DescriptorByteIsIgnored) {
    const Bytes pixels = Pattern(3 * 2 * 4, 6);
    TGAImageRec* bottomUp = LoadTGA(Write("desc00.tga", Concat(Header(3, 2, 32, 0x00), pixels)).c_str());
    ASSERT_NE(bottomUp, nullptr);
    for (std::uint8_t descriptor : {0x20, 0x10, 0x08, 0xFF}) {
        SCOPED_TRACE(int(descriptor));
        TGAImageRec* other = LoadTGA(
            Write("desc" + std::to_string(descriptor) + ".tga", Concat(Header(3, 2, 32, descriptor), pixels))
                .c_str());
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(other->sizeX, bottomUp->sizeX);
        EXPECT_EQ(other->sizeY, bottomUp->sizeY);
        EXPECT_EQ(other->bpp, bottomUp->bpp);
        EXPECT_EQ(Bytes(other->data, other->data + pixels.size()),
                  Bytes(bottomUp->data, bottomUp->data + pixels.size()));
        FreeTGA(other);
    }
    FreeTGA(bottomUp);
}

// The swap works on blocks (16 pixels at 24 bits, 32 pixels at 32 bits) with a
// byte-wise tail, so pixel counts below, at and past one and several blocks
// must all come out like the plain per-pixel swap.
TEST_F(LoadTGATest, SwapMatchesPerPixelReferenceForEveryTailLength) {
    for (std::uint8_t depth : {24, 32}) {
        const unsigned bytesPerPixel = depth / 8;
        for (std::uint16_t width = 1; width <= 17; ++width) {
            for (std::uint16_t height : {1, 3, 7}) {
                SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth));
                const Bytes pixels = Pattern(std::size_t{width} * height * bytesPerPixel, width * 31u + depth);
                TGAImageRec* image = LoadTGA(
                    Write("odd.tga", Concat(Concat(Header(width, height, depth), pixels), {0xEE, 0xEE, 0xEE}))
                        .c_str());
                ASSERT_NE(image, nullptr);
                EXPECT_EQ(Bytes(image->data, image->data + pixels.size()), ReferenceSwap(pixels, bytesPerPixel));
                FreeTGA(image);
            }
        }
    }
}

TEST(FreeTGA, AcceptsNull) {
    const long before = g_liveBlocks.load();
    FreeTGA(nullptr);
    EXPECT_EQ(g_liveBlocks.load(), before);
}

}  // namespace
