// morvex-harvest: cruise summary records from catalogues into a record store and form files.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

// nlohmann-json (MIT, the header-only library of Debian's nlohmann-json3-dev) writes the object
// of --json.
#include <nlohmann/json.hpp>

#include "cli/clihost.h"
#include "cli/harvestclihost.h"
#include "cli/harvestcommandline.h"
#include "harvest/harvestrun.h"
#include "harvest/httptransport.h"
#include "search/filesystem.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitRefused = 2;
constexpr const char* kProgram = "morvex-harvest";

#ifndef MORVEX_VERSION
#define MORVEX_VERSION "unknown"
#endif

int exitStatus(harvest::HarvestOutcome outcome) {
    switch (outcome) {
    case harvest::HarvestOutcome::Written:
        return kExitWritten;
    case harvest::HarvestOutcome::Refused:
        return kExitRefused;
    case harvest::HarvestOutcome::Stopped:
    case harvest::HarvestOutcome::Failed:
        break;
    }
    return kExitFailed;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The files, then the harvest's line (unless it was refused before any page) and the importer's.
bool printLines(const harvest::HarvestRun& run, harvest::HarvestOutcome outcome) {
    const bool written = outcome == harvest::HarvestOutcome::Written;
    std::string out;
    for (const auto& [name, forms] : run.written())
        out += name + ": " + std::to_string(forms) + " forms\n";
    for (const std::string& name : run.removed())
        out += name + ": removed, its records are all deleted\n";
    if (outcome != harvest::HarvestOutcome::Refused || run.counts().pages > 0)
        out += harvest::summaryLine(run.counts()) + "\n";
    if (written) out += run.importSummary() + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool printJson(const harvest::HarvestRun* run, const std::string& folder, const std::vector<std::string>& lines,
               const std::string& message, int status) {
    using json = nlohmann::ordered_json;
    json object;
    object["outcome"] = status == kExitWritten ? "completed" : status == kExitFailed ? "stopped" : "refused";
    object["message"] = message.empty() ? json(nullptr) : json(message);
    json files = json::array();
    json removed = json::array();
    if (run) {
        for (const auto& [name, forms] : run->written())
            files.push_back({{"name", name}, {"path", joinPath(folder, name)}, {"forms", forms}});
        for (const std::string& name : run->removed())
            removed.push_back(name);
    }
    object["files"] = files;
    object["files_removed"] = removed;
    const harvest::HarvestCounts c = run ? run->counts() : harvest::HarvestCounts{};
    object["records_new"] = c.newRecords;
    object["records_changed"] = c.changed;
    object["records_unchanged"] = c.unchanged;
    object["records_deleted"] = c.deleted;
    object["records_not_csr"] = c.notCsr;
    object["pages"] = c.pages;
    object["retries"] = c.retries;
    object["year_files_written"] = c.yearFilesWritten;
    object["messages"] = lines;
    const std::string text = object.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool jsonAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        if (std::strcmp(argv[i], "--json") == 0) return true;
    }
    return false;
}

// The sources as the harvest takes them; a list given as "-" is read from standard input now.
std::vector<harvest::SourceSpec> sourcesOf(const cli::HarvestCommandLine& cmd) {
    std::vector<harvest::SourceSpec> sources;
    for (const std::string& address : cmd.sources) {
        harvest::SourceSpec spec;
        // A list file is remembered by its absolute path, for later harvests from anywhere.
        const bool remote = address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(address, ec);
        spec.address = remote || address == "-" || ec ? address : absolute.lexically_normal().string();
        spec.protocol = cmd.protocol;
        spec.set = cmd.set;
        spec.metadataPrefix = cmd.metadataPrefix;
        spec.pageSize = cmd.pageSize;
        if (address == "-")
            for (std::string line; std::getline(std::cin, line);)
                spec.listed.push_back(line);
        sources.push_back(std::move(spec));
    }
    return sources;
}

// The wait of retries: a test may make it shorter (MORVEX_HARVEST_RETRY_BASE, in seconds, 0 for
// none); servers' Retry-After is taken as they give it.
double retryBase() {
    const char* base = std::getenv("MORVEX_HARVEST_RETRY_BASE");
    if (!base || !*base) return 1.0;
    char* end = nullptr;
    const double seconds = std::strtod(base, &end);
    return end && *end == '\0' && seconds >= 0 ? seconds : 1.0;
}

} // namespace

int main(int argc, char** argv) { // NOLINT(bugprone-exception-escape): nlohmann-json type errors, never raised here
    std::setlocale(LC_CTYPE, "");
    cli::HarvestCommandLine cmd;
    std::string err;
    switch (cli::parseHarvestCommandLine(argc, argv, &cmd, &err)) {
    case cli::ParseStatus::Run:
        break;
    case cli::ParseStatus::Exit:
        return kExitWritten;
    case cli::ParseStatus::UsageError: {
        const std::string line = std::string(kProgram) + ": error: " + err;
        cli::writeToStderr(line + "\n");
        if (jsonAsked(argc, argv)) printJson(nullptr, "", {line}, line, kExitRefused);
        return kExitRefused;
    }
    }

    cli::HarvestCliHost::installStopHandlers();
    cli::HarvestCliHost host(cli::CliHost::progressBarWanted(cmd.quiet));
    harvest::HttpSettings http;
    http.timeoutSeconds = cmd.timeout;
    http.caFile = cmd.caFile;
    http.userAgent = std::string(kProgram) + "/" + MORVEX_VERSION;
    http.stopped = &cli::HarvestCliHost::stopSignalled;
    harvest::HttpTransport transport(http);
    search::DiskFileSystem fs(&cli::HarvestCliHost::stopSignalled);
    harvest::HarvestRun run(host, transport, fs);
    harvest::HarvestSettings settings;
    settings.folder = cmd.outputDir;
    settings.sources = sourcesOf(cmd);
    settings.from = cmd.from;
    settings.full = cmd.full;
    settings.formsOnly = cmd.formsOnly;
    settings.replace = cmd.replace;
    settings.retry.retries = cmd.retries;
    settings.retry.baseSeconds = retryBase();
    const harvest::HarvestOutcome outcome = run.run(settings);
    host.erase();
    int status = exitStatus(outcome);
    std::string message;
    if (outcome != harvest::HarvestOutcome::Written) {
        message = std::string(kProgram) + ": " + (status == kExitRefused ? "error: " : "") + run.error();
        host.show(message);
    }
    const bool printed =
        cmd.json ? printJson(&run, cmd.outputDir, host.lines(), message, status) : printLines(run, outcome);
    if (!printed) {
        cli::writeToStderr(std::string(kProgram) + ": error: cannot write the result: " + std::strerror(errno) + "\n");
        if (status == kExitWritten) status = kExitFailed;
    }
    return status;
}
