// morvex-search: searches CSR form files from the command line and writes the four result files.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

// nlohmann-json (MIT, the header-only library of Debian's nlohmann-json3-dev) writes the object
// of --json.
#include <nlohmann/json.hpp>

#include "cli/clihost.h"
#include "cli/commandline.h"
#include "cli/standardoutput.h"
#include "cli/terminaltext.h"
#include "exports/export.h"
#include "exports/exportset.h"
#include "exports/formats.h"
#include "reports/reportrun.h"
#include "search/criteria.h"
#include "search/fileselection.h"
#include "search/filesystem.h"
#include "search/searchrun.h"
#include "search/textutil.h"
#include "tables/rptable.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitStopped = 1;
constexpr int kExitRefused = 2;

// What a run of the program came to, for the JSON object of --json.
struct Report {
    bool json = false;
    std::vector<std::string> messages; // as shown on stderr, in order
    long long formsRead = 0;
    long long formsSelected = 0;
    bool reportsWritten = false;    // kerforms.htm, kerheads.htm and ker3.txt
    bool extractionWritten = false; // kerxxxx.inf
    search::OutputPaths paths;
    std::vector<std::string> exports; // the --export paths, in order
    std::vector<bool> exportsWritten;
    search::FormFilters filters; // shown only when one is given
};

void showError(Report& report, const std::string& text) {
    report.messages.push_back(text);
    cli::writeToStderr(text + "\n");
}

int usageError(Report& report, const std::string& err) {
    showError(report, "morvex-search: error: " + err);
    return kExitRefused;
}

// Every file must exist before the run starts; the sizes of regular files feed the progress bar.
bool sizeOfFiles(const std::vector<std::string>& files, std::uint64_t* total, std::string* err) {
    *total = 0;
    for (const std::string& file : files) {
        std::error_code ec;
        std::filesystem::file_status status = std::filesystem::status(file, ec);
        if (ec || !std::filesystem::exists(status)) {
            *err = file + ": " + (ec ? ec.message() : std::strerror(ENOENT));
            return false;
        }
        if (std::filesystem::is_regular_file(status)) {
            std::uintmax_t size = std::filesystem::file_size(file, ec);
            if (!ec) *total += size;
        }
    }
    return true;
}

int exitStatus(search::RunOutcome outcome) {
    switch (outcome) {
    case search::RunOutcome::Completed:
        return kExitCompleted;
    case search::RunOutcome::Stopped:
    case search::RunOutcome::Malformed:
    case search::RunOutcome::Failed:
        return kExitStopped;
    case search::RunOutcome::NoFiles:
    case search::RunOutcome::Refused:
    case search::RunOutcome::Declined:
        break;
    }
    return kExitRefused;
}

// The result of a completed run: the counts, then the four files or the regret.
bool printResult(const search::SearchRun& run, const search::OutputPaths& paths, std::FILE* to) {
    std::string out = "Forms Read:- " + search::countText(run.formsRead()) + " Forms Selected:- " +
                      search::countText(run.formsSelected()) + "\n";
    if (run.formsSelected() == 0) {
        out += "So Sorry, no forms selected\n";
    } else {
        for (const std::string* path : {&paths.forms, &paths.heads, &paths.csv, &paths.extraction})
            out += *path + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), to);
    return std::fflush(to) == 0 && !std::ferror(to);
}

// The JSON object of --json: the outcome, its message, the counts and the files written.
bool printJson(const Report& report, int status) {
    using json = nlohmann::ordered_json;
    json object;
    object["outcome"] = status == kExitCompleted ? "completed" : status == kExitStopped ? "stopped" : "refused";
    std::string message;
    for (const std::string& m : report.messages) message += (message.empty() ? "" : "\n") + m;
    object["message"] = message.empty() ? json(nullptr) : json(message);
    object["forms_read"] = report.formsRead;
    object["forms_selected"] = report.formsSelected;
    const auto path = [](bool written, const std::string& p) { return written ? json(p) : json(nullptr); };
    object["files"] = {{"kerforms.htm", path(report.reportsWritten, report.paths.forms)},
                       {"kerheads.htm", path(report.reportsWritten, report.paths.heads)},
                       {"ker3.txt", path(report.reportsWritten, report.paths.csv)},
                       {"kerxxxx.inf", path(report.extractionWritten, report.paths.extraction)}};
    json exports = json::array();
    for (std::size_t i = 0; i < report.exports.size(); ++i)
        exports.push_back(path(i < report.exportsWritten.size() && report.exportsWritten[i], report.exports[i]));
    object["exports"] = exports;
    if (report.filters.any()) {
        const search::FormFilters& f = report.filters;
        json filters = json::object();
        if (!f.squares.empty()) filters["squares"] = f.squares;
        if (f.box) filters["bbox"] = {f.box->west, f.box->south, f.box->east, f.box->north};
        if (f.from) filters["from"] = search::isoDate(f.from);
        if (f.to) filters["to"] = search::isoDate(f.to);
        object["filters"] = filters;
    }
    // File names are bytes; one that is not UTF-8 is shown with replacement characters.
    const std::string text = object.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

// Whether --json stands among the options of argv, for a command line that cannot be read.
bool jsonAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        if (std::strcmp(argv[i], "--json") == 0) return true;
    }
    return false;
}

