// Golden cases: form files and criteria in, the four output files compared byte for byte.
//
// Each folder under tests/golden/ holds:
//   inputs      the form file names, one a line, in the order of the file list
//   criteria    lines "N=text" for criterion N (0 to 9), "held=at" or "held=not", "probe=text"
//   before/     files put into the output folder before the run (optional)
//   expected/   the files the folder must hold afterwards; "NAME.absent" says NAME must not
//               exist; "messages.txt" lists the messages shown, one a line
// Set MORVEX_KEEP_GOLDEN=1 to keep the output folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "reports/reportrun.h"
#include "search/searchrun.h"
#include "tests/core/test_util.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGoldenRoot = fs::path(MORVEX_SOURCE_DIR) / "tests" / "golden";

std::vector<std::string> readLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> goldenCases() {
    std::vector<std::string> cases;
    for (const auto& entry : fs::directory_iterator(kGoldenRoot))
        if (entry.is_directory()) cases.push_back(entry.path().filename().string());
    std::sort(cases.begin(), cases.end());
    return cases;
}

/// Where two byte strings first differ, with the lines around it.
std::string describeDifference(const std::string& expected, const std::string& actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    std::size_t lineStart = expected.rfind('\n', at == 0 ? 0 : at - 1);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    auto excerpt = [&](const std::string& s) {
        std::string out = s.substr(lineStart, 200);
        std::string shown;
        for (char c : out) shown += c == '\r' ? std::string("\\r") : std::string(1, c);
        return shown;
    };
    std::ostringstream out;
    out << "first difference at byte " << at << " (expected size " << expected.size() << ", actual "
        << actual.size() << ")\n--- expected\n" << excerpt(expected) << "\n+++ actual\n" << excerpt(actual);
    return out.str();
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, OutputsMatchByteForByte) {
    const fs::path caseDir = kGoldenRoot / GetParam();
    testutil::TempDir temp;
    const fs::path out(temp.path());

    std::vector<std::string> paths;
    for (const auto& name : readLines(caseDir / "inputs")) {
        fs::copy_file(caseDir / name, out / name);
        paths.push_back((out / name).string());
    }
    if (fs::exists(caseDir / "before"))
        for (const auto& entry : fs::directory_iterator(caseDir / "before"))
            fs::copy_file(entry.path(), out / entry.path().filename());

    search::CriteriaSet criteria;
    testutil::RecordingHost host;
    for (const auto& line : readLines(caseDir / "criteria")) {
        std::size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "held")
            criteria.dataHeld = value == "at" ? search::DataHeld::AtUlma : search::DataHeld::NotAtUlma;
        else if (key == "probe")
            host.probe = value;
        else
            criteria.texts.at(static_cast<std::size_t>(std::stoi(key))) = value;
    }

    search::FileSelection selection;
    std::string message;
    ASSERT_EQ(search::chooseFiles(paths, selection, &message), search::ChoiceStatus::Chosen) << message;
    search::DiskFileSystem disk;
    tables::RpTable table;
    reports::ReportRun run(host, disk, table);
    run.run(selection, criteria);

    for (const auto& entry : fs::directory_iterator(caseDir / "expected")) {
        const std::string name = entry.path().filename().string();
        if (name == "messages.txt") {
            std::vector<std::string> messages;
            for (const auto& text : host.shown()) messages.push_back(text);
            EXPECT_EQ(messages, readLines(entry.path())) << "messages";
        } else if (entry.path().extension() == ".absent") {
            EXPECT_FALSE(fs::exists(out / entry.path().stem())) << entry.path().stem() << " should not exist";
        } else {
            const std::string expected = testutil::readFile(entry.path().string());
            const std::string actual = testutil::readFile((out / name).string());
            EXPECT_TRUE(expected == actual) << name << ": " << describeDifference(expected, actual);
        }
    }
    if (std::getenv("MORVEX_KEEP_GOLDEN")) {
        const fs::path kept = fs::temp_directory_path() / ("morvex-golden-" + GetParam());
        fs::remove_all(kept);
        fs::copy(out, kept, fs::copy_options::recursive);
        std::cerr << "kept in " << kept << "\n";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(goldenCases()),
                         [](const auto& info) { return info.param; });

} // namespace
