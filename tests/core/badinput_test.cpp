// Bad inputs and hostile output folders for a whole search run: clear messages, no damage.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "reports/reportform.h"
#include "search/fileselection.h"
#include "search/filesystem.h"
#include "tests/support/memoryfilesystem.h"
#include "search/searchrun.h"
#include "tables/rptable.h"
#include "tests/core/test_util.h"

namespace {

using search::RunOutcome;
using testutil::earlier;
using testutil::fileExists;
using testutil::makeForm;
using testutil::readFile;
using testutil::threeForms;
using testutil::writeFile;

struct BadInput : ::testing::Test {
    testutil::TempDir dir;
    search::DiskFileSystem disk;
    tables::RpTable table;
    testutil::RecordingHost host;
    search::FileSelection selection;
    search::CriteriaSet criteria;
    std::string formFile = dir.file("KER1995.INF");
    long long formsRead = -1;
    long long formsSelected = -1;

    void SetUp() override { criteria.texts[1] = "norway"; }

    // Writes every output file of a run in the folder as an earlier run would have left it.
    void writeEarlierOutputs(const std::string& folder) {
        const search::OutputPaths paths = search::outputPathsIn(folder);
        for (const std::string* path : {&paths.forms, &paths.heads, &paths.csv, &paths.extraction})
            writeFile(*path, earlier(*path));
    }

    RunOutcome run(const std::vector<std::string>& files, search::FileSystem& fs,
                   const std::string& outputFolder = std::string()) {
        std::string message;
        EXPECT_EQ(search::chooseFiles(files, selection, &message, outputFolder), search::ChoiceStatus::Chosen)
            << message;
        reports::ReportForm sink(fs, table);
        search::SearchRun searchRun(host, fs, sink);
        const RunOutcome outcome = searchRun.run(selection, criteria);
        formsRead = searchRun.formsRead();
        formsSelected = searchRun.formsSelected();
        return outcome;
    }
    RunOutcome runOnDisk(const std::vector<std::string>& files) { return run(files, disk); }

    std::string lastMessage() const {
        const std::vector<std::string> messages = host.shown();
        return messages.empty() ? std::string() : messages.back();
    }
    std::string path(const std::string& name) const { return dir.file(name); }
    void expectEarlier(const std::string& name) const {
        EXPECT_EQ(readFile(path(name)), earlier(path(name))) << name;
    }
    void expectAllEarlier() const {
        for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf"})
            expectEarlier(name);
    }
};

TEST_F(BadInput, MissingFormFileStopsWithTheSystemReason) {
    writeEarlierOutputs(dir.path());
    EXPECT_EQ(runOnDisk({path("KER1994.INF")}), RunOutcome::Failed);
    EXPECT_EQ(lastMessage(),
              "Program Aborts - cannot read " + path("KER1994.INF") + ": No such file or directory");
    expectAllEarlier();
}

TEST_F(BadInput, FolderAsFormFileStopsWithTheSystemReason) {
    writeEarlierOutputs(dir.path());
    std::filesystem::create_directory(path("KER1994.INF"));
    EXPECT_EQ(runOnDisk({path("KER1994.INF")}), RunOutcome::Failed);
    EXPECT_EQ(lastMessage(), "Program Aborts - cannot read " + path("KER1994.INF") + ": Is a directory");
    expectAllEarlier();
}

TEST_F(BadInput, EmptyFileHoldsNoFormAndKeepsTheEarlierReports) {
    writeEarlierOutputs(dir.path());
    writeFile(formFile, "");
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 0);
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt"})
        expectEarlier(name);
    // A run without selection removes the extraction file of the run before.
    EXPECT_FALSE(fileExists(path("kerxxxx.inf")));
}

TEST_F(BadInput, RandomBytesStopTheRunAsMalformed) {
    writeEarlierOutputs(dir.path());
    // A line ends about every 256 bytes and a line starts with "*" about once in 256 lines, so
    // a form passes 200 lines long before.
    writeFile(formFile, testutil::generatorBytes(1995, 1 << 20));
    criteria.texts[1].clear();
    criteria.texts[9] = "H09";
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Malformed);
    EXPECT_EQ(lastMessage(), "Program Aborts -" + formFile + " is not correctly formatted");
    expectAllEarlier();
}

