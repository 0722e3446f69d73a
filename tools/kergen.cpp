// kergen: writes a form file of invented CSR forms; the same options and seed give the same bytes.
#include "tables/picklists.h"
#include "tables/rptable.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr std::string_view kUsage =
    "usage: kergen [options]\n"
    "\n"
    "Writes a form file of invented CSR forms. The same options and seed give the same bytes.\n"
    "\n"
    "  --seed N         seed of the generator (default 1)\n"
    "  --forms N        stop after N forms, empty forms included (default 100 without --bytes)\n"
    "  --bytes N        stop at the first form end at or past N bytes; K, M, G multiply by 1024\n"
    "  --out PATH       write to PATH (through PATH.tmp, renamed at the end) instead of stdout\n"
    "  --year Y         cruises mostly of year Y; default: years 1968 to 2012\n"
    "\n"
    "Odd cases of the format, all off by default. P is a probability per form, 0 to 1:\n"
    "  --cr-only P      end every line of the form with CR alone\n"
    "  --lf-inside P    put a lone LF inside one header line of the form\n"
    "  --star-text P    end the form with a terminator such as \"***end\" instead of \"*\"\n"
    "  --empty-forms P  follow the form with a second terminator (an empty form)\n"
    "  --long-forms P   give the form exactly 200 form lines\n"
    "  --faulty P       start line 9 with an observation code\n"
    "  --trailing N     write N unterminated lines after the last terminator\n"
    "                   (more than 201 makes the file malformed)\n"
    "  -h, --help       show this help\n";

constexpr std::size_t kFlushSize = std::size_t{8} << 20;
constexpr int kMaxFormLines = 200;

struct Options {
    std::uint64_t seed = 1;
    long long forms = -1;
    long long bytes = -1;
    std::string outPath;
    int year = 0;
    double crOnly = 0;
    double lfInside = 0;
    double starText = 0;
    double emptyForms = 0;
    double longForms = 0;
    double faulty = 0;
    int trailing = 0;
    bool help = false;
};

// splitmix64: small, fast, and the same sequence on every platform. Callers draw one value
// per statement, because C++ leaves the order in which function arguments are evaluated open.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n) from the top 32 bits, by multiplication rather than a slow division.
    int below(int n) { return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    // A zero probability draws nothing, so options left at 0 do not shift the sequence.
    bool chance(double p) { return p > 0 && static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
    template <typename T> const T& pick(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(below(static_cast<int>(values.size())))];
    }

private:
    std::uint64_t m_state;
};

// Decimal digits of value, padded on the left with "0" to width (at most 10).
void appendInt(std::string& out, int value, int width = 0) {
    char digits[16];
    char* end = digits + sizeof digits;
    char* p = end;
    unsigned v = value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (end - p < width && end - p < 10)
        *--p = '0';
    if (value < 0) *--p = '-';
    out.append(p, static_cast<std::size_t>(end - p));
}

const std::vector<std::string_view> kPorts = {
    "Aberdeen", "Lowestoft", "Plymouth",  "Southampton", "Galway",      "Cork",       "Brest",
    "Vigo",     "Lisbon",    "Kiel",      "Hamburg",     "Bremerhaven", "Copenhagen", "Gothenburg",
    "Bergen",   "Tromso",    "Reykjavik", "Torshavn",    "Halifax",     "St. John's", "Helsinki",
    "Gdynia",   "Riga",      "Ostend",    "Den Helder",  "Las Palmas",  "Nuuk",       "Murmansk"};

const std::vector<std::string_view> kRegions = {"Rockall Trough",     "Faroe-Shetland Channel",
                                                "Iceland Basin",      "Irminger Sea",
                                                "Norwegian Sea",      "Celtic Sea",
                                                "Bay of Biscay",      "northern North Sea",
                                                "southern North Sea", "Skagerrak",
                                                "Labrador Sea",       "Porcupine Abyssal Plain",
                                                "Greenland Sea",      "Fram Strait",
                                                "Barents Sea",        "Gulf of Finland",
                                                "Grand Banks",        "Scotian Shelf",
                                                "Iberian margin",     "Goban Spur",
                                                "Reykjanes Ridge",    "Denmark Strait",
                                                "Irish Sea",          "western English Channel",
                                                "Bornholm Basin",     "Gotland Deep",
                                                "Azores Front",       "Canary Basin"};

const std::vector<std::string_view> kObjectives = {"Hydrographic survey of the ",
                                                   "CTD and nutrient sections across the ",
                                                   "Mooring recovery and redeployment in the ",
                                                   "Fish stock assessment survey in the ",
                                                   "Plankton and primary production studies in the ",
                                                   "Geophysical survey of the ",
                                                   "Sediment sampling in the ",
                                                   "Current meter array in the ",
                                                   "Acoustic survey of herring in the ",
                                                   "Repeat hydrographic section in the "};

