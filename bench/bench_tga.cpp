// Benchmark for LoadTGA against stb_image and against a bare read of the same file.
#include "assets/LoadTGA.h"

#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// stb_image is only the yardstick here; its own warnings are not ours to fix.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#ifndef KELVARINE_ASSET_DIR
#define KELVARINE_ASSET_DIR "assets"
#endif

namespace {

bool WriteTGA(const std::string& path, unsigned width, unsigned height, unsigned depth) {
    std::vector<std::uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       std::uint8_t(width), std::uint8_t(width >> 8),
                                       std::uint8_t(height), std::uint8_t(height >> 8),
                                       std::uint8_t(depth), 0};
    const std::size_t pixels = std::size_t{width} * height * depth / 8;
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < pixels; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes.push_back(std::uint8_t(seed >> 24));
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

void BM_LoadTGA(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        TGAImageRec* image = LoadTGA(path.c_str());
        if (image == nullptr) {
            state.SkipWithError("LoadTGA refused the file");
            break;
        }
        benchmark::DoNotOptimize(image->data[0]);
        FreeTGA(image);
    }
}

void BM_Stb(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* data = stbi_load(path.c_str(), &w, &h, &n, 0);
        if (data == nullptr) {
            state.SkipWithError("stbi_load refused the file");
            break;
        }
        benchmark::DoNotOptimize(data[0]);
        stbi_image_free(data);
    }
}

// The floor: open, allocate, one fread of the whole file, close.
void BM_Read(benchmark::State& state, std::string path, long size) {
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        GLubyte* data = new GLubyte[std::size_t(size)];
        const std::size_t got = f != nullptr ? std::fread(data, 1, std::size_t(size), f) : 0;
        if (f != nullptr) std::fclose(f);
        benchmark::DoNotOptimize(data[0]);
        delete[] data;
        if (got != std::size_t(size)) {
            state.SkipWithError("short read");
            break;
        }
    }
}

void BM_RefuseHugeHeader(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        TGAImageRec* image = LoadTGA(path.c_str());
        benchmark::DoNotOptimize(image);
        if (image != nullptr) {
            FreeTGA(image);
            state.SkipWithError("huge header accepted");
            break;
        }
    }
}

// Prints the usual table and keeps each benchmark's median for the summary.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
                // Seconds, whatever unit the table uses.
                medians[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    char dirTemplate[] = "/tmp/bench_tga.XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = dirTemplate;

    struct Input {
        std::string label, path;
    };
    std::vector<Input> inputs = {{"2048x2048x32", dir + "/big32.tga"}, {"2048x2048x24", dir + "/big24.tga"}};
    if (!WriteTGA(inputs[0].path, 2048, 2048, 32) || !WriteTGA(inputs[1].path, 2048, 2048, 24)) {
        std::fprintf(stderr, "cannot write test images in %s\n", dir.c_str());
        return 1;
    }
    const std::string huge = dir + "/huge.tga";
    if (!WriteTGA(huge, 0, 0, 32)) return 1;
    {
        // Same 18 bytes with width and height patched to 65535: nothing behind them.
        FILE* f = std::fopen(huge.c_str(), "r+b");
        const std::uint8_t size[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        if (f == nullptr || std::fseek(f, 12, SEEK_SET) != 0 || std::fwrite(size, 1, 4, f) != 4) return 1;
        std::fclose(f);
    }
    for (const char* name : {"do_alpha32.tga", "eye_alpha.tga", "talk_alpha32.tga", "wood-1.tga",
                             "hardwoodfloor32.tga", "ceiling.tga"}) {
        const std::string path = std::string(KELVARINE_ASSET_DIR) + "/" + name;
        if (FileSize(path) > 0) inputs.push_back({name, path});
        else std::fprintf(stderr, "note: %s not found, skipped\n", path.c_str());
    }

    for (const auto& in : inputs) {
        benchmark::RegisterBenchmark(("LoadTGA/" + in.label).c_str(), BM_LoadTGA, in.path)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("stb/" + in.label).c_str(), BM_Stb, in.path)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("read/" + in.label).c_str(), BM_Read, in.path, FileSize(in.path))
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("LoadTGA/refuse_65535x65535x32_header", BM_RefuseHugeHeader, huge)
        ->Unit(benchmark::kMicrosecond);

    // Defaults first so that flags given on the command line override them.
    std::vector<char*> args = {argv[0]};
    std::string defaults[] = {"--benchmark_repetitions=15", "--benchmark_enable_random_interleaving=true",
                              "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.05"};
    for (auto& d : defaults) args.push_back(d.data());
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto median = [&](const std::string& name) {
        auto it = reporter.medians.find(name);
        return it == reporter.medians.end() ? -1.0 : it->second;
    };
    std::printf("\n");
    for (const auto& in : inputs) {
        const double tga = median("LoadTGA/" + in.label), stb = median("stb/" + in.label),
                     read = median("read/" + in.label);
        if (tga > 0 && stb > 0 && read > 0)
            std::printf("ratio %s: vs_stb %.3f vs_read %.3f\n", in.label.c_str(), tga / stb, tga / read);
    }
    const double tga = median("LoadTGA/2048x2048x32"), stb = median("stb/2048x2048x32"),
                 read = median("read/2048x2048x32");
    if (tga > 0 && stb > 0) std::printf("tga_vs_stb: %.3f\n", tga / stb);
    if (tga > 0 && read > 0) std::printf("tga_vs_read: %.3f\n", tga / read);
    const double refuse = median("LoadTGA/refuse_65535x65535x32_header");
    if (refuse > 0) std::printf("huge_header_refusal_us: %.2f\n", refuse * 1e6);

    for (const auto& in : inputs) {
        if (in.path.compare(0, dir.size(), dir) == 0) std::remove(in.path.c_str());
    }
    std::remove(huge.c_str());
    rmdir(dir.c_str());
    return 0;
}
