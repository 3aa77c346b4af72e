// Every fuzz target over its seeds and over the inputs of its past findings, in the ordinary
// builds: the targets' own checks run everywhere, under Wine too, where no sanitizer does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/ProcessState.h"
#include "fuzz/Target.h"
#include "platform/Platform.h"
#include "tests/support/Scratch.h"

namespace {

struct BrokenPromise {
    std::string what;
};

// The inputs kept for a target, by file name: one directory per target.
std::vector<std::pair<std::string, std::string>> Regressions(const std::string& target) {
    const std::string directory = std::string(OC_FUZZ_REGRESSIONS) + "\\" + target;
    std::vector<std::pair<std::string, std::string>> inputs;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return inputs;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            inputs.push_back({found.cFileName, ReadFile(directory + "\\" + found.cFileName)});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return inputs;
}

void Replay(const fuzz::Target& target, const std::string& what, const std::string& input) {
    try {
        target.run(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    } catch (const BrokenPromise& broken) {
        ADD_FAILURE() << target.name << ", " << what << ": " << broken.what;
    }
    packFiles.clear();
    packName.Clear();
}

TEST(FuzzReplay, SeedsAndPastFindings) {
    ASSERT_FALSE(fuzz::Targets().empty());
    for (const fuzz::Target& target : fuzz::Targets()) {
        const std::vector<std::string> seeds = target.seeds();
        EXPECT_FALSE(seeds.empty()) << target.name;
        for (std::size_t i = 0; i < seeds.size(); ++i) Replay(target, "seed " + std::to_string(i), seeds[i]);
        for (const auto& [name, input] : Regressions(target.name)) Replay(target, name, input);
    }
}

}  // namespace

namespace fuzz {

void Fail(const char* file, int line, const char* condition) {
    throw BrokenPromise{std::string(file) + ":" + std::to_string(line) + ": " + condition};
}

}  // namespace fuzz
