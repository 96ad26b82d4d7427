// Reads uncompressed 24/32-bit TGA files into R,G,B(,A) pixel blocks for texture upload.
#include "assets/LoadTGA.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace {

// Bytes left between the current position and the end of the file, or -1 when
// the stream cannot seek (a pipe, say); such a stream is refused because its
// length cannot be checked before allocating.
long long BytesRemaining(FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, here, SEEK_SET) != 0) return -1;
    return static_cast<long long>(end) - here;
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kLittleEndian = false;
#else
constexpr bool kLittleEndian = true;
#endif

// B,G,R,A -> R,G,B,A in one little-endian word.
inline std::uint32_t SwapWord32(std::uint32_t v) {
    return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

// Swaps whole blocks of 16 pixels and returns how many bytes it covered. The
// fixed inner trip count lets GCC vectorise it at -O2, whose cost model
// refuses loops that would need a scalar remainder; the byte-wise loop in
// SwapRedBlue handles what is left.
inline std::size_t SwapBlocks32(GLubyte* data, std::size_t imageSize) {
    constexpr std::size_t kBlockBytes = 16 * 4;
    std::size_t i = 0;
    for (; i + kBlockBytes <= imageSize; i += kBlockBytes) {
        for (std::size_t k = 0; k < kBlockBytes; k += 4) {
            std::uint32_t v;
            std::memcpy(&v, data + i + k, 4);
            v = SwapWord32(v);
            std::memcpy(data + i + k, &v, 4);
        }
    }
    return i;
}

// The swap pass is the only work beyond the read, so on x86-64 it uses byte
// shuffles, picked at run time: AVX2 for 32-bit pixels (one shuffle per eight
// pixels, which keeps the pass as fast as merely touching every cache line of
// the block; the shift-and-mask form above costs about 40 % more), and SSSE3
// for 24-bit pixels, whose three-byte stride the baseline instruction set
// cannot shuffle.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KELVARINE_TGA_X86_DISPATCH 1

[[gnu::target("avx2")]] std::size_t SwapBlocks32Avx2(GLubyte* data, std::size_t imageSize) {
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15,
                                           2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    constexpr std::size_t kBlockBytes = 4 * sizeof(__m256i);  // 32 pixels
    std::size_t i = 0;
    for (; i + kBlockBytes <= imageSize; i += kBlockBytes) {
        __m256i* block = reinterpret_cast<__m256i*>(data + i);
        const __m256i a = _mm256_loadu_si256(block);
        const __m256i b = _mm256_loadu_si256(block + 1);
        const __m256i c = _mm256_loadu_si256(block + 2);
        const __m256i d = _mm256_loadu_si256(block + 3);
        _mm256_storeu_si256(block, _mm256_shuffle_epi8(a, order));
        _mm256_storeu_si256(block + 1, _mm256_shuffle_epi8(b, order));
        _mm256_storeu_si256(block + 2, _mm256_shuffle_epi8(c, order));
        _mm256_storeu_si256(block + 3, _mm256_shuffle_epi8(d, order));
    }
    return i;
}

// Masks for 16 pixels (48 bytes, three vectors). Output byte g takes source
// byte g + 2, g or g - 2 as g % 3 is 0, 1 or 2; the source may sit in the
// neighbouring vector, so each output vector ORs one shuffle per source
// vector, with -128 (which makes pshufb write zero) where that source is
// not the one.
struct ShuffleMasks {
    alignas(16) std::int8_t byte[3][3][16];  // [output vector][source vector][lane]
};

constexpr ShuffleMasks MakeShuffleMasks() {
    ShuffleMasks masks{};
    for (int out = 0; out < 3; ++out) {
        for (int src = 0; src < 3; ++src) {
            for (int lane = 0; lane < 16; ++lane) {
                const int g = out * 16 + lane;
                const int from = g % 3 == 0 ? g + 2 : g % 3 == 1 ? g : g - 2;
                masks.byte[out][src][lane] = from / 16 == src ? std::int8_t(from % 16) : std::int8_t(-128);
            }
        }
    }
    return masks;
}

constexpr ShuffleMasks kShuffleMasks = MakeShuffleMasks();

[[gnu::target("ssse3")]] std::size_t SwapBlocks24Ssse3(GLubyte* data, std::size_t imageSize) {
    __m128i m[3][3];
    for (int out = 0; out < 3; ++out) {
        for (int src = 0; src < 3; ++src) {
            m[out][src] = _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffleMasks.byte[out][src]));
        }
    }
    constexpr std::size_t kBlockBytes = 48;
    std::size_t i = 0;
    for (; i + kBlockBytes <= imageSize; i += kBlockBytes) {
        __m128i* block = reinterpret_cast<__m128i*>(data + i);
        const __m128i a = _mm_loadu_si128(block);
        const __m128i b = _mm_loadu_si128(block + 1);
        const __m128i c = _mm_loadu_si128(block + 2);
        const __m128i o0 = _mm_or_si128(_mm_shuffle_epi8(a, m[0][0]), _mm_shuffle_epi8(b, m[0][1]));
        const __m128i o1 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m[1][0]), _mm_shuffle_epi8(b, m[1][1])),
                                        _mm_shuffle_epi8(c, m[1][2]));
        const __m128i o2 = _mm_or_si128(_mm_shuffle_epi8(b, m[2][1]), _mm_shuffle_epi8(c, m[2][2]));
        _mm_storeu_si128(block, o0);
        _mm_storeu_si128(block + 1, o1);
        _mm_storeu_si128(block + 2, o2);
    }
    return i;
}
#endif

