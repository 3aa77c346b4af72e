#include "bench/Fixtures.h"

#include "files/ProcessState.h"
#include "platform/Platform.h"
#include "tools/packwriter/PackWriter.h"

const char kLookupPack[] = "images.pak";
const char kBigPack[] = "movies.pak";
const char kSettingsFile[] = "GAME.INI";
const char kSettingsSection[] = "\x90\xdd\x92\xe8";  // 設定
const char kSettingsKey[] = "Title";
const char kSettingsValue[] = "Benchmark Title";

namespace {

const std::uint32_t kMiB = 1024 * 1024;

// A 24-bit picture 1024 pixels wide, as a game's pictures are: half of it tiles of one flat
// colour, half gradients with noise in the two low bits. zlib at level 6 keeps about a third.
std::string PictureBytes(std::uint32_t size) {
    std::string bytes(size, '\0');
    std::uint32_t noise = 0x2545F491;
    for (std::uint32_t i = 0; i < size; ++i) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const std::uint32_t pixel = i / 3;
        const std::uint32_t x = pixel % 1024;
        const std::uint32_t y = pixel / 1024;
        const bool flat = (x / 128 + y / 128) % 2 == 0;
        bytes[i] = static_cast<char>(flat ? y / 128 * 40 : (x + y * (i % 3 + 1)) / 8 + (noise & 3));
    }
    return bytes;
}

// About size bytes of settings text with CR LF line ends: the first half other sections of
// sixteen keys each, the second half one 設定 section of many keys that ends in the key
// looked up. So the reader passes over sections and reads lines, both at scale.
std::string SettingsText(std::uint32_t size) {
    std::string text;
    for (int section = 0; text.size() < size / 2; ++section) {
        text += Printed("[Section%05d]\r\n", section);
        for (int key = 0; key < 16; ++key) text += Printed("Key%02d=Value %02d of section %05d\r\n", key, key, section);
    }
    text += std::string("[") + kSettingsSection + "]\r\nName=BenchmarkGame\r\n";
    const std::string last = std::string(kSettingsKey) + "=" + kSettingsValue + "\r\n";
    for (int key = 0; text.size() + last.size() < size; ++key) text += Printed("Key%05d=Value %05d\r\n", key, key);
    return text + last;
}

}  // namespace

Scale FullScale() { return {{1000, 10000, 100000}, 64 * kMiB, {kMiB / 4, kMiB / 2, kMiB}, kMiB}; }

Scale SmokeScale() { return {{1000, 10000, 100000}, kMiB, {16 * 1024, 32 * 1024}, 64 * 1024}; }

std::string ImageName(int index) { return Printed("data\\image\\%05d.bmp", index); }

Fixtures::Fixtures(const Scale& chosen) : scale(chosen) {
    for (int count : scale.entryCounts) WriteLookupPack(count);
    WriteBigPack();
    for (std::uint32_t size : scale.iniSizes) WriteSettings(size);
}

std::string Fixtures::LookupDirectory(int count) const { return Subdirectory("lookup-" + std::to_string(count)); }

std::string Fixtures::BigDirectory() const { return Subdirectory("movies"); }

std::string Fixtures::SettingsDirectory(std::uint32_t size) const {
    return Subdirectory("settings-" + std::to_string(size));
}

std::string Fixtures::Subdirectory(const std::string& leaf) const { return root.Path() + "\\" + leaf; }

void Fixtures::WriteLookupPack(int count) {
    std::vector<packwriter::Entry> entries;
    for (int i = 0; i < count; ++i) entries.push_back({ImageName(i), std::string(16, static_cast<char>(i)), false});
    MakeDirectory(LookupDirectory(count));
    WriteFile(LookupDirectory(count) + "\\" + kLookupPack, packwriter::WritePack(packwriter::PackOptions(), entries));
}

void Fixtures::WriteBigPack() {
    const std::string picture = PictureBytes(scale.bigEntryBytes);
    const packwriter::PackOptions options;
    const packwriter::Layout layout = packwriter::LayOut(
        options, {{"data\\movie\\stored.bin", picture, false}, {"data\\movie\\packed.bin", picture, true}});
    const std::string pack =
        packwriter::Assemble(options, static_cast<std::uint32_t>(layout.records.size()),
                             packwriter::EncodeDirectory(options.version, layout.records), layout.data);
    const std::uint32_t dataStart = static_cast<std::uint32_t>(pack.size() - layout.data.size());
    EntryPlace* places[] = {&stored, &compressed};
    for (std::size_t i = 0; i < layout.records.size(); ++i) {
        const packwriter::Record& record = layout.records[i];
        *places[i] = {record.name, dataStart + record.offset, record.size, record.storedSize};
    }
    MakeDirectory(BigDirectory());
    WriteFile(BigDirectory() + "\\" + kBigPack, pack);
}

void Fixtures::WriteSettings(std::uint32_t size) {
    MakeDirectory(SettingsDirectory(size));
    WriteFile(SettingsDirectory(size) + "\\" + kSettingsFile, SettingsText(size));
}

void EnterFixture(const std::string& directory) {
    SetCurrentDirectoryA(directory.c_str());
    packFiles.clear();
}
