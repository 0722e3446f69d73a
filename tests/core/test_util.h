// Helpers shared by the core, command-line and import tests: temporary folders, file bytes,
// generated forms, hidden names, a recording run host.
#ifndef TESTS_CORE_TEST_UTIL_H
#define TESTS_CORE_TEST_UTIL_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "search/runhost.h"

namespace testutil {

/// A fresh folder under the system's temporary folder, removed with its content at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    /// path() + "/" + name.
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

/// Whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

/// Joins lines, each followed by CR LF.
std::string crlf(const std::vector<std::string>& lines);

/// A form of the given number of form lines: line 0 with the reference, line 1 the country,
/// "line N" up to line 9 and observation lines "H09^N" from line 10 on.
std::string makeForm(int reference, const std::string& country, int lines = 12);
/// Three forms, the first and the third from Norway.
std::string threeForms();
/// What an earlier run leaves in an output file in the bad-input tests: its own path.
std::string earlier(const std::string& path);

/// Bytes of the raw words of std::mt19937 seeded with seed, low byte first, until there are at
/// least size of them: the same bytes on every machine.
std::string generatorBytes(unsigned seed, std::size_t size);

/// The names in folder that begin with "." (what a finished or abandoned export or import
/// leaves behind), sorted.
std::vector<std::string> hiddenNames(const std::string& folder);

/// A run host that records every call but formEnd as one text: "started", "progress:100/3"
/// (forms read and selected), "ask:QUESTION", "message:TEXT", "problem:TEXT" (a per-form
/// problem), "ended:Completed" ("ended:Completed:files" when the run leaves its four files).
class RecordingHost : public search::RunHost {
public:
    std::vector<std::string> calls;
    bool answer = true;            // reply to ask()
    std::string probe;             // the line probe
    std::function<void()> onYield; // called at every form end
    int yields = 0;                // form ends so far
    bool stop = false;             // reply to stopRequested()
    search::RunProgress last;      // the counts of the last form end

    void runStarted() override { calls.push_back("started"); }
    void formEnd(const search::RunProgress& progress) override {
        last = progress;
        ++yields;
        if (onYield) onYield();
    }
    void progress(const search::RunProgress& progress) override {
        calls.push_back("progress:" + std::to_string(progress.formsRead) + "/" +
                        std::to_string(progress.formsSelected));
    }
    bool ask(const std::string& question) override {
        calls.push_back("ask:" + question);
        return answer;
    }
    void message(const std::string& text) override { calls.push_back("message:" + text); }
    void formProblem(long long, const std::string& text) override { calls.push_back("problem:" + text); }
    void runEnded(const search::RunEnd& end) override;
    std::string lineProbe() override { return probe; }
    bool stopRequested() override { return stop; }

    /// The calls that start with prefix, in order.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;
    /// The texts of the messages and per-form problems, in order: what a window shows in its
    /// message boxes.
    std::vector<std::string> shown() const;
};

} // namespace testutil

#endif // TESTS_CORE_TEST_UTIL_H
