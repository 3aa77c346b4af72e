#include <cstdio>
#include <cstring>
#include <memory>

#include "bench/Benchmarks.h"
#include "launcher/Settings.h"

namespace {

// ReadSetting of the last key of GAME.INI, found on disk in the current directory.
void Settings(benchmark::State& state, const Fixtures& fixtures, std::uint32_t size) {
    EnterFixture(fixtures.SettingsDirectory(size));
    Repeat(state, size, "the setting was not found", [] {
        OCString value;
        ReadSetting(kSettingsSection, kSettingsKey, value, kSettingsFile);
        return value.GetText() && std::strcmp(value.GetText(), kSettingsValue) == 0;
    });
}

// The floor: the file read whole into new memory, and one memchr pass over it that counts
// its lines.
void SettingsFloor(benchmark::State& state, const Fixtures& fixtures, std::uint32_t size) {
    EnterFixture(fixtures.SettingsDirectory(size));
    Repeat(state, size, "the floor read nothing", [] {
        std::size_t lines = 0;
        if (std::FILE* file = std::fopen(kSettingsFile, "rb")) {
            std::fseek(file, 0, SEEK_END);
            const std::size_t length = static_cast<std::size_t>(std::ftell(file));
            std::fseek(file, 0, SEEK_SET);
            std::unique_ptr<char[]> text(new char[length]);
            const std::size_t got = std::fread(text.get(), 1, length, file);
            std::fclose(file);
            const char* end = text.get() + got;
            for (const char* at = text.get(); (at = static_cast<const char*>(std::memchr(at, '\n', end - at))); ++at)
                ++lines;
        }
        benchmark::DoNotOptimize(lines);
        return lines != 0;
    });
}

}  // namespace

void RegisterSettingsBenchmarks(const Fixtures& fixtures) {
    for (std::uint32_t size : fixtures.GetScale().iniSizes) {
        const std::string suffix = "/" + std::to_string(size);
        Register("Settings" + suffix, Settings, std::cref(fixtures), size);
        Register("SettingsFloor" + suffix, SettingsFloor, std::cref(fixtures), size);
    }
}
