// Tests of the file choice: file list, years label, output paths and failures.
#include "search/fileselection.h"

#include <gtest/gtest.h>

namespace {

using search::ChoiceStatus;
using search::chooseFiles;
using search::FileSelection;

TEST(FileSelection, OneFileKeepsItsCaseAndGivesPathsBesideIt) {
    FileSelection sel;
    std::string message;
    EXPECT_EQ(chooseFiles({"/data/Inv/ker1995.inf"}, sel, &message), ChoiceStatus::Chosen);
    EXPECT_EQ(sel.files, (std::vector<std::string>{"/data/Inv/ker1995.inf"}));
    EXPECT_EQ(sel.yearsLabel, "1995");
    EXPECT_EQ(sel.paths.forms, "/data/Inv/kerforms.htm");
    EXPECT_EQ(sel.paths.heads, "/data/Inv/kerheads.htm");
    EXPECT_EQ(sel.paths.csv, "/data/Inv/ker3.txt");
    EXPECT_EQ(sel.paths.extraction, "/data/Inv/kerxxxx.inf");
    EXPECT_EQ(sel.paths.pending, "/data/Inv/kerxxxx.fin");
    EXPECT_TRUE(message.empty());
}

TEST(FileSelection, SeveralFilesGiveTheYearsLabelInOrder) {
    FileSelection sel;
    std::string message;
    chooseFiles({"/d/KER1996.INF", "/d/KER1994.INF", "/d/kerxxxx.inf"}, sel, &message);
    EXPECT_EQ(sel.yearsLabel, "1996 1994 XXXX");
    EXPECT_EQ(sel.files.size(), 3u);
}

TEST(FileSelection, LabelComesFromTheFileNameAlone) {
    FileSelection sel;
    std::string message;
    EXPECT_EQ(chooseFiles({"/a.INF/KER1995.INF.bak"}, sel, &message), ChoiceStatus::Chosen);
    EXPECT_EQ(sel.yearsLabel, "1995");
    EXPECT_EQ(sel.paths.forms, "/a.INF/kerforms.htm");
    EXPECT_EQ(chooseFiles({"/x/KER.INF"}, sel, &message), ChoiceStatus::Chosen);
    EXPECT_EQ(sel.yearsLabel, "");
}

TEST(FileSelection, RootFolderGivesASingleSeparator) {
    FileSelection sel;
    std::string message;
    chooseFiles({"/KER1995.INF"}, sel, &message);
    EXPECT_EQ(sel.paths.forms, "/kerforms.htm");
    chooseFiles({"/d/KER1995.INF"}, sel, &message, "/out/");
    EXPECT_EQ(sel.paths.csv, "/out/ker3.txt");
}

TEST(FileSelection, HundredFilesWorkAndMoreFail) {
    FileSelection sel;
    std::string message;
    std::vector<std::string> paths;
    for (int i = 0; i < 100; ++i) paths.push_back("/d/KER" + std::to_string(1900 + i) + ".INF");
    EXPECT_EQ(chooseFiles(paths, sel, &message), ChoiceStatus::Chosen);
    EXPECT_EQ(sel.files.size(), 100u);
    paths.push_back("/d/KER2000.INF");
    EXPECT_EQ(chooseFiles(paths, sel, &message), ChoiceStatus::Failed);
    EXPECT_EQ(message, "Openkervos error:  9");
    EXPECT_TRUE(sel.files.empty());
}

TEST(FileSelection, FailedOrCancelledChoiceKeepsLabelAndPaths) {
    FileSelection sel;
    std::string message;
    chooseFiles({"/d/KER1995.INF"}, sel, &message);
    EXPECT_EQ(chooseFiles({"/e/KER1996.TXT"}, sel, &message), ChoiceStatus::Failed);
    EXPECT_EQ(message, "Openkervos error:  5");
    EXPECT_TRUE(sel.files.empty());
    EXPECT_EQ(sel.yearsLabel, "1995");
    EXPECT_EQ(sel.paths.forms, "/d/kerforms.htm");
    EXPECT_EQ(chooseFiles({"/e/K.INF"}, sel, &message), ChoiceStatus::Failed);

    chooseFiles({"/d/KER1995.INF"}, sel, &message);
    EXPECT_EQ(chooseFiles({}, sel, &message), ChoiceStatus::Cancelled);
    EXPECT_TRUE(message.empty());
    EXPECT_TRUE(sel.files.empty());
    EXPECT_EQ(sel.yearsLabel, "1995");

    EXPECT_EQ(chooseFiles({"/d/KER1995.INF"}, sel, &message, "", true), ChoiceStatus::TooManyNames);
    EXPECT_EQ(message, "Sorry, cannot operate on so many files, please select fewer");
    EXPECT_TRUE(sel.files.empty());
}

} // namespace
