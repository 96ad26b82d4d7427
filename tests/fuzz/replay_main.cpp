// Runs every file of the given directories through the fuzz entry, so ordinary builds replay the corpus.
#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int a = 1; a < argc; ++a) {
        DIR* dir = opendir(argv[a]);
        if (dir == nullptr) {
            std::fprintf(stderr, "cannot open corpus directory %s\n", argv[a]);
            return 2;
        }
        std::vector<std::string> names;
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            const std::string path = std::string(argv[a]) + "/" + name;
            std::ifstream in(path, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "cannot read %s\n", path.c_str());
                return 2;
            }
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::fprintf(stderr, "replayed %zu inputs\n", replayed);
    // An empty corpus would pass while testing nothing.
    return replayed > 0 ? 0 : 1;
}
