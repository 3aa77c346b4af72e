// The case-insensitive collation that orders pack file names: our host layer and the real
// lstrcmpiA under Wine (code page 932) answer the same cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace {

TEST(lstrcmpiA, OrdersPairsLikeWindows) {
    struct Case {
        const char* name;
        const char* first;
        const char* second;
        int expected;
    };
    const Case cases[] = {
        {"case is ignored", "aB", "Ab", 0},
        {"a later letter, whatever the case", "b.pak", "A.pak", 1},
        {"digits one by one, not as numbers", "data10.pak", "data2.pak", -1},
        {"a symbol before a digit", "data_1.pak", "data1.pak", -1},
        {"a point before a digit", "a.pak", "a1.pak", -1},
        {"a symbol before a letter", "~", "a", -1},
        {"a space before a point", "data 1.pak", "data.pak", -1},
        {"a point before an underscore", "data.pak", "data_1.pak", -1},
        {"an underscore before a tilde", "_", "~", -1},
        {"a control byte before a symbol", "\x01", "!", -1},
        {"a prefix first", "a", "ab", -1},
        {"the empty text first", "", "a", -1},
        {"half-width katakana after letters", "\xb1", "a", 1},
        {"half-width katakana by code", "\xa7", "\xb1", -1},
        {"two-byte characters after letters", "\x95\x5c", "z", 1},
        {"half-width katakana before two-byte characters", "\xb1", "\x95\x5c", -1},
        {"two-byte characters by code", "\x88\x9f", "\x95\x5c", -1},
        {"a two-byte character whose second byte is 5C", "\x95\x5c", "\x95\x5d", -1},
        {"full-width Latin capital and small letter", "\x82\x60", "\x82\x81", 0},
        {"Greek capital and small letter", "\x83\x9f", "\x83\xbf", 0},
        {"Cyrillic capital and small letter", "\x84\x40", "\x84\x70", 0},
        {"a full-width letter after its half-width one", "\x82\x60", "a", 1},
        {"a lone lead byte after the end", "a\x95", "a", 1},
        {"a lone lead byte before a two-byte character", "a\x95", "a\x95\x5c", -1},
        {"a lone lead byte before half-width katakana", "a\x95", "a\xb1", -1},
        {"a hyphen counts only when all else is equal", "a-b", "ab", 1},
        {"a hyphen does not hide a later letter", "a-c", "ab", 1},
        {"a hyphen does not hide an earlier letter", "a-a", "ab", -1},
        {"an apostrophe counts only when all else is equal", "'", "", 1},
        {"a hyphen after an apostrophe", "a-b", "a'b", 1},
        {"an earlier hyphen sorts after", "a-b", "ab-", 1},
        {"a leading hyphen sorts after", "-ab", "a-b", 1},
        {"more hyphens sort after", "a--b", "a-b", 1},
        {"hyphens alike, case ignored", "a-b", "A-B", 0},
        {"null before a text", nullptr, "a", -1},
        {"null against null", nullptr, nullptr, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, lstrcmpiA(row.first, row.second));
        EXPECT_EQ(-row.expected, lstrcmpiA(row.second, row.first));
    }
}

// Pack file names as a directory holds them, in the order a sort by lstrcmpiA must give.
TEST(lstrcmpiA, SortsPackFileNames) {
    const std::vector<std::string> sorted = {
        "data 1.pak",  "data!.pak", "data(1).pak", "data.pak", "data_1.pak", "data~.pak",  "data+.pak",
        "data0.pak",   "data1.pak", "data'1.pak",  "DATA-1.pak", "data10.pak", "data2.pak", "dataa.pak",
        "DataB.PAK",   "datac.pak", "data\xb1.pak", "data\x88\x9f.pak", "data\x95\x5c.pak",
    };
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        SCOPED_TRACE(sorted[i] + " before " + sorted[i + 1]);
        EXPECT_LT(lstrcmpiA(sorted[i].c_str(), sorted[i + 1].c_str()), 0);
    }
    std::vector<std::string> names(sorted.rbegin(), sorted.rend());
    std::rotate(names.begin(), names.begin() + 7, names.end());
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    EXPECT_EQ(sorted, names);
}

}  // namespace
