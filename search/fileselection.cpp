// The file choice: file list, years label and output paths.
#include "search/fileselection.h"

#include "search/textutil.h"

namespace search {

const char* const kTooManyNamesMessage = "Sorry, cannot operate on so many files, please select fewer";

namespace {

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string failure(int number) { return "Openkervos error: " + countText(number); }

} // namespace

OutputPaths outputPathsIn(const std::string& folder) {
    const std::string dir = folder.empty() ? std::string(".") : folder;
    const std::string prefix = dir.back() == '/' ? dir : dir + '/';
    return OutputPaths{dir, prefix + "kerforms.htm", prefix + "kerheads.htm", prefix + "ker3.txt",
                       prefix + "kerxxxx.inf", prefix + "kerxxxx.fin"};
}

bool fileLabel(const std::string& path, std::string* label) {
    std::size_t slash = path.rfind('/');
    const std::string name = upperCase(slash == std::string::npos ? path : path.substr(slash + 1));
    std::size_t inf = name.find(".INF");
    // The label runs from the fourth character (after "KER") up to the first ".INF".
    if (inf == std::string::npos || inf < 3) return false;
    *label = name.substr(3, inf - 3);
    return true;
}

ChoiceStatus chooseFiles(const std::vector<std::string>& paths, FileSelection& selection, std::string* message,
                         const std::string& outputFolder, bool tooLong) {
    selection.files.clear();
    if (message) message->clear();
    if (tooLong) {
        if (message) *message = kTooManyNamesMessage;
        return ChoiceStatus::TooManyNames;
    }
    if (paths.empty()) return ChoiceStatus::Cancelled;
    if (paths.size() > FileSelection::kMaxFiles) {
        if (message) *message = failure(kChoiceTooManyFiles);
        return ChoiceStatus::Failed;
    }
    std::string years;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::string label;
        if (!fileLabel(paths[i], &label)) {
            if (message) *message = failure(kChoiceBadName);
            return ChoiceStatus::Failed;
        }
        if (i > 0) years += ' ';
        years += label;
    }
    selection.files = paths;
    selection.yearsLabel = years;
    selection.paths = outputPathsIn(outputFolder.empty() ? folderOf(paths.front()) : outputFolder);
    return ChoiceStatus::Chosen;
}

std::string choiceFailureReason(const std::vector<std::string>& paths) {
    if (paths.size() > FileSelection::kMaxFiles)
        return "at most " + std::to_string(FileSelection::kMaxFiles) + " form files can be searched at once; " +
               std::to_string(paths.size()) + " were given";
    for (const std::string& path : paths) {
        std::string label;
        if (!fileLabel(path, &label))
            return path + ": not the name of a form file; form files are named KER????.INF, for example KER1995.INF";
    }
    return {};
}

} // namespace search