TEST_F(BadInput, NulBytesStayInTheirLines) {
    writeEarlierOutputs(dir.path());
    std::string nul("\0", 1);
    const std::string form = "1995^95XX^1^^2^W" + nul + "OCE\r\nNor" + nul + "way\r\n" + nul + "\r\n*\r\n";
    writeFile(formFile, form + makeForm(2, "France"));
    criteria.texts[1] = "NOR";
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 2);
    EXPECT_EQ(formsSelected, 1);
    EXPECT_EQ(readFile(path("kerxxxx.inf")), form);
    EXPECT_NE(readFile(path("kerforms.htm")).find("Nor" + nul + "way<br>"), std::string::npos);
}

TEST_F(BadInput, FileOfNulBytesHoldsNoForm) {
    writeEarlierOutputs(dir.path());
    writeFile(formFile, std::string(1 << 16, '\0'));
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 0);
    expectEarlier("kerheads.htm");
}

TEST_F(BadInput, LineOf64MegabytesWithoutCrHoldsNoForm) {
    testutil::MemoryFileSystem memory;
    memory.files["/d/KER1995.INF"] = std::string(64 << 20, 'x');
    memory.files["/d/kerheads.htm"] = earlier("/d/kerheads.htm");
    memory.readChunk = 64 << 20;
    EXPECT_EQ(run({"/d/KER1995.INF"}, memory), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 0);
    EXPECT_EQ(memory.files["/d/kerheads.htm"], earlier("/d/kerheads.htm"));
}

TEST_F(BadInput, TenThousandFormsOfTwoHundredLinesAreRead) {
    testutil::MemoryFileSystem memory;
    std::string bytes;
    for (int i = 1; i <= 10000; ++i)
        bytes += makeForm(i, i % 1000 == 0 ? "Norway" : "France", 200);
    memory.files["/d/KER1995.INF"] = std::move(bytes);
    EXPECT_EQ(run({"/d/KER1995.INF"}, memory), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 10000);
    EXPECT_EQ(formsSelected, 10);
    EXPECT_EQ(memory.files["/d/kerxxxx.inf"].size(),
              9 * makeForm(1000, "Norway", 200).size() + makeForm(10000, "Norway", 200).size());
}

TEST_F(BadInput, MalformedFormAfterSelectionsKeepsTheEarlierExtraction) {
    writeEarlierOutputs(dir.path());
    writeFile(formFile, threeForms() + makeForm(4, "Norway", 201));
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Malformed);
    EXPECT_EQ(lastMessage(), "Program Aborts -" + formFile + " is not correctly formatted");
    EXPECT_EQ(formsRead, 3);
    EXPECT_EQ(formsSelected, 2);
    expectEarlier("kerxxxx.inf");
    EXPECT_EQ(readFile(path("kerxxxx.fin")), makeForm(1, "Norway") + makeForm(3, "Norway"));
    // The reports of this run replaced the earlier ones and end without their closing lines.
    const std::string heads = readFile(path("kerheads.htm"));
    EXPECT_EQ(heads.rfind("<HTML>", 0), 0u);
    EXPECT_EQ(heads.find("</html>"), std::string::npos);
}

TEST_F(BadInput, MissingOutputFolderIsRefusedBeforeAnyRead) {
    writeFile(formFile, threeForms());
    const std::string missing = path("missing");
    EXPECT_EQ(run({formFile}, disk, missing), RunOutcome::Refused);
    EXPECT_EQ(lastMessage(), "Program Aborts - cannot write " + missing + ": No such file or directory");
    EXPECT_EQ(formsRead, 0);
    EXPECT_FALSE(fileExists(missing));
}

TEST_F(BadInput, ReportPathThatIsAFolderStopsTheRun) {
    writeEarlierOutputs(dir.path());
    std::filesystem::remove(path("kerheads.htm"));
    std::filesystem::create_directory(path("kerheads.htm"));
    writeFile(formFile, threeForms());
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Failed);
    EXPECT_EQ(lastMessage(), "Program Aborts - cannot write " + path("kerheads.htm") + ": Is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(path("kerheads.htm")));
    expectEarlier("ker3.txt");
    expectEarlier("kerxxxx.inf");
}

