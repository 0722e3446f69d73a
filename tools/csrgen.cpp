// csrgen: writes invented CSR XML records (ISO 19139 with the SeaDataNet extensions) for the
// import's tests and benchmark; the same options and seed give the same bytes.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "usage: csrgen [options]\n"
    "\n"
    "Writes invented cruise summary records as CSR XML. The same options and seed give the same bytes.\n"
    "\n"
    "  --seed N          seed of the generator (default 1)\n"
    "  --records N       stop after N records (default 20 without --bytes)\n"
    "  --bytes N         stop at the first record end at or past N bytes; K, M, G multiply by 1024\n"
    "  --out PATH        write one document to PATH instead of stdout\n"
    "  --dir DIR         write each record as a file of its own into DIR (rec000001.xml, ...)\n"
    "  --wrapper W       the document around the records: csw (a GetRecordsResponse, the default),\n"
    "                    oai (an OAI-PMH ListRecords page) or none (records side by side in a <records> element)\n"
    "  --year Y          cruises of year Y (default: 1960 to 2020)\n"
    "  --duplicates P    share of records that repeat an earlier fileIdentifier, 0 to 1 (default 0.02)\n"
    "  --objectives N    at most N objectives a record (default 12)\n"
    "  -h, --help        show this help\n";

struct Options {
    std::uint64_t seed = 1;
    long long records = -1;
    long long bytes = -1;
    std::string out;
    std::string dir;
    std::string wrapper = "csw";
    int year = 0;
    double duplicates = 0.02;
    int objectives = 12;
};

// splitmix64, the same sequence on every platform; one draw per statement.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return p > 0 && static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
    double uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(next() >> 11) * 0x1.0p-53; }
    template <typename T> const T& pick(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(below(static_cast<int>(values.size())))];
    }

private:
    std::uint64_t m_state;
};

struct Country {
    const char* code;
    const char* label;
};
const std::vector<Country> kCountries = {{"GB", "United Kingdom"}, {"US", "United States"}, {"NO", "Norway"},
                                         {"FR", "France"},         {"DE", "Germany"},       {"ES", "Spain"},
                                         {"PT", "Portugal"},       {"IE", "Ireland"},       {"IS", "Iceland"},
                                         {"DK", "Denmark"},        {"PL", "Poland"},        {"NL", "Netherlands"}};
const std::vector<std::string> kShips = {"Brannholt", "Kittiwake", "Esperanza do Sul", "Polar Tern", "Skarv",
                                         "Meridian Star", "Gannet", "Aurora Borealis", "Nordlys", "Petrel II",
                                         "Sjøsvale", "Étoile de Mer", "Gaivota", "Möwe", "Zefir"};
const std::vector<std::string> kFirst = {"Ingrid", "Hugh", "Zofia", "Ana", "Rui", "Mary", "Per", "Kari", "Jules",
                                         "Åsa", "Łucja", "Sean", "Hélène", "Jürgen", "Nuno", "Eilidh"};
const std::vector<std::string> kLast = {"Solvang", "Marren", "Ważna", "Ferreira", "Matos", "Olcott", "Haugland",
                                        "Vold", "Garnier", "Øberg", "Nowak", "Byrne", "Lefèvre", "Kühn", "Sousa"};
const std::vector<std::string> kLabs = {"Institute of Marine Studies", "Western Ocean Laboratory",
                                        "Atlantic Studies Institute", "Northern Basin Research Center",
                                        "Fisheries Survey Office", "Coastal Observatory", "Polar Sea Institute"};
const std::vector<std::string> kTowns = {"Bergen", "Oban", "Lisbon", "Brest", "Kiel", "Galway", "Reykjavik",
                                         "Gdynia", "Vigo", "Tromsø", "Halifax", "Recife", "Den Helder"};
const std::vector<std::string> kProjects = {"NORSEAS", "ROCKWATCH", "ARCWATCH", "SHELFEX", "DEEPFLUX", "PLANKTRANS"};
const std::vector<std::string> kCodes = {"H10", "H09", "H21", "H71", "B02", "B18", "D01", "G74", "M05", "H90", "X99"};
const std::vector<std::string> kFunctions = {"CTD casts to the bottom", "Water bottle stations for nutrients",
                                             "Plankton net hauls", "Current meter moorings", "Sediment cores",
                                             "Underway surface temperature & salinity", "Acoustic transects <38 kHz>"};
struct Unit {
    const char* code;
    const char* label;
};
const std::vector<Unit> kUnits = {{"CSRU001", "number of stations"}, {"CSRU004", "activity duration in hours"},
                                  {"CSRU006", "number of samples"},  {"CSRU007", "number of moorings"}, {"", ""}};
