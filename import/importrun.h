// One import: records read from the inputs, forms written into one form file per begin year.
#ifndef IMPORT_IMPORTRUN_H
#define IMPORT_IMPORTRUN_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "import/formbuilder.h"
#include "import/importhost.h"
#include "search/filesystem.h"

namespace csrimport {

class FormStore;
class YearFiles;
struct InputFile;

/// Documents an import reads besides its files: one after another, each a name and its bytes
/// (a harvest's record store gives its records so).
class DocumentSource {
public:
    virtual ~DocumentSource() = default;
    virtual std::size_t count() const = 0;
    /// The bytes of all the documents, for the progress (0 when not known).
    virtual std::uint64_t totalBytes() const = 0;
    /// The name of document i, as the messages name it.
    virtual std::string name(std::size_t i) const = 0;
    /// The bytes of document i; false with err filled when they cannot be had.
    virtual bool read(std::size_t i, std::string* bytes, std::string* err) = 0;
    /// When document i is one record whose BuiltRecord (of the current revision) the source
    /// keeps: that record, taken as if the document were read; its size for the progress.
    virtual std::optional<BuiltRecord> prebuilt(std::size_t, std::uint64_t*) { return std::nullopt; }
};

/// What an import is asked to do.
struct ImportSettings {
    std::vector<std::string> inputs; // record files and folders, as given
    DocumentSource* documents = nullptr; // read after the inputs, when given
    std::string folder;              // where the form files go; it must exist
    bool replace = false;            // existing form files may be replaced
    /// Without replace, an existing form file of this name may be replaced when this says so.
    std::function<bool(const std::string& name)> mayReplace;
    std::string spillFolder; // of the temporary file; empty: folder
};

/// How an import ended.
enum class ImportOutcome {
    Written,         // every form file was written
    NothingImported, // no record was imported: nothing written
    Stopped,         // stopped before the renames: nothing written
    ReadFailed,      // an input or folder could not be read: nothing written
    WriteFailed,     // a form file could not be written: nothing replaced
    RenameFailed,    // a rename failed: the earlier files are in place (see renamed())
    Refused,         // folder in use, missing input, files that exist, an input among the outputs
};

/// Reads every input, then writes the form files: under hidden names, synced, renamed in
/// increasing year order when all are complete. The folder is locked from start to end.
class ImportRun {
public:
    ImportRun(ImportHost& host, search::FileSystem& fs);

    /// Runs the import; error() says why when the outcome is not Written.
    ImportOutcome run(const ImportSettings& settings);

    const ImportCounts& counts() const { return m_counts; }
    /// The reason of a refusal or failure, one sentence.
    const std::string& error() const { return m_error; }
    /// The form files written (when a rename failed, those renamed before), with their form
    /// counts, in year order.
    const std::vector<std::pair<std::string, std::size_t>>& files() const { return m_files; }
    /// The form files renamed before a rename failed.
    const std::vector<std::string>& renamed() const { return m_renamed; }
    /// The form files that exist and may not be replaced, when the import was refused for them.
    const std::vector<std::string>& existing() const { return m_existing; }
    /// The size of the regular input files, known once the folders are listed.
    std::uint64_t totalBytes() const { return m_totalBytes; }

private:
    class Reading;
    ImportOutcome refuse(std::string error);
    // The steps of a run: nothing from those that can end it means it goes on.
    std::optional<ImportOutcome> readInputs(const std::vector<InputFile>& files, DocumentSource* documents,
                                            Reading& reading);
    std::vector<int> countYears(const FormStore& store);
    std::optional<ImportOutcome> refuseOverwrites(const ImportSettings& settings, YearFiles& yearFiles,
                                                  const std::vector<int>& years, const Reading& reading);
    ImportOutcome writeYearFiles(FormStore& store, YearFiles& yearFiles);

    ImportHost& m_host;
    search::FileSystem& m_fs;
    ImportCounts m_counts;
    std::string m_error;
    std::vector<std::pair<std::string, std::size_t>> m_files;
    std::vector<std::string> m_renamed;
    std::vector<std::string> m_existing;
    std::uint64_t m_totalBytes = 0;
};

/// The summary of an import's counts, as morvex-import prints it, without a line end:
/// "Records read: 3, imported: 2, skipped: 1, replaced duplicates: 0, transliterated
/// characters: 0, inputs not read: 0, investigators left out: 0, documents without records: 0".
std::string summaryLine(const ImportCounts& counts);
/// A form file written: "KER1994.INF: 12 forms", whatever the number.
std::string writtenLine(const std::string& name, std::size_t forms);
/// Whether an import that ended so read its inputs, so that its counts are worth the summary.
bool inputsRead(ImportOutcome outcome, const ImportCounts& counts);

} // namespace csrimport

#endif // IMPORT_IMPORTRUN_H
