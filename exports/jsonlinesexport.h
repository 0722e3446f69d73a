// The selected forms as JSON Lines: one object a line, with typed values.
#ifndef EXPORTS_JSONLINESEXPORT_H
#define EXPORTS_JSONLINESEXPORT_H

#include <string>

#include "exports/export.h"
#include "exports/jsonwriter.h"

namespace exports {

/// One JSON object per selected form, on a line of its own: the facts of the CSV export, each
/// key of one type in every object, so that typed readers take a column as it is: the year,
/// days, months (1 to 12) and station counts as numbers or null, beside the texts as written
/// ("month_text", "stations_text"); the cruise's start and end dates as YYYY-MM-DD or null;
/// the track chart as a boolean; lists as arrays; the contacts keyed by their letters (after
/// the 159th, which is keyed by the last letter, by their numbers: "160", ...); and the
/// observation lines as objects with their code, the code table's text for a listed code, the
/// stations, the contact keys and the remaining fields.
class JsonLinesExport : public Export {
public:
    JsonLinesExport(search::FileSystem& files, std::string path) : Export(files, std::move(path)) {}
    void write(const FormFacts& facts) override;

    /// The object of facts, without its line end.
    static void line(const FormFacts& facts, JsonWriter& json);
    /// The members of that object, into an object the caller has begun.
    static void members(const FormFacts& facts, JsonWriter& json);

protected:
    void writeStart() override { m_json.streamTo(&out()); }

private:
    JsonWriter m_json;
};

} // namespace exports

#endif // EXPORTS_JSONLINESEXPORT_H