const std::vector<std::string> kC16 = {"1", "2a", "4", "9", "11", "21a", "28A", "28Ab", "28C", "01d", "67"};
const std::vector<std::string> kC19 = {"North Atlantic Ocean", "Norwegian Sea", "Celtic Sea", "Bay of Biscay",
                                       "Labrador Sea", "South Atlantic Ocean"};

constexpr const char* kNamespaces =
    "xmlns:gmd=\"http://www.isotc211.org/2005/gmd\" xmlns:gmi=\"http://www.isotc211.org/2005/gmi\" "
    "xmlns:gco=\"http://www.isotc211.org/2005/gco\" xmlns:gmx=\"http://www.isotc211.org/2005/gmx\" "
    "xmlns:sdn=\"http://www.seadatanet.org\" xmlns:gml=\"http://www.opengis.net/gml\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
constexpr const char* kCodeList = "http://vocab.example.org/isoCodelists/sdnCodelists/cdicsrCodeList.xml#";

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

std::string two(int v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

std::string codeElement(const char* element, const std::string& code, const std::string& label) {
    return std::string("<sdn:") + element + " codeSpace=\"SeaDataNet\" codeList=\"" + kCodeList + element +
           "\" codeListValue=\"" + code + "\">" + escape(label) + "</sdn:" + element + ">";
}

std::string text(const char* property, const std::string& value) {
    return std::string("<gmd:") + property + "><gco:CharacterString>" + escape(value) + "</gco:CharacterString></gmd:" +
           property + ">";
}

class Generator {
public:
    explicit Generator(const Options& options) : m_options(options), m_random(options.seed) {}

    std::string record(long long n) {
        Random& r = m_random;
        std::string id;
        if (!m_ids.empty() && r.chance(m_options.duplicates)) {
            id = m_ids[static_cast<std::size_t>(r.below(static_cast<int>(m_ids.size())))];
        } else {
            id = "urn:SDN:CSR:LOCAL:" + std::to_string(10000000 + n * 7 + r.below(7));
            m_ids.push_back(id);
        }
        const Country& country = r.pick(kCountries);
        const std::string ship = r.pick(kShips);
        const int year = m_options.year ? m_options.year : r.between(1960, 2020);
        const int month = r.between(1, 12), day = r.between(1, 28), days = r.between(3, 40);
        const int endMonth = (month + (day + days > 28 ? 1 : 0) - 1) % 12 + 1;
        const int endYear = endMonth < month ? year + 1 : year;
        const int endDay = (day + days - 1) % 28 + 1;
        const std::string begin = std::to_string(year) + "-" + two(month) + "-" + two(day);
        const std::string end = std::to_string(endYear) + "-" + two(endMonth) + "-" + two(endDay);
        const std::string lab = r.pick(kLabs) + ", " + r.pick(kTowns);

        std::string x = "<gmi:MI_Metadata " + std::string(kNamespaces) + ">\n";
        x += "  <gmd:fileIdentifier><gco:CharacterString>" + id + "</gco:CharacterString></gmd:fileIdentifier>\n";
        x += "  <gmd:language><gmd:LanguageCode codeList=\"http://vocab.example.org/LanguageCode\" codeListValue=\"eng\">English</gmd:LanguageCode></gmd:language>\n";
        x += "  <gmd:hierarchyLevelName>" + codeElement("SDN_HierarchyLevelNameCode", r.chance(0.02) ? "CDI" : "CSR",
                                                          "Cruise Summary record") + "</gmd:hierarchyLevelName>\n";
        x += "  <gmd:contact>" + party("pointOfContact", "", std::string("Data Centre of ") + country.label, country) + "</gmd:contact>\n";
        x += "  <gmd:dateStamp><gco:DateTime>" + std::to_string(r.between(2005, 2024)) + "-" + two(r.between(1, 12)) +
             "-" + two(r.between(1, 28)) + "T12:00:00</gco:DateTime></gmd:dateStamp>\n";
        x += "  <gmd:identificationInfo><sdn:SDN_DataIdentification>\n";
        x += "    <gmd:citation><gmd:CI_Citation>" + text("title", ship + " " + std::to_string(year % 100) + "/" +
                                                                      std::to_string(r.between(1, 9)));
        x += "<gmd:alternateTitle><gco:CharacterString>" + id.substr(18) + "</gco:CharacterString></gmd:alternateTitle>";
        x += "<gmd:citedResponsibleParty>" + party("originator", "", lab, country) + "</gmd:citedResponsibleParty>";
        x += "</gmd:CI_Citation></gmd:citation>\n";
        x += "    " + text("abstract", "Survey of the " + r.pick(kC19) + " by " + ship + ": " + r.pick(kFunctions) +
                                           "; \"" + r.pick(kFunctions) + "\".") + "\n";
        for (int i = r.between(1, 2); i > 0; --i)
            x += "    <gmd:pointOfContact>" + party("pointOfContact", person(), r.pick(kLabs), country) +
                 "</gmd:pointOfContact>\n";
        x += keywords("platform", {codeElement("SDN_PlatformCode", std::to_string(r.between(10, 99)) + static_cast<char>('A' + r.below(26)) + static_cast<char>('A' + r.below(26)), ship)});
        x += keywords("platform_class", {codeElement("SDN_PlatformCategoryCode", "31", "research vessel")});
        x += keywords("project", {codeElement("SDN_EDMERPCode", std::to_string(r.between(100, 9999)), r.pick(kProjects))});
        x += keywords("departure_place", {codeElement("SDN_PortCode", "P" + std::to_string(r.below(99)), r.pick(kTowns))});
        x += keywords("arrival_place", {codeElement("SDN_PortCode", "P" + std::to_string(r.below(99)), r.pick(kTowns))});
        const double lat = r.uniform(-40, 75), lon = r.uniform(-60, 30);
        if (r.chance(0.5)) {
            std::vector<std::string> squares;
            for (int i = r.between(1, 4); i > 0; --i) squares.push_back(codeElement("SDN_MarsdenCode", std::to_string(r.between(1, 288)), "square"));
            x += keywords("marsden_square", squares, "<gmd:title><gco:CharacterString>Marsden Squares</gco:CharacterString></gmd:title>");
        }
        if (r.chance(0.6)) {
            x += keywords("place", {codeElement("SDN_WaterBodyCode", r.pick(kC16), "IHB area")},
                          "<gmd:title><gco:CharacterString>IHO sea areas</gco:CharacterString></gmd:title>"
                          "<gmd:identifier><gmd:MD_Identifier><gmd:code><gco:CharacterString>SDN:C16</gco:CharacterString></gmd:code></gmd:MD_Identifier></gmd:identifier>");
        }
        if (r.chance(0.5))
            x += keywords("place", {codeElement("SDN_WaterBodyCode", std::to_string(r.below(500)), r.pick(kC19))},
                          "<gmd:alternateTitle><gco:CharacterString>C19</gco:CharacterString></gmd:alternateTitle>");
        x += "    <gmd:extent><gmd:EX_Extent>\n";
        x += "      <gmd:geographicElement>" + box(lat, lon, r.uniform(0.5, 12), r.uniform(0.5, 15)) + "</gmd:geographicElement>\n";
        if (r.chance(0.4)) {
            x += "      <gmd:geographicElement><gmd:EX_BoundingPolygon><gmd:polygon><gml:MultiCurve gml:id=\"t" +
                 std::to_string(n) + "\"><gml:curveMember><gml:LineString gml:id=\"l" + std::to_string(n) + "\">";
            const bool latFirst = r.chance(0.3);
            x += latFirst ? "<gml:posList srsName=\"urn:ogc:def:crs:EPSG::4326\">" : "<gml:posList>";
            double pLat = lat, pLon = lon;
            for (int i = r.between(2, 40); i > 0; --i) {
                x += latFirst ? number(pLat) + " " + number(pLon) + " " : number(pLon) + " " + number(pLat) + " ";
                pLat = std::min(89.0, std::max(-89.0, pLat + r.uniform(-1.5, 1.5)));
                pLon = pLon + r.uniform(-2, 2);
            }
            x += "</gml:posList></gml:LineString></gml:curveMember></gml:MultiCurve></gmd:polygon></gmd:EX_BoundingPolygon></gmd:geographicElement>\n";
        }
        x += "      <gmd:temporalElement><gmd:EX_TemporalExtent><gmd:extent><gml:TimePeriod gml:id=\"p" + std::to_string(n) +
             "\"><gml:beginPosition>" + begin + "T00:00:00</gml:beginPosition><gml:endPosition>" + end +
             "</gml:endPosition></gml:TimePeriod></gmd:extent></gmd:EX_TemporalExtent></gmd:temporalElement>\n";
        x += "    </gmd:EX_Extent></gmd:extent>\n";
        x += "  </sdn:SDN_DataIdentification></gmd:identificationInfo>\n";
        x += "  <gmi:acquisitionInformation><gmi:MI_AcquisitionInformation>\n";
        for (int i = r.between(1, m_options.objectives); i > 0; --i) x += objective(lat, lon);
        x += "  </gmi:MI_AcquisitionInformation></gmi:acquisitionInformation>\n";
        x += "</gmi:MI_Metadata>\n";
        return x;
    }

private:
    std::string person() { return "Dr " + m_random.pick(kFirst) + " " + m_random.pick(kLast); }

    std::string party(const char* role, const std::string& name, const std::string& organisation, const Country& country) {
        std::string x = "<gmd:CI_ResponsibleParty>";
        if (!name.empty()) x += text("individualName", name);
        x += "<gmd:organisationName>" + codeElement("SDN_EDMOCode", std::to_string(m_random.between(1, 3000)), organisation) +
             "</gmd:organisationName>";
        x += "<gmd:contactInfo><gmd:CI_Contact><gmd:phone><gmd:CI_Telephone><gmd:voice><gco:CharacterString>+00 555 " +
             std::to_string(m_random.between(1000, 9999)) +
             "</gco:CharacterString></gmd:voice></gmd:CI_Telephone></gmd:phone><gmd:address><gmd:CI_Address>" +
             text("city", m_random.pick(kTowns)) + "<gmd:country>" + codeElement("SDN_CountryCode", country.code, country.label) +
             "</gmd:country>" + text("electronicMailAddress", "desk" + std::to_string(m_random.below(100)) + "@example.org") +
             "</gmd:CI_Address></gmd:address></gmd:CI_Contact></gmd:contactInfo>";
        return x + "<gmd:role><gmd:CI_RoleCode codeList=\"http://vocab.example.org/CI_RoleCode\" codeListValue=\"" + role +
               "\">" + role + "</gmd:CI_RoleCode></gmd:role></gmd:CI_ResponsibleParty>";
    }

    std::string keywords(const char* type, const std::vector<std::string>& elements, const std::string& thesaurus = "") {
        std::string x = "    <gmd:descriptiveKeywords><gmd:MD_Keywords>";
        for (const std::string& e : elements) x += "<gmd:keyword>" + e + "</gmd:keyword>";
        x += std::string("<gmd:type><gmd:MD_KeywordTypeCode codeList=\"http://vocab.example.org/MD_KeywordTypeCode\" codeListValue=\"") +
             type + "\">" + type + "</gmd:MD_KeywordTypeCode></gmd:type>";
        if (!thesaurus.empty()) x += "<gmd:thesaurusName><gmd:CI_Citation>" + thesaurus + "</gmd:CI_Citation></gmd:thesaurusName>";
        return x + "</gmd:MD_Keywords></gmd:descriptiveKeywords>\n";
    }

    std::string box(double lat, double lon, double height, double width) {
        const double south = std::max(-90.0, lat - height / 2), north = std::min(90.0, lat + height / 2);
        double west = lon - width / 2, east = lon + width / 2;
        if (west < -180) west += 360;
        if (east > 180) east -= 360;
        return "<gmd:EX_GeographicBoundingBox><gmd:westBoundLongitude><gco:Decimal>" + number(west) +
               "</gco:Decimal></gmd:westBoundLongitude><gmd:eastBoundLongitude><gco:Decimal>" + number(east) +
               "</gco:Decimal></gmd:eastBoundLongitude><gmd:southBoundLatitude><gco:Decimal>" + number(south) +
               "</gco:Decimal></gmd:southBoundLatitude><gmd:northBoundLatitude><gco:Decimal>" + number(north) +
               "</gco:Decimal></gmd:northBoundLatitude></gmd:EX_GeographicBoundingBox>";
    }

    std::string objective(double lat, double lon) {
        Random& r = m_random;
        const Unit& unit = r.pick(kUnits);
        std::string x = "    <gmi:objective><sdn:SDN_Objective>";
        x += "<gmi:type><gmi:MI_ObjectiveTypeCode codeListValue=\"instantaneousCollection\">instantaneousCollection</gmi:MI_ObjectiveTypeCode></gmi:type>";
        x += "<gmi:function><gco:CharacterString>" + escape(r.pick(kFunctions)) + "</gco:CharacterString></gmi:function>";
        if (r.chance(0.7)) {
            const bool point = r.chance(0.5);
            x += "<gmi:extent><gmd:EX_Extent><gmd:geographicElement>" +
                 box(lat + r.uniform(-2, 2), lon + r.uniform(-2, 2), point ? 0 : r.uniform(0.1, 3), point ? 0 : r.uniform(0.1, 3)) +
                 "</gmd:geographicElement></gmd:EX_Extent></gmi:extent>";
        }
        x += "<gmi:sensingInstrument><gmi:MI_Instrument><gmi:type>" +
             codeElement("SDN_DataCategoryCode", r.pick(kCodes), "observation category") +
             "</gmi:type><gmi:mountedOn><gmi:MI_Platform>";
        for (int i = r.between(1, 2); i > 0; --i)
            x += "<gmi:sponsor>" + party("principalInvestigator", person(), r.pick(kLabs), r.pick(kCountries)) + "</gmi:sponsor>";
        x += "</gmi:MI_Platform></gmi:mountedOn></gmi:MI_Instrument></gmi:sensingInstrument>";
        x += "<sdn:SDN_SamplingActivity><sdn:quantity>" + std::to_string(r.between(1, 300)) + "</sdn:quantity>";
        if (unit.code[0]) x += "<sdn:unit>" + codeElement("SDN_CSRUnitCode", unit.code, unit.label) + "</sdn:unit>";
        return x + "</sdn:SDN_SamplingActivity></sdn:SDN_Objective></gmi:objective>\n";
    }

    const Options& m_options;
    Random m_random;
    std::vector<std::string> m_ids;
};

bool parseSize(const char* text, long long* value) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || v < 0) return false;
    if (*end == 'K') v <<= 10, ++end;
    else if (*end == 'M') v <<= 20, ++end;
    else if (*end == 'G') v <<= 30, ++end;
    if (*end != '\0') return false;
    *value = v;
    return true;
}

