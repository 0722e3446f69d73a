// Tests of cutting form files into forms.
#include "search/formreader.h"

#include <gtest/gtest.h>

#include "tests/support/memoryfilesystem.h"

namespace {

using search::Form;
using search::FormReader;
using Status = search::FormReader::Status;

struct ReaderFixture : ::testing::Test {
    testutil::MemoryFileSystem fs;

    /// Reads every form of data, with the given read chunk and reader block size.
    std::vector<std::vector<std::string>> readAll(const std::string& data, Status* end = nullptr,
                                                  std::size_t chunk = 1 << 16, std::size_t block = 1 << 20,
                                                  std::size_t limit = FormReader::kMaxFormBytes) {
        fs.files["f"] = data;
        fs.readChunk = chunk;
        std::string err;
        auto file = fs.openRead("f", &err);
        FormReader reader(*file, block, limit);
        Form form;
        std::vector<std::vector<std::string>> forms;
        for (;;) {
            Status st = reader.next(form, &err);
            if (st != Status::Form) {
                if (end) *end = st;
                break;
            }
            std::vector<std::string> lines;
            for (int n = 0; n <= form.last(); ++n) lines.emplace_back(form.line(n));
            forms.push_back(lines);
        }
        return forms;
    }

    static std::string lines(int count, const std::string& prefix = "L") {
        std::string out;
        for (int i = 0; i < count; ++i) out += prefix + std::to_string(i) + "\r\n";
        return out;
    }
};

TEST_F(ReaderFixture, LineEndsAreCrOrCrLfAndLoneLfStaysInTheLine) {
    Status end;
    auto forms = readAll("A\r\nB\rC\nD\r\n*\r\n", &end);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0], (std::vector<std::string>{"A", "B", "C\nD"}));
    EXPECT_EQ(end, Status::End);
}

TEST_F(ReaderFixture, EveryByteIsKeptIncludingNul) {
    std::string data("A\0B\xff\x1a^x\r\n*\r\n", 12);
    auto forms = readAll(data);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0][0], std::string("A\0B\xff\x1a^x", 7));
}

TEST_F(ReaderFixture, TerminatorWithTextAndEmptyForms) {
    auto forms = readAll("A\r\n***end of form\r\n*\r\n\r\n*\r\n");
    ASSERT_EQ(forms.size(), 3u);
    EXPECT_EQ(forms[0], (std::vector<std::string>{"A"}));
    EXPECT_TRUE(forms[1].empty()); // two terminators in a row
    EXPECT_EQ(forms[2], (std::vector<std::string>{""})); // an empty line is a form line
}

TEST_F(ReaderFixture, TrailingLinesAfterTheLastTerminatorAreDropped) {
    Status end;
    auto forms = readAll("A\r\n*\r\nB\r\nC", &end);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(end, Status::End);
}

TEST_F(ReaderFixture, LastLineWithoutLineEndIsALine) {
    auto forms = readAll("A\r\n*");
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0], (std::vector<std::string>{"A"}));
}

TEST_F(ReaderFixture, FormOf200LinesIsReadAnd201LinesIsMalformed) {
    Status end;
    auto forms = readAll(lines(200) + "*\r\n", &end);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].size(), 200u);
    EXPECT_EQ(forms[0][199], "L199");
    EXPECT_EQ(end, Status::End);

    forms = readAll("A\r\n*\r\n" + lines(201) + "*\r\n", &end);
    EXPECT_EQ(forms.size(), 1u);
    EXPECT_EQ(end, Status::Malformed);
}

TEST_F(ReaderFixture, LongObservationLinesAreCountedExactly) {
    // Observation lines of 60 bytes: thousands of bytes between two line counts.
    const std::string longLine(58, 'x');
    std::string data;
    for (int i = 0; i < 200; ++i) data += (i % 7 ? longLine : longLine + "\n*") + "\r\n";
    Status end;
    auto forms = readAll(data + "*\r\n" + data + "tail\r\n*\r\n", &end);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].size(), 200u);
    EXPECT_EQ(forms[0][199], longLine);
    EXPECT_EQ(end, Status::Malformed);
}

TEST_F(ReaderFixture, FileOf201LinesWithoutTerminatorIsNoFormAnd202IsMalformed) {
    Status end;
    auto forms = readAll(lines(201), &end);
    EXPECT_TRUE(forms.empty());
    EXPECT_EQ(end, Status::End);
    readAll(lines(202), &end);
    EXPECT_EQ(end, Status::Malformed);
}

TEST_F(ReaderFixture, FileWithoutAnyCrIsOneLine) {
    Status end;
    std::string big(3 << 20, 'x');
    big[100] = '\n';
    auto forms = readAll(big, &end, 4096, 1024);
    EXPECT_TRUE(forms.empty());
    EXPECT_EQ(end, Status::End);
    forms = readAll(big + "\r*", &end, 4096, 1024);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0][0], big);
}

