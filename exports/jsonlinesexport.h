// The selected forms as JSON Lines: one object a line, with typed values.
#ifndef EXPORTS_JSONLINESEXPORT_H
#define EXPORTS_JSONLINESEXPORT_H

#include <string>

#include "exports/export.h"
#include "exports/jsonwriter.h"

namespace exports {

/// One JSON object per selected form, on a line of its own: the facts of the CSV export with
/// numbers as numbers where the form holds digits, lists as arrays, the contacts keyed by their
/// letters (after the 159th, which is keyed by the last letter, by their numbers: "160", ...),
/// and the observation lines as objects with their code, the code table's text for a
/// listed code, the stations, the contact keys and the remaining fields.
class JsonLinesExport : public Export {
public:
    JsonLinesExport(search::FileSystem& files, std::string path) : Export(files, std::move(path)) {}
    void write(const FormFacts& facts) override;

    /// The object of facts, without its line end.
    static void line(const FormFacts& facts, JsonWriter& json);

protected:
    void writeStart() override { m_json.streamTo(&out()); }

private:
    JsonWriter m_json;
};

} // namespace exports

#endif // EXPORTS_JSONLINESEXPORT_H
