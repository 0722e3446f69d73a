// Shared helpers of the core tests: temporary folders, file bytes, a recording run host.
#ifndef TESTS_CORE_TEST_UTIL_H
#define TESTS_CORE_TEST_UTIL_H

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

/// A run host that records every call as one text, e.g. "progress:Forms Read:-  100 ...".
class RecordingHost : public search::RunHost {
public:
    std::vector<std::string> calls;
    bool answer = true;           // reply to ask()
    std::string probe;            // text of the option box
    std::function<void()> onYield; // called at every yield
    int yields = 0;
    bool stop = false;            // reply to stopRequested()

    void yield() override {
        ++yields;
        if (onYield) onYield();
    }
    void showProgress() override { calls.push_back("show"); }
    void setProgressText(const std::string& text) override { calls.push_back("progress:" + text); }
    bool ask(const std::string& question) override {
        calls.push_back("ask:" + question);
        return answer;
    }
    void message(const std::string& text) override { calls.push_back("message:" + text); }
    void setViewButtonsVisible(bool visible) override { calls.push_back(visible ? "views:on" : "views:off"); }
    void setRunning(bool running) override { calls.push_back(running ? "running" : "idle"); }
    std::string probeText() override { return probe; }
    bool stopRequested() override { return stop; }

    /// The calls that start with prefix, in order.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;
};

} // namespace testutil

#endif // TESTS_CORE_TEST_UTIL_H
