// Entry names of pack archives: code page 932 text with '\' between folders, whatever the
// code page of the system the tool runs on.
#pragma once

#include <string>
#include <vector>

namespace pak {

// Bytes of the code page 932 character at name[at]: 2 for a lead byte with a byte after it.
std::size_t CharacterSize(const std::string& name, std::size_t at);

// Why pak extract refuses the name, or empty when it is safe to write below a folder; then
// parts holds its folder names and file name. A safe name is code page 932 text, relative,
// without drive, stream or device names, empty, "." or ".." parts, parts ending in '.' or a
// space, control characters or characters Windows refuses in names; '/' separates like '\'.
std::string CheckEntryName(const std::string& name, std::vector<std::string>& parts);
// Why pak extract refuses the name, or empty; then parts holds its folder names and file
// name as this system names files, to be written below a folder one after the other.
std::string CheckExtractPath(const std::string& name, std::vector<std::string>& parts);

// The name as a command line of this system gives it back: converted to native text and
// back, a character that code page 932 has under two codes (the NEC and IBM rows: 髙 is EE E0
// and FB FC) comes back under one. Unchanged where the name does not convert.
std::string AsTyped(const std::string& name);

// The name as this system's terminal shows it: native text, with control characters and
// bytes that are not code page 932 text written as \xNN.
std::string Displayed(const std::string& name);
// The name as a JSON string (UTF-8, quotes included); a character that is not code page 932
// text becomes U+FFFD.
std::string JsonString(const std::string& name);

// '*' any run of characters, '?' one; letters without regard to case.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// The order of a directory that pak writes: without regard to case as the lookup compares
// names, then by bytes. A name always comes before the longer names it begins, so the
// lookup's prefix match finds an entry by its own name.
bool DirectoryOrder(const std::string& first, const std::string& second);
// The lookup cannot tell the two names apart.
bool SameButForCase(const std::string& first, const std::string& second);

}  // namespace pak
