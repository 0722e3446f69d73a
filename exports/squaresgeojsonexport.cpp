// The Marsden squares the selected forms name, as an RFC 7946 GeoJSON FeatureCollection.
#include "exports/squaresgeojsonexport.h"

#include <cstring>

#include "geo/marsdensquare.h"

namespace exports {

namespace {

// Records of the scratch file: the square (4 bytes), the reference's length (4 bytes), the
// reference.
constexpr std::size_t kHeader = 8;
// Records wait in memory up to this size; a larger reference goes to the file at once.
constexpr std::size_t kSpillBytes = std::size_t{1} << 18;
// The references a group of squares may hold in memory, with the bookkeeping of each.
constexpr std::uint64_t kGroupBytes = std::uint64_t{2} << 20;
constexpr std::uint64_t kPerReference = 2 * sizeof(std::size_t);

} // namespace

bool SquaresGeoJsonExport::spill(std::string_view bytes) {
    std::string err;
    if (!m_scratch) {
        m_scratch = files().createScratch(path(), &err);
        if (!m_scratch) {
            fail(err);
            return false;
        }
    }
    if (!m_scratch->append(bytes, &err)) {
        fail(err);
        return false;
    }
    m_spilled += bytes.size();
    return true;
}

bool SquaresGeoJsonExport::flushSpill() {
    if (m_buffer.empty()) return true;
    const bool ok = spill(m_buffer);
    m_buffer.clear();
    return ok;
}

void SquaresGeoJsonExport::write(const FormFacts& facts) {
    const std::string& reference = facts.reference;
    for (const int square : facts.squares) {
        Square& counts = m_squares[square];
        ++counts.forms;
        counts.referenceBytes += reference.size() + kPerReference;
        char header[kHeader];
        const auto length = static_cast<std::uint32_t>(reference.size());
        std::memcpy(header, &square, 4);
        std::memcpy(header + 4, &length, 4);
        m_buffer.append(header, kHeader);
        if (reference.size() > kSpillBytes) {
            if (!flushSpill() || !spill(reference)) return;
            continue;
        }
        m_buffer += reference;
        if (m_buffer.size() >= kSpillBytes && !flushSpill()) return;
    }
}

template <class Visit> bool SquaresGeoJsonExport::readBack(Visit visit) {
    std::string chunk(kSpillBytes, '\0');
    std::string large;
    std::uint64_t chunkStart = 0;
    std::size_t chunkSize = 0;
    std::string err;
    // The bytes [at, at + n) of the scratch file.
    const auto bytesAt = [&](std::uint64_t at, std::size_t n, std::string_view* out) {
        if (at >= chunkStart && at + n <= chunkStart + chunkSize) {
            *out = std::string_view(chunk.data() + (at - chunkStart), n);
            return true;
        }
        if (n > chunk.size()) {
            large.resize(n);
            if (!m_scratch->readAt(at, large.data(), n, &err)) return false;
            *out = large;
            return true;
        }
        chunkStart = at;
        chunkSize = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), m_spilled - at));
        if (!m_scratch->readAt(at, chunk.data(), chunkSize, &err)) return false;
        *out = std::string_view(chunk.data(), n);
        return true;
    };
    std::uint64_t at = 0;
    while (at < m_spilled) {
        std::string_view header;
        std::string_view reference;
        if (!bytesAt(at, kHeader, &header)) break;
        int square = 0;
        std::uint32_t length = 0;
        std::memcpy(&square, header.data(), 4);
        std::memcpy(&length, header.data() + 4, 4);
        if (!bytesAt(at + kHeader, length, &reference)) break;
        visit(square, reference);
        at += kHeader + length;
    }
    if (at < m_spilled) fail(err);
    return at >= m_spilled;
}

void SquaresGeoJsonExport::writeRing(JsonWriter& json, int square) {
    const geo::SquareBounds b = geo::squareBounds(square);
    json.beginArray();
    json.beginArray();
    // Counter-clockwise: along the south edge eastwards, then up, back west, and down.
    const int ring[5][2] = {
        {b.west, b.south}, {b.east, b.south}, {b.east, b.north}, {b.west, b.north}, {b.west, b.south}};
    for (const auto& [lon, lat] : ring) {
        json.beginArray();
        json.number(lon);
        json.number(lat);
        json.endArray();
    }
    json.endArray();
    json.endArray();
}

void SquaresGeoJsonExport::writeFeature(int square, const Square& counts, const Group* group) {
    m_json.clear();
    m_json.beginObject();
    m_json.textMember("type", "Feature");
    m_json.key("geometry");
    m_json.beginObject();
    m_json.textMember("type", "Polygon");
    m_json.key("coordinates");
    writeRing(m_json, square);
    m_json.endObject();
    m_json.key("properties");
    m_json.beginObject();
    m_json.key("square");
    m_json.number(square);
    m_json.key("forms");
    m_json.number(counts.forms);
    m_json.key("form_references");
    m_json.beginArray();
    if (group) {
        // The group's references, in selection order.
        for (const auto& [start, size] : group->references.at(square))
            m_json.text(std::string_view(group->bytes).substr(start, size));
    } else {
        // Too many to hold: straight from the scratch file.
        readBack([&](int named, std::string_view reference) {
            if (named == square) m_json.text(reference);
        });
    }
    m_json.endArray();
    m_json.endObject();
    m_json.endObject();
    out().put(m_json.written());
}

void SquaresGeoJsonExport::writeEnd() {
    m_json.streamTo(&out());
    out().put(R"({"type":"FeatureCollection","features":[)");
    flushSpill();
    bool first = true;
    auto next = m_squares.begin();
    while (next != m_squares.end()) {
        // The next squares whose references fit in memory together, or one square alone.
        auto end = next;
        std::uint64_t bytes = 0;
        do {
            bytes += end->second.referenceBytes;
            ++end;
        } while (end != m_squares.end() && bytes + end->second.referenceBytes <= kGroupBytes);
        Group group;
        const bool held = bytes <= kGroupBytes;
        if (held) {
            const int firstSquare = next->first;
            const int lastSquare = std::prev(end)->first;
            for (auto it = next; it != end; ++it)
                group.references[it->first];
            readBack([&](int square, std::string_view reference) {
                if (square < firstSquare || square > lastSquare) return;
                group.references[square].emplace_back(group.bytes.size(), reference.size());
                group.bytes += reference;
            });
        }
        for (; next != end; ++next) {
            if (!first) out().put(',');
            first = false;
            writeFeature(next->first, next->second, held ? &group : nullptr);
        }
    }
    out().put("]}\n");
}

} // namespace exports
