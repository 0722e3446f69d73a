// The chosen form files, the years label and the paths of the run's output files.
#ifndef SEARCH_FILESELECTION_H
#define SEARCH_FILESELECTION_H

#include <string>
#include <vector>

namespace search {

/// Full paths of the five output files, all in one folder.
struct OutputPaths {
    std::string folder;     // the folder itself, locked while a run writes there
    std::string forms;      // kerforms.htm
    std::string heads;      // kerheads.htm
    std::string csv;        // ker3.txt
    std::string extraction; // kerxxxx.inf
    std::string pending;    // kerxxxx.fin, the extraction file while a run writes it
};

/// Output paths in a folder; a root folder "/" gives "/kerforms.htm".
OutputPaths outputPathsIn(const std::string& folder);

/// The file list with its years label and output paths.
struct FileSelection {
    static constexpr std::size_t kMaxFiles = 100;
    std::vector<std::string> files; // real-case paths, in the order chosen
    std::string yearsLabel;         // "1994 1995"
    OutputPaths paths;
};

/// Outcome of a file choice.
enum class ChoiceStatus { Chosen, Cancelled, TooManyNames, Failed };

/// Error numbers of a failed choice, shown after "Openkervos error: ".
enum ChoiceError { kChoiceBadName = 5, kChoiceTooManyFiles = 9 };

/// The label of a form file name: the upper-cased name from its fourth character up to its
/// first ".INF". "KER1995.INF" => "1995", "kerxxxx.inf" => "XXXX". False when there is none.
bool fileLabel(const std::string& path, std::string* label);

/// Applies a file dialog's answer (full paths, in order) to the selection. The file list is
/// always cleared first; the years label and output paths change only when the choice succeeds.
/// The output folder is the folder of the first path unless outputFolder is given.
/// tooLong: the dialog reported that the names did not fit its buffer.
/// On failure message holds the text to show ("Openkervos error:  9"); empty when cancelled.
ChoiceStatus chooseFiles(const std::vector<std::string>& paths, FileSelection& selection, std::string* message,
                         const std::string& outputFolder = std::string(), bool tooLong = false);

/// Why chooseFiles() refuses paths, in plain words, for the line under its error number; empty
/// when it would not refuse them.
///   101 paths  => "at most 100 form files can be searched at once; 101 were given"
///   "a/b.xml"  => "a/b.xml: not the name of a form file; form files are named KER????.INF, for example KER1995.INF"
std::string choiceFailureReason(const std::vector<std::string>& paths);

/// Message shown when the dialog's buffer overflowed.
extern const char* const kTooManyNamesMessage;

} // namespace search

#endif // SEARCH_FILESELECTION_H
