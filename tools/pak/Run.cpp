// The command line of pak: which command, its options and operands.
#include <cstdlib>

#include "tools/pak/Commands.h"
#include "tools/pak/Pak.h"

namespace pak {

namespace {

const char kOverview[] =
    "usage: pak COMMAND ARCHIVE [options] ...\n"
    "Makes, inspects and unpacks .pak archives.\n"
    "\n"
    "  create ARCHIVE [options] PATH...   pack files and folders\n"
    "  list ARCHIVE [--json]              the header and one row per entry\n"
    "  cat ARCHIVE NAME                   one entry's bytes to standard output\n"
    "  extract ARCHIVE [-C DIR] [NAME...] entries as files\n"
    "  verify ARCHIVE                     check the whole archive\n"
    "\n"
    "Every command takes --help and -q (quiet). Exit codes: 0 done, 1 a bad archive or an\n"
    "input or output error, 2 bad usage. 'pak COMMAND --help' tells more.\n";

const char kCreateHelp[] =
    "usage: pak create ARCHIVE [options] PATH...\n"
    "Packs the files and folders at PATH (relative paths) into a new ARCHIVE. Entries are named\n"
    "by their paths with '\\' between folders, in code page 932, and come in a fixed order: the\n"
    "same files always give the same bytes. An entry is stored where compressing would not make\n"
    "it smaller. An older ARCHIVE is replaced only once the new one is complete.\n"
    "\n"
    "  --format 0..4     the format version (default 3)\n"
    "  --name TEXT       the header's name (formats 2 to 4)\n"
    "  --number N        the header's number (formats 2 to 4)\n"
    "  --level 0..9      zlib's compression level (default 6; 0 stores everything)\n"
    "  --store PATTERN   keep matching entries uncompressed, e.g. '*.ogg' (repeatable); a\n"
    "                    pattern without a separator matches the file name, '*' and '?' wild\n"
    "  -C DIR            find the PATHs in DIR and name the entries from there\n"
    "  --threads N       compressing threads (default: one for each core)\n"
    "  -q                no summary, no progress bar\n";

const char kListHelp[] =
    "usage: pak list ARCHIVE [--json]\n"
    "Shows the format version, the entry count and the header's name, then one row for each\n"
    "directory record in directory order: size, stored size, method, offset in the file, name.\n"
    "\n"
    "  --json   the same as one JSON object, in UTF-8\n";

const char kCatHelp[] =
    "usage: pak cat ARCHIVE NAME\n"
    "Writes the bytes of the entry named NAME (without regard to case) to standard output.\n";

const char kExtractHelp[] =
    "usage: pak extract ARCHIVE [-C DIR] [--force] [NAME...]\n"
    "Writes every entry, or those named (a NAME may be a folder), as files below DIR, making\n"
    "folders as needed. Names that would land outside DIR or that Windows treats specially are\n"
    "refused before anything is written, and no link on the way is ever followed.\n"
    "\n"
    "  -C DIR    where the files go (default: the current folder)\n"
    "  --force   replace files that are there already\n"
    "  -q        no progress bar\n";

const char kVerifyHelp[] =
    "usage: pak verify ARCHIVE\n"
    "Reads the whole archive: the directory and every record inside the file, no data over the\n"
    "directory, every compressed entry inflating to exactly its size with a good Adler-32 and\n"
    "nothing after its stream, names safe to extract and told apart by the lookup. Exit 0 only\n"
    "when all of it holds.\n";

// The words of a command line, option by option.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& words) : words(words) {}

    bool Done() const { return next == words.size(); }
    // The next word; an option's value may be joined to it by '='.
    std::string Take() {
        std::string word = words[next++];
        if (!onlyOperands && word.size() > 2 && word.compare(0, 2, "--") == 0 && word.find('=') != std::string::npos) {
            pendingValue = word.substr(word.find('=') + 1);
            hasPending = true;
            word.erase(word.find('='));
        }
        return word;
    }
    enum class Kind { Operand, Option, EndOfOptions };
    // What a word taken is; after "--" every word is an operand.
    Kind KindOf(const std::string& word) {
        if (onlyOperands || word.size() < 2 || word[0] != '-') return Kind::Operand;
        if (word != "--") return Kind::Option;
        onlyOperands = true;
        return Kind::EndOfOptions;
    }
    std::string Value(const std::string& option) {
        if (hasPending) {
            hasPending = false;
            return pendingValue;
        }
        if (Done()) throw UsageError(option + " needs a value");
        return words[next++];
    }
    // An option done with: a value joined to it that it did not take is an error.
    void Finish(const std::string& option) {
        if (hasPending) throw UsageError(option + " takes no value");
    }

private:
    const std::vector<std::string>& words;
    std::size_t next = 0;
    bool onlyOperands = false;
    std::string pendingValue;
    bool hasPending = false;
};

long WholeNumber(const std::string& option, const std::string& text, long low, long high) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || value < low || value > high)
        throw UsageError(option + " takes a number from " + std::to_string(low) + " to " + std::to_string(high));
    return value;
}

double RealNumber(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end) throw UsageError(option + " takes a number");
    return value;
}

struct Parsed {
    std::vector<std::string> operands;
    bool help = false;
    bool quiet = false;
};