// Ends the program: the JSON object when asked for, and the exit status.
int conclude(const Report& report, int status) {
    if (report.json && !printJson(report, status)) {
        cli::writeToStderr(std::string("morvex-search: error: cannot write the result: ") + std::strerror(errno) + "\n");
        return status == kExitCompleted ? kExitStopped : status;
    }
    return status;
}

// Creates every export before the search, so that one that cannot be written stops nothing
// half done.
bool makeExports(search::FileSystem& fs, const cli::CommandLine& cmd, const exports::ExportContext& context,
                 exports::ExportSet& exports, std::string* err) {
    for (const std::string& path : cmd.exports) {
        const exports::ExportFormat* format =
            path == cli::StandardOutputFiles::kName ? exports::formatOf("-." + cmd.format) : exports::formatOf(path);
        std::unique_ptr<exports::Export> made = format ? exports::Export::make(fs, path, *format, context, err)
                                                       : exports::Export::make(fs, path, context, err);
        if (!made) {
            *err = "--export " + *err;
            return false;
        }
        exports.add(std::move(made));
    }
    return true;
}

// Every export is a file of its own, apart from the files the search reads and writes, and is
// created before the search.
bool exportsCanBeMade(search::FileSystem& fs, const cli::CommandLine& cmd, const search::FileSelection& selection,
                      const tables::RpTable& rptable, exports::ExportSet& exports, std::string* err) {
    const search::OutputPaths& paths = selection.paths;
    std::vector<std::string> exportFiles; // with the files written beside them
    for (const std::string& path : cmd.exports)
        if (path != cli::StandardOutputFiles::kName)
            for (std::string& file : exports::Export::filesOf(path))
                exportFiles.push_back(std::move(file));
    if (!exports::Export::distinctFiles(fs, exportFiles, selection.files,
                                        {paths.forms, paths.heads, paths.csv, paths.extraction, paths.pending}, err)) {
        *err = "--export " + *err;
        return false;
    }
    return makeExports(fs, cmd, {cmd.criteria, selection.yearsLabel, &rptable}, exports, err);
}

