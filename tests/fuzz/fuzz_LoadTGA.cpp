// libFuzzer entry for LoadTGA: any input either loads exactly as predicted or is refused cleanly.
#include "assets/LoadTGA.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The input lives in an in-memory file reached through /proc, so each run
// needs no disk and parallel fuzzing jobs never share a path.
const std::string& InputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("fuzz_LoadTGA", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "LoadTGA invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string& path = InputPath();
    FILE* f = std::fopen(path.c_str(), "wb");  // "w" truncates the previous input
    Check(f != nullptr, "cannot rewrite the input file");
    if (size > 0) Check(std::fwrite(bytes, 1, size, f) == size, "cannot write the input file");
    std::fclose(f);

    // Predict the outcome from the bytes alone: the fixed 12-byte template,
    // a non-zero size, depth 24 or 32, and every declared pixel present.
    static const std::uint8_t kTemplate[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bool loadable = size >= 18;
    for (std::size_t i = 0; loadable && i < 12; ++i) loadable = bytes[i] == kTemplate[i];
    std::uint64_t width = 0, height = 0, depth = 0, imageSize = 0;
    if (loadable) {
        width = bytes[12] | (bytes[13] << 8);
        height = bytes[14] | (bytes[15] << 8);
        depth = bytes[16];
        imageSize = width * height * (depth / 8);
        loadable = width != 0 && height != 0 && (depth == 24 || depth == 32) && size - 18 >= imageSize;
    }

    TGAImageRec* image = LoadTGA(path.c_str());
    Check((image != nullptr) == loadable, "accepted or refused the wrong file");
    if (image == nullptr) return 0;

    Check(image->data != nullptr, "record without pixel block");
    Check(image->bpp == depth && image->sizeX == width && image->sizeY == height, "header fields");
    // Every pixel must be the stored one with red and blue exchanged; reading
    // the whole block also lets AddressSanitizer catch a short allocation.
    const std::size_t bytesPerPixel = depth / 8;
    const std::uint8_t* stored = bytes + 18;
    for (std::size_t i = 0; i < imageSize; i += bytesPerPixel) {
        Check(image->data[i] == stored[i + 2] && image->data[i + 1] == stored[i + 1] &&
                  image->data[i + 2] == stored[i] && (bytesPerPixel == 3 || image->data[i + 3] == stored[i + 3]),
              "pixel bytes");
    }
    FreeTGA(image);
    return 0;
}
