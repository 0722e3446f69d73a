// Reading the command line of morvex-search with CLI11 (BSD-3-Clause, the header-only library
// of Debian's libcli11-dev, compiled in).
#include "cli/commandline.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <tuple>

#include "cli/didyoumean.h"
#include "exports/export.h"
#include "exports/formats.h"
#include "search/textutil.h"

namespace cli {

namespace {

constexpr const char* kProgram = "morvex-search";

#ifndef MORVEX_VERSION
#define MORVEX_VERSION "unknown"
#endif

constexpr const char* kSynopsis =
    "Usage: morvex-search [--project T] [--country T] [--area T] [--agency T] [--month T]\n"
    "                     [--cruise T] [--ship T] [--scientist T] [--contact T] [--parameter T]\n"
    "                     [--with-ulma | --without-ulma] [--square N]... [--bbox W,S,E,N]\n"
    "                     [--from DATE] [--to DATE] [--probe T] [--all]\n"
    "                     [--output-dir DIR] [--export FILE]... [--format FMT] [--quiet] [--json]\n"
    "                     [--files-from FILE] FORMFILE...\n";

constexpr const char* kDescription =
    "Searches CSR form files (KER????.INF) and writes kerforms.htm, kerheads.htm, ker3.txt\n"
    "and kerxxxx.inf for the forms that meet every criterion given. A criterion matches when\n"
    "any of its texts joined by \" OR \" occurs in its form line, letter case ignored; an\n"
    "option given twice adds \" OR \" and the second text. --square, --bbox, --from and --to\n"
    "select by the numbers of the squares and by the cruise dates, beside the criteria.";

constexpr const char* kFooter =
    "Exit status: 0 search completed, 1 search stopped (Ctrl-C, a malformed or unreadable\n"
    "file, an output that cannot be written), 2 nothing searched (usage error, bad file list,\n"
    "no criteria without --all, too many alternatives).\n"
    "\n"
    "Examples:\n"
    "  morvex-search --country ireland --month \"jun OR jul\" KER1994.INF KER1995.INF\n"
    "  morvex-search --square 183 --parameter H09 --export h09.csv KER199?.INF\n"
    "  morvex-search --all --with-ulma --output-dir results --json KER1996.INF";

// CLI11's help with the synopsis and description above in place of its own usage line; option lines show
// only the value name, so each option fits on one line.
class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string(kSynopsis) + "\n" + kDescription + "\n";
    }
    std::string make_option_opts(const CLI::Option* opt) const override {
        return opt->get_expected_min() == 0 ? std::string() : " " + opt->get_type_name();
    }
};

std::string joinAlternatives(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        if (text.empty()) continue; // an empty text counts as not given
        if (!joined.empty()) joined += " OR ";
        joined += text;
    }
    return joined;
}

// "csv|jsonl|geojson|squares.geojson|svg".
std::string formatNames() {
    std::string names;
    for (const exports::ExportFormat& format : exports::exportFormats())
        names.append(names.empty() ? "" : "|").append(format.extension);
    return names;
}

// The filters as typed, read into search::FormFilters after the parse.
struct FilterTexts {
    std::vector<std::string> squares;
    std::string box, from, to;
};

void addFilterOptions(CLI::App& app, FilterTexts& filters) {
    app.add_option("--square", filters.squares, "forms naming square N by number (repeat or join with commas)")
        ->type_name("N")
        ->allow_extra_args(false);
    app.add_option("--bbox", filters.box, "forms naming a square in the box (degrees; W > E crosses 180)")
        ->type_name("W,S,E,N");
    app.add_option("--from", filters.from, "forms whose cruise ends on DATE (YYYY-MM-DD) or later")->type_name("DATE");
    app.add_option("--to", filters.to, "forms whose cruise starts on DATE or earlier")->type_name("DATE");
}

// "183,074" and "217" => {183, 74, 217}, each square once, in the order given.
bool readSquares(const std::vector<std::string>& texts, std::vector<int>* squares, std::string* err) {
    for (const std::string& text : texts) {
        std::string bad;
        if (!search::parseSquares(text, false, squares, &bad)) {
            *err = "--square " + bad + ": " + search::kNotASquare;
            return false;
        }
    }
    return true;
}

