// morvex-search: searches CSR form files from the command line and writes the four result files.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <system_error>

#include "cli/clihost.h"
#include "cli/commandline.h"
#include "reports/export.h"
#include "reports/exportset.h"
#include "reports/reportfanout.h"
#include "reports/reportform.h"
#include "search/fileselection.h"
#include "search/filesystem.h"
#include "search/searchrun.h"
#include "search/textutil.h"
#include "tables/rptable.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitStopped = 1;
constexpr int kExitRefused = 2;

int usageError(const std::string& err) {
    cli::writeToStderr("morvex-search: error: " + err + "\n");
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
    case search::RunOutcome::Broken:
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
bool printResult(const search::SearchRun& run, const search::OutputPaths& paths) {
    std::string out = "Forms Read:- " + search::countText(run.formsRead()) + " Forms Selected:- " +
                      search::countText(run.formsSelected()) + "\n";
    if (run.formsSelected() == 0) {
        out += "So Sorry, no forms selected\n";
    } else {
        for (const std::string* path : {&paths.forms, &paths.heads, &paths.csv, &paths.extraction})
            out += *path + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

} // namespace

int main(int argc, char** argv) {
    cli::CommandLine cmd;
    std::string err;
    switch (cli::parseCommandLine(argc, argv, &cmd, &err)) {
    case cli::ParseStatus::Run:
        break;
    case cli::ParseStatus::Exit:
        return kExitCompleted;
    case cli::ParseStatus::UsageError:
        return usageError(err);
    }

    search::FileSelection selection;
    std::string message;
    if (search::chooseFiles(cmd.files, selection, &message, cmd.outputDir) != search::ChoiceStatus::Chosen) {
        cli::writeToStderr(message + "\n");
        return kExitRefused;
    }
    std::uint64_t totalBytes = 0;
    if (!sizeOfFiles(selection.files, &totalBytes, &err)) return usageError(err);

    cli::CliHost host(cmd.all, cmd.probe, !cmd.quiet && ::isatty(STDERR_FILENO) == 1);
    search::DiskFileSystem fs(&cli::CliHost::breakSignalled);
    const tables::RpTable rptable;

    // Every export file is created before the search, so that one that cannot be written
    // stops nothing half done.
    const reports::ExportContext context{cmd.criteria, selection.yearsLabel, &rptable};
    reports::ExportSet exports(&rptable);
    for (const std::string& path : cmd.exports) {
        std::unique_ptr<reports::Export> made = reports::Export::make(fs, path, context, &err);
        if (!made) return usageError("--export " + err);
        exports.add(std::move(made));
    }

    reports::ReportForm reportFiles(fs, rptable);
    std::vector<reports::SelectionListener*> listeners;
    if (!exports.empty()) listeners.push_back(&exports);
    reports::ReportFanOut sink(reportFiles, listeners);
    search::SearchRun run(host, fs, sink);
    host.attach(run, totalBytes);
    cli::CliHost::installBreakHandlers();

    const search::RunOutcome outcome = run.run(selection, cmd.criteria);
    cli::CliHost::restartInterruptedCalls();
    if (outcome != search::RunOutcome::Completed) return exitStatus(outcome); // the exports go
    int status = kExitCompleted;
    std::vector<std::string> failures;
    if (!exports.finish(&failures)) {
        for (const std::string& failure : failures) usageError("cannot write the export " + failure);
        status = kExitStopped;
    }
    if (!printResult(run, selection.paths)) {
        usageError(std::string("cannot write the result: ") + std::strerror(errno));
        return kExitStopped;
    }
    return status;
}
