// Reading the command line of morvex-harvest with CLI11 (BSD-3-Clause, the header-only library
// of Debian's libcli11-dev, compiled in).
#include "cli/harvestcommandline.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/didyoumean.h"
#include "search/cruisedates.h"

namespace cli {

namespace {

constexpr const char* kProgram = "morvex-harvest";

#ifndef MORVEX_VERSION
#define MORVEX_VERSION "unknown"
#endif

constexpr const char* kSynopsis =
    "Usage: morvex-harvest [-o|--output-dir DIR] [--protocol csw|oai|list] [--set SPEC] [--metadata-prefix P]\n"
    "                      [--from DATE] [--full] [--page-size N] [--forms-only] [--replace] [--timeout S]\n"
    "                      [--retries N] [--ca-file FILE] [-q|--quiet] [--json] [-V|--version] [SOURCE...]\n";

constexpr const char* kDescription =
    "Harvests cruise summary records from catalogues into the record store csr.sqlite of DIR, and\n"
    "writes the form files KERyyyy.INF of DIR from the store by morvex-import's rules. A SOURCE is a\n"
    "catalogue's address (CSW 2.0.2 GetRecords or OAI-PMH ListRecords) or a file of record\n"
    "addresses, one a line (\"-\": standard input). The store remembers each source with its\n"
    "protocol and settings: without SOURCE every source it knows is updated, from the time of its\n"
    "last completed harvest. A harvest cut short goes on where its last page was saved.";

constexpr const char* kFooter =
    "Exit status: 0 harvested and written, 1 stopped or failed (the store keeps every page saved),\n"
    "2 refused (usage, a store of an unknown version, year files it may not replace).\n"
    "\n"
    "Examples:\n"
    "  morvex-harvest -o inventory --protocol csw https://catalogue.example.org/srv/eng/csw\n"
    "  morvex-harvest -o inventory\n"
    "  morvex-harvest -o inventory --forms-only --replace";

class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string(kSynopsis) + "\n" + kDescription + "\n";
    }
    std::string make_option_opts(const CLI::Option* opt) const override {
        return opt->get_expected_min() == 0 ? std::string() : " " + opt->get_type_name();
    }
};

struct Texts {
    std::string outputDir, from;
    int pageSize = 0;
};

void buildApp(CLI::App& app, HarvestCommandLine& cmd, Texts& texts) {
    auto formatter = std::make_shared<UsageFormatter>();
    formatter->column_width(24);
    app.formatter(formatter);
    app.footer(kFooter);
    app.set_help_flag("-h,--help", "show this help and exit");
    app.set_version_flag("-V,--version", std::string(kProgram) + " " + MORVEX_VERSION, "show the version and exit");
    app.add_option("-o,--output-dir", texts.outputDir, "folder of the store and the form files (default: here)")
        ->type_name("DIR");
    app.add_option("--protocol", cmd.protocol, "of a new SOURCE: csw, oai or list")->type_name("P");
    app.add_option("--set", cmd.set, "OAI-PMH: the set to harvest")->type_name("SPEC");
    app.add_option("--metadata-prefix", cmd.metadataPrefix, "OAI-PMH: the format (default: the first ISO 19139 one)")
        ->type_name("P");
    app.add_option("--from", texts.from, "ask for the records changed from DATE (YYYY-MM-DD or a UTC time)")
        ->type_name("DATE");
    app.add_flag("--full", cmd.full, "harvest from the start; then mark deleted what is no longer listed");
    app.add_option("--page-size", texts.pageSize, "CSW: records a page (default 100)")->type_name("N");
    app.add_flag("--forms-only", cmd.formsOnly, "no network: the form files from the store");
    app.add_flag("--replace", cmd.replace, "replace form files the store did not write, or that changed");
    app.add_option("--timeout", cmd.timeout, "seconds to connect, and without a byte (default 60)")->type_name("S");
    app.add_option("--retries", cmd.retries, "tries again of a timeout, failed connection, 429 or 5xx (default 5)")
        ->type_name("N");
    app.add_option("--ca-file", cmd.caFile, "a bundle of CA certificates instead of the system's")->type_name("FILE");
    app.add_flag("-q,--quiet", cmd.quiet, "no progress line on a terminal");
    app.add_flag("--json", cmd.json, "the outcome as one JSON object on stdout, in place of the result lines");
    app.add_option("SOURCE", cmd.sources, "catalogue addresses or files of record addresses")->type_name("...");
}

bool readTexts(const CLI::App& app, const Texts& texts, HarvestCommandLine* cmd, std::string* err) {
    if (!cmd->protocol.empty() && cmd->protocol != "csw" && cmd->protocol != "oai" && cmd->protocol != "list") {
        *err = "--protocol " + cmd->protocol + ": csw, oai or list";
        return false;
    }
    if (app.count("--from") > 0) {
        const bool time = texts.from.size() == 20 && texts.from[10] == 'T' && texts.from.back() == 'Z';
        if (!search::parseIsoDate(texts.from.substr(0, 10)) || (texts.from.size() != 10 && !time)) {
            *err = "--from " + texts.from + ": not a date written YYYY-MM-DD or a UTC time YYYY-MM-DDThh:mm:ssZ";
            return false;
        }
        cmd->from = texts.from;
    }
    if (app.count("--page-size") > 0) {
        if (texts.pageSize < 1 || texts.pageSize > 10000) {
            *err = "--page-size " + std::to_string(texts.pageSize) + ": from 1 to 10000";
            return false;
        }
        cmd->pageSize = texts.pageSize;
    }
    if (cmd->timeout < 1 || cmd->retries < 0) {
        *err = cmd->timeout < 1 ? "--timeout: at least 1 second" : "--retries: 0 or more";
        return false;
    }
    if (cmd->formsOnly && (!cmd->sources.empty() || cmd->full || cmd->from)) {
        *err = "--forms-only writes the form files from the store without any network: no SOURCE, --full or --from";
        return false;
    }
    if (!cmd->protocol.empty() && cmd->sources.empty()) {
        *err = "--protocol " + cmd->protocol + ": no SOURCE given";
        return false;
    }
    return true;
}

} // namespace

ParseStatus parseHarvestCommandLine(int argc, char** argv, HarvestCommandLine* cmd, std::string* err) {
    CLI::App app{"", kProgram};
    Texts texts;
    buildApp(app, *cmd, texts);
    // An unknown option is named, with the one that is nearest.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-' || arg == "-") continue;
        const std::string name = arg[1] == '-' ? arg.substr(0, arg.find('=')) : arg.substr(0, 2);
        if (!app.get_option_no_throw(name)) {
            *err = unknownOption(app, name, kProgram);
            return ParseStatus::UsageError;
        }
        const CLI::Option* opt = app.get_option_no_throw(name);
        if (opt->get_expected_min() > 0 && arg == name) ++i; // its value, whatever it looks like
    }
    try {
        app.parse(argc, argv);
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
    if (!readTexts(app, texts, cmd, err)) return ParseStatus::UsageError;
    if (app.count("--output-dir") > 0) {
        std::error_code ec;
        if (texts.outputDir.empty() || !std::filesystem::is_directory(texts.outputDir, ec)) {
            *err = "--output-dir: " + texts.outputDir + ": not an existing folder";
            return ParseStatus::UsageError;
        }
        cmd->outputDir = texts.outputDir;
    }
    return ParseStatus::Run;
}

} // namespace cli