bool readFilters(const CLI::App& app, const FilterTexts& texts, search::FormFilters* filters, std::string* err) {
    if (!readSquares(texts.squares, &filters->squares, err)) return false;
    if (app.count("--bbox") > 0) {
        search::GeoBox box;
        if (!search::parseGeoBox(texts.box, &box, err)) {
            *err = "--bbox " + texts.box + ": " + *err;
            return false;
        }
        filters->box = box;
    }
    for (const auto& [name, text, date] :
         {std::tuple("--from", &texts.from, &filters->from), std::tuple("--to", &texts.to, &filters->to)}) {
        if (app.count(name) == 0) continue;
        *date = search::parseIsoDate(*text);
        if (!*date) {
            *err = std::string(name) + " " + *text + ": " + search::kNotADate;
            return false;
        }
    }
    if (filters->from && filters->to && *filters->to < *filters->from) {
        *err = search::datesApart("--from", texts.from, "--to", texts.to);
        return false;
    }
    return true;
}

void buildApp(CLI::App& app, std::array<std::vector<std::string>, search::kCriterionCount>& texts, bool& withUlma,
              bool& withoutUlma, std::string& outputDir, std::vector<std::string>& files, FilterTexts& filters,
              CommandLine& cmd) {
    auto formatter = std::make_shared<UsageFormatter>();
    formatter->column_width(22);
    app.formatter(formatter);
    app.footer(kFooter);
    app.set_help_flag("-h,--help", "show this help and exit");
    app.set_version_flag("-V,--version", std::string(kProgram) + " " + MORVEX_VERSION, "show the version and exit");
    for (std::size_t i = 0; i < search::kCriteria.size(); ++i)
        app.add_option(std::string(search::kCriteria[i].option), texts[i], std::string(search::kCriteria[i].optionHelp))
            ->type_name("T")
            ->allow_extra_args(false);
    app.add_flag("--with-ulma", withUlma, "only cruises with data held at ULMA");
    app.add_flag("--without-ulma", withoutUlma, "only cruises with no data held at ULMA");
    addFilterOptions(app, filters);
    app.add_option("--probe", cmd.probe, "line probe: for each form only line T goes to kerheads.htm")
        ->type_name("T");
    app.add_flag("--all", cmd.all, "search even when no criterion is given");
    app.add_option("-o,--output-dir", outputDir, "folder of the four files (default: that of the first file)")
        ->type_name("DIR");
    app.add_option("--export", cmd.exports,
                   "also write the selected forms to FILE: " + exports::extensionList("") + "; - for stdout")
        ->type_name("FILE")
        ->allow_extra_args(false);
    app.add_option("--format", cmd.format, "the format of --export -: " + formatNames())->type_name("FMT");
    app.add_flag("-q,--quiet", cmd.quiet, "no progress bar on a terminal");
    app.add_flag("--json", cmd.json, "the outcome as one JSON object on stdout, in place of the result lines");
    app.add_option("--files-from", cmd.filesFrom, "also the form files named in FILE, one a line (- for stdin)")
        ->type_name("FILE");
    app.add_option("FORMFILE", files, "form files, at most 100, searched in this order")->type_name("...");
}

// CLI11 2.1 reads "--country=" like "--country" and takes the next argument as the text.
// Spelt as "--country" "" the empty text stays empty, as typed. "--all=x" is refused here,
// since CLI11 would read it as a flag value.
bool splitEmptyValues(const CLI::App& app, int argc, char** argv, std::vector<std::string>* args,
                      std::string* err) {
    bool options = true;
    bool isText = false; // the argument is the text of the option before it
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!isText && options && arg.size() >= 2 && arg[0] == '-' && arg[1] != '-') {
            // A short option: -q, -o DIR, -V, -h.
            const CLI::Option* opt = app.get_option_no_throw(arg.substr(0, 2));
            if (!opt) {
                *err = arg + ": unknown option; see " + kProgram + " --help";
                return false;
            }
            isText = opt->get_expected_min() > 0 && arg.size() == 2;
            args->push_back(arg);
            continue;
        }
        if (isText || !options || arg.compare(0, 2, "--") != 0) {
            isText = false;
            args->push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            args->push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const CLI::Option* opt = app.get_option_no_throw(arg.substr(0, equals));
        if (!opt) {
            *err = unknownOption(app, arg.substr(0, equals), kProgram);
            return false;
        }
        if (equals == std::string::npos) {
            isText = opt->get_expected_min() > 0;
        } else if (opt->get_expected_min() == 0) {
            *err = arg.substr(0, equals) + ": takes no value";
            return false;
        } else if (equals + 1 == arg.size()) {
            args->push_back(arg.substr(0, equals));
            args->emplace_back();
            continue;
        }
        args->push_back(arg);
    }
    return true;
}

