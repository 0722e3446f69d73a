// One import: records read from the inputs, forms written into one form file per begin year.
#include "import/importrun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "import/formbuilder.h"
#include "import/formstore.h"
#include "import/inputlist.h"
#include "import/recordreader.h"
#include "import/yearfiles.h"
#include "search/windows1252.h"

namespace csrimport {

namespace {

constexpr std::size_t kBlockSize = 1 << 16;
constexpr const char* kStoppedText = "stopped; nothing was written";

std::string recordName(const std::string& identifier, long long number) {
    if (identifier.empty()) return "record " + std::to_string(number) + " (no fileIdentifier)";
    return "record " + search::fromWindows1252(identifier);
}

} // namespace

// The reading of all inputs into the store, document by document.
class ImportRun::Reading {
public:
    Reading(ImportRun& run, FormStore& store) : m_run(run), m_store(store) {}

    enum class Result { Read, NotRead, Stopped, StoreFailed };

    // Reads one input file as one document.
    Result readFile(const InputFile& file, int source) {
        if (const std::optional<Result> failure = openInput(file)) return *failure;
        m_blockUsed = 0;
        m_blockSize = 0;
        const Result result = readDocument(
            file.path, [this](char* buffer, int size) { return fill(buffer, size); }, source);
        ::close(m_fd);
        return result;
    }

    // Reads a document of a DocumentSource, given whole, or takes the record it keeps built.
    Result readGiven(DocumentSource& documents, std::size_t i, int source) {
        const std::string name = documents.name(i);
        std::uint64_t size = 0;
        if (std::optional<BuiltRecord> built = documents.prebuilt(i, &size)) {
            startDocument();
            m_bytesRead += size;
            const bool taken = take(*built, name, source, 1);
            return finishDocument(name, taken ? RecordReader::Outcome::Complete : RecordReader::Outcome::Stopped, {},
                                  {});
        }
        std::string bytes, err;
        if (!documents.read(i, &bytes, &err)) return notRead(name, err);
        std::size_t at = 0;
        return readDocument(
            name,
            [&](char* buffer, int size) {
                const std::size_t n = std::min(static_cast<std::size_t>(size), bytes.size() - at);
                std::copy_n(bytes.data() + at, n, buffer);
                at += n;
                m_bytesRead += n;
                return static_cast<int>(n);
            },
            source);
    }

    bool readFailed() const { return m_readFailed; }
    std::uint64_t bytesRead() const { return m_bytesRead; }