TEST_F(ReaderFixture, MemoryGrowsWithTheLargestFormOnly) {
    // A line of 10 MiB read in blocks of 64 KiB: the buffer holds the form and at most half
    // as much again, not a doubled copy.
    const std::size_t size = std::size_t{10} << 20;
    fs.files["f"] = "A\r\n" + std::string(size, 'x') + "\r\n*\r\nB\r\n*\r\n";
    std::string err;
    auto file = fs.openRead("f", &err);
    FormReader reader(*file, 1 << 16);
    Form form;
    ASSERT_EQ(reader.next(form, &err), Status::Form);
    EXPECT_EQ(form.line(1).size(), size);
    EXPECT_LE(reader.capacity(), size + size / 2 + (1 << 16));
    ASSERT_EQ(reader.next(form, &err), Status::Form);
    EXPECT_EQ(form.line(0), "B");
    EXPECT_EQ(reader.next(form, &err), Status::End);
}

TEST_F(ReaderFixture, FormPastTheLimitIsTooLarge) {
    // With blocks of 1 KiB and a limit of 64 KiB, in the header lines and in the observation lines.
    for (const std::string& data : {std::string(100 << 10, 'x') + "\r\n*\r\n",
                                    lines(12) + std::string(100 << 10, 'y') + "\r\n*\r\n"}) {
        fs.files["f"] = lines(3) + "*\r\n" + data;
        std::string err;
        auto file = fs.openRead("f", &err);
        FormReader reader(*file, 1024, 64 << 10);
        Form form;
        ASSERT_EQ(reader.next(form, &err), Status::Form);
        EXPECT_EQ(reader.next(form, &err), Status::TooLarge);
        EXPECT_EQ(err, "a form there is larger than 64 KiB, the most a form may hold");
        EXPECT_LE(reader.capacity(), (64 << 10) + 1024);
    }
    // A form just under the limit is read.
    Status end;
    auto forms = readAll(std::string(60 << 10, 'z') + "\r\n*\r\n", &end, 4096, 1024, 64 << 10);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(end, Status::End);
}

TEST_F(ReaderFixture, BlockBoundariesDoNotChangeTheForms) {
    std::string data;
    for (int f = 0; f < 40; ++f) data += "H" + std::to_string(f) + "\r\n" + lines(f % 13, "x") + "\r" + "*\r\n";
    data += "tail";
    auto expected = readAll(data);
    ASSERT_EQ(expected.size(), 40u);
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 64u})
        for (std::size_t block : {1u, 4u, 16u, 100u}) EXPECT_EQ(readAll(data, nullptr, chunk, block), expected) << chunk << "/" << block;
}

TEST_F(ReaderFixture, ObservationLinesKeepTheirBytesAndLineEnds) {
    std::string head;
    for (int i = 0; i < 10; ++i) head += "h" + std::to_string(i) + "\r\n";
    // A lone LF, a CR-only line end, an LF after CR LF starting the next line, an empty line.
    auto forms = readAll(head + "A\nB\rC\r\n\nD\r\n\r\nE*\r\n*x\r\n" + head + "*", nullptr, 5, 7);
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(forms[0].begin() + 10, forms[0].end()),
              (std::vector<std::string>{"A\nB", "C", "\nD", "", "E*"}));
    EXPECT_EQ(forms[1].size(), 10u);
}

TEST_F(ReaderFixture, StarInsideAnObservationLineDoesNotEndTheForm) {
    std::string head;
    for (int i = 0; i < 10; ++i) head += "h\r\n";
    auto forms = readAll(head + "a*b\r\n\n*c\r\n*\r\n");
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].size(), 12u);
    EXPECT_EQ(forms[0][11], "\n*c");
}

TEST_F(ReaderFixture, CrAtBlockEndFollowedByLfIsOneLineEnd) {
    // "A\r" fills the first block exactly; the LF comes with the next read.
    auto forms = readAll("A\r\nB\r\n*\r\n", nullptr, 2, 2);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0], (std::vector<std::string>{"A", "B"}));
}

TEST(Form, ObservationTextJoinsLines10OnEachWithSeparator) {
    Form form;
    std::vector<std::string> l;
    for (int i = 0; i < 12; ++i) l.push_back("l" + std::to_string(i));
    l[10] = "H09^12^a";
    l[11] = "h10 at ulma";
    for (const auto& s : l) form.append(s);
    EXPECT_EQ(form.observationText(), "H09^12^a^h10 at ulma^");
    EXPECT_EQ(form.line(11), "h10 at ulma");
    EXPECT_EQ(form.line(12), "");
    EXPECT_EQ(form.line(-1), "");
}

} // namespace
