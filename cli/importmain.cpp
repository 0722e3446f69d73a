// morvex-import: turns CSR XML records into form files, one KERyyyy.INF per begin year.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// nlohmann-json (MIT, the header-only library of Debian's nlohmann-json3-dev) writes the object
// of --json.
#include <nlohmann/json.hpp>

#include "cli/clihost.h"
#include "cli/importclihost.h"
#include "cli/importcommandline.h"
#include "import/importrun.h"
#include "search/filesystem.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitRefused = 2;
constexpr const char* kProgram = "morvex-import";

int exitStatus(csrimport::ImportOutcome outcome) {
    switch (outcome) {
    case csrimport::ImportOutcome::Written:
        return kExitWritten;
    case csrimport::ImportOutcome::Refused:
        return kExitRefused;
    case csrimport::ImportOutcome::NothingImported:
    case csrimport::ImportOutcome::Stopped:
    case csrimport::ImportOutcome::ReadFailed:
    case csrimport::ImportOutcome::WriteFailed:
    case csrimport::ImportOutcome::RenameFailed:
        break;
    }
    return kExitFailed;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool printLines(const csrimport::ImportRun& run, csrimport::ImportOutcome outcome) {
    std::string out;
    for (const auto& [name, forms] : run.files())
        out += csrimport::writtenLine(name, forms) + "\n";
    if (csrimport::inputsRead(outcome, run.counts())) out += csrimport::summaryLine(run.counts()) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool printJson(const csrimport::ImportRun* run, const std::string& folder, const std::vector<std::string>& lines,
               const std::string& message, int status) {
    using json = nlohmann::ordered_json;
    json object;
    object["outcome"] = status == kExitWritten ? "completed" : status == kExitFailed ? "stopped" : "refused";
    object["message"] = message.empty() ? json(nullptr) : json(message);
    json files = json::array();
    if (run)
        for (const auto& [name, forms] : run->files())
            files.push_back({{"name", name}, {"path", joinPath(folder, name)}, {"forms", forms}});
    object["files"] = files;
    const csrimport::ImportCounts counts = run ? run->counts() : csrimport::ImportCounts{};
    object["records_read"] = counts.recordsRead;
    object["imported"] = counts.imported;
    object["skipped"] = counts.skipped;
    object["replaced_duplicates"] = counts.duplicates;
    object["transliterated_characters"] = counts.transliterated;
    object["inputs_not_read"] = counts.inputsNotRead;
    object["investigators_left_out"] = counts.investigatorsLeftOut;
    object["documents_without_records"] = counts.documentsWithoutRecords;
    object["messages"] = lines;
    // Paths are bytes; one that is not UTF-8 is shown with replacement characters.
    const std::string text = object.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool jsonAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        if (std::strcmp(argv[i], "--output-dir") == 0 || std::strcmp(argv[i], "-o") == 0)
            ++i;
        else if (std::strcmp(argv[i], "--json") == 0) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) { // NOLINT(bugprone-exception-escape): nlohmann-json type errors, never raised here
    std::setlocale(LC_CTYPE, "");
    cli::ImportCommandLine cmd;
    std::string err;
    switch (cli::parseImportCommandLine(argc, argv, &cmd, &err)) {
    case cli::ParseStatus::Run:
        break;
    case cli::ParseStatus::Exit:
        return kExitWritten;
    case cli::ParseStatus::UsageError: {
        const std::string line = std::string(kProgram) + ": error: " + err;
        cli::writeToStderr(line + "\n");
        if (jsonAsked(argc, argv) && !printJson(nullptr, "", {line}, line, kExitRefused)) return kExitRefused;
        return kExitRefused;
    }
    }

    // Before any file is created, so that a signal always finds the hidden files to remove.
    cli::ImportCliHost::installStopHandlers();
    cli::ImportCliHost host(cli::CliHost::progressBarWanted(cmd.quiet));
    search::DiskFileSystem fs(&cli::ImportCliHost::stopSignalled);
    csrimport::ImportRun run(host, fs);
    csrimport::ImportSettings settings;
    settings.inputs = cmd.inputs;
    settings.folder = cmd.outputDir;
    settings.replace = cmd.replace;
    const csrimport::ImportOutcome outcome = run.run(settings);
    // The result is printed whole, whatever signal comes now.
    cli::ImportCliHost::blockStopSignals();
    host.eraseProgress();
    int status = exitStatus(outcome);
    std::string message;
    if (outcome != csrimport::ImportOutcome::Written) {
        message = std::string(kProgram) + ": " + (status == kExitRefused ? "error: " : "") + run.error();
        host.show(message);
    }
    const bool printed = cmd.json ? printJson(&run, cmd.outputDir, host.lines(), message, status) : printLines(run, outcome);
    if (!printed) {
        cli::writeToStderr(std::string(kProgram) + ": error: cannot write the result: " + std::strerror(errno) + "\n");
        if (status == kExitWritten) status = kExitFailed;
    }
    return status;
}
