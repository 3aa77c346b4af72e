// The commands of pak, each with what its command line gave it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pak/Console.h"

namespace pak {

struct CreateOptions {
    std::string archive;             // native path
    std::vector<std::string> paths;  // native, relative to folder
    std::string folder;              // -C: where the paths are; empty for the current folder
    std::uint32_t format = 3;
    std::string name;                // native text; header name of formats 2 to 4
    bool hasName = false;
    double number = 0.0;
    bool hasNumber = false;
    int level = 6;
    std::vector<std::string> storePatterns;  // native text
    unsigned threads = 0;                    // 0: one for each core
};

struct ExtractOptions {
    std::string archive;
    std::string folder = ".";
    std::vector<std::string> names;  // native text; empty: every entry
    bool force = false;
};

int Create(const CreateOptions& options, const Console& console);
int List(const std::string& archive, bool json, const Console& console);
int Cat(const std::string& archive, const std::string& name, const Console& console);
int Extract(const ExtractOptions& options, const Console& console);
int Verify(const std::string& archive, const Console& console);

// A name given on the command line as the archive spells it: code page 932, '\' between
// folders. Throws UsageError when it cannot be.
std::string RequestedName(const std::string& native);

}  // namespace pak
