// Bad inputs and hostile output folders for morvex-search: message, exit status, no damage.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <dirent.h>
#include <limits.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/cli/process.h"
#include "tests/core/test_util.h"

namespace {

using clitest::Process;
using clitest::Result;
using clitest::runSearch;
using testutil::earlier;
using testutil::fileExists;
using testutil::makeForm;
using testutil::readFile;
using testutil::threeForms;
using testutil::writeFile;

constexpr int kCompleted = 0;
constexpr int kStopped = 1;
constexpr int kRefused = 2;

struct CliBadInput : ::testing::Test {
    testutil::TempDir dir;
    std::string input = dir.file("KER1995.INF");
    const std::vector<std::string> outputs = {"kerforms.htm", "kerheads.htm", "ker3.txt", "kerxxxx.inf"};

    void writeEarlierOutputs() {
        for (const std::string& name : outputs)
            writeFile(dir.file(name), earlier(dir.file(name)));
    }
    void expectEarlier(const std::string& name) const {
        EXPECT_EQ(readFile(dir.file(name)), earlier(dir.file(name))) << name;
    }
    void expectAllEarlier() const {
        for (const std::string& name : outputs)
            expectEarlier(name);
    }
    std::string counts(long long read, long long selected) const {
        return "Forms Read:-  " + std::to_string(read) + " Forms Selected:-  " + std::to_string(selected) +
               "\n";
    }
    std::string selectedOut(long long read, long long selected) const {
        std::string out = counts(read, selected);
        for (const std::string& name : outputs)
            out += dir.file(name) + "\n";
        return out;
    }
    std::string malformed(const std::string& path) const {
        return "Program Aborts -" + path + " is not correctly formatted\n";
    }
};

TEST_F(CliBadInput, MissingFormFileIsRefused) {
    writeEarlierOutputs();
    Result r = runSearch({"--country", "norway", dir.file("KER1994.INF")});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "morvex-search: error: " + dir.file("KER1994.INF") + ": No such file or directory\n");
    expectAllEarlier();
}

TEST_F(CliBadInput, FolderAsFormFileStopsTheRun) {
    writeEarlierOutputs();
    std::filesystem::create_directory(dir.file("KER1994.INF"));
    Result r = runSearch({"--country", "norway", dir.file("KER1994.INF")});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts - cannot read " + dir.file("KER1994.INF") + ": Is a directory\n");
    expectAllEarlier();
}

TEST_F(CliBadInput, EmptyFileSelectsNothing) {
    writeEarlierOutputs();
    writeFile(input, "");
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, kCompleted);
    EXPECT_EQ(r.out, counts(0, 0) + "So Sorry, no forms selected\n");
    EXPECT_EQ(r.err, "");
    for (const char* name : {"kerforms.htm", "kerheads.htm", "ker3.txt"})
        expectEarlier(name);
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
}

TEST_F(CliBadInput, RandomBytesStopTheRunAsMalformed) {
    writeEarlierOutputs();
    writeFile(input, testutil::generatorBytes(1995, 1 << 20));
    Result r = runSearch({"--parameter", "H09", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, malformed(input));
    expectAllEarlier();
}

TEST_F(CliBadInput, NulBytesPassThrough) {
    const std::string nul("\0", 1);
    const std::string form = "1995^95XX^1^^2^W" + nul + "OCE\r\nNor" + nul + "way\r\n*\r\n";
    writeFile(input, form + makeForm(2, "France"));
    Result r = runSearch({"--country", "nor", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(2, 1));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), form);
}

TEST_F(CliBadInput, LineOf64MegabytesWithoutCrHoldsNoForm) {
    writeEarlierOutputs();
    {
        std::ofstream out(input, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 64; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, counts(0, 0) + "So Sorry, no forms selected\n");
    expectEarlier("kerheads.htm");
    expectEarlier("kerforms.htm");
}

TEST_F(CliBadInput, TenThousandFormsOfTwoHundredLinesAreRead) {
    {
        std::ofstream out(input, std::ios::binary);
        for (int i = 1; i <= 10000; ++i)
            out << makeForm(i, i % 1000 == 0 ? "Norway" : "France", 200);
    }
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(10000, 10));
}