// Exchanges byte 0 and byte 2 of every pixel, in place. Whole blocks go
// through the block code; the byte-wise loop finishes the tail, and does all
// of the work where no block code fits: 24-bit pixels without SSSE3 and
// 32-bit pixels on big-endian hosts (the word masks would pick the wrong
// bytes).
void SwapRedBlue(GLubyte* data, std::size_t imageSize, unsigned bytesPerPixel) {
    std::size_t i = 0;
#ifdef KELVARINE_TGA_X86_DISPATCH
    if (bytesPerPixel == 4 && __builtin_cpu_supports("avx2")) {
        i = SwapBlocks32Avx2(data, imageSize);
    } else if (bytesPerPixel == 3 && __builtin_cpu_supports("ssse3")) {
        i = SwapBlocks24Ssse3(data, imageSize);
    } else
#endif
    if (kLittleEndian && bytesPerPixel == 4) {
        i = SwapBlocks32(data, imageSize);
    }
    for (; i < imageSize; i += bytesPerPixel) {
        const GLubyte temp = data[i];
        data[i] = data[i + 2];
        data[i + 2] = temp;
    }
}

}  // namespace

TGAImageRec* LoadTGA(const char* filename) {
    GLubyte TGAheader[12] = {0};
    TGAheader[2] = 2;  // uncompressed true-colour, no ID, no colour map, zero origin
    GLubyte TGAcompare[12];
    GLubyte header[6];

    FILE* file = std::fopen(filename, "rb");
    // Unbuffered: the header is two small reads, the pixels one read straight
    // into their block, and the length check's seeks cost no buffer refills
    // (buffered, the C library re-reads the first 4 KiB after seeking back).
    if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
    if (file == nullptr || std::fread(TGAcompare, 1, sizeof TGAcompare, file) != sizeof TGAcompare ||
        std::memcmp(TGAheader, TGAcompare, sizeof TGAheader) != 0 ||
        std::fread(header, 1, sizeof header, file) != sizeof header) {
        std::printf("Error: could not find or open file %s\n", filename);
        if (file != nullptr) std::fclose(file);
        return nullptr;
    }

    TGAImageRec* image = new (std::nothrow) TGAImageRec;
    if (image == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    image->data = nullptr;
    image->sizeX = header[1] * 256u + header[0];
    image->sizeY = header[3] * 256u + header[2];
    image->bpp = header[4];
    // header[5], the image descriptor, is deliberately ignored: rows stay in
    // stored order whatever origin it claims.

    if (image->sizeX == 0 || image->sizeY == 0 || (image->bpp != 24 && image->bpp != 32)) {
        std::fclose(file);
        delete image;
        return nullptr;
    }

    const unsigned bytesPerPixel = image->bpp / 8;
    // 65535 x 65535 x 4 does not fit in 32 bits; 64 bits always holds it.
    const std::uint64_t imageSize = std::uint64_t{image->sizeX} * image->sizeY * bytesPerPixel;

    // A header can promise gigabytes that the file does not hold; check the
    // length before allocating rather than after a failed read.
    const long long remaining = BytesRemaining(file);
    if (remaining < 0 || static_cast<std::uint64_t>(remaining) < imageSize ||
        imageSize > SIZE_MAX) {
        std::fclose(file);
        delete image;
        return nullptr;
    }

    image->data = new (std::nothrow) GLubyte[static_cast<std::size_t>(imageSize)];
    if (image->data == nullptr ||
        std::fread(image->data, 1, static_cast<std::size_t>(imageSize), file) != imageSize) {
        delete[] image->data;
        std::fclose(file);
        delete image;
        return nullptr;
    }
    std::fclose(file);

    SwapRedBlue(image->data, static_cast<std::size_t>(imageSize), bytesPerPixel);
    return image;
}

void FreeTGA(TGAImageRec* image) {
    if (image == nullptr) return;
    delete[] image->data;
    delete image;
}
