// The Marsden squares the selected forms name, as an RFC 7946 GeoJSON FeatureCollection.
#ifndef EXPORTS_SQUARESGEOJSONEXPORT_H
#define EXPORTS_SQUARESGEOJSONEXPORT_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exports/export.h"
#include "exports/jsonwriter.h"

namespace exports {

/// One Feature per square named by a selected form, by square number: a Polygon of the square in
/// WGS 84 longitude and latitude, its exterior ring counter-clockwise and closed, with the
/// square's number, the number of selected forms that name it and their references
/// (form_references, a name no SQL dialect reserves). The
/// references wait in a scratch file, so that a result of any size takes memory of a fixed
/// size: at the end, the squares are written a group at a time, each group's references read
/// back from the scratch file in one pass.
class SquaresGeoJsonExport : public Export {
public:
    /// The polygon coordinates of a square: its exterior ring, counter-clockwise and closed.
    static void writeRing(JsonWriter& json, int square);

    SquaresGeoJsonExport(search::FileSystem& files, std::string path) : Export(files, std::move(path)) {}
    void write(const FormFacts& facts) override;

protected:
    void writeEnd() override;

private:
    struct Square {
        int forms = 0;
        std::uint64_t referenceBytes = 0; // of the references kept for it
    };
    // The references of a group of squares, read back from the scratch file.
    struct Group {
        // Where each reference of a square is in bytes, and its size, in selection order.
        std::map<int, std::vector<std::pair<std::size_t, std::size_t>>> references;
        std::string bytes;
    };

    bool spill(std::string_view bytes);
    bool flushSpill();
    /// Reads the scratch file record by record: each record's square and reference to visit;
    /// false when it cannot be read.
    template <class Visit> bool readBack(Visit visit);
    void writeFeature(int square, const Square& counts, const Group* group);

    std::map<int, Square> m_squares;
    std::unique_ptr<search::ScratchFile> m_scratch;
    std::string m_buffer; // records on their way to the scratch file
    std::uint64_t m_spilled = 0;
    JsonWriter m_json;
};

} // namespace exports

#endif // EXPORTS_SQUARESGEOJSONEXPORT_H