TEST_F(CliBadInput, MalformedFormAfterSelectionsKeepsTheEarlierExtraction) {
    writeEarlierOutputs();
    writeFile(input, threeForms() + makeForm(4, "Norway", 201));
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, malformed(input));
    expectEarlier("kerxxxx.inf");
    EXPECT_EQ(readFile(dir.file("kerxxxx.fin")), makeForm(1, "Norway") + makeForm(3, "Norway"));
}

TEST_F(CliBadInput, MissingOutputFolderIsRefused) {
    writeFile(input, threeForms());
    Result r = runSearch({"--all", "--output-dir", dir.file("missing"), input});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "morvex-search: error: --output-dir: " + dir.file("missing") + ": not an existing folder\n");
    EXPECT_FALSE(fileExists(dir.file("missing")));
}

TEST_F(CliBadInput, ReportPathThatIsAFolderStopsTheRun) {
    writeEarlierOutputs();
    std::filesystem::remove(dir.file("kerheads.htm"));
    std::filesystem::create_directory(dir.file("kerheads.htm"));
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts - cannot write " + dir.file("kerheads.htm") + ": Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("kerheads.htm")));
    expectEarlier("kerxxxx.inf");
}

TEST_F(CliBadInput, ReportOnAFullDeviceStopsTheRun) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    writeEarlierOutputs();
    std::filesystem::remove(dir.file("kerheads.htm"));
    std::filesystem::create_symlink("/dev/full", dir.file("kerheads.htm"));
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Program Aborts - cannot write " + dir.file("kerheads.htm") + ": No space left on device\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("kerheads.htm")));
    expectEarlier("kerxxxx.inf");
}

TEST_F(CliBadInput, SameFileTwiceIsSearchedTwice) {
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input, input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(6, 4));
    const std::string once = makeForm(1, "Norway") + makeForm(3, "Norway");
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), once + once);
}

TEST_F(CliBadInput, ExtractionFileAsInputSelectsTheSameForms) {
    writeFile(input, threeForms());
    Result r = runSearch({"--country", "norway", input});
    ASSERT_EQ(r.status, kCompleted) << r.err;
    const std::string extraction = readFile(dir.file("kerxxxx.inf"));
    const std::string csv = readFile(dir.file("ker3.txt"));

    r = runSearch({"--country", "norway", dir.file("kerxxxx.inf")});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, selectedOut(2, 2));
    EXPECT_EQ(readFile(dir.file("kerxxxx.inf")), extraction);
    EXPECT_EQ(readFile(dir.file("ker3.txt")), csv);
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.fin")));
    EXPECT_NE(readFile(dir.file("kerheads.htm")).find("Years selected: XXXX<br>"), std::string::npos);
}

TEST_F(CliBadInput, FolderInUseByAnotherSearchIsRefused) {
    writeEarlierOutputs();
    writeFile(input, threeForms());
    const int other = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    Result r = runSearch({"--country", "norway", input});
    close(other);
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Another search is writing its results in " + dir.path() + "; wait until it has finished\n");
    expectAllEarlier();
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.fin")));
    // The same folder named through --output-dir is the same lock.
    r = runSearch({"--country", "norway", "--output-dir", dir.path() + "/.", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
}

TEST_F(CliBadInput, FormFileThatIsAnOutputIsRefused) {
    writeEarlierOutputs();
    writeFile(input, threeForms());
    const std::string linked = dir.file("KER1996.INF");
    ASSERT_EQ(symlink("kerforms.htm", linked.c_str()), 0);
    Result r = runSearch({"--country", "norway", input, linked});
    EXPECT_EQ(r.status, kRefused);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Cannot search " + linked + ": it is " + dir.file("kerforms.htm") +
                         ", which this search would write; choose another form file or output folder\n");
    expectAllEarlier();
}

TEST_F(CliBadInput, DotDotAfterASymbolicLinkGoesWhereTheKernelGoes) {
    // link -> real/sub, so link/.. is real, not the folder that holds link.
    std::filesystem::create_directories(dir.file("real/sub"));
    std::filesystem::create_directory_symlink(dir.file("real/sub"), dir.file("link"));
    writeFile(dir.file("real/KER1994.INF"), makeForm(1, "Norway"));
    writeFile(dir.file("KER1994.INF"), makeForm(2, "Norway"));
    Result r = runSearch({"--country", "norway", "link/../KER1994.INF"}, dir.path());
    EXPECT_EQ(r.status, kCompleted) << r.err;
    std::string out = counts(1, 1);
    for (const std::string& name : outputs)
        out += dir.file("real/" + name) + "\n";
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(readFile(dir.file("real/kerxxxx.inf")), makeForm(1, "Norway"));
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
}

TEST_F(CliBadInput, FolderNameAsFormFileIsRefused) {
    writeFile(input, threeForms());
    for (const std::string& name : {input + "/", dir.path() + "/.", std::string("..")}) {
        Result r = runSearch({"--all", name}, dir.path());
        EXPECT_EQ(r.status, kRefused) << name;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "morvex-search: error: " + name + ": names a folder, not a form file\n");
    }
    EXPECT_FALSE(fileExists(dir.file("kerxxxx.inf")));
}

