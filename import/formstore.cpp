// The forms of an import: their bytes in a temporary file, a small index in memory.
#include "import/formstore.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "import/formtext.h"
#include "search/windows1252.h"

namespace csrimport {

namespace {

constexpr std::size_t kLine9Head = 14; // "Imported from "
constexpr std::size_t kLine9Tail = 26; // ", YYYY-MM-DD to YYYY-MM-DD"
constexpr std::size_t kBufferSize = 1 << 20;

bool newer(const std::optional<CalendarDate>& a, const std::optional<CalendarDate>& b) {
    if (!a) return false;
    return !b || *a > *b;
}

// The messages of a duplicate: the new record is left out, or it replaces the earlier one.
std::string leftOutMessage(const std::string& newName, const std::string& identifier, const std::string& oldName) {
    return newName + ": record " + identifier + " left out: " + oldName +
           " holds a record of the same fileIdentifier with a later dateStamp";
}

std::string replacesMessage(const std::string& newName, const std::string& identifier, const std::string& oldName) {
    return newName + ": record " + identifier + " replaces the record of the same fileIdentifier in " + oldName;
}

} // namespace

std::string_view FormStore::Entry::identifier() const {
    return std::string_view(line9).substr(kLine9Head, line9.size() - kLine9Head - kLine9Tail);
}

std::string_view FormStore::Entry::localIdentifier() const {
    std::string_view id = identifier();
    const std::size_t colon = id.rfind(':');
    if (colon != std::string_view::npos) id.remove_prefix(colon + 1);
    return trimBlanks(id);
}

FormStore::~FormStore() {
    if (m_fd >= 0) ::close(m_fd);
}

bool FormStore::open(const std::string& folder, std::string* err) {
    std::string pattern = (folder.empty() ? std::string(".") : folder) + "/.morvex-import-XXXXXX";
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        *err = "cannot create a temporary file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    ::unlink(pattern.c_str());
    return true;
}

void FormStore::beginDocument() {
    m_documentStart = m_size;
    m_firstPending = m_entries.size();
}

bool FormStore::flush(std::string* err) {
    const char* data = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(m_fd, data, left, static_cast<off_t>(m_flushed));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *err = std::string("cannot write the temporary file of the forms: ") + std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
        m_flushed += static_cast<std::uint64_t>(n);
    }
    m_buffer.clear();
    return true;
}

bool FormStore::finish(std::string* err) { return flush(err); }

bool FormStore::add(const ImportedForm& form, int source, std::string* err) {
    const std::size_t before = m_buffer.size();
    for (const std::string& line : form.lines) {
        m_buffer += line;
        m_buffer += "\r\n";
    }
    m_buffer += "*\r\n";
    const std::uint64_t length = m_buffer.size() - before;
    Entry entry;
    entry.begin = form.begin;
    entry.dateStamp = form.dateStamp;
    entry.line9 = form.lines[9];
    entry.duplicateKey = form.duplicateKey;
    entry.order = m_order++;
    entry.offset = m_size;
    entry.length = length;
    entry.transliterated = static_cast<std::uint32_t>(form.transliterated);
    entry.investigatorsLeftOut = static_cast<std::uint32_t>(form.investigatorsLeftOut);
    entry.source = source;
    m_entries.push_back(std::move(entry));
    m_size += length;
    return m_buffer.size() < kBufferSize || flush(err);
}

void FormStore::commitDocument(const std::vector<std::string>& sourceNames, std::vector<std::string>* messages) {
    for (std::size_t i = m_firstPending; i < m_entries.size(); ++i) {
        Entry& entry = m_entries[i];
        ++m_kept;
        if (entry.duplicateKey.empty()) continue;
        const std::string identifier = search::fromWindows1252(entry.identifier());
        const auto [found, inserted] = m_byIdentifier.emplace(entry.duplicateKey, i);
        if (inserted) continue;
        Entry& earlier = m_entries[found->second];
        const std::string& newName = sourceNames[static_cast<std::size_t>(entry.source)];
        const std::string& oldName = sourceNames[static_cast<std::size_t>(earlier.source)];
        --m_kept;
        ++m_duplicates;
        if (newer(earlier.dateStamp, entry.dateStamp)) {
            entry.kept = false;
            messages->push_back(leftOutMessage(newName, identifier, oldName));
        } else {
            earlier.kept = false;
            found->second = i;
            messages->push_back(replacesMessage(newName, identifier, oldName));
        }
    }
    m_firstPending = m_entries.size();
    m_documentStart = m_size;
}

void FormStore::dropDocument() {
    m_entries.resize(m_firstPending);
    m_size = m_documentStart;
    if (m_size >= m_flushed) {
        m_buffer.resize(m_size - m_flushed);
        return;
    }
    m_buffer.clear();
    m_flushed = m_size;
    // The file shrinks back; a failure only leaves unused bytes behind.
    if (m_fd >= 0 && ::ftruncate(m_fd, static_cast<off_t>(m_size)) != 0) m_flushed = m_size;
}

std::map<int, std::vector<const FormStore::Entry*>> FormStore::byYear() const {
    std::map<int, std::vector<const Entry*>> years;
    for (const Entry& entry : m_entries)
        if (entry.kept) years[entry.begin.year].push_back(&entry);
    for (auto& [year, entries] : years)
        std::sort(entries.begin(), entries.end(), [](const Entry* a, const Entry* b) {
            if (a->begin != b->begin) return a->begin < b->begin;
            const std::string_view la = a->localIdentifier(), lb = b->localIdentifier();
            if (la != lb) return la < lb;
            if (a->line9 != b->line9) return a->line9 < b->line9;
            return a->order < b->order;
        });
    return years;
}

bool FormStore::copyForm(const Entry& entry, search::OutputFile& out, std::string* err) const {
    std::string bytes(entry.length, '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(entry.offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *err = std::string("cannot read back the temporary file of the forms: ") +
                   (n < 0 ? std::strerror(errno) : "it is shorter than written");
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    out.put(bytes);
    return true;
}

} // namespace csrimport
