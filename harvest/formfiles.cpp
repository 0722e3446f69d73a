// The year files of a folder written from its record store by the importer, and known again.
#include "harvest/formfiles.h"

#include <cstdio>
#include <map>
#include <set>

namespace harvest {

namespace {

std::string pathIn(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

bool StoreDocuments::list(std::string* err) {
    err->clear();
    m_live = m_store.liveRecords(err);
    return err->empty();
}

std::uint64_t StoreDocuments::totalBytes() const {
    std::uint64_t total = 0;
    for (const RecordStore::Live& record : m_live)
        total += record.size;
    return total;
}

bool StoreDocuments::read(std::size_t i, std::string* bytes, std::string* err) {
    return m_store.recordXml(m_live[i].id, bytes, err);
}

// The record as the importer made it when it was harvested; its XML is read only when that
// is not kept, or does not read back.
std::optional<csrimport::BuiltRecord> StoreDocuments::prebuilt(std::size_t i, std::uint64_t* size) {
    if (!m_live[i].built) return std::nullopt;
    std::string bytes, err;
    if (!m_store.recordBuilt(m_live[i].id, &bytes, &err)) return std::nullopt;
    *size = m_live[i].size;
    return csrimport::BuiltRecord::decode(bytes);
}

std::optional<WrittenFile> fileChecksum(search::FileSystem& fs, const std::string& path) {
    std::string err;
    std::unique_ptr<search::InputFile> file = fs.openRead(path, &err);
    if (!file) return std::nullopt;
    std::uint64_t hash = 14695981039346656037ULL;
    WrittenFile found;
    char buffer[1 << 16];
    for (;;) {
        const long long n = file->read(buffer, sizeof buffer, &err);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        for (long long i = 0; i < n; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 1099511628211ULL;
        }
        found.size += static_cast<std::uint64_t>(n);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    found.checksum = hex;
    return found;
}

bool FormFiles::unchanged(const std::string& folder, const std::string& name, const WrittenFile& known) {
    const std::optional<WrittenFile> now = fileChecksum(m_fs, pathIn(folder, name));
    return now && now->size == known.size && now->checksum == known.checksum;
}

FormFilesOutcome FormFiles::write(const std::string& folder, bool replace) {
    std::string err;
    const std::map<std::string, WrittenFile> known = m_store.yearFiles(&err);
    StoreDocuments documents(m_store);
    if (!err.empty() || !documents.list(&err)) {
        m_error = m_store.path() + ": " + err;
        return FormFilesOutcome::Failed;
    }
    csrimport::ImportRun run(m_host, m_fs);
    csrimport::ImportSettings settings;
    settings.documents = &documents;
    settings.folder = folder;
    settings.replace = replace;
    settings.mayReplace = [&](const std::string& name) {
        const auto found = known.find(name);
        return found != known.end() && unchanged(folder, name, found->second);
    };
    const csrimport::ImportOutcome outcome = run.run(settings);
    m_counts = run.counts();
    m_written = run.files();
    m_existing = run.existing();
    // What was renamed is the store's now, whatever came after.
    for (const auto& [name, forms] : m_written) {
        const std::optional<WrittenFile> file = fileChecksum(m_fs, pathIn(folder, name));
        if (file && !m_store.setYearFile(name, *file, &err)) m_host.message(m_store.path() + ": " + err);
    }
    switch (outcome) {
    case csrimport::ImportOutcome::Written:
    case csrimport::ImportOutcome::NothingImported:
        break;
    case csrimport::ImportOutcome::Refused:
        m_error = run.error();
        return FormFilesOutcome::Refused;
    case csrimport::ImportOutcome::Stopped:
        m_error = run.error();
        return FormFilesOutcome::Stopped;
    default:
        m_error = run.error();
        return FormFilesOutcome::Failed;
    }
    return removeEmptied(folder, replace) ? FormFilesOutcome::Written : FormFilesOutcome::Failed;
}

// The year files the store wrote before that no live record fills now.
bool FormFiles::removeEmptied(const std::string& folder, bool replace) {
    std::string err;
    const std::map<std::string, WrittenFile> known = m_store.yearFiles(&err);
    std::set<std::string> written;
    for (const auto& [name, forms] : m_written)
        written.insert(name);
    search::LockStatus status = search::LockStatus::Failed;
    const std::unique_ptr<search::FolderLock> lock = m_fs.lockFolder(folder, &status, &err);
    if (status != search::LockStatus::Held) {
        m_error = status == search::LockStatus::Busy
                      ? "another import or search is writing in " + folder + "; the emptied year files stay"
                      : err;
        return false;
    }
    for (const auto& [name, file] : known) {
        if (written.contains(name)) continue;
        const std::string path = pathIn(folder, name);
        const bool there = m_fs.fileId(path).has_value();
        if (there && !replace && !unchanged(folder, name, file)) {
            m_host.message(path + " has changed since morvex-harvest wrote it; its records are all deleted, but it "
                                  "stays (--replace removes it)");
            continue;
        }
        if ((there && !m_fs.removeFile(path, &err)) || !m_store.removeYearFile(name, &err)) {
            m_error = "cannot remove " + path;
            m_error += ": " + err;
            return false;
        }
        if (there) m_removed.push_back(name);
    }
    return true;
}

} // namespace harvest
