// Reading the command line of morvex-import with CLI11 (BSD-3-Clause, the header-only library
// of Debian's libcli11-dev, compiled in).
#include "cli/importcommandline.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/didyoumean.h"

namespace cli {

namespace {

constexpr const char* kProgram = "morvex-import";

#ifndef MORVEX_VERSION
#define MORVEX_VERSION "unknown"
#endif

constexpr const char* kSynopsis =
    "Usage: morvex-import [-o|--output-dir DIR] [--replace] [-q|--quiet] [--json] INPUT...\n";

constexpr const char* kDescription =
    "Imports cruise summary records (CSR XML: ISO 19115/19139 with the SeaDataNet extensions)\n"
    "into form files, one KERyyyy.INF per begin year of the cruises, for morvex-search and the\n"
    "desktop program. An INPUT is a record file, a document of many records (a catalogue's\n"
    "GetRecordsResponse, an OAI-PMH ListRecords page) or a folder, whose *.xml files are read.\n"
    "The form files are written under hidden names and take their names only when all are\n"
    "complete; an existing one is replaced only with --replace.";

constexpr const char* kFooter =
    "Exit status: 0 form files written, 1 nothing imported, stopped (Ctrl-C), an input that\n"
    "could not be read or a file that could not be written, 2 refused (usage error, a missing\n"
    "input, DIR in use or not a folder, form files that exist without --replace).\n"
    "\n"
    "Examples:\n"
    "  morvex-import harvest.xml\n"
    "  morvex-import --output-dir inventory --replace records/\n"
    "  morvex-import --json --quiet page1.xml page2.xml && morvex-search --square 183 KER1995.INF";

class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string(kSynopsis) + "\n" + kDescription + "\n";
    }
    std::string make_option_opts(const CLI::Option* opt) const override {
        return opt->get_expected_min() == 0 ? std::string() : " " + opt->get_type_name();
    }
};

void buildApp(CLI::App& app, ImportCommandLine& cmd, std::string& outputDir, std::vector<std::string>& inputs) {
    auto formatter = std::make_shared<UsageFormatter>();
    formatter->column_width(22);
    app.formatter(formatter);
    app.footer(kFooter);
    app.set_help_flag("-h,--help", "show this help and exit");
    app.set_version_flag("-V,--version", std::string(kProgram) + " " + MORVEX_VERSION, "show the version and exit");
    app.add_option("-o,--output-dir", outputDir, "folder of the form files (default: the current folder)")
        ->type_name("DIR");
    app.add_flag("--replace", cmd.replace, "replace form files that exist");
    app.add_flag("-q,--quiet", cmd.quiet, "no progress bar on a terminal");
    app.add_flag("--json", cmd.json, "the outcome as one JSON object on stdout, in place of the result lines");
    app.add_option("INPUT", inputs, "record files, documents of records, folders of *.xml files")->type_name("...");
}

// The short options as the long ones they stand for, as morvex-search takes them: "-q", "-V",
// "-o DIR" and "-oDIR".
std::string longForm(const std::string& arg) {
    if (arg == "-q") return "--quiet";
    if (arg == "-V") return "--version";
    if (arg == "-o") return "--output-dir";
    if (arg.size() > 2 && arg.compare(0, 2, "-o") == 0) return "--output-dir=" + arg.substr(2);
    return arg;
}

// --output-dir with its value joined to it: once, and with a value.
bool takeOutputDir(const std::string& arg, bool joined, int argc, char** argv, int& i, bool& given,
                   std::vector<std::string>* args, std::string* err) {
    if (given) {
        *err = "--output-dir may be given once";
        return false;
    }
    given = true;
    if (joined) {
        args->push_back(arg);
    } else if (i + 1 < argc) {
        args->push_back("--output-dir=" + std::string(argv[++i]));
    } else {
        *err = "--output-dir: no folder given";
        return false;
    }
    return true;
}

// The arguments in the form CLI11 reads them: each flag once, --output-dir's value joined to
// it (so that a value that looks like an option stays a value), the inputs after "--".
bool rewriteArguments(const CLI::App& app, int argc, char** argv, std::vector<std::string>* args, std::string* err) {
    std::vector<std::string> inputs;
    bool options = true, outputDir = false;
    std::vector<std::string> flags;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = options ? longForm(argv[i]) : std::string(argv[i]);
        if (!options || arg == "-" || arg.empty() || arg[0] != '-') {
            inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name == "--output-dir") {
            if (!takeOutputDir(arg, equals != std::string::npos, argc, argv, i, outputDir, args, err)) return false;
            continue;
        }
        const CLI::Option* opt = arg.compare(0, 2, "--") == 0 ? app.get_option_no_throw(name) : nullptr;
        if (!opt && name != "-h") {
            *err = unknownOption(app, name, kProgram);
            return false;
        }
        if (equals != std::string::npos) {
            *err = name + ": takes no value";
            return false;
        }
        if (std::find(flags.begin(), flags.end(), arg) == flags.end()) flags.push_back(arg);
    }
    args->insert(args->end(), flags.begin(), flags.end());
    args->push_back("--");
    args->insert(args->end(), inputs.begin(), inputs.end());
    return true;
}

} // namespace

ParseStatus parseImportCommandLine(int argc, char** argv, ImportCommandLine* cmd, std::string* err) {
    CLI::App app{"", kProgram};
    std::string outputDir;
    std::vector<std::string> inputs;
    buildApp(app, *cmd, outputDir, inputs);
    std::vector<std::string> args{argc > 0 ? argv[0] : kProgram};
    if (!rewriteArguments(app, argc, argv, &args, err)) return ParseStatus::UsageError;
    std::vector<char*> argvCopy;
    argvCopy.reserve(args.size());
    for (std::string& arg : args) argvCopy.push_back(arg.data());
    try {
        app.parse(static_cast<int>(argvCopy.size()), argvCopy.data());
    } catch (const CLI::CallForHelp& e) {
        app.exit(e);
        return ParseStatus::Exit;
    } catch (const CLI::CallForVersion& e) {
        app.exit(e);
        return ParseStatus::Exit;
    } catch (const CLI::ParseError& e) {
        *err = e.what();
        return ParseStatus::UsageError;
    }
    if (inputs.empty()) {
        *err = "no INPUT given";
        return ParseStatus::UsageError;
    }
    cmd->inputs = inputs;
    if (app.count("--output-dir") > 0) {
        if (outputDir.empty()) {
            *err = "--output-dir: no folder given";
            return ParseStatus::UsageError;
        }
        std::error_code ec;
        if (!std::filesystem::is_directory(outputDir, ec)) {
            *err = "--output-dir: " + outputDir + ": not an existing folder";
            return ParseStatus::UsageError;
        }
        cmd->outputDir = outputDir;
    }
    return ParseStatus::Run;
}

} // namespace cli
