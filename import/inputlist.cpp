// The record files of an import.
#include "import/inputlist.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace csrimport {

namespace {

std::string join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

void walk(const std::string& folder, std::vector<InputFile>* files, std::vector<std::string>* problems) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        problems->push_back("cannot read " + folder + ": " + std::strerror(errno));
        return;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) problems->push_back("cannot read " + folder + ": " + std::strerror(readError));
    // Bytes compared as unsigned, as std::string does.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = join(folder, name);
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0) {
            problems->push_back("cannot read " + path + ": " + std::strerror(errno));
            continue;
        }
        if (S_ISDIR(link.st_mode)) {
            walk(path, files, problems);
            continue;
        }
        if (!InputList::xmlName(name)) continue;
        struct stat target = link;
        if (S_ISLNK(link.st_mode) && ::stat(path.c_str(), &target) != 0) {
            // A link that leads nowhere (or in a loop) cannot be read.
            problems->push_back("cannot read " + path + ": " + std::strerror(errno));
            continue;
        }
        if (S_ISREG(target.st_mode)) files->push_back({path, static_cast<std::uint64_t>(target.st_size)});
    }
}

} // namespace

bool InputList::xmlName(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'x' && (tail[2] | 0x20) == 'm' && (tail[3] | 0x20) == 'l';
}

void InputList::expand(const std::vector<std::string>& inputs, std::vector<InputFile>* files,
                       std::vector<std::string>* problems) {
    for (const std::string& input : inputs) {
        struct stat st {};
        if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            walk(input, files, problems);
        } else {
            files->push_back({input, S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0});
        }
    }
}

} // namespace csrimport