const std::vector<std::string_view> kSideTasks = {
    "XBT transect on passage",        "calibration of the CTD sensors",
    "sampling for trace metals",      "release of surface drifters",
    "underway thermosalinograph",     "benthic trawls at selected stations",
    "ADCP profiling along the track", "training of students"};

// Texts with characters that HTML treats as markup, which the report writers pass through as they are.
const std::vector<std::string_view> kMarkupTasks = {"T&S sections on the shelf", "stations in depths <200 m",
                                                    "R&D trials of a new winch",
                                                    "nutrients (NO3 & PO4) at <50 m"};

const std::vector<std::string_view> kSurnames = {
    "Andersen",  "Berger",    "Carlsen",  "Dupont",    "Eriksson",  "Fischer", "Garcia",    "Holm",
    "Ivanova",   "Jakobsen",  "Keller",   "Lindqvist", "Moreau",    "Nilsen",  "O'Neill",   "Pereira",
    "Quintana",  "Rasmussen", "Schulz",   "Tanaka",    "Urquhart",  "Vogel",   "Whitfield", "Young",
    "Zielinski", "MacLeod",   "Sorensen", "Petrov",    "Kowalczyk", "Lambert", "Brennan",   "Haugen"};

const std::vector<std::string_view> kTitles = {"Dr ", "Dr ", "Dr ", "Prof. ", "Mr ", "Ms ", ""};

const std::vector<std::string_view> kExtraShips = {"Havbris",   "Skarv",       "Northern Light", "Sula",
                                                   "Kittiwake", "Albatros II", "Cormoran",       "Gannet"};

const std::vector<std::string_view> kLine9Texts = {"Form received ",
                                                   "Entered by ULMA ",
                                                   "Revised form, ",
                                                   "Cruise report held, ",
                                                   "Data report in preparation, ",
                                                   "Track chart held at ULMA, "};

const std::vector<std::string_view> kStationNotes = {
    "to 1500 m", "full depth", "surface only", "0-500 m", "data partly processed", "see cruise report"};

const std::vector<std::string_view> kOtherInfo = {
    "Data processed by originator", "Some stations repeated", "Sensors calibrated before and after",
    "Samples analysed ashore",      "Preliminary data only",  "Also submitted to national data centre"};

const std::vector<std::string_view> kUnknownCodes = {"H99", "XYZ12345", "Q77", "h10", "ABCD9999", "H1"};

const std::vector<std::string_view> kStarTexts = {"***end", "*end of form", "**", "* KERVOS", "*****", "*\t"};

// Squares of the North Atlantic and its marginal seas, where most cruises of the inventory work.
const std::vector<int> kHomeSquares = {145, 146, 147, 148, 149, 150, 180, 181, 182, 183, 184,
                                       185, 186, 187, 214, 215, 216, 217, 218, 219, 220, 221,
                                       222, 223, 250, 251, 252, 253, 254, 255, 256, 288, 109,
                                       110, 111, 112, 113, 73,  74,  901, 902, 935, 936};

struct Platform {
    std::string name;
    int country;
    std::string iocCode;
    std::string description;
    std::string_view homePort;
};

// Everything the forms are made of, taken from the compiled-in tables where they exist.
struct Vocabulary {
    std::vector<std::string_view> countries, agencies, projects, months;
    std::vector<std::string> ihbKeys, obsCodes, paramCodes;
    std::vector<Platform> fleet;
    std::vector<std::string> countryCodes;
};

std::vector<std::string_view> tableValues(const tables::PickTable& table) {
    std::vector<std::string_view> values;
    for (int r = 2; r <= table.lastValue && r < static_cast<int>(table.slots.size()); ++r)
        if (!table.slots[static_cast<std::size_t>(r)].empty())
            values.push_back(table.slots[static_cast<std::size_t>(r)]);
    return values;
}

void loadCodes(Vocabulary& vocab) {
    tables::RpTable rp;
    for (int slot = 1; slot <= tables::RpTable::kLastEntry; ++slot) {
        if (slot == tables::RpTable::kNopSlot || rp.entry(slot).empty()) continue;
        if (slot < tables::RpTable::kNopSlot)
            vocab.obsCodes.emplace_back(rp.key(slot));
        else
            vocab.paramCodes.emplace_back(rp.key(slot));
    }
}

