// Settings text of arbitrary bytes read whole from a memory stream, then looked up twice as
// the launcher does, the second lookup from where the first left the read position.
//
// Input: Piece(section) Piece(key) Piece(second key), then the text.
#include <cstring>

#include "files/OCFile.h"
#include "fuzz/Input.h"
#include "fuzz/Invariants.h"
#include "fuzz/Target.h"
#include "launcher/Settings.h"
#include "tests/launcher/SettingsCases.h"

namespace {

// A value found is never empty, starts after the separators and ends before a TAB; the
// text's line ends are gone from it, only an escaped line feed stays.
void CheckValue(const OCString& value) {
    fuzz::CheckString(value);
    if (!value.GetText()) return;
    FUZZ_CHECK(!value.IsEmpty());
    FUZZ_CHECK(!std::strchr("\t =", value.GetText()[0]));
    FUZZ_CHECK(!fuzz::HasCharacterOf(value, "\t\r"));
}

void LookUp(const std::string& section, const std::string& key, OCString& text) {
    OCString value;
    ParseSetting(section.c_str(), key.c_str(), value, text);
    fuzz::CheckString(text);
    CheckValue(value);
}

void Run(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string section = input.Piece();
    const std::string key = input.Piece();
    const std::string secondKey = input.Piece();
    std::string bytes = input.Rest();

    OCFile file;
    file.OpenMemory(&bytes[0], static_cast<std::uint32_t>(bytes.size()));
    OCString text;
    text.ReadAll(file);
    fuzz::CheckString(text);
    FUZZ_CHECK(text.GetText() != nullptr);
    FUZZ_CHECK(!fuzz::HasCharacterOf(text, "\r"));
    LookUp(section, key, text);
    LookUp(section, secondKey, text);
}

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds;
    for (const settingscases::Case& row : settingscases::kCases)
        seeds.push_back(fuzz::Piece(row.section) + fuzz::Piece(row.key) + fuzz::Piece("Name") + row.lines);
    return seeds;
}

[[maybe_unused]] const bool registered = fuzz::Register({"settings", Run, Seeds});

}  // namespace
