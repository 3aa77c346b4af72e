// What a command says: its output, its messages, its progress bar, how it ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace pak {

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2 };

// Ends a command: the message names the file and what is wrong.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message, int code = kFailed) : std::runtime_error(message), code(code) {}
    int code;
};

// A command line that does not make sense.
class UsageError : public Failure {
public:
    explicit UsageError(const std::string& message) : Failure(message, kUsage) {}
};

struct Console {
    std::FILE* out;
    std::FILE* err;
    bool quiet = false;

    // "pak: message" on the error stream.
    void Error(const std::string& message) const;
};

// A bar on the error stream while long work goes on, when that stream is a terminal.
class Progress {
public:
    Progress(const Console& console, const char* what, std::uint64_t total);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    ~Progress();

    void Update(std::uint64_t done);
    // Takes the bar off the line, before other output; the next update draws it again.
    void Clear();

private:
    void Draw(std::uint64_t done);

    std::FILE* stream;  // null: no bar
    const char* what;
    std::uint64_t total;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point drawn;
    bool shown = false;
};

}  // namespace pak
