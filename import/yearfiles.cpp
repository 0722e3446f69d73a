// The form files of an import: one KERyyyy.INF per begin year, written whole before any replaces.
#include "import/yearfiles.h"

#include <cstdio>

namespace csrimport {

YearFiles::YearFiles(search::FileSystem& fs, std::string folder) : m_fs(fs), m_folder(std::move(folder)) {}

YearFiles::~YearFiles() { removeHidden(); }

std::string YearFiles::fileName(int year) {
    char name[16];
    std::snprintf(name, sizeof name, "KER%04d.INF", year);
    return name;
}

std::string YearFiles::hiddenName(int year) {
    // Appended piece by piece: GCC 12 warns falsely about "." + name (GCC bug 105329).
    std::string name = ".";
    name += fileName(year);
    name += ".part";
    return name;
}

std::string YearFiles::pathOf(const std::string& name) const {
    return m_folder.empty() || m_folder.back() == '/' ? m_folder + name : m_folder + "/" + name;
}

std::vector<std::string> YearFiles::existing(const std::vector<int>& years) {
    std::vector<std::string> names;
    for (int year : years)
        if (m_fs.fileId(pathOf(fileName(year)))) names.push_back(fileName(year));
    return names;
}

bool YearFiles::write(const FormStore& store, const std::function<bool()>& stop, std::string* err) {
    for (const auto& [year, entries] : store.byYear()) {
        const std::string hidden = pathOf(hiddenName(year));
        std::unique_ptr<search::OutputFile> out = m_fs.openWrite(hidden, err);
        if (!out) {
            removeHidden();
            return false;
        }
        m_hidden.push_back(hidden);
        for (const FormStore::Entry* entry : entries) {
            if ((stop && stop()) || !store.copyForm(*entry, *out, err) || out->failed()) {
                if (stop && stop()) err->clear();
                else if (out->failed()) *err = out->error();
                std::string ignored;
                out->close(&ignored);
                removeHidden();
                return false;
            }
        }
        if (!out->closeDurably(err)) {
            removeHidden();
            return false;
        }
        m_files.emplace_back(fileName(year), entries.size());
    }
    return true;
}

bool YearFiles::rename(std::string* err) {
    while (!m_hidden.empty()) {
        const std::string name = m_files[m_renamed.size()].first;
        if (!m_fs.renameFile(m_hidden.front(), pathOf(name), err)) {
            removeHidden();
            return false;
        }
        m_hidden.erase(m_hidden.begin());
        m_renamed.push_back(name);
    }
    return true;
}

void YearFiles::removeHidden() {
    for (const std::string& hidden : m_hidden) {
        std::string ignored;
        m_fs.removeFile(hidden, &ignored);
    }
    m_hidden.clear();
}

} // namespace csrimport