// Walks the words, handing options other than the common ones to option(); the rest are
// operands.
template <typename Option>
Parsed Parse(const std::vector<std::string>& words, Option option) {
    Parsed parsed;
    Arguments arguments(words);
    while (!arguments.Done()) {
        const std::string word = arguments.Take();
        const Arguments::Kind kind = arguments.KindOf(word);
        if (kind == Arguments::Kind::EndOfOptions) continue;
        if (kind == Arguments::Kind::Operand) {
            parsed.operands.push_back(word);
            continue;
        }
        if (word == "--help" || word == "-h") {
            parsed.help = true;
        } else if (word == "-q" || word == "--quiet") {
            parsed.quiet = true;
        } else if (!option(word, arguments)) {
            throw UsageError("unknown option " + word);
        }
        arguments.Finish(word);
    }
    return parsed;
}

void NeedOperands(const Parsed& parsed, std::size_t least, std::size_t most, const char* what) {
    if (parsed.operands.size() < least) throw UsageError(std::string("missing ") + what);
    if (parsed.operands.size() > most) throw UsageError("too many operands: " + parsed.operands[most]);
}

int Help(const char* text, std::FILE* out) {
    std::fputs(text, out);
    return kDone;
}

int RunCreate(const std::vector<std::string>& words, Console& console) {
    CreateOptions options;
    const Parsed parsed = Parse(words, [&](const std::string& word, Arguments& arguments) {
        if (word == "--format") {
            options.format = static_cast<std::uint32_t>(WholeNumber(word, arguments.Value(word), 0, 4));
        } else if (word == "--name") {
            options.name = arguments.Value(word);
            options.hasName = true;
        } else if (word == "--number") {
            options.number = RealNumber(word, arguments.Value(word));
            options.hasNumber = true;
        } else if (word == "--level") {
            options.level = static_cast<int>(WholeNumber(word, arguments.Value(word), 0, 9));
        } else if (word == "--store") {
            options.storePatterns.push_back(arguments.Value(word));
        } else if (word == "-C") {
            options.folder = arguments.Value(word);
        } else if (word == "--threads") {
            options.threads = static_cast<unsigned>(WholeNumber(word, arguments.Value(word), 1, 256));
        } else {
            return false;
        }
        return true;
    });
    if (parsed.help) return Help(kCreateHelp, console.out);
    NeedOperands(parsed, 1, SIZE_MAX, "ARCHIVE");
    if (parsed.operands.size() < 2) throw UsageError("nothing to pack: name at least one PATH");
    console.quiet = parsed.quiet;
    options.archive = parsed.operands[0];
    options.paths.assign(parsed.operands.begin() + 1, parsed.operands.end());
    return Create(options, console);
}

int RunList(const std::vector<std::string>& words, Console& console) {
    bool json = false;
    const Parsed parsed = Parse(words, [&](const std::string& word, Arguments&) {
        return word == "--json" && (json = true);
    });
    if (parsed.help) return Help(kListHelp, console.out);
    NeedOperands(parsed, 1, 1, "ARCHIVE");
    console.quiet = parsed.quiet;
    return List(parsed.operands[0], json, console);
}

int RunCat(const std::vector<std::string>& words, Console& console) {
    const Parsed parsed = Parse(words, [](const std::string&, Arguments&) { return false; });
    if (parsed.help) return Help(kCatHelp, console.out);
    NeedOperands(parsed, 1, 2, "ARCHIVE");
    NeedOperands(parsed, 2, 2, "NAME");
    console.quiet = parsed.quiet;
    return Cat(parsed.operands[0], parsed.operands[1], console);
}

int RunExtract(const std::vector<std::string>& words, Console& console) {
    ExtractOptions options;
    const Parsed parsed = Parse(words, [&](const std::string& word, Arguments& arguments) {
        if (word == "-C") {
            options.folder = arguments.Value(word);
        } else if (word == "--force") {
            options.force = true;
        } else {
            return false;
        }
        return true;
    });
    if (parsed.help) return Help(kExtractHelp, console.out);
    NeedOperands(parsed, 1, SIZE_MAX, "ARCHIVE");
    console.quiet = parsed.quiet;
    options.archive = parsed.operands[0];
    options.names.assign(parsed.operands.begin() + 1, parsed.operands.end());
    return Extract(options, console);
}

int RunVerify(const std::vector<std::string>& words, Console& console) {
    const Parsed parsed = Parse(words, [](const std::string&, Arguments&) { return false; });
    if (parsed.help) return Help(kVerifyHelp, console.out);
    NeedOperands(parsed, 1, 1, "ARCHIVE");
    console.quiet = parsed.quiet;
    return Verify(parsed.operands[0], console);
}

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& words, Console& console);
};

const Command kCommands[] = {
    {"create", RunCreate}, {"list", RunList}, {"cat", RunCat}, {"extract", RunExtract}, {"verify", RunVerify},
};

}  // namespace

int Run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
    Console console{out, err};
    if (arguments.empty()) {
        std::fputs(kOverview, err);
        return kUsage;
    }
    const std::string& command = arguments[0];
    if (command == "--help" || command == "-h" || command == "help") return Help(kOverview, out);
    const std::vector<std::string> words(arguments.begin() + 1, arguments.end());
    for (const Command& known : kCommands) {
        if (command != known.name) continue;
        try {
            return known.run(words, console);
        } catch (const Failure& failure) {
            console.Error(failure.what());
            if (failure.code == kUsage) std::fprintf(err, "Try 'pak %s --help'.\n", known.name);
            return failure.code;
        } catch (const std::bad_alloc&) {
            console.Error("out of memory");
            return kFailed;
        }
    }
    console.Error("unknown command " + command);
    std::fputs(kOverview, err);
    return kUsage;
}

}  // namespace pak