// The fleet is fixed, whatever the seed, so that a ship keeps its country and code in every file.
void buildFleet(Vocabulary& vocab) {
    Random rng(0x4b45524745ULL);
    std::vector<int> codes;
    for (int c = 6; c < 100; ++c)
        codes.push_back(c);
    for (std::size_t i = 0; i < vocab.countries.size(); ++i) {
        std::size_t j = i + static_cast<std::size_t>(rng.below(static_cast<int>(codes.size() - i)));
        std::swap(codes[i], codes[j]);
        std::string code;
        appendInt(code, codes[i], 2);
        vocab.countryCodes.push_back(code);
    }
    std::vector<std::string_view> names = tableValues(tables::shiptable());
    names.insert(names.end(), kExtraShips.begin(), kExtraShips.end());
    constexpr std::string_view kCodeChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (std::string_view name : names) {
        Platform ship;
        ship.name = name;
        ship.country = rng.below(static_cast<int>(vocab.countries.size()));
        ship.iocCode = vocab.countryCodes[static_cast<std::size_t>(ship.country)];
        ship.iocCode += kCodeChars[static_cast<std::size_t>(rng.below(26))];
        ship.iocCode += kCodeChars[static_cast<std::size_t>(rng.below(36))];
        int length = rng.between(24, 98);
        int kind = rng.below(4);
        if (kind == 0)
            ship.description = "Research vessel, ";
        else if (kind == 1)
            ship.description = "Fisheries research vessel, ";
        else if (kind == 2)
            ship.description = "Survey ship, ";
        else
            ship.description = "RV, ";
        appendInt(ship.description, length);
        ship.description += " m";
        ship.homePort = rng.pick(kPorts);
        vocab.fleet.push_back(std::move(ship));
    }
}

bool loadVocabulary(Vocabulary& vocab, std::string* err) {
    vocab.countries = tableValues(tables::cunttable());
    vocab.agencies = tableValues(tables::agentable());
    vocab.projects = tableValues(tables::projtable());
    vocab.months = tableValues(tables::monthtable());
    for (std::string_view area : tableValues(tables::ihbtable()))
        vocab.ihbKeys.emplace_back(area.substr(0, 3));
    loadCodes(vocab);
    if (vocab.countries.empty() || vocab.agencies.empty() || vocab.projects.empty() ||
        vocab.months.size() != 12 || vocab.ihbKeys.empty() || vocab.obsCodes.empty() ||
        vocab.paramCodes.empty()) {
        *err = "the compiled-in tables are empty or incomplete";
        return false;
    }
    buildFleet(vocab);
    return true;
}

