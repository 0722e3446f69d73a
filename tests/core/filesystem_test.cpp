// Files on disk: pending files that appear whole or not at all, scratch files, locations.
#include "search/filesystem.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/core/test_util.h"

namespace {

using testutil::fileExists;
using testutil::hiddenNames;
using testutil::readFile;
using testutil::TempDir;
using testutil::writeFile;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// A file with its last change an hour ago: left by a run that ended before this one.
void writeOldFile(const std::string& path) {
    writeFile(path, "left behind");
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct PendingFiles : ::testing::TestWithParam<bool> {
    TempDir dir;
    search::DiskFileSystem fs;
    PendingFiles() { fs.setUnnamedFiles(GetParam()); }
};

TEST_P(PendingFiles, EarlierFileStaysUntilTheCommitAndKeepsItsMode) {
    const std::string path = dir.file("out.csv");
    writeFile(path, "earlier");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    std::string err;
    std::unique_ptr<search::PendingFile> file = fs.createPending(path, &err);
    ASSERT_TRUE(file) << err;
    file->put("new");
    ASSERT_TRUE(file->syncWritten(&err)) << err;
    EXPECT_EQ(readFile(path), "earlier");
    // Unnamed where the file system allows; else one hidden name of the pending pattern.
    const std::vector<std::string> hidden = hiddenNames(dir.path());
    if (GetParam()) {
        EXPECT_TRUE(hidden.empty());
    } else {
        ASSERT_EQ(hidden.size(), 1u);
        EXPECT_EQ(hidden[0].rfind(".out.csv.morvex-", 0), 0u);
        EXPECT_EQ(hidden[0].size(), std::string(".out.csv.morvex-XXXXXX").size());
    }
    ASSERT_TRUE(file->commit(&err)) << err;
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_TRUE(hiddenNames(dir.path()).empty());

    // Discarded: the file of the last commit stays, and nothing else is left.
    file = fs.createPending(path, &err);
    ASSERT_TRUE(file) << err;
    file->put("discarded");
    file.reset();
    EXPECT_EQ(readFile(path), "new");
    EXPECT_TRUE(hiddenNames(dir.path()).empty());
}

TEST_P(PendingFiles, NewFileTakesTheModeOfTheUmask) {
    const mode_t previous = ::umask(027);
    std::string err;
    std::unique_ptr<search::PendingFile> file = fs.createPending(dir.file("new.svg"), &err);
    ::umask(previous);
    ASSERT_TRUE(file) << err;
    ASSERT_TRUE(file->commit(&err)) << err;
    EXPECT_EQ(modeOf(dir.file("new.svg")), 0640u);
}

TEST_P(PendingFiles, NameOfTheLongestLengthFits) {
    const std::string name = std::string(255 - 4, 'n') + ".csv";
    std::string err;
    std::unique_ptr<search::PendingFile> file = fs.createPending(dir.file(name), &err);
    ASSERT_TRUE(file) << err;
    file->put("long");
    ASSERT_TRUE(file->commit(&err)) << err;
    EXPECT_EQ(readFile(dir.file(name)), "long");
    EXPECT_EQ(search::DiskFileSystem::pendingPattern(name).size(), 255u);
    EXPECT_TRUE(hiddenNames(dir.path()).empty());
}

TEST_P(PendingFiles, MovedFolderGetsTheFileAndKeepsNothingDiscarded) {
    const std::string sub = dir.file("sub");
    ASSERT_EQ(::mkdir(sub.c_str(), 0777), 0);
    std::string err;
    std::unique_ptr<search::PendingFile> kept = fs.createPending(sub + "/a.csv", &err);
    std::unique_ptr<search::PendingFile> dropped = fs.createPending(sub + "/b.csv", &err);
    ASSERT_TRUE(kept && dropped) << err;
    kept->put("a");
    dropped->put("b");
    ASSERT_EQ(::rename(sub.c_str(), dir.file("moved").c_str()), 0);
    dropped->discard();
    ASSERT_TRUE(kept->commit(&err)) << err;
    EXPECT_EQ(readFile(dir.file("moved/a.csv")), "a");
    EXPECT_FALSE(fileExists(dir.file("moved/b.csv")));
    EXPECT_TRUE(hiddenNames(dir.file("moved")).empty());
}

TEST_P(PendingFiles, ScratchFileReadsBackWhatWasAppendedAndLeavesNoName) {
    std::string err;
    std::unique_ptr<search::ScratchFile> scratch = fs.createScratch(dir.file("out.geojson"), &err);
    ASSERT_TRUE(scratch) << err;
    EXPECT_TRUE(hiddenNames(dir.path()).empty());
    ASSERT_TRUE(scratch->append("first ", &err));
    ASSERT_TRUE(scratch->append(std::string(100000, 'x') + "last", &err));
    std::string back(4, '\0');
    ASSERT_TRUE(scratch->readAt(100006, back.data(), 4, &err)) << err;
    EXPECT_EQ(back, "last");
    ASSERT_TRUE(scratch->readAt(0, back.data(), 4, &err)) << err;
    EXPECT_EQ(back, "firs");
}

// A file read while another handle writes it, then after it is renamed, removed and edited.
TEST(DiskFiles, FileReadAtAnyPlaceFollowsTheFileNotItsName) {
    TempDir dir;
    search::DiskFileSystem fs;
    std::string err;
    EXPECT_FALSE(fs.openReadAt(dir.file("none"), &err));
    EXPECT_EQ(err, dir.file("none") + ": No such file or directory");
    EXPECT_FALSE(fs.openReadAt(dir.path(), &err));
    EXPECT_EQ(err, dir.path() + ": not a regular file");

    std::unique_ptr<search::OutputFile> out = fs.openWrite(dir.file("kerxxxx.fin"), &err);
    ASSERT_TRUE(out) << err;
    std::unique_ptr<search::ReadAtFile> in = fs.openReadAt(dir.file("kerxxxx.fin"), &err);
    ASSERT_TRUE(in) << err;
    out->put("A\r\n*\r\n");
    EXPECT_EQ(out->written(), 0u); // still buffered
    std::string back(3, '\0');
    EXPECT_FALSE(in->readAt(0, back.data(), 3, &err));
    EXPECT_EQ(err, dir.file("kerxxxx.fin") + ": the file ends early");
    out->put(std::string(1 << 20, 'x')); // more than the buffer holds: written
    EXPECT_EQ(out->written(), 6u + (1 << 20));
    ASSERT_TRUE(in->readAt(3, back.data(), 3, &err)) << err;
    EXPECT_EQ(back, "*\r\n");
    ASSERT_TRUE(out->close(&err)) << err;

    in->settle();
    ASSERT_EQ(::rename(dir.file("kerxxxx.fin").c_str(), dir.file("kerxxxx.inf").c_str()), 0);
    ASSERT_EQ(::unlink(dir.file("kerxxxx.inf").c_str()), 0);
    ASSERT_TRUE(in->readAt(0, back.data(), 3, &err)) << err;
    EXPECT_EQ(back, "A\r\n");
    EXPECT_TRUE(in->unchanged());

    std::unique_ptr<search::OutputFile> again = fs.openWrite(dir.file("kerxxxx.inf"), &err);
    std::unique_ptr<search::ReadAtFile> edited = fs.openReadAt(dir.file("kerxxxx.inf"), &err);
    ASSERT_TRUE(again && edited) << err;
    again->put("B\r\n");
    ASSERT_TRUE(again->close(&err)) << err;
    edited->settle();
    EXPECT_TRUE(edited->unchanged());
    ASSERT_EQ(::truncate(dir.file("kerxxxx.inf").c_str(), 1), 0);
    EXPECT_FALSE(edited->unchanged());
}

INSTANTIATE_TEST_SUITE_P(DiskFiles, PendingFiles, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Unnamed" : "Hidden"; });

TEST(DiskFiles, StaleHiddenFilesOfAnExportAreRemoved) {
    TempDir dir;
    writeOldFile(dir.file(".out.csv.morvex-Stale1"));
    writeOldFile(dir.file(".out.csv.morvex-Held01"));
    writeOldFile(dir.file(".other.csv.morvex-Stale2")); // another export's
    writeOldFile(dir.file(".out.csv.morvex-Short"));    // not the pattern
    writeOldFile(dir.file(".out.csv.XYZ123"));          // not the pattern
    const int held = ::open(dir.file(".out.csv.morvex-Held01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // a run that is still writing it
    search::DiskFileSystem fs;
    writeFile(dir.file(".out.csv.morvex-New001"), "made during this run");
    std::string err;
    ASSERT_TRUE(fs.createPending(dir.file("out.csv"), &err)) << err;
    ::close(held);
    EXPECT_EQ(hiddenNames(dir.path()), (std::vector<std::string>{".other.csv.morvex-Stale2", ".out.csv.XYZ123",
                                                                ".out.csv.morvex-Held01", ".out.csv.morvex-New001",
                                                                ".out.csv.morvex-Short"}));
}

TEST(DiskFiles, LocationFollowsLinksDanglingOnesIncluded) {
    TempDir dir;
    search::DiskFileSystem fs;
    const std::string real = std::filesystem::canonical(dir.path()).string();
    std::filesystem::create_symlink("x.csv", dir.file("kerforms.htm"));
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink("../kerforms.htm", dir.file("sub/link.htm"));
    EXPECT_EQ(fs.location(dir.file("kerforms.htm"), true), real + "/x.csv");
    EXPECT_EQ(fs.location(dir.file("kerforms.htm"), false), real + "/kerforms.htm");
    EXPECT_EQ(fs.location(dir.file("sub/link.htm"), true), real + "/x.csv");
    EXPECT_EQ(fs.location(dir.file("sub/../sub/link.htm"), false), real + "/sub/link.htm");
    EXPECT_EQ(fs.location(dir.file("missing/y.csv"), true), "");
}

} // namespace