// The search itself, after a good command line: run, finish the exports, show the result.
int runSearch(const cli::CommandLine& cmd, const search::FileSelection& selection, std::uint64_t totalBytes,
           Report& report) {
    // Before any file is made: a signal from now on stops the run and leaves nothing behind.
    cli::CliHost::installBreakHandlers();
    cli::CliHost host(cmd.all, cmd.probe, cli::CliHost::progressBarWanted(cmd.quiet));
    cli::StandardOutputFiles fs(&cli::CliHost::breakSignalled);
    const tables::RpTable rptable;
    exports::ExportSet exports(&rptable);
    std::string err;
    search::Criteria criteria;
    if (!criteria.prepare(cmd.criteria, &err)) {
        showError(report, "morvex-search: " + err);
        return kExitRefused;
    }
    const search::OutputPaths& paths = selection.paths;
    if (!exportsCanBeMade(fs, cmd, selection, rptable, exports, &err)) return usageError(report, err);

    std::vector<reports::SelectionListener*> listeners;
    if (!exports.empty()) listeners.push_back(&exports);
    reports::ReportRun reportRun(host, fs, rptable, listeners);
    const search::SearchRun& run = reportRun.searchRun();
    host.setTotalBytes(totalBytes);
    const search::RunOutcome outcome = reportRun.run(selection, cmd.criteria);
    cli::CliHost::restartInterruptedCalls();

    report.messages.insert(report.messages.begin(), host.messages().begin(), host.messages().end());
    report.formsRead = run.formsRead();
    report.formsSelected = run.formsSelected();
    report.reportsWritten = run.reportsOpened();
    if (outcome != search::RunOutcome::Completed) {
        // The reports go beside the first form file unless told: a folder that cannot be
        // written there is said in one more line, with the way out.
        if ((outcome == search::RunOutcome::Refused || outcome == search::RunOutcome::Failed) &&
            cmd.outputDir.empty() && ::access(paths.folder.c_str(), W_OK) != 0)
            showError(report, "morvex-search: the reports are written beside the first form file, in " + paths.folder +
                                  ", which cannot be written; choose another folder with --output-dir DIR");
        return exitStatus(outcome); // the exports go
    }
    report.extractionWritten = run.formsSelected() > 0;
    std::vector<std::string> failures;
    const bool exported = exports.finish(&failures);
    for (const auto& e : exports.exports()) report.exportsWritten.push_back(e->finished());
    if (!exported) {
        // The run did not do all it was asked: no result lines, as for any run that stops.
        for (const std::string& failure : failures) showError(report, "morvex-search: error: cannot write the export " + failure);
        return kExitStopped;
    }
    // With an export on standard output, the result lines go to standard error.
    const bool exportToStdout = std::find(cmd.exports.begin(), cmd.exports.end(), "-") != cmd.exports.end();
    if (!report.json && !printResult(run, selection.paths, exportToStdout ? stderr : stdout)) {
        showError(report, std::string("morvex-search: error: cannot write the result: ") + std::strerror(errno));
        return kExitStopped;
    }
    return kExitCompleted;
}

// The locale the environment asks for: LC_ALL, LC_CTYPE or LANG, the first one set.
std::string localeAsked() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

// Whether a locale name names the UTF-8 character set ("de_DE.UTF-8", "en_US.utf8").
bool namesUtf8(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.find("utf-8") != std::string::npos || name.find("utf8") != std::string::npos;
}

// A UTF-8 locale that is not installed leaves the C locale, which takes texts byte for byte:
// a criterion beyond ASCII then finds nothing, and the user is told why.
void warnOfMissingLocale(bool localeSet, const cli::CommandLine& cmd, Report& report) {
    if (localeSet) return;
    const std::string asked = localeAsked();
    if (!namesUtf8(asked)) return;
    bool ascii = true;
    for (const std::string& text : cmd.criteria.texts)
        for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return;
    showError(report, "morvex-search: warning: the locale " + asked +
                          " is not installed here, so the criteria are searched byte for byte and letters "
                          "beyond ASCII find nothing; install the locale or use C.UTF-8");
}

} // namespace

int main(int argc, char** argv) { // NOLINT(bugprone-exception-escape): nlohmann-json type errors, never raised here
    // Texts of the command line are read in the character set of the user's locale.
    const bool localeSet = std::setlocale(LC_CTYPE, "") != nullptr;
    Report report;
    report.json = jsonAsked(argc, argv);
    cli::CommandLine cmd;
    std::string err;
    switch (cli::parseCommandLine(argc, argv, &cmd, &err, cli::TerminalText::fromLocale())) {
    case cli::ParseStatus::Run:
        break;
    case cli::ParseStatus::Exit:
        return kExitCompleted;
    case cli::ParseStatus::UsageError:
        return conclude(report, usageError(report, err));
    }
    report.json = cmd.json;
    report.exports = cmd.exports;
    report.filters = cmd.criteria.filters;
    warnOfMissingLocale(localeSet, cmd, report);

    search::FileSelection selection;
    std::string message;
    if (search::chooseFiles(cmd.files, selection, &message, cmd.outputDir) != search::ChoiceStatus::Chosen) {
        showError(report, message);
        const std::string words = search::choiceFailureReason(cmd.files);
        if (!words.empty()) showError(report, "morvex-search: " + words);
        return conclude(report, kExitRefused);
    }
    report.paths = selection.paths;
    std::uint64_t totalBytes = 0;
    if (!sizeOfFiles(selection.files, &totalBytes, &err)) return conclude(report, usageError(report, err));
    const int status = runSearch(cmd, selection, totalBytes, report);
    return conclude(report, status);
}