// Writes through one large buffer; --out goes to PATH.tmp, renamed when complete.
class OutputFile {
public:
    bool open(const std::string& path, std::string* err) {
        m_path = path;
        if (path.empty()) {
#ifdef _WIN32
            _setmode(_fileno(stdout), _O_BINARY);
#endif
            m_file = stdout;
            return true;
        }
        m_tmpPath = path + ".tmp";
        m_file = std::fopen(m_tmpPath.c_str(), "wb");
        if (!m_file) {
            *err = "cannot open " + m_tmpPath + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    bool write(const std::string& data, std::string* err) {
        if (std::fwrite(data.data(), 1, data.size(), m_file) != data.size()) {
            *err = "cannot write " + name() + ": " + std::strerror(errno);
            return false;
        }
        m_written += data.size();
        return true;
    }
    bool close(std::string* err) {
        bool ok = std::fflush(m_file) == 0;
        if (m_file != stdout) ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
        if (!ok) {
            *err = "cannot write " + name() + ": " + std::strerror(errno);
            return false;
        }
        if (m_tmpPath.empty()) return true;
        std::error_code ec;
        std::filesystem::rename(m_tmpPath, m_path, ec);
        if (ec) {
            *err = "cannot rename " + m_tmpPath + " to " + m_path + ": " + ec.message();
            return false;
        }
        return true;
    }
    // Closes after a failure and removes the unfinished PATH.tmp.
    void abandon() {
        if (m_file && m_file != stdout) std::fclose(m_file);
        m_file = nullptr;
        if (!m_tmpPath.empty()) std::remove(m_tmpPath.c_str());
    }
    std::size_t written() const {
        return m_written;
    }

private:
    std::string name() const {
        return m_tmpPath.empty() ? std::string("standard output") : m_tmpPath;
    }

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_tmpPath;
    std::size_t m_written = 0;
};

// Builds one form at a time: the clean content from one random stream, the odd cases of the
// options from a second one, so that switching an odd case on leaves the other forms unchanged.
class FormGenerator {
public:
    FormGenerator(const Vocabulary& vocab, const Options& options)
        : m_vocab(vocab), m_options(options), m_rng(options.seed), m_odd(options.seed ^ 0x6f6464636173ULL) {
        m_lines.reserve(kMaxFormLines + 1);
    }

    void appendForm(int serial, std::string& out);
    void appendEmptyForm(std::string& out) { out += "*\r\n"; }
    void appendTrailing(int serial, std::string& out);
    bool drawEmptyForm() { return m_odd.chance(m_options.emptyForms); }

private:
    std::string& newLine();
    void makeHeader(int serial);
    void makeYear();
    void makeLine0(int serial);
    void makeLine2();
    void makeLine3();
    void makeLine4();
    void makeLine5();
    void makeLine6();
    void makeLine7();
    void makeLine8();
    void appendPerson(std::string& line);
    void makeLine9();
    void makeObservations();
    void makeObservation(Random& rng, std::string_view code, bool timeSeries);
    void appendPosition(Random& rng, std::string& line);
    void appendContactKeys(Random& rng, std::string& line);
    void makeLongForm();
    void makeFaultyLine9();
    void insertLineFeed();
    void writeLines(std::string& out, std::string_view eol) const;

    const Vocabulary& m_vocab;
    const Options& m_options;
    Random m_rng;
    Random m_odd;
    std::vector<std::string> m_lines;
    int m_lineCount = 0;

    int m_year = 0;
    const Platform* m_ship = nullptr;
    std::vector<int> m_squares;
    int m_contacts = 0;
};

std::string& FormGenerator::newLine() {
    if (static_cast<std::size_t>(m_lineCount) == m_lines.size()) m_lines.emplace_back();
    std::string& line = m_lines[static_cast<std::size_t>(m_lineCount++)];
    line.clear();
    return line;
}

void FormGenerator::appendForm(int serial, std::string& out) {
    m_lineCount = 0;
    makeHeader(serial);
    makeObservations();
    if (m_odd.chance(m_options.longForms)) makeLongForm();
    if (m_odd.chance(m_options.faulty)) makeFaultyLine9();
    if (m_odd.chance(m_options.lfInside)) insertLineFeed();
    std::string_view eol = m_odd.chance(m_options.crOnly) ? "\r" : "\r\n";
    writeLines(out, eol);
    if (m_odd.chance(m_options.starText))
        out += m_odd.pick(kStarTexts);
    else
        out += '*';
    out += eol;
}

void FormGenerator::makeHeader(int serial) {
    m_ship = &m_rng.pick(m_vocab.fleet);
    makeYear();
    makeLine0(serial);
    newLine() = m_vocab.countries[static_cast<std::size_t>(m_ship->country)];
    makeLine2();
    makeLine3();
    makeLine4();
    makeLine5();
    makeLine6();
    makeLine7();
    makeLine8();
    makeLine9();
}

// year ^ IOC code ^ reference number ^ date received ^ exchange code ^ projects
void FormGenerator::makeLine0(int serial) {
    std::string& line0 = newLine();
    int twoDigit = m_rng.below(100);
    if (twoDigit < 2) {
        // A two-digit year of the 2010s or 2020s, which begins with 1 or 2.
        appendInt(line0, m_rng.between(10, 24), 2);
    } else if (twoDigit < 15) {
        appendInt(line0, m_year % 100, 2);
    } else {
        appendInt(line0, m_year);
    }
    line0 += '^';
    line0 += m_ship->iocCode;
    line0 += '^';
    appendInt(line0, serial % 1000, 3);
    line0 += '^';
    if (m_rng.below(100) >= 15) {
        appendInt(line0, m_rng.between(1, 28), 2);
        line0 += '/';
        appendInt(line0, m_rng.between(1, 12), 2);
        line0 += '/';
        appendInt(line0, (m_year + 1) % 100, 2);
    }
    line0 += '^';
    int exchange = m_rng.below(100);
    if (exchange < 96)
        appendInt(line0, exchange % 4);
    else if (exchange < 98)
        ; // not given: an empty field
    else if (exchange == 98)
        line0 += "12";
    else
        line0 += 'N';
    line0 += '^';
    int projects = m_rng.below(10);
    if (projects >= 4) {
        line0 += m_rng.pick(m_vocab.projects);
        if (projects >= 8) {
            line0 += ", ";
            line0 += m_rng.pick(m_vocab.projects);
        }
    }
}

void FormGenerator::makeLine3() {
    std::string& line3 = newLine();
    std::string_view agency = m_rng.pick(m_vocab.agencies);
    // A pick-list value such as "MAFF OR CEFAS" names two agencies; a form names one of them.
    if (std::size_t orAt = agency.find(" OR "); orAt != std::string_view::npos)
        agency = m_rng.below(2) == 0 ? agency.substr(0, orAt) : agency.substr(orAt + 4);
    line3 = agency;
    if (m_rng.below(10) < 3) {
        line3 += ", ";
        line3 += m_ship->homePort;
    }
}

void FormGenerator::makeLine7() {
    std::string& line7 = newLine();
    appendPerson(line7);
    if (m_rng.below(10) < 3) {
        line7 += m_rng.below(2) == 0 ? " and " : "^";
        appendPerson(line7);
    }
}

// Contacts for queries, one per field; observation lines refer to them as "a", "b", "c".
void FormGenerator::makeLine8() {
    std::string& line8 = newLine();
    m_contacts = m_rng.between(1, 3);
    for (int c = 0; c < m_contacts; ++c) {
        if (c > 0) line8 += '^';
        appendPerson(line8);
        if (m_rng.below(3) == 0) {
            line8 += ", ";
            line8 += m_rng.pick(kPorts);
        }
    }
    if (m_rng.below(100) == 0) line8 += '^';
}

void FormGenerator::makeYear() {
    if (m_options.year == 0) {
        m_year = m_rng.between(1968, 2012);
        return;
    }
    int roll = m_rng.below(100);
    m_year = m_options.year;
    if (roll < 2)
        m_year -= 1;
    else if (roll < 3)
        m_year += 1;
}

// Squares are 001 to 288 from the equator to 80N (36 per 10-degree row, counted westwards
// from Greenwich) and 901 to 936 from 80N to the pole.
int squareRow(int square) {
    return square >= 901 ? 8 : (square - 1) / 36;
}
int squareColumn(int square) {
    return square >= 901 ? square - 901 : (square - 1) % 36;
}
int squareNumber(int row, int column) {
    return row == 8 ? 901 + column : 36 * row + column + 1;
}

void FormGenerator::makeLine2() {
    m_squares.clear();
    int home = m_rng.below(20) == 0 ? m_rng.between(1, 288) : m_rng.pick(kHomeSquares);
    m_squares.push_back(home);
    int extra = m_rng.below(6);
    for (int i = 0; i < extra; ++i) {
        int from = m_squares[static_cast<std::size_t>(m_rng.below(static_cast<int>(m_squares.size())))];
        int row = squareRow(from);
        int column = squareColumn(from);
        int step = m_rng.below(4);
        if (step == 0 && row < 8)
            ++row;
        else if (step == 1 && row > 0)
            --row;
        else if (step == 2)
            column = (column + 1) % 36;
        else
            column = (column + 35) % 36;
        int square = squareNumber(row, column);
        bool known = false;
        for (int s : m_squares)
            known = known || s == square;
        if (!known) m_squares.push_back(square);
    }

    std::string& line = newLine();
    if (m_rng.below(5) == 0) line += "CH^";
    int ihbCount = m_rng.below(10) < 4 ? 0 : m_rng.between(1, 2);
    bool ihbOnly = m_rng.below(20) == 0 && ihbCount > 0;
    bool first = true;
    if (!ihbOnly) {
        for (int square : m_squares) {
            if (!first) line += '^';
            appendInt(line, square, 3);
            first = false;
        }
    }
    int ihbRange = static_cast<int>(m_vocab.ihbKeys.size());
    for (int i = 0; i < ihbCount; ++i) {
        int slot = m_rng.below(5) == 0 ? m_rng.below(ihbRange) : m_rng.below(std::min(ihbRange, 40));
        if (!first) line += '^';
        line += "IHB";
        line += m_vocab.ihbKeys[static_cast<std::size_t>(slot)];
        first = false;
    }
}

void FormGenerator::makeLine4() {
    static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // Most cruises sail between April and September.
    int month = m_rng.below(3) == 0 ? m_rng.below(12) : m_rng.between(3, 8);
    int day = m_rng.between(1, kMonthDays[month]);
    // A few forms write months as two digits instead of names.
    bool digits = m_rng.below(10) == 0;
    auto appendMonth = [&](std::string& line) {
        if (digits)
            appendInt(line, month + 1, 2);
        else
            line += m_vocab.months[static_cast<std::size_t>(month)];
    };
    std::string& line = newLine();
    appendInt(line, day);
    line += '^';
    appendMonth(line);
    line += '^';
    day += m_rng.between(2, 40);
    while (day > kMonthDays[month]) {
        day -= kMonthDays[month];
        month = (month + 1) % 12;
    }
    appendInt(line, day);
    line += '^';
    appendMonth(line);
    int ports = m_rng.below(20);
    if (ports < 2) return;
    line += '^';
    if (ports < 5) return;
    line += m_ship->homePort;
    if (ports < 7) return;
    line += " - ";
    line += ports < 13 ? m_ship->homePort : m_rng.pick(kPorts);
}

void FormGenerator::makeLine5() {
    // Characters 4 to 28 of field 1 are the cruise name, after a three-character designation.
    static const std::vector<std::string_view> kDesignations = {"CR ", "CR:", "Cr ", "No."};
    std::string& line = newLine();
    line += m_rng.pick(kDesignations);
    int style = m_rng.below(4);
    if (style == 0) {
        for (char c : std::string_view(m_ship->name).substr(0, 2))
            line += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        line += ' ';
        appendInt(line, m_rng.between(1, 14));
        line += '/';
        appendInt(line, m_year % 100, 2);
    } else if (style == 1) {
        line += m_ship->name;
        line += ' ';
        appendInt(line, m_rng.between(1, 60));
        line += '/';
        appendInt(line, m_rng.between(1, 3));
    } else if (style == 2) {
        line += m_rng.pick(m_vocab.projects);
        line += " section ";
        line += static_cast<char>('A' + m_rng.below(26));
        appendInt(line, m_rng.between(1, 25));
    } else {
        line += "Cruise ";
        appendInt(line, m_rng.between(100, 999));
    }
    std::string_view region = m_rng.pick(kRegions);
    if (m_rng.below(5) == 0) {
        line += ' ';
        line += region;
    }
    if (m_rng.below(10) == 0) return;
    line += '^';
    line += m_rng.pick(kObjectives);
    line += region;
    if (m_rng.below(2) == 0) {
        line += "; ";
        line += m_rng.pick(kSideTasks);
    }
    if (m_rng.below(30) == 0) {
        line += "; ";
        line += m_rng.pick(kMarkupTasks);
    }
}

void FormGenerator::makeLine6() {
    // The ship code is field 1 of the first 20 characters; a few forms pad with blanks
    // instead of a separator, or put "RV" in front.
    std::string& line = newLine();
    int style = m_rng.below(100);
    if (style < 5) line += "RV ";
    line += m_ship->name;
    if (style >= 5 && style < 8)
        line.resize(std::max<std::size_t>(line.size() + 2, 16), ' ');
    else
        line += '^';
    line += m_ship->description;
}

void FormGenerator::appendPerson(std::string& line) {
    line += m_rng.pick(kTitles);
    line += static_cast<char>('A' + m_rng.below(26));
    line += ". ";
    if (m_rng.below(4) == 0) {
        line += static_cast<char>('A' + m_rng.below(26));
        line += ". ";
    }
    line += m_rng.pick(kSurnames);
}

void FormGenerator::makeLine9() {
    // Free text; it starts with a word, never with anything that could be read as a code.
    std::string& line = newLine();
    if (m_rng.below(10) < 3) return;
    line += m_rng.pick(kLine9Texts);
    appendInt(line, m_rng.between(1, 28), 2);
    line += '.';
    appendInt(line, m_rng.between(1, 12), 2);
    line += '.';
    appendInt(line, (m_year + 1) % 100, 2);
}

void FormGenerator::appendPosition(Random& rng, std::string& line) {
    int square = m_squares[static_cast<std::size_t>(rng.below(static_cast<int>(m_squares.size())))];
    int latMinutes = squareRow(square) * 600 + rng.below(600);
    int westMinutes = squareColumn(square) * 600 + rng.below(600);
    appendInt(line, latMinutes / 60, 2);
    appendInt(line, latMinutes % 60, 2);
    line += "N ";
    bool east = westMinutes >= 180 * 60;
    int lonMinutes = east ? 360 * 60 - westMinutes : westMinutes;
    appendInt(line, lonMinutes / 60, 3);
    appendInt(line, lonMinutes % 60, 2);
    line += east ? 'E' : 'W';
}

void FormGenerator::appendContactKeys(Random& rng, std::string& line) {
    char first = static_cast<char>('a' + rng.below(m_contacts));
    bool upper = rng.below(20) == 0;
    line += upper ? static_cast<char>(first - 32) : first;
    if (m_contacts > 1 && rng.below(10) < 3) {
        char second = static_cast<char>('a' + rng.below(m_contacts));
        if (second > first) line += upper ? static_cast<char>(second - 32) : second;
    }
}

// code ^ stations ^ contact keys ^ position ^ position or "ng" ^ field 6 ^ field 7 ^ other.
// Time-series lines carry "ng" or a position in field 5 and the position in field 6.
void FormGenerator::makeObservation(Random& rng, std::string_view code, bool timeSeries) {
    std::string& line = newLine();
    line += code;
    line += '^';
    bool stationLine = code == "H09" || code == "H10";
    int stations = stationLine ? rng.between(1, 150) : rng.between(1, 600);
    appendInt(line, stations);
    if (rng.below(25) == 0) line += static_cast<char>('a' + rng.below(3));
    line += '^';
    appendContactKeys(rng, line);
    std::size_t keep = line.size();
    line += '^';
    if (timeSeries) {
        line += m_vocab.months[static_cast<std::size_t>(rng.below(6))];
        line += '-';
        line += m_vocab.months[static_cast<std::size_t>(rng.between(6, 11))];
        line += '^';
        bool ng = rng.below(2) == 0;
        if (ng)
            line += "ng";
        else
            appendPosition(rng, line);
        line += '^';
        appendPosition(rng, line);
        keep = line.size();
        if (ng) {
            line += '^';
            line += rng.pick(kStationNotes);
            keep = line.size();
        }
    } else {
        // Many forms give no positions for station counts; those lines stay short.
        if (rng.below(2) == 0) {
            appendPosition(rng, line);
            line += '^';
            if (rng.below(5) == 0)
                line += "ng";
            else
                appendPosition(rng, line);
            keep = line.size();
        } else {
            line += '^';
        }
        line += '^';
        if (stationLine) {
            int held = rng.below(10);
            if (held < 6) {
                appendInt(line, rng.between(0, stations));
                line += " at ULMA";
            } else if (held == 6) {
                appendInt(line, rng.between(0, stations));
                line += " at ulma";
            }
        } else if (rng.below(4) == 0) {
            line += rng.pick(kStationNotes);
        }
        if (line.back() != '^') keep = line.size();
        line += '^';
        if (rng.below(10) == 0) {
            line += rng.pick(kStationNotes);
            keep = line.size();
        }
    }
    line.resize(keep);
    // Other information starts after field 7, beyond every field the full report consumes.
    if (rng.below(10) == 0) {
        for (auto separators = std::count(line.begin(), line.end(), '^'); separators < 7; ++separators)
            line += '^';
        line += rng.pick(kOtherInfo);
        if (rng.below(5) == 0) {
            line += '^';
            line += rng.pick(kStationNotes);
        }
    }
}

void FormGenerator::makeObservations() {
    if (m_rng.below(50) == 0) newLine() = "NOP";
    if (m_rng.below(5) != 0) makeObservation(m_rng, "H10", false);
    if (m_rng.below(5) < 3) makeObservation(m_rng, "H09", false);
    int others = m_rng.below(6) + m_rng.below(6);
    for (int i = 0; i < others; ++i) {
        const std::string& code = m_rng.pick(m_vocab.obsCodes);
        if (code == "H09" || code == "H10") continue;
        makeObservation(m_rng, code, false);
    }
    // Parameter codes come after the observation types, as on the paper form.
    if (m_rng.below(4) == 0) {
        int count = m_rng.between(1, 4);
        for (int i = 0; i < count; ++i)
            makeObservation(m_rng, m_rng.pick(m_vocab.paramCodes), false);
    }
    if (m_rng.below(50) == 0) makeObservation(m_rng, m_rng.pick(kUnknownCodes), false);
    // Time-series lines come last: the first one switches the report into its time-series layout.
    if (m_rng.below(7) == 0) {
        int count = m_rng.between(1, 3);
        for (int i = 0; i < count; ++i) {
            std::string code = m_rng.pick(m_vocab.obsCodes);
            code += m_rng.below(5) == 0 ? static_cast<char>('A' + m_rng.below(26)) : 'T';
            makeObservation(m_rng, code, true);
        }
    }
}

void FormGenerator::makeLongForm() {
    while (m_lineCount > kMaxFormLines)
        --m_lineCount;
    while (m_lineCount < kMaxFormLines) {
        if (m_odd.below(3) == 0)
            makeObservation(m_odd, m_odd.pick(m_vocab.paramCodes), false);
        else
            makeObservation(m_odd, m_odd.pick(m_vocab.obsCodes), false);
    }
}

void FormGenerator::makeFaultyLine9() {
    // A form that lost a header line: its first observation line has moved up to line 9.
    int count = m_lineCount;
    m_lineCount = 9;
    if (m_odd.below(3) == 0)
        makeObservation(m_odd, m_odd.pick(m_vocab.paramCodes), false);
    else
        makeObservation(m_odd, m_odd.below(2) == 0 ? std::string_view("H09") : "H10", false);
    m_lineCount = count;
}

void FormGenerator::insertLineFeed() {
    // A line feed without a carriage return stays inside the line; put it where a blank was.
    static constexpr int kCandidates[] = {5, 3, 7, 8};
    for (int index : kCandidates) {
        std::string& line = m_lines[static_cast<std::size_t>(index)];
        std::size_t blank =
            line.find(' ', static_cast<std::size_t>(m_odd.below(static_cast<int>(line.size()) + 1)));
        if (blank == std::string::npos) blank = line.find(' ');
        if (blank == std::string::npos) continue;
        line.insert(blank + 1, 1, '\n');
        return;
    }
}

void FormGenerator::writeLines(std::string& out, std::string_view eol) const {
    for (int i = 0; i < m_lineCount; ++i) {
        out += m_lines[static_cast<std::size_t>(i)];
        out += eol;
    }
}

void FormGenerator::appendTrailing(int serial, std::string& out) {
    // An unfinished form: its lines as far as they go, then more observation lines.
    m_lineCount = 0;
    makeHeader(serial);
    makeObservations();
    while (m_lineCount < m_options.trailing)
        makeObservation(m_rng, m_rng.pick(m_vocab.obsCodes), false);
    m_lineCount = m_options.trailing;
    writeLines(out, "\r\n");
}

bool parseCount(std::string_view text, long long* value, bool suffixes) {
    if (text.empty()) return false;
    long long v = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (v > (1LL << 50)) return false;
        v = v * 10 + (text[i] - '0');
    }
    if (i == 0) return false;
    if (suffixes && i + 1 == text.size()) {
        char s = text[i];
        int shift = s == 'K' || s == 'k' ? 10 : s == 'M' || s == 'm' ? 20 : s == 'G' || s == 'g' ? 30 : -1;
        if (shift < 0) return false;
        v <<= shift;
        ++i;
    }
    *value = v;
    return i == text.size();
}

bool parseProbability(const std::string& text, double* value) {
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !(v >= 0 && v <= 1)) return false;
    *value = v;
    return true;
}

