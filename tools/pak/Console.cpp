#include "tools/pak/Console.h"

#include <algorithm>

#include "platform/ToolHost.h"

namespace pak {

namespace {

// Short work finishes before a bar would help; a bar redrawn faster is not read.
const std::chrono::milliseconds kQuietStart(500);
const std::chrono::milliseconds kRedraw(100);
const int kWidth = 30;

}  // namespace

void Console::Error(const std::string& message) const { std::fprintf(err, "pak: %s\n", message.c_str()); }

Progress::Progress(const Console& console, const char* what, std::uint64_t total)
    : stream(!console.quiet && toolhost::IsTerminal(console.err) ? console.err : nullptr),
      what(what),
      total(total),
      started(std::chrono::steady_clock::now()) {}

Progress::~Progress() { Clear(); }

void Progress::Clear() {
    if (!shown) return;
    std::fprintf(stream, "\r%*s\r", kWidth + 40, "");
    std::fflush(stream);
    shown = false;
}

void Progress::Update(std::uint64_t done) {
    if (!stream) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - started < kQuietStart || (shown && now - drawn < kRedraw)) return;
    drawn = now;
    shown = true;
    Draw(done);
}

void Progress::Draw(std::uint64_t done) {
    done = std::min(done, total);
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    const int filled = percent * kWidth / 100;
    std::fprintf(stream, "\r%s [%s%s] %3d%% %llu/%llu MB", what, std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent, static_cast<unsigned long long>(done >> 20),
                 static_cast<unsigned long long>(total >> 20));
    std::fflush(stream);
}

}  // namespace pak