TEST_F(BadInput, ReportOnAFullDeviceStopsTheRun) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    writeEarlierOutputs(dir.path());
    std::filesystem::remove(path("kerheads.htm"));
    std::filesystem::create_symlink("/dev/full", path("kerheads.htm"));
    writeFile(formFile, threeForms());
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Failed);
    EXPECT_EQ(lastMessage(),
              "Program Aborts - cannot write " + path("kerheads.htm") + ": No space left on device");
    EXPECT_TRUE(std::filesystem::is_symlink(path("kerheads.htm")));
    expectEarlier("kerxxxx.inf");
}

TEST_F(BadInput, SameFileTwiceIsSearchedTwice) {
    writeFile(formFile, threeForms());
    EXPECT_EQ(runOnDisk({formFile, formFile}), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 6);
    EXPECT_EQ(formsSelected, 4);
    const std::string once = makeForm(1, "Norway") + makeForm(3, "Norway");
    EXPECT_EQ(readFile(path("kerxxxx.inf")), once + once);
    EXPECT_NE(readFile(path("kerheads.htm")).find("Years selected: 1995 1995<br>"), std::string::npos);
}

TEST_F(BadInput, ExtractionFileAsInputSelectsTheSameForms) {
    writeFile(formFile, threeForms());
    ASSERT_EQ(runOnDisk({formFile}), RunOutcome::Completed);
    const std::string extraction = readFile(path("kerxxxx.inf"));
    const std::string csv = readFile(path("ker3.txt"));

    host.calls.clear();
    EXPECT_EQ(runOnDisk({path("kerxxxx.inf")}), RunOutcome::Completed);
    EXPECT_EQ(formsRead, 2);
    EXPECT_EQ(formsSelected, 2);
    EXPECT_EQ(readFile(path("kerxxxx.inf")), extraction);
    EXPECT_EQ(readFile(path("ker3.txt")), csv);
    EXPECT_FALSE(fileExists(path("kerxxxx.fin")));
    EXPECT_NE(readFile(path("kerheads.htm")).find("Years selected: XXXX<br>"), std::string::npos);
}

// The names in a folder, sorted.
std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(BadInput, FolderLockedByAnotherRunIsRefused) {
    writeEarlierOutputs(dir.path());
    writeFile(formFile, threeForms());
    const std::vector<std::string> before = listing(dir.path());
    // Another process's run: a lock on the folder itself through its own open file.
    const int other = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Refused);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"message:Another search is writing its results in " +
                                                    dir.path() + "; wait until it has finished"}));
    EXPECT_EQ(formsRead, 0);
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf"})
        expectEarlier(name);
    close(other);

    EXPECT_EQ(runOnDisk({formFile}), RunOutcome::Completed);
    // The run leaves no lock file behind, and its lock is gone with it.
    std::vector<std::string> after = listing(dir.path());
    EXPECT_EQ(after, before);
    const int next = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_EQ(flock(next, LOCK_EX | LOCK_NB), 0);
    close(next);
}

TEST_F(BadInput, FormFileLinkedToAnOutputIsRefused) {
    writeEarlierOutputs(dir.path());
    writeFile(formFile, threeForms());
    writeFile(path("kerxxxx.fin"), earlier(path("kerxxxx.fin")));
    const std::string hard = path("KER1996.INF"), soft = path("KER1997.INF"), pending = path("KER1998.INF");
    ASSERT_EQ(link(path("kerheads.htm").c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink("ker3.txt", soft.c_str()), 0);
    ASSERT_EQ(symlink(path("kerxxxx.fin").c_str(), pending.c_str()), 0);
    const std::pair<std::string, std::string> cases[] = {
        {hard, path("kerheads.htm")}, {soft, path("ker3.txt")}, {pending, path("kerxxxx.fin")}};
    for (const auto& [input, output] : cases) {
        host.calls.clear();
        EXPECT_EQ(runOnDisk({formFile, input}), RunOutcome::Refused);
        EXPECT_EQ(lastMessage(), "Cannot search " + input + ": it is " + output +
                                     ", which this search would write; choose another form file or output folder");
        EXPECT_EQ(formsRead, 0);
    }
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf", "kerxxxx.fin"})
        expectEarlier(name);
    // The extraction file itself may be searched: it is replaced only at the end.
    ASSERT_EQ(runOnDisk({formFile}), RunOutcome::Completed);
    ASSERT_EQ(link(path("kerxxxx.inf").c_str(), path("KER1999.INF").c_str()), 0);
    EXPECT_EQ(runOnDisk({path("KER1999.INF")}), RunOutcome::Completed);
    EXPECT_EQ(formsSelected, 2);
}

} // namespace
