// A search run linked with the search library alone: the layers below reports/ stand by
// themselves. The run selects from a form file in memory through a sink that counts.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "search/reportsink.h"
#include "search/searchrun.h"
#include "tests/support/memoryfilesystem.h"

namespace {

// Writes the extraction file only, which the run gives its final name; counts the forms.
class CountingSink : public search::ReportSink {
public:
    explicit CountingSink(search::FileSystem& files) : m_files(files) {}
    int forms = 0;
    bool open(const search::OutputPaths& paths, const std::vector<std::string>&, std::string* err) override {
        m_extraction = m_files.openWrite(paths.pending, err);
        return m_extraction != nullptr;
    }
    void writeHeads(const search::CriteriaSet&) override {}
    void writeYears(std::string_view) override {}
    void reportForm(const search::SelectedForm&, search::FormProblems&) override { ++forms; }
    bool closeExtraction(std::string*) override { return true; }
    void writeStatistics(long long, long long) override {}
    void writeClosing() override {}
    bool closeAll(std::string* err) override { return !m_extraction || m_extraction->close(err); }
    std::string writeError() const override { return {}; }

private:
    search::FileSystem& m_files;
    std::unique_ptr<search::OutputFile> m_extraction;
};

class QuietHost : public search::RunHost {
public:
    void runStarted() override {}
    void formEnd(const search::RunProgress&) override {}
    void progress(const search::RunProgress&) override {}
    bool ask(const std::string&) override { return true; }
    void message(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void formProblem(long long, const std::string& text) override { message(text); }
    void runEnded(const search::RunEnd&) override {}
    std::string lineProbe() override { return {}; }
};

} // namespace

int main() {
    testutil::MemoryFileSystem files;
    files.files["/d/KER1995.INF"] = "1995^95NO^001^^2^\r\nNorway\r\n*\r\n1995^95FR^002^^2^\r\nFrance\r\n*\r\n";
    search::FileSelection selection;
    std::string message;
    if (search::chooseFiles({"/d/KER1995.INF"}, selection, &message) != search::ChoiceStatus::Chosen) return 1;
    search::CriteriaSet criteria;
    criteria.texts[1] = "norway";
    CountingSink sink(files);
    QuietHost host;
    search::SearchRun run(host, files, sink);
    const bool selectedOne = run.run(selection, criteria) == search::RunOutcome::Completed && sink.forms == 1;
    std::printf("%s\n", selectedOne ? "one form selected" : "wrong selection");
    return selectedOne ? 0 : 1;
}