    std::vector<std::string> sourceNames;
    std::vector<search::FileId> inputIds;
    std::vector<std::string> inputNames;

private:
    // Opens an input as m_fd and notes its identity; the result when it cannot be read.
    std::optional<Result> openInput(const InputFile& file) {
        for (;;) {
            m_fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
            if (m_fd >= 0) break;
            // A FIFO waits for its writer; a signal ends the wait.
            if (errno == EINTR) {
                if (m_run.m_host.stopRequested()) return Result::Stopped;
                continue;
            }
            return notRead(file.path, std::strerror(errno));
        }
        struct stat st {};
        if (::fstat(m_fd, &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                ::close(m_fd);
                return notRead(file.path, std::strerror(EISDIR));
            }
            inputIds.push_back({static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
            inputNames.push_back(file.path);
        }
        return std::nullopt;
    }

    // The parser's source: it asks for a few kilobytes at a time; the file is read in larger
    // blocks.
    int fill(char* buffer, int size) {
        while (m_blockUsed == m_blockSize) {
            const ssize_t n = ::read(m_fd, m_block.data(), m_block.size());
            if (n >= 0) {
                m_bytesRead += static_cast<std::uint64_t>(n);
                m_blockUsed = 0;
                m_blockSize = static_cast<std::size_t>(n);
                if (n == 0) return 0;
                break;
            }
            if (errno == EINTR) {
                if (!m_run.m_host.stopRequested()) continue;
                m_stopped = true;
                return -1;
            }
            m_ioError = std::strerror(errno);
            return -1;
        }
        const std::size_t n = std::min(static_cast<std::size_t>(size), m_blockSize - m_blockUsed);
        std::memcpy(buffer, m_block.data() + m_blockUsed, n);
        m_blockUsed += n;
        return static_cast<int>(n);
    }

    // Keeps the forms of a document read whole, or drops them and says why it was not read.
    // One document, whatever it is read from.
    Result readDocument(const std::string& name, const RecordReader::Source& bytes, int source) {
        startDocument();
        long long number = 0;
        std::string problem, holds;
        const RecordReader::Outcome outcome = RecordReader::read(
            bytes, [&](const xmlNode* record) { return takeRecord(record, name, source, ++number); }, &problem, &holds);
        return finishDocument(name, outcome, problem, holds);
    }

    void startDocument() {
        m_ioError.clear();
        m_stopped = false;
        m_store.beginDocument();
        m_pending = {};
        m_pendingForms = 0;
        m_messages.clear();
        m_storeError.clear();
    }

    Result finishDocument(const std::string& name, RecordReader::Outcome outcome, const std::string& problem,
                          const std::string& holds) {
        if (outcome == RecordReader::Outcome::Complete) {
            // Never a document read as nothing without a word.
            if (!holds.empty()) {
                ++m_run.m_counts.documentsWithoutRecords;
                m_messages.push_back(name + ": holds no record: " + holds);
            }
            m_store.commitDocument(sourceNames, &m_messages);
            for (const std::string& message : m_messages) m_run.m_host.message(message);
            m_run.m_counts.recordsRead += m_pending.recordsRead;
            m_run.m_counts.skipped += m_pending.skipped;
            m_run.m_counts.duplicates = static_cast<long long>(m_store.duplicatesLeftOut());
            return Result::Read;
        }
        m_store.dropDocument();
        if (!m_storeError.empty()) {
            m_run.m_error = m_storeError;
            return Result::StoreFailed;
        }
        // A document cut short by a stop is not judged.
        if (m_stopped || outcome == RecordReader::Outcome::Stopped || m_run.m_host.stopRequested())
            return Result::Stopped;
        if (!m_ioError.empty()) return notRead(name, m_ioError);
        ++m_run.m_counts.inputsNotRead;
        m_run.m_host.message(name + ": not usable XML (" + problem + "); nothing of it is imported");
        return Result::Read;
    }

    Result notRead(const std::string& path, const std::string& reason) {
        m_readFailed = true;
        ++m_run.m_counts.inputsNotRead;
        m_run.m_host.message("cannot read " + path + ": " + reason);
        return Result::NotRead;
    }

    bool takeRecord(const xmlNode* record, const std::string& path, int source, long long number) {
        return take(BuiltRecord::of(record), path, source, number);
    }

    // A record as the import makes it: a form kept, or a record skipped, with their messages.
    bool take(const BuiltRecord& built, const std::string& path, int source, long long number) {
        ++m_pending.recordsRead;
        const ImportedForm& form = built.form;
        if (built.verdict != RecordVerdict::Imported) {
            ++m_pending.skipped;
            m_messages.push_back(path + ": " + recordName(built.skippedIdentifier, number) + " skipped: " +
                                 (built.verdict == RecordVerdict::NotCsr ? "its hierarchy level name is not CSR"
                                                                         : "it has no readable begin date"));
        } else {
            if (!m_store.add(form, source, &m_storeError)) return false;
            ++m_pendingForms;
            const std::string name = path + ": " + recordName(form.identifier, number);
            if (form.objectivesLeftOut > 0)
                m_messages.push_back(name + ": " + std::to_string(form.objectivesLeftOut) +
                                     " objectives after the 190th are left out");
            if (form.investigatorsLeftOut > 0)
                m_messages.push_back(name + ": " + std::to_string(form.investigatorsLeftOut) +
                                     " principal investigators after the 26th are left out");
        }
        ImportCounts shown = m_run.m_counts;
        shown.recordsRead += m_pending.recordsRead;
        shown.skipped += m_pending.skipped;
        shown.imported = static_cast<long long>(m_store.kept()) + m_pendingForms;
        m_run.m_host.progress(m_bytesRead, m_run.m_totalBytes, shown);
        return !m_run.m_host.stopRequested();
    }

    ImportRun& m_run;
    FormStore& m_store;
    ImportCounts m_pending;
    long long m_pendingForms = 0; // forms of the document so far
    std::vector<std::string> m_messages; // of the document, shown once it is read whole
    std::string m_ioError;
    std::string m_storeError;
    bool m_stopped = false;
    bool m_readFailed = false;
    std::uint64_t m_bytesRead = 0;
    int m_fd = -1; // the input being read
    std::vector<char> m_block = std::vector<char>(kBlockSize);
    std::size_t m_blockUsed = 0, m_blockSize = 0;
};

ImportRun::ImportRun(ImportHost& host, search::FileSystem& fs) : m_host(host), m_fs(fs) {}

ImportOutcome ImportRun::refuse(std::string error) {
    m_error = std::move(error);
    return ImportOutcome::Refused;
}

ImportOutcome ImportRun::run(const ImportSettings& settings) {
    search::LockStatus status = search::LockStatus::Failed;
    std::string err;
    const std::unique_ptr<search::FolderLock> lock = m_fs.lockFolder(settings.folder, &status, &err);
    if (status == search::LockStatus::Busy)
        return refuse("another import or search is writing in " + settings.folder + "; wait until it has finished");
    if (status != search::LockStatus::Held) return refuse(err);
    for (const std::string& input : settings.inputs) {
        struct stat st {};
        if (::stat(input.c_str(), &st) != 0) return refuse(input + ": " + std::strerror(errno));
    }

    std::vector<InputFile> files;
    std::vector<std::string> problems;
    InputList::expand(settings.inputs, &files, &problems);
    for (const std::string& problem : problems) m_host.message(problem);
    m_counts.inputsNotRead += static_cast<long long>(problems.size());
    for (const InputFile& file : files) m_totalBytes += file.size;
    if (settings.documents) m_totalBytes += settings.documents->totalBytes();

    FormStore store;
    if (!store.open(settings.spillFolder.empty() ? settings.folder : settings.spillFolder, &m_error))
        return ImportOutcome::WriteFailed;
    Reading reading(*this, store);
    if (const std::optional<ImportOutcome> cut = readInputs(files, settings.documents, reading)) return *cut;
    if (reading.readFailed() || !problems.empty()) {
        m_error = "nothing was written, since an input or folder could not be read";
        return ImportOutcome::ReadFailed;
    }

    if (!store.finish(&m_error)) return ImportOutcome::WriteFailed;
    const std::vector<int> years = countYears(store);
    m_counts.imported = static_cast<long long>(store.kept());
    if (m_counts.imported == 0) {
        m_error = "no record was imported; nothing was written";
        return ImportOutcome::NothingImported;
    }

    YearFiles yearFiles(m_fs, settings.folder);
    if (const std::optional<ImportOutcome> refused = refuseOverwrites(settings, yearFiles, years, reading))
        return *refused;
    return writeYearFiles(store, yearFiles);
}

std::optional<ImportOutcome> ImportRun::readInputs(const std::vector<InputFile>& files, DocumentSource* documents,
                                                   Reading& reading) {
    for (const InputFile& file : files) reading.sourceNames.push_back(file.path);
    const std::size_t given = documents ? documents->count() : 0;
    for (std::size_t i = 0; i < given; ++i)
        reading.sourceNames.push_back(documents->name(i));
    for (std::size_t i = 0; i < files.size() + given; ++i) {
        if (m_host.stopRequested()) {
            m_error = kStoppedText;
            return ImportOutcome::Stopped;
        }
        const int source = static_cast<int>(i);
        const Reading::Result result = i < files.size() ? reading.readFile(files[i], source)
                                                        : reading.readGiven(*documents, i - files.size(), source);
        switch (result) {
        case Reading::Result::Read:
        case Reading::Result::NotRead:
            break;
        case Reading::Result::Stopped:
            m_error = kStoppedText;
            return ImportOutcome::Stopped;
        case Reading::Result::StoreFailed:
            return ImportOutcome::WriteFailed;
        }
    }
    return std::nullopt;
}

std::vector<int> ImportRun::countYears(const FormStore& store) {
    std::vector<int> yearList;
    for (const auto& [year, entries] : store.byYear()) {
        yearList.push_back(year);
        for (const FormStore::Entry* entry : entries) {
            m_counts.transliterated += entry->transliterated;
            m_counts.investigatorsLeftOut += entry->investigatorsLeftOut;
        }
    }
    return yearList;
}

std::optional<ImportOutcome> ImportRun::refuseOverwrites(const ImportSettings& settings, YearFiles& yearFiles,
                                                         const std::vector<int>& years, const Reading& reading) {
    for (int year : years) {
        const std::string name = YearFiles::fileName(year);
        for (const std::string& target : {yearFiles.pathOf(name), yearFiles.pathOf(YearFiles::hiddenName(year))}) {
            const std::optional<search::FileId> id = m_fs.fileId(target);
            for (std::size_t i = 0; id && i < reading.inputIds.size(); ++i)
                if (reading.inputIds[i] == *id)
                    return refuse(reading.inputNames[i] + " is the file " + target +
                                  " that this import would write; nothing was written");
        }
    }
    if (settings.replace) return std::nullopt;
    std::vector<std::string> existing = yearFiles.existing(years);
    if (settings.mayReplace) std::erase_if(existing, settings.mayReplace);
    if (existing.empty()) return std::nullopt;
    m_existing = existing;
    std::string names;
    for (const std::string& name : existing)
        names += (names.empty() ? "" : ", ") + name;
    return refuse("form files exist in " + settings.folder + ": " + names +
                  "; --replace replaces them; nothing was written");
}

ImportOutcome ImportRun::writeYearFiles(FormStore& store, YearFiles& yearFiles) {
    std::string err;
    if (!yearFiles.write(store, [&] { return m_host.stopRequested(); }, &err)) {
        if (err.empty()) {
            m_error = kStoppedText;
            return ImportOutcome::Stopped;
        }
        m_error = "cannot write " + err + "; no form file was replaced";
        return ImportOutcome::WriteFailed;
    }
    if (!m_host.startRenames()) {
        yearFiles.removeHidden();
        m_error = kStoppedText;
        return ImportOutcome::Stopped;
    }
    if (!yearFiles.rename(&err)) {
        m_renamed = yearFiles.renamed();
        m_files.assign(yearFiles.files().begin(), yearFiles.files().begin() + static_cast<std::ptrdiff_t>(m_renamed.size()));
        std::string done;
        for (const std::string& name : m_renamed) done += (done.empty() ? "" : ", ") + name;
        m_error = "cannot rename to " + err + "; " + (done.empty() ? "no form file was written" : "written before: " + done);
        return ImportOutcome::RenameFailed;
    }
    m_files = yearFiles.files();
    return ImportOutcome::Written;
}

std::string summaryLine(const ImportCounts& c) {
    return "Records read: " + std::to_string(c.recordsRead) + ", imported: " + std::to_string(c.imported) +
           ", skipped: " + std::to_string(c.skipped) + ", replaced duplicates: " + std::to_string(c.duplicates) +
           ", transliterated characters: " + std::to_string(c.transliterated) +
           ", inputs not read: " + std::to_string(c.inputsNotRead) +
           ", investigators left out: " + std::to_string(c.investigatorsLeftOut) +
           ", documents without records: " + std::to_string(c.documentsWithoutRecords);
}

std::string writtenLine(const std::string& name, std::size_t forms) {
    return name + ": " + std::to_string(forms) + " forms";
}

bool inputsRead(ImportOutcome outcome, const ImportCounts& counts) {
    if (outcome == ImportOutcome::Stopped) return false;
    if (outcome == ImportOutcome::Refused) return counts.recordsRead > 0 || counts.inputsNotRead > 0;
    return true;
}

} // namespace csrimport
