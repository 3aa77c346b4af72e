// make_pack: writes a pack archive from files, for build steps.
//   make_pack OUTPUT [--format 0..4] [--name TEXT] [--number N] [--compress] [--level 0..9] NAME=FILE...
// Each NAME=FILE becomes an entry named NAME (bytes as given) holding FILE's bytes, in the
// order given. Exit 0 when written, 1 on an input or output error, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/packwriter/PackWriter.h"

namespace {

int Usage(const char* why) {
    std::fprintf(stderr,
                 "make_pack: %s\nusage: make_pack OUTPUT [--format 0..4] [--name TEXT] [--number N] [--compress] "
                 "[--level 0..9] NAME=FILE...\n",
                 why);
    return 2;
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// A build step must not leave half a pack behind for the next build to take as made.
bool WriteWhole(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) == 0 && written) return true;
    std::remove(path.c_str());
    return false;
}

bool Number(const char* text, long minimum, long maximum, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *text && !*end && value >= minimum && value <= maximum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no output named");
    const std::string output = argv[1];
    packwriter::PackOptions options;
    bool compress = false;
    std::vector<std::pair<std::string, std::string>> sources;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        long value = 0;
        if (argument == "--format") {
            if (!hasValue || !Number(argv[++i], 0, 4, value)) return Usage("--format takes 0 to 4");
            options.version = static_cast<std::uint32_t>(value);
        } else if (argument == "--level") {
            if (!hasValue || !Number(argv[++i], 0, 9, value)) return Usage("--level takes 0 to 9");
            options.level = static_cast<int>(value);
        } else if (argument == "--name") {
            if (!hasValue) return Usage("--name takes a text");
            options.name = argv[++i];
        } else if (argument == "--number") {
            if (!hasValue) return Usage("--number takes a number");
            options.number = std::strtod(argv[++i], nullptr);
        } else if (argument == "--compress") {
            compress = true;
        } else if (argument.find('=') != std::string::npos && argument[0] != '-') {
            const std::size_t equals = argument.find('=');
            sources.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
        } else {
            return Usage(("unknown argument " + argument).c_str());
        }
    }

    std::vector<packwriter::Entry> entries;
    for (const auto& [name, path] : sources) {
        packwriter::Entry entry{name, "", compress};
        if (!ReadWhole(path, entry.data)) {
            std::fprintf(stderr, "make_pack: cannot read %s\n", path.c_str());
            return 1;
        }
        entries.push_back(entry);
    }
    try {
        if (!WriteWhole(output, packwriter::WritePack(options, entries))) {
            std::fprintf(stderr, "make_pack: cannot write %s\n", output.c_str());
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_pack: %s\n", error.what());
        return 1;
    }
    return 0;
}
