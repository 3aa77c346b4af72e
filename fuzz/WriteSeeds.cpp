// fuzz_seeds DIRECTORY: writes every fuzz target's seeds to DIRECTORY/<target>/, replacing
// what was there. The seeds are made afresh from the pack writer and the settings tables.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/Target.h"
#include "tests/support/Scratch.h"

namespace fuzz {

void Fail(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: %s\n", file, line, condition);
    std::abort();
}

}  // namespace fuzz

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    MakeDirectory(directory);
    for (const fuzz::Target& target : fuzz::Targets()) {
        const std::string corpus = directory + "/" + target.name;
        RemoveTree(corpus);
        MakeDirectory(corpus);
        const std::vector<std::string> seeds = target.seeds();
        for (std::size_t i = 0; i < seeds.size(); ++i) {
            char leaf[32];
            std::snprintf(leaf, sizeof leaf, "/seed-%03zu", i);
            WriteFile(corpus + leaf, seeds[i]);
        }
        std::printf("%s: %zu seeds\n", target.name, seeds.size());
    }
    return 0;
}