bool parseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "-h" || arg == "--help") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            std::exit(0);
        }
        if (!value) return false;
        ++i;
        if (arg == "--seed") o->seed = std::strtoull(value, nullptr, 10);
        else if (arg == "--records") o->records = std::atoll(value);
        else if (arg == "--bytes") { if (!parseSize(value, &o->bytes)) return false; }
        else if (arg == "--out") o->out = value;
        else if (arg == "--dir") o->dir = value;
        else if (arg == "--wrapper") o->wrapper = value;
        else if (arg == "--year") o->year = std::atoi(value);
        else if (arg == "--duplicates") o->duplicates = std::atof(value);
        else if (arg == "--objectives") o->objectives = std::max(1, std::atoi(value));
        else return false;
    }
    if (o->wrapper != "csw" && o->wrapper != "oai" && o->wrapper != "none") return false;
    if (o->records < 0 && o->bytes < 0) o->records = 20;
    return true;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fputs(kUsage.data(), stderr);
        return 2;
    }
    Generator generator(options);
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    FILE* out = stdout;
    if (options.dir.empty() && !options.out.empty() && !(out = std::fopen(options.out.c_str(), "wb"))) {
        std::fprintf(stderr, "csrgen: %s: %s\n", options.out.c_str(), std::strerror(errno));
        return 1;
    }
    const std::string open = options.wrapper == "csw"
                                 ? "<csw:GetRecordsResponse xmlns:csw=\"http://www.opengis.net/cat/csw/2.0.2\">\n<csw:SearchResults>\n"
                             : options.wrapper == "oai" ? "<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\">\n<ListRecords>\n"
                                                        : "<records>\n";
    const std::string close = options.wrapper == "csw"   ? "</csw:SearchResults>\n</csw:GetRecordsResponse>\n"
                              : options.wrapper == "oai" ? "</ListRecords>\n</OAI-PMH>\n"
                                                         : "</records>\n";
    std::string buffer;
    long long written = 0;
    if (options.dir.empty()) buffer = declaration + open;
    for (long long n = 1; (options.records < 0 || n <= options.records) && (options.bytes < 0 || written < options.bytes); ++n) {
        std::string record = generator.record(n);
        written += static_cast<long long>(record.size());
        if (!options.dir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "/rec%06lld.xml", n);
            if (!writeFile(options.dir + name, declaration + record)) {
                std::fprintf(stderr, "csrgen: %s%s: %s\n", options.dir.c_str(), name, std::strerror(errno));
                return 1;
            }
            continue;
        }
        if (options.wrapper == "oai") record = "<record><header><identifier>oai:csr.example.org:" + std::to_string(n) +
                                               "</identifier></header><metadata>\n" + record + "</metadata></record>\n";
        buffer += record;
        if (buffer.size() > (8u << 20)) {
            std::fwrite(buffer.data(), 1, buffer.size(), out);
            buffer.clear();
        }
    }
    if (!options.dir.empty()) return 0;
    buffer += close;
    std::fwrite(buffer.data(), 1, buffer.size(), out);
    if (std::fflush(out) != 0 || (out != stdout && std::fclose(out) != 0)) {
        std::fprintf(stderr, "csrgen: cannot write: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