bool parseOptions(int argc, char** argv, Options* options, std::string* err) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "-h" || name == "--help") {
            options->help = true;
            continue;
        }
        static const std::vector<std::string_view> kValueOptions = {
            "--seed",    "--forms",     "--bytes",     "--out",         "--year",       "--trailing",
            "--cr-only", "--lf-inside", "--star-text", "--empty-forms", "--long-forms", "--faulty"};
        if (std::find(kValueOptions.begin(), kValueOptions.end(), name) == kValueOptions.end()) {
            *err = "unknown option " + name;
            return false;
        }
        if (i + 1 >= argc) {
            *err = "option " + name + " needs a value";
            return false;
        }
        std::string value = argv[++i];
        long long count = 0;
        bool ok = true;
        if (name == "--seed") {
            ok = parseCount(value, &count, false);
            options->seed = static_cast<std::uint64_t>(count);
        } else if (name == "--forms") {
            ok = parseCount(value, &options->forms, false);
        } else if (name == "--bytes") {
            ok = parseCount(value, &options->bytes, true);
        } else if (name == "--out") {
            ok = !value.empty();
            options->outPath = value;
        } else if (name == "--year") {
            ok = parseCount(value, &count, false) && count >= 1900 && count <= 2099;
            options->year = static_cast<int>(count);
        } else if (name == "--trailing") {
            ok = parseCount(value, &count, false) && count <= 100000;
            options->trailing = static_cast<int>(count);
        } else {
            double* p = name == "--cr-only"       ? &options->crOnly
                        : name == "--lf-inside"   ? &options->lfInside
                        : name == "--star-text"   ? &options->starText
                        : name == "--empty-forms" ? &options->emptyForms
                        : name == "--long-forms"  ? &options->longForms
                                                  : &options->faulty;
            ok = parseProbability(value, p);
        }
        if (!ok) {
            *err = "invalid value '" + value + "' for " + name;
            return false;
        }
    }
    if (options->forms < 0 && options->bytes < 0) options->forms = 100;
    return true;
}