// CLI11's message in plain words: an option without its value, anything else that cannot be read.
std::string plainParseError(const CLI::ParseError& e, const std::vector<std::string>& args) {
    const std::string what = e.what();
    const std::size_t colon = what.find(':');
    if (what.find(" required ") != std::string::npos && what.find(" missing") != std::string::npos &&
        colon != std::string::npos)
        return what.substr(0, colon) + ": needs a value after it";
    for (std::size_t i = 1; i < args.size(); ++i)
        if (what.find(args[i]) != std::string::npos && !args[i].empty())
            return args[i] + ": not understood here; see " + std::string(kProgram) + " --help";
    return std::string("the command line cannot be read; see ") + kProgram + " --help";
}

} // namespace

namespace {

bool sameFolder(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string lexicalAbsolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) return {};
    std::string normal = p.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

// The absolute path of a folder: as typed when that leads to the same folder, else its real
// path; empty when neither can be had or used.
std::string absoluteFolder(const std::string& folder) {
    std::string typed = lexicalAbsolute(folder);
    if (!typed.empty() && typed.size() < PATH_MAX && sameFolder(typed, folder)) return typed;
    char real[PATH_MAX];
    if (::realpath(folder.c_str(), real)) return real;
    return {};
}

} // namespace

bool resolvePath(const std::string& path, PathKind kind, std::string* out, std::string* err) {
    if (path.empty()) {
        *err = "an empty path names no file";
        return false;
    }
    std::string folder = path, name;
    if (kind == PathKind::File) {
        const std::size_t slash = path.rfind('/');
        name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.empty() || name == "." || name == "..") {
            *err = path + ": names a folder, not a form file";
            return false;
        }
        folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    }
    std::string absolute = absoluteFolder(folder);
    if (!name.empty() && !absolute.empty()) absolute += (absolute == "/" ? "" : "/") + name;
    // The kernel opens no path of PATH_MAX bytes or more; such a path is used as given.
    *out = !absolute.empty() && absolute.size() < PATH_MAX ? absolute : path;
    return true;
}

namespace {

// The criteria and the probe in Windows-1252, from the terminal's character set.
bool textsToForm(std::array<std::vector<std::string>, search::kCriterionCount>& texts, std::string& probe, const TerminalText& terminal,
                 std::string* err) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::string& text : texts[i]) {
            std::string converted;
            if (!terminal.toForm(text, std::string(search::kCriteria[i].option), &converted, err)) return false;
            text = std::move(converted);
        }
    }
    std::string converted;
    if (!terminal.toForm(probe, "--probe", &converted, err)) return false;
    probe = std::move(converted);
    return true;
}

// The export "-" to standard output: once, with --format, and not beside --json.
bool checkStandardOutput(const CommandLine& cmd, std::string* err) {
    const auto dashes = std::count(cmd.exports.begin(), cmd.exports.end(), std::string("-"));
    if (dashes > 1) {
        *err = "--export -: standard output takes one export";
    } else if (dashes == 1 && cmd.format.empty()) {
        *err = "--export -: give its format with --format " + formatNames();
    } else if (dashes == 0 && !cmd.format.empty()) {
        *err = "--format: only for --export - (standard output); other exports take theirs from their names";
    } else if (dashes == 1 && cmd.json) {
        *err = "--export - and --json both write to standard output; give the export a file";
    } else if (!cmd.format.empty() &&
               std::none_of(exports::exportFormats().begin(), exports::exportFormats().end(),
                            [&](const exports::ExportFormat& f) { return f.extension == cmd.format; })) {
        *err = "--format " + cmd.format + ": not one of " + formatNames();
    } else {
        return true;
    }
    return false;
}

// The --export paths: a known extension each, resolved like form files; "-" is standard output.
bool resolveExports(std::vector<std::string>& paths, std::string* err) {
    for (std::string& path : paths) {
        if (path == "-") continue;
        if (!exports::Export::knownExtension(path)) {
            *err = "--export " + path + ": the name must end in " + exports::extensionList("or");
            return false;
        }
        std::string resolved;
        if (!resolvePath(path, PathKind::File, &resolved, err)) {
            *err = "--export " + *err;
            return false;
        }
        path = resolved;
    }
    return true;
}

