// pak: makes, inspects and unpacks pack archives.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace pak {

// Runs one command line, the arguments after the program's name, writing to out and err.
// The exit code: 0 done, 1 a bad archive or an input or output error, 2 bad usage.
int Run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

}  // namespace pak
