// What the operating system refuses, made to happen through the platform layer's hooks: the
// file layer ends in a result its behaviour allows, and leaks nothing (the sanitizer build
// checks the heap at exit, the page ledger the pages). One table for each kind of fault; a
// row names the situation and the outcome it must have, written out as a text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "files/ProcessState.h"
#include "files/pack/OCVirtualBuffer.h"
#include "files/pack/PackList.h"
#include "tests/pack/PackFixtures.h"
#include "tests/support/Hooks.h"
#include "tests/support/Messages.h"
#include "tests/support/Scratch.h"
#include "text/OCException.h"

namespace {

std::string Count(std::size_t count, const std::string& what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string Leaf(const OCString& path) {
    const std::string text = Text(path);
    return text.substr(text.rfind('\\') + 1);
}

// Which pack the stream still holds open.
std::string OpenPack(const OCFile& file) { return file.file ? Leaf(file.name) + " open" : "no file open"; }

// A status thrown by the file layer, as Windows writes one.
std::string Status(std::uint32_t status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", status);
    return text;
}

// OCFile::Open, with what it can throw written out.
std::string Opened(OCFile& file, const std::string& name, int mode) {
    try {
        return std::to_string(file.Open(name.c_str(), mode));
    } catch (const OCErrorException& error) {
        const std::string message = Text(error.message);
        return message == kInflateFailed ? "the decompression error" : "Abort: " + message;
    } catch (std::uint32_t status) {
        return Status(status);
    }
}

using FaultInjection = PackTest;

// --- Page allocations refused --------------------------------------------------------------

std::string Resized(OCVirtualBuffer& buffer, std::uint32_t size) {
    try {
        buffer.Resize(size);
        return "nothing thrown";
    } catch (std::uint32_t status) {
        return Status(status);
    }
}

std::string Outstanding(const PageLedger& pages) { return Count(pages.Outstanding(), "block") + " outstanding"; }

std::string Held(const OCVirtualBuffer& buffer, const PageLedger& pages) {
    std::string held = "no pages";
    if (buffer.data) {
        bool zero = true;
        for (std::uint32_t i = 0; i < buffer.size; ++i) zero = zero && buffer.data[i] == 0;
        held = std::to_string(buffer.size) + (zero ? " zero bytes" : " bytes");
    }
    return held + ", " + Outstanding(pages);
}

using PageAct = std::function<std::string(const std::string& directory, const PageLedger& pages)>;

struct PageCase {
    std::string what;
    int granted;  // page allocations granted before the refusals begin
    PageAct act;
    std::string outcome;
};

// A buffer resized to each size in turn, from none or from 100 bytes of its own written over.
PageAct Resizing(bool holding, std::vector<std::uint32_t> sizes) {
    return [holding, sizes](const std::string&, const PageLedger& pages) {
        OCVirtualBuffer buffer;
        if (holding) {
            buffer.Resize(100);
            std::memset(buffer.data, 0xAB, buffer.size);
        }
        std::string ended;
        for (std::uint32_t size : sizes) ended += Resized(buffer, size) + ", ";
        return ended + Held(buffer, pages);
    };
}

std::string LookUpGameIni(const std::string& directory, const PageLedger& pages) {
    OCFile file;
    const Outcome outcome = LookUp(file, directory, "GAME.INI");
    return std::string(Describe(outcome)) + ", " + OpenPack(file) + ", " + Outstanding(pages);
}

std::vector<PageCase> PageCases() {
    std::vector<PageCase> cases = {
        {"a buffer without pages", 0, Resizing(false, {100}), "0xC0000017, no pages, 0 blocks outstanding"},
        {"another size: the pages held go first", 1, Resizing(true, {5000}),
         "0xC0000017, no pages, 0 blocks outstanding"},
        {"the size held: the same pages, zero-filled", 1, Resizing(true, {100}),
         "nothing thrown, 100 zero bytes, 1 block outstanding"},
        {"size 0 takes no pages", 1, Resizing(true, {0, 0}),
         "nothing thrown, nothing thrown, no pages, 0 blocks outstanding"},
        {"a version-0 pack has no directory pages", 0,
         [](const std::string& directory, const PageLedger& pages) {
             WriteFile("a.pak", WritePack({0, false}, {{"GAME.INI", "x"}}));
             return LookUpGameIni(directory, pages);
         },
         "found, a.pak open, 0 blocks outstanding"},
        {"the second pack's directory, after the first pack's were released", 1,
         [](const std::string& directory, const PageLedger& pages) {
             WriteFile("a.pak", WritePack({3, true}, {{"README.TXT", "x"}}));
             WriteFile("b.pak", WritePack({3, true}, {{"GAME.INI", "x"}}));
             return LookUpGameIni(directory, pages);
         },
         "0xC0000017, b.pak open, 0 blocks outstanding"},
        {"through OCFile::Open: passed out, without a dialog", 0,
         [](const std::string&, const PageLedger& pages) {
             WriteFile("a.pak", WritePack({4, true}, {{"GAME.INI", "x"}}));
             DialogAnswers dialogs({});
             OCFile file;
             const std::string opened = Opened(file, "GAME.INI", OCFile::ModeRead);
             return opened + ", " + OpenPack(file) + ", " + Count(dialogs.Shown().size(), "dialog") + ", " +
                    Outstanding(pages);
         },
         "0xC0000017, a.pak open, 0 dialogs, 0 blocks outstanding"},
    };
    for (std::uint32_t version = 1; version <= 4; ++version) {
        for (bool compress : {false, true}) {
            const Variant variant = {version, compress};
            cases.push_back({"the directory of a " + Describe(variant) + " pack", 0,
                             [variant](const std::string& directory, const PageLedger& pages) {
                                 WriteFile("a.pak", WritePack(variant, {{"GAME.INI", "x"}}));
                                 return LookUpGameIni(directory, pages);
                             },
                             "0xC0000017, a.pak open, 0 blocks outstanding"});
        }
    }
    return cases;
}

TEST_F(FaultInjection, PageAllocationsRefused) {
    for (const PageCase& row : PageCases()) {
        SCOPED_TRACE(row.what);
        ResetPackState();
        ScratchDirectory scratch;
        PageLedger pages(row.granted);
        EXPECT_EQ(row.outcome, row.act(scratch.Path(), pages));
        EXPECT_EQ(0u, pages.Outstanding()) << "pages left behind";
    }
}

TEST_F(FaultInjection, ARefusalLeavesNothingThatStopsTheNextLookup) {
    ScratchDirectory scratch;
    WriteFile("a.pak", WritePack({4, true}, {{"GAME.INI", "x"}}));
    OCFile file;
    {
        PageLedger refused(0);
        EXPECT_EQ(Outcome::NoMemory, LookUp(file, scratch.Path(), "GAME.INI"));
    }
    file.Close();
    EXPECT_EQ(Outcome::Found, LookUp(file, scratch.Path(), "GAME.INI"));
}

// --- Packs gone since the scan ----------------------------------------------------------

struct GoneCase {
    const char* what;
    std::function<void()> sinceTheScan;  // what happens to A.pak and b.pak after the list was made
    const char* request;
    std::string outcome;  // with every dialog answered Ignore
    bool throughOpen = false;
};

void RemoveBoth() {
    RemoveTree("A.pak");
    RemoveTree("b.pak");
}

const std::vector<GoneCase>& GoneCases() {
    static const std::vector<GoneCase> cases = {
        {"A.pak removed: passed over without a word", [] { RemoveTree("A.pak"); }, "B.TXT", "found b, 0 dialogs"},
        {"A.pak removed: its entries are gone", [] { RemoveTree("A.pak"); }, "A.TXT", "not found, 0 dialogs"},
        {"both removed", RemoveBoth, "B.TXT", "not found, 0 dialogs"},
        {"both removed, through Open: only Open's own dialog",
         RemoveBoth, "B.TXT", "not found, 1 dialog about B.TXT", true},
        {"A.pak emptied: read as an empty pack", [] { WriteFile("A.pak", ""); }, "B.TXT",
         "decompression error, 0 dialogs"},
        {"A.pak cut inside its directory", [] { WriteFile("A.pak", ReadFile("A.pak").substr(0, 290)); }, "B.TXT",
         "decompression error, 0 dialogs"},
        {"A.pak now a directory: Open's dialog, then read as an empty pack",
         [] {
             RemoveTree("A.pak");
             MakeDirectory("A.pak");
         }, "B.TXT", "decompression error, 1 dialog about A.pak"},
        {"A.pak rewritten: read afresh", [] { WriteFile("A.pak", WritePack({3, true}, {{"B.TXT", "new"}})); },
         "B.TXT", "found new, 0 dialogs"},
        {"a pack added since the scan is not searched",
         [] { WriteFile("0.pak", WritePack({3, true}, {{"C.TXT", "c"}})); }, "C.TXT", "not found, 0 dialogs"},
    };
    return cases;
}

std::string Dialogs(const DialogAnswers& dialogs) {
    std::string text = Count(dialogs.Shown().size(), "dialog");
    for (const ShownMessage& shown : dialogs.Shown()) {
        const std::size_t space = shown.text.find(' ');
        const std::string name = shown.text.substr(space + 1, shown.text.find(' ', space + 1) - space - 1);
        text += " about " + name.substr(name.rfind('\\') + 1);
    }
    return text;
}

TEST_F(FaultInjection, PacksGoneSinceTheScan) {
    for (const GoneCase& row : GoneCases()) {
        SCOPED_TRACE(row.what);
        ResetPackState();
        ScratchDirectory scratch;
        WriteFile("A.pak", WritePack({3, false}, {{"A.TXT", "a"}}));
        WriteFile("b.pak", WritePack({3, true}, {{"B.TXT", "b"}}));
        OCFile file;
        ASSERT_EQ(Outcome::Found, LookUp(file, scratch.Path(), "A.TXT"));
        ASSERT_EQ(2u, packFiles.size());
        file.Close();

        row.sinceTheScan();
        DialogAnswers dialogs({IDIGNORE, IDIGNORE});
        Outcome outcome;
        if (row.throughOpen)
            outcome = file.Open(row.request, OCFile::ModeRead | OCFile::ModeSkipSearchDirectories) ? Outcome::Found
                                                                                                   : Outcome::NotFound;
        else
            outcome = LookUp(file, scratch.Path(), row.request);
        std::string ended = Describe(outcome);
        if (outcome == Outcome::Found) ended += " " + ReadAllBytes(file);
        EXPECT_EQ(row.outcome, ended + ", " + Dialogs(dialogs));
    }
}

// --- A directory that cannot be listed ----------------------------------------------------

struct ListingCase {
    const char* what;
    std::function<std::string(const std::string& directory)> act;  // runs while listing fails
    std::string outcome;
    std::function<std::string(const std::string& directory)> afterwards = nullptr;  // once it works again
};

std::string ListedPacks() { return Count(packFiles.size(), "pack") + " listed"; }

std::string LookUpAndList(const std::string& directory) {
    OCFile file;
    const std::string outcome = Describe(LookUp(file, directory, "GAME.INI"));
    return outcome + ", " + ListedPacks();
}

const std::vector<ListingCase>& ListingCases() {
    static const std::vector<ListingCase> cases = {
        {"the scan lists nothing, also over an older list",
         [](const std::string& directory) {
             packFiles.emplace_back("stale");
             ScanPackFiles(directory.c_str());
             return ListedPacks();
         },
         "0 packs listed"},
        {"a lookup finds nothing, and the next one lists again",
         LookUpAndList, "not found, 0 packs listed, then found, 1 pack listed", LookUpAndList},
        {"Open for reading: the dialog, then 0",
         [](const std::string&) {
             DialogAnswers dialogs({IDIGNORE});
             OCFile file;
             const std::string opened = Opened(file, "GAME.INI", OCFile::ModeRead);
             return opened + ", " + Dialogs(dialogs);
         },
         "0, 1 dialog about GAME.INI"},
        {"Open for reading, quietly: 0 without a dialog",
         [](const std::string&) {
             QuietOpen quiet;
             DialogAnswers dialogs({});
             OCFile file;
             const std::string opened = Opened(file, "GAME.INI", OCFile::ModeRead);
             return opened + ", " + Dialogs(dialogs);
         },
         "0, 0 dialogs"},
        {"a wildcard: no match, so the pack search for the pattern, then the dialog",
         [](const std::string&) {
             MakeDirectory("w");
             WriteFile("w\\b.dat", "b");
             DialogAnswers dialogs({IDIGNORE});
             OCFile file;
             const std::string opened = Opened(file, "w\\*.dat", OCFile::ModeRead);
             return opened + ", " + Dialogs(dialogs);
         },
         "0, 1 dialog about *.dat"},
    };
    return cases;
}

TEST_F(FaultInjection, DirectoryThatCannotBeListed) {
    for (const ListingCase& row : ListingCases()) {
        SCOPED_TRACE(row.what);
        ResetPackState();
        ScratchDirectory scratch;
        WriteFile("a.pak", WritePack({3, true}, {{"GAME.INI", "x"}}));
        std::string ended;
        {
            RefuseListing refused;
            ended = row.act(scratch.Path());
        }
        if (row.afterwards) ended += ", then " + row.afterwards(scratch.Path());
        EXPECT_EQ(row.outcome, ended);
    }
}

// --- A file that cannot be opened for writing ---------------------------------------------

struct WriteCase {
    const char* what;
    int refused;                   // writes the runtime refuses: -1 every one, 0 none
    std::function<void()> before;  // what stands on disk, or null
    const char* name;
    int mode;
    bool quiet;
    std::vector<int> answers;
    std::string outcome;
};

const std::vector<WriteCase>& WriteCases() {
    using M = OCFile::Mode;
    static const std::string abort = "Abort: " + WithName(kCouldNotOpen, "save\\a.dat") + ", 1 dialog";
    static const std::vector<WriteCase> cases = {
        {"refused, Ignore", -1, nullptr, "save\\a.dat", M::ModeWrite, false, {IDIGNORE}, "0, 1 dialog"},
        {"refused, quietly: the dialog all the same", -1, nullptr, "save\\a.dat", M::ModeWrite, true, {IDIGNORE},
         "0, 1 dialog"},
        {"refused, no button could be shown", -1, nullptr, "save\\a.dat", M::ModeWrite, false, {}, "0, 1 dialog"},
        {"refused once, Retry", 1, nullptr, "save\\a.dat", M::ModeWrite, false, {IDRETRY}, "1, 1 dialog"},
        {"refused, Abort", -1, nullptr, "save\\a.dat", M::ModeWrite, false, {IDABORT}, abort},
        {"appending refused", -1, nullptr, "save\\a.dat", M::ModeAppend, false, {IDIGNORE}, "0, 1 dialog"},
        {"a file where a directory must be made", 0, [] { WriteFile("save", "x"); }, "save\\a.dat", M::ModeWrite,
         false, {IDIGNORE}, "0, 1 dialog"},
        {"the name is a directory", 0, [] { MakeDirectory("save"); }, "save", M::ModeWrite, false, {IDIGNORE},
         "0, 1 dialog"},
    };
    return cases;
}

TEST_F(FaultInjection, FileThatCannotBeOpenedForWriting) {
    for (const WriteCase& row : WriteCases()) {
        SCOPED_TRACE(row.what);
        ScratchDirectory scratch;
        if (row.before) row.before();
        std::unique_ptr<QuietOpen> quiet;
        if (row.quiet) quiet = std::make_unique<QuietOpen>();
        RefuseWriting refused(row.refused);
        DialogAnswers dialogs(row.answers);
        OCFile file;
        const std::string opened = Opened(file, row.name, row.mode);
        EXPECT_EQ(row.outcome, opened + ", " + Count(dialogs.Shown().size(), "dialog"));
        for (const ShownMessage& shown : dialogs.Shown()) EXPECT_EQ(WithName(kCannotOpen, row.name), shown.text);
        EXPECT_EQ(row.outcome[0] == '1', file.file != nullptr);
    }
}

// --- A message box that cannot be shown ---------------------------------------------------

struct NoButtonCase {
    const char* what;
    std::function<std::string(const std::string& directory)> act;  // every box reports no button
    std::string outcome;
};

const std::vector<NoButtonCase>& NoButtonCases() {
    static const std::vector<NoButtonCase> cases = {
        {"the string's message box reports it",
         [](const std::string&) { return std::to_string(OCString("text").ShowMessage(nullptr, "caption", MB_OK)); },
         "0"},
        {"Open of a missing file: as Ignore, once",
         [](const std::string&) {
             OCFile file;
             return Opened(file, "missing.txt", OCFile::ModeRead);
         },
         "0"},
        {"Open of a file the runtime will not write: as Ignore, once",
         [](const std::string&) {
             RefuseWriting refused;
             OCFile file;
             return Opened(file, "save.dat", OCFile::ModeWrite);
         },
         "0"},
        {"a wildcard without a match: as Ignore, once",
         [](const std::string&) {
             OCFile file;
             return Opened(file, "none\\*.dat", OCFile::ModeRead);
         },
         "0"},
        {"a pack that does not open during the lookup: read as an empty pack",
         [](const std::string& directory) {
             WriteFile("a.pak", WritePack({3, true}, {{"GAME.INI", "x"}}));
             OCFile file;
             LookUp(file, directory, "GAME.INI");
             file.Close();
             RemoveTree("a.pak");
             MakeDirectory("a.pak");
             return std::string(Describe(LookUp(file, directory, "GAME.INI")));
         },
         "decompression error"},
    };
    return cases;
}

TEST_F(FaultInjection, MessageBoxThatCannotBeShown) {
    for (const NoButtonCase& row : NoButtonCases()) {
        SCOPED_TRACE(row.what);
        ResetPackState();
        ScratchDirectory scratch;
        DialogAnswers noButton({});
        EXPECT_EQ(row.outcome, row.act(scratch.Path()));
        EXPECT_EQ(1u, noButton.Shown().size()) << "asked again after no button";
    }
}

}  // namespace