// The paths of a list file (or of standard input for "-"), one a line as find writes them, after
// those given as arguments; empty lines are passed over and a CR before the line end is dropped.
bool readFileList(const std::string& list, std::vector<std::string>* files, std::string* err) {
    std::FILE* in = list == "-" ? stdin : std::fopen(list.c_str(), "rb");
    if (!in) {
        *err = "--files-from " + list + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    bool failed = false;
    for (int c; (c = std::getc(in)) != EOF || !line.empty();) {
        if (c != EOF && c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) files->push_back(line);
        line.clear();
        if (c == EOF) break;
    }
    failed = std::ferror(in) != 0;
    if (in != stdin) std::fclose(in);
    if (failed) {
        *err = "--files-from " + list + ": cannot be read to its end";
        return false;
    }
    return true;
}

// The form files of the arguments and of --files-from (when given): at least one.
bool gatherFiles(bool fromList, const std::string& list, std::vector<std::string>* files, std::string* err) {
    if (fromList && !readFileList(list, files, err)) return false;
    if (!files->empty()) return true;
    *err = fromList ? "--files-from " + list + ": names no form file" : "no FORMFILE given";
    return false;
}

// The folder of --output-dir, which must exist.
bool resolveOutputDir(const std::string& folder, std::string* out, std::string* err) {
    if (folder.empty()) {
        *err = "--output-dir: no folder given";
        return false;
    }
    if (!resolvePath(folder, PathKind::Folder, out, err)) return false;
    std::error_code ec;
    if (!std::filesystem::is_directory(*out, ec)) {
        *err = "--output-dir: " + folder + ": not an existing folder";
        return false;
    }
    return true;
}

} // namespace

ParseStatus parseCommandLine(int argc, char** argv, CommandLine* cmd, std::string* err, const TerminalText& terminal) {
    CLI::App app{"", kProgram};
    std::array<std::vector<std::string>, search::kCriterionCount> texts;
    bool withUlma = false, withoutUlma = false;
    std::string outputDir;
    std::vector<std::string> files;
    FilterTexts filters;
    buildApp(app, texts, withUlma, withoutUlma, outputDir, files, filters, *cmd);
    std::vector<std::string> args{argc > 0 ? argv[0] : kProgram};
    if (!splitEmptyValues(app, argc, argv, &args, err)) return ParseStatus::UsageError;
    std::vector<char*> argvCopy;
    argvCopy.reserve(args.size());
    for (std::string& arg : args)
        argvCopy.push_back(arg.data());
    try {
        app.parse(static_cast<int>(argvCopy.size()), argvCopy.data());
    } catch (const CLI::CallForHelp& e) {
        app.exit(e);
        return ParseStatus::Exit;
    } catch (const CLI::CallForVersion& e) {
        app.exit(e);
        return ParseStatus::Exit;
    } catch (const CLI::ParseError& e) {
        *err = plainParseError(e, args);
        return ParseStatus::UsageError;
    }

    if (withUlma && withoutUlma) {
        *err = "--with-ulma and --without-ulma cannot be given together";
        return ParseStatus::UsageError;
    }
    if (!gatherFiles(app.count("--files-from") > 0, cmd->filesFrom, &files, err) || !checkStandardOutput(*cmd, err) ||
        !resolveExports(cmd->exports, err))
        return ParseStatus::UsageError;
    if (!textsToForm(texts, cmd->probe, terminal, err)) return ParseStatus::UsageError;
    for (std::size_t i = 0; i < texts.size(); ++i)
        cmd->criteria.texts[i] = joinAlternatives(texts[i]);
    if (!readFilters(app, filters, &cmd->criteria.filters, err)) return ParseStatus::UsageError;
    cmd->criteria.dataHeld = withUlma      ? search::DataHeld::AtUlma
                             : withoutUlma ? search::DataHeld::NotAtUlma
                                           : search::DataHeld::Any;

    cmd->files.clear();
    for (const std::string& file : files) {
        std::string resolved;
        if (!resolvePath(file, PathKind::File, &resolved, err)) return ParseStatus::UsageError;
        cmd->files.push_back(resolved);
    }
    cmd->outputDir.clear();
    if (app.count("--output-dir") > 0 && !resolveOutputDir(outputDir, &cmd->outputDir, err))
        return ParseStatus::UsageError;
    return ParseStatus::Run;
}

} // namespace cli
