// The form files of an import: one KERyyyy.INF per begin year, written whole before any replaces.
#ifndef IMPORT_YEARFILES_H
#define IMPORT_YEARFILES_H

#include <functional>
#include <string>
#include <vector>

#include "import/formstore.h"
#include "search/filesystem.h"

namespace csrimport {

/// Writes each year's forms under the hidden name .KERyyyy.INF.part, synced, and renames them
/// in increasing year order only when all are complete. Hidden files are removed on every
/// failure or stop.
class YearFiles {
public:
    YearFiles(search::FileSystem& fs, std::string folder);
    ~YearFiles();
    YearFiles(const YearFiles&) = delete;
    YearFiles& operator=(const YearFiles&) = delete;

    /// "KER1994.INF".
    static std::string fileName(int year);
    /// ".KER1994.INF.part", the name of a year's file while it is written.
    static std::string hiddenName(int year);
    /// folder + "/" + name.
    std::string pathOf(const std::string& name) const;
    /// The names of the years' form files that exist already.
    std::vector<std::string> existing(const std::vector<int>& years);

    /// Writes the hidden files of every year of store; stop is asked between forms. False with
    /// err filled (empty when stopped) on failure, the hidden files then removed.
    bool write(const FormStore& store, const std::function<bool()>& stop, std::string* err);
    /// Renames the hidden files in increasing year order. False with err filled when one fails:
    /// the earlier ones stay renamed (see renamed()), the hidden files left are removed.
    bool rename(std::string* err);
    /// The files written, with their form counts, in year order.
    const std::vector<std::pair<std::string, std::size_t>>& files() const { return m_files; }
    /// The files renamed so far.
    const std::vector<std::string>& renamed() const { return m_renamed; }
    /// Removes the hidden files not yet renamed.
    void removeHidden();

private:
    search::FileSystem& m_fs;
    std::string m_folder;
    std::vector<std::pair<std::string, std::size_t>> m_files;
    std::vector<std::string> m_hidden; // written, not yet renamed
    std::vector<std::string> m_renamed;
};

} // namespace csrimport

#endif // IMPORT_YEARFILES_H