bool generate(const Options& options, std::string* err) {
    Vocabulary vocab;
    if (!loadVocabulary(vocab, err)) return false;
    OutputFile out;
    if (!out.open(options.outPath, err)) return false;
    FormGenerator generator(vocab, options);
    std::string buffer;
    buffer.reserve(kFlushSize + (1 << 16));
    long long forms = 0;
    auto done = [&] {
        return (options.forms >= 0 && forms >= options.forms) ||
               (options.bytes >= 0 &&
                out.written() + buffer.size() >= static_cast<std::size_t>(options.bytes));
    };
    bool ok = true;
    while (ok && !done()) {
        generator.appendForm(static_cast<int>(forms + 1), buffer);
        ++forms;
        if (!done() && generator.drawEmptyForm()) {
            generator.appendEmptyForm(buffer);
            ++forms;
        }
        if (buffer.size() >= kFlushSize) {
            ok = out.write(buffer, err);
            buffer.clear();
        }
    }
    if (ok && options.trailing > 0) generator.appendTrailing(static_cast<int>(forms + 1), buffer);
    ok = ok && out.write(buffer, err) && out.close(err);
    if (!ok) out.abandon();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string err;
    if (!parseOptions(argc, argv, &options, &err)) {
        std::fprintf(stderr, "kergen: error: %s\nTry 'kergen --help'.\n", err.c_str());
        return 2;
    }
    if (options.help) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return 0;
    }
    if (!generate(options, &err)) {
        std::fprintf(stderr, "kergen: error: %s\n", err.c_str());
        return 1;
    }
    return 0;
}