// Makes a chain of folders deeper than PATH_MAX under top, through descriptors, and returns
// the names of its levels; the deepest holds the file name with bytes.
std::vector<std::string> makeDeepFolder(const std::string& top, const std::string& name, const std::string& bytes) {
    const std::string level(200, 'd');
    std::vector<std::string> levels;
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (std::size_t depth = 0; depth * (level.size() + 1) <= PATH_MAX + 200; ++depth) {
        if (mkdirat(fd, level.c_str(), 0777) != 0) throw std::runtime_error("mkdirat");
        const int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
        levels.push_back(level);
    }
    const int file = openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (write(file, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("write");
    close(file);
    close(fd);
    return levels;
}

// The content of a file at the end of a chain of folders, read through descriptors.
std::string readDeep(const std::string& top, const std::vector<std::string>& levels, const std::string& name) {
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const std::string& level : levels) {
        const int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    std::string bytes;
    const int file = openat(fd, name.c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[4096];
    for (ssize_t n; file >= 0 && (n = read(file, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(n));
    if (file >= 0) close(file);
    close(fd);
    return bytes;
}

// Removes a tree through descriptors, since its paths are too long to name.
void removeTree(int parent, const char* name) {
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        unlinkat(parent, name, 0);
        return;
    }
    DIR* listing = fdopendir(fd);
    std::vector<std::string> names;
    while (dirent* entry = readdir(listing))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    for (const std::string& child : names)
        removeTree(dirfd(listing), child.c_str());
    closedir(listing);
    unlinkat(parent, name, AT_REMOVEDIR);
}

TEST_F(CliBadInput, RelativeNameWorksInAFolderDeeperThanPathMax) {
    const std::vector<std::string> levels = makeDeepFolder(dir.path(), "KER1995.INF", threeForms());
    clitest::Options options;
    options.chdir.push_back(dir.path());
    options.chdir.insert(options.chdir.end(), levels.begin(), levels.end());
    Result r = Process({"--country", "norway", "KER1995.INF"}, options).finish();
    EXPECT_EQ(r.status, kCompleted) << r.err;
    // The folder has no name that can be used; the files are named as the search found them.
    EXPECT_EQ(r.out, counts(3, 2) + "./kerforms.htm\n./kerheads.htm\n./ker3.txt\n./kerxxxx.inf\n");
    EXPECT_EQ(readDeep(dir.path(), levels, "kerxxxx.inf"), makeForm(1, "Norway") + makeForm(3, "Norway"));
    const int top = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    removeTree(top, levels.front().c_str());
    close(top);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST_F(CliBadInput, LongLineTakesMemoryNearItsOwnSize) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer's allocator keeps freed blocks";
    // A hole of 256 MiB reads as zero bytes: one line without a line end, no form.
    const long size = 256L << 20;
    const int fd = open(input.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
    writeEarlierOutputs();
    Result r = runSearch({"--all", input});
    EXPECT_EQ(r.status, kCompleted) << r.err;
    EXPECT_EQ(r.out, counts(0, 0) + "So Sorry, no forms selected\n");
    EXPECT_LE(r.maxRssKb, (size + size / 2) / 1024 + 16 * 1024) << "peak " << r.maxRssKb << " KiB";
    expectEarlier("kerheads.htm");
}

TEST_F(CliBadInput, EndlessLineEndsTheRunAtTheFormLimit) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer's allocator keeps freed blocks";
    if (!fileExists("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
    writeEarlierOutputs();
    const std::string endless = dir.file("KER0000.INF");
    std::filesystem::create_symlink("/dev/zero", endless);
    Result r = runSearch({"--all", endless});
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Program Aborts - cannot read " + endless +
                         ": a form there is larger than 1 GiB, the most a form may hold\n");
    EXPECT_LE(r.maxRssKb, (3L << 30) / 2 / 1024 + 16 * 1024);
    expectAllEarlier();
}

TEST_F(CliBadInput, FormWhoseMemoryCannotBeHadEndsTheRun) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
    const int fd = open(input.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    ASSERT_EQ(ftruncate(fd, 900L << 20), 0);
    close(fd);
    writeEarlierOutputs();
    clitest::Options options;
    options.addressSpace = 512UL << 20;
    Result r = Process({"--all", input}, options).finish();
    EXPECT_EQ(r.status, kStopped);
    EXPECT_EQ(r.out, "");
    const std::string start = "Program Aborts - cannot read " + input + ": not enough memory for a form of more than ";
    EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 5), " MiB\n") << r.err;
    expectAllEarlier();
}

// Peak memory of a run with each export, in KiB, against twice the largest form and a few MB.
struct ExportMemory {
    std::string input;
    std::string folder;
    long largestForm = 0;

    void expectEachExportWithin(const std::vector<std::string>& extensions) const {
        for (const std::string& extension : extensions) {
            const std::string out = folder + "/out." + extension;
            Result r = runSearch({"--all", "--export", out, input});
            EXPECT_EQ(r.status, kCompleted) << r.err;
            EXPECT_LE(r.maxRssKb, 2 * largestForm / 1024 + 16 * 1024) << extension << ": peak " << r.maxRssKb << " KiB";
            EXPECT_TRUE(fileExists(out)) << extension;
            std::filesystem::remove(out);
        }
    }
};

TEST_F(CliBadInput, ExportsOfAHundredMegabyteFormTakeTwiceItsSizeAtMost) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer's allocator keeps freed blocks";
    // Every byte that costs an export more than itself: quotes and commas (CSV), a control
    // character (six bytes in JSON), a letter of two bytes in UTF-8, and separators.
    std::string piece;
    while (piece.size() < (1u << 20)) piece += "ab,\"c\xe9^ \x01 xyz 0123456789";
    const long size = 100L << 20;
    for (const int line : {5, 0}) {
        SCOPED_TRACE("the large line is line " + std::to_string(line));
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        for (int n = 0; n < 12; ++n) {
            if (n == line) {
                file << (line == 0 ? "1995^95" : "");
                for (long done = 0; done < size; done += static_cast<long>(piece.size())) file << piece;
                file << (line == 0 ? "^001^^2^P" : "") << "\r\n";
            } else {
                file << (n == 0 ? "1995^95NO^001^^2^P" : n == 2 ? "217^218^IHB02" : n >= 10 ? "H09^5^a" : "text")
                     << "\r\n";
            }
        }
        file << "*\r\n";
        file.close();
        ExportMemory memory{input, dir.path(), static_cast<long>(std::filesystem::file_size(input))};
        memory.expectEachExportWithin(line == 5 ? std::vector<std::string>{"csv", "jsonl", "geojson", "svg"}
                                                : std::vector<std::string>{"jsonl", "geojson"});
    }
}

TEST_F(CliBadInput, GeoJsonOfATwoHundredMegabyteInventoryTakesAFewMegabytes) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer's allocator keeps freed blocks";
    std::ofstream file(input, std::ios::binary | std::ios::trunc);
    const std::string padding(700, 'p');
    long largest = 0;
    long written = 0;
    for (int n = 0; written < (200L << 20); ++n) {
        const std::string form = "1995^95NO^" + std::to_string(n) + "^^2^P\r\nNorway\r\n" + std::to_string(n % 500 + 1) +
                                 "^" + std::to_string(n % 7 + 1) + "^217\r\n" + padding + "\r\n*\r\n";
        file << form;
        written += static_cast<long>(form.size());
        largest = std::max(largest, static_cast<long>(form.size()));
    }
    file.close();
    ExportMemory memory{input, dir.path(), largest};
    memory.expectEachExportWithin({"geojson"});
}

} // namespace
