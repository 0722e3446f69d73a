// The record files of an import: files named on the command line and the XML files below folders.
#ifndef IMPORT_INPUTLIST_H
#define IMPORT_INPUTLIST_H

#include <cstdint>
#include <string>
#include <vector>

namespace csrimport {

/// One file to read, with its size when it is a regular file (0 otherwise).
struct InputFile {
    std::string path;
    std::uint64_t size = 0;
};

/// Expands the inputs of an import. A file named is read whatever its name; a folder gives
/// every file below it whose name ends in ".xml" in any letter case, names beginning with "."
/// left out, links to files read and links to folders not followed, in path order compared
/// component by component as bytes ("a/x.xml" before "a-b.xml"). A file reached twice is read
/// twice.
class InputList {
public:
    /// Appends the files of the inputs to files; a folder that cannot be listed, or an entry
    /// that cannot be examined, adds a message to problems ("cannot read DIR: reason").
    static void expand(const std::vector<std::string>& inputs, std::vector<InputFile>* files,
                       std::vector<std::string>* problems);
    /// Whether a name ends in ".xml" in any letter case: "a.XML" => true, ".xml" => true.
    static bool xmlName(const std::string& name);
};

} // namespace csrimport

#endif // IMPORT_INPUTLIST_H
