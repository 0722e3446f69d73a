// The exports of a run: CSV, JSON Lines, GeoJSON and the SVG map, read back.
#include "exports/export.h"
#include "exports/exportset.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "exports/csvexport.h"
#include "exports/jsonlinesexport.h"
#include "exports/svgmapexport.h"
#include "reports/reportrun.h"
#include "reports/squarecounts.h"
#include "search/cruisedates.h"
#include "search/searchrun.h"
#include "search/textutil.h"
#include "tests/core/test_util.h"
#include "tests/support/memoryfilesystem.h"

namespace {

using testutil::crlf;

// Norway in August with a track chart, two squares and an IHB area; a form whose texts hold
// commas, quotes, a line feed and Windows-1252 letters; a form without squares.
const std::string kNorway = crlf({"1995^95NO^001^^2^NORSEX^Second project", "Norway", "CH^217^218^IHB02 ",
                                  "Institute of Marine Research, Bergen", "12^Aug^30^Aug^Bergen - Troms\xf8",
                                  "CR: Johan Hjort 5/95^Herring acoustics", "Johan Hjort^RV, 64 m", "Dr A. Hansen",
                                  "Dr B. Olsen^Dr C. \"Kalle\" Berg", "Form received 01.10.95",
                                  "H09^12^ab^6000N^00500E^12 at ULMA", "H10^5^a", "QQQ^x^b^one^two"}) +
                            "*\r\n";
const std::string kTricky = crlf({"95^95FR^002^^3^", "R\xe9union, \"La\"", "217^074", "Ifremer\nBrest",
                                  "3^Mar^21^Mar^", "CR: Thalassa^Survey, \"deep\"", "Thalassa^RV", "", "", "",
                                  "B06^40^a"}) +
                            "*\r\n";
const std::string kNoSquares = crlf({"1996^96ES^003^^1^", "Spain", "IHB05", "IEO", "1^Jun^2^Jun^Vigo"}) + "*\r\n";

// The rows of an RFC 4180 text: fields split at commas outside quotes, quotes doubled inside.
std::vector<std::vector<std::string>> readCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                rows.back().back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                rows.back().back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back(); // after the last line end
    return rows;
}

struct ExportFixture : ::testing::Test {
    testutil::MemoryFileSystem fs;
    const tables::RpTable table;
    testutil::RecordingHost host;
    search::FileSelection selection;
    search::CriteriaSet criteria;
    std::vector<std::string> errors; // of the last run's exports

    // Runs over data with the exports of paths; true when every export was finished.
    search::RunOutcome runWith(const std::string& data, const std::vector<std::string>& paths, bool* finished = nullptr) {
        fs.files["/d/KER1995.INF"] = data;
        std::string message;
        search::chooseFiles({"/d/KER1995.INF"}, selection, &message);
        exports::ExportContext context{criteria, selection.yearsLabel, &table};
        exports::ExportSet exports(&table);
        for (const std::string& path : paths) {
            std::string err;
            std::unique_ptr<exports::Export> made = exports::Export::make(fs, path, context, &err);
            EXPECT_TRUE(made) << err;
            if (made) exports.add(std::move(made));
        }
        reports::ReportRun run(host, fs, table, {&exports});
        const search::RunOutcome outcome = run.run(selection, criteria);
        errors.clear();
        const bool all = outcome == search::RunOutcome::Completed && exports.finish(&errors);
        if (finished) *finished = all;
        return outcome;
    }
};

TEST_F(ExportFixture, CsvHoldsOneQuotedRowPerSelectedFormInUtf8) {
    criteria.texts[2] = "217";
    ASSERT_EQ(runWith(kNorway + kNoSquares + kTricky, {"/d/out.csv"}), search::RunOutcome::Completed);
    const auto rows = readCsv(fs.files["/d/out.csv"]);
    ASSERT_EQ(rows.size(), 3u); // the header and the two forms that name square 217
    ASSERT_EQ(rows[0].size(), 28u);
    EXPECT_EQ(rows[0][0], "selection");
    EXPECT_EQ(rows[0][25], "at_ulma");
    EXPECT_EQ(rows[0][27], "end_date");
    // The cruise name is characters 4 to 28 of "CR: ...", so it keeps the blank after the colon.
    const std::vector<std::string> norway = {"1",
                                             "199595NO001",
                                             "1995",
                                             "95NO",
                                             "NORSEX Second project",
                                             "Yes",
                                             "Norway",
                                             "yes",
                                             "217 218",
                                             "IHB02",
                                             "Institute of Marine Research, Bergen",
                                             "12",
                                             "Aug",
                                             "30",
                                             "Aug",
                                             "Bergen - Troms\u00f8",
                                             " Johan Hjort 5/95",
                                             "CR: Johan Hjort 5/95 Herring acoustics",
                                             "Johan Hjort",
                                             "Johan Hjort RV, 64 m",
                                             "Dr A. Hansen",
                                             "Dr B. Olsen; Dr C. \"Kalle\" Berg",
                                             "H09 H10 QQQ",
                                             "12",
                                             "5",
                                             "12",
                                             "1995-08-12",
                                             "1995-08-30"};
    EXPECT_EQ(rows[1], norway);
    const std::vector<std::string> tricky = {"2",
                                             "199595FR002",
                                             "1995",
                                             "95FR",
                                             "",
                                             "Y/N",
                                             "R\u00e9union, \"La\"",
                                             "no",
                                             "217 074",
                                             "",
                                             "Ifremer\nBrest",
                                             "3",
                                             "Mar",
                                             "21",
                                             "Mar",
                                             "",
                                             " Thalassa",
                                             "CR: Thalassa Survey, \"deep\"",
                                             "Thalassa",
                                             "Thalassa RV",
                                             "",
                                             "",
                                             "B06",
                                             "",
                                             "",
                                             "",
                                             "1995-03-03",
                                             "1995-03-21"};
    // The column types beside it, for GDAL.
    EXPECT_EQ(fs.files["/d/out.csvt"].substr(0, 38), "\"Integer\",\"String\",\"Integer\",\"String\",");
    EXPECT_EQ(fs.files["/d/out.csvt"].substr(fs.files["/d/out.csvt"].size() - 15), "\"Date\",\"Date\"\r\n");
    EXPECT_EQ(rows[2], tricky);
    // The raw text: quoted where it must be, and CR LF only at the ends of rows.
    EXPECT_NE(fs.files["/d/out.csv"].find(",\"R\u00e9union, \"\"La\"\"\",no,"), std::string::npos);
    EXPECT_EQ(exports::CsvExport::field("plain"), "plain");
    EXPECT_EQ(exports::CsvExport::field("a\r\nb"), "\"a\r\nb\"");
}

TEST_F(ExportFixture, JsonLinesHoldTypedValues) {
    ASSERT_EQ(runWith(kNorway + kTricky, {"/d/out.jsonl"}), search::RunOutcome::Completed);
    const std::string& text = fs.files["/d/out.jsonl"];
    std::vector<nlohmann::json> objects;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        objects.push_back(nlohmann::json::parse(text.substr(start, end - start)));
    EXPECT_EQ(start, text.size());
    ASSERT_EQ(objects.size(), 2u);
    const nlohmann::json& norway = objects[0];
    EXPECT_EQ(norway["selection"], 1);
    EXPECT_EQ(norway["year"], 1995);
    EXPECT_EQ(norway["track_chart"], true);
    EXPECT_EQ(norway["marsden_squares"], nlohmann::json::array({217, 218}));
    EXPECT_EQ(norway["reference"], "199595NO001");
    EXPECT_EQ(norway["start"], nlohmann::json({{"day", 12}, {"day_text", "12"}, {"month", 8}, {"month_text", "Aug"}}));
    EXPECT_EQ(norway["start_date"], "1995-08-12");
    EXPECT_EQ(norway["end_date"], "1995-08-30");
    EXPECT_EQ(norway["ports"], "Bergen - Troms\u00f8");
    EXPECT_EQ(norway["contacts"], nlohmann::json({{"a", "Dr B. Olsen"}, {"b", "Dr C. \"Kalle\" Berg"}}));
    ASSERT_EQ(norway["observations"].size(), 3u);
    const nlohmann::json& h09 = norway["observations"][0];
    EXPECT_EQ(h09["code"], "H09");
    EXPECT_EQ(h09["definition"], "Water bottle stations");
    EXPECT_EQ(h09["stations"], 12);
    EXPECT_EQ(h09["contacts"], nlohmann::json::array({"a", "b"}));
    EXPECT_EQ(h09["fields"], nlohmann::json::array({"6000N", "00500E", "12 at ULMA"}));
    const nlohmann::json& unknown = norway["observations"][2];
    EXPECT_TRUE(unknown["definition"].is_null());
    EXPECT_TRUE(unknown["stations"].is_null()); // one type for the key: the text stands beside it
    EXPECT_EQ(unknown["stations_text"], "x");
    EXPECT_EQ(norway["water_bottle_stations"], 12);
    EXPECT_EQ(norway["at_ulma"], 12);
    EXPECT_EQ(objects[1]["country"], "R\u00e9union, \"La\"");
    EXPECT_EQ(objects[1]["year"], 1995);
    EXPECT_EQ(objects[1]["reference"], "199595FR002"); // the four-digit year: one key in every export
    EXPECT_TRUE(objects[1]["at_ulma"].is_null());
}

// The JSON of a form's facts as nlohmann-json builds and dumps it, to hold the export's own
// writer to: the same members in the same order, with the same escapes and numbers.
nlohmann::ordered_json referenceJson(const exports::FormFacts& f) {
    using json = nlohmann::ordered_json;
    const auto text = [](std::string_view s) { return json(search::fromWindows1252(s)); };
    const auto integer = [&](std::string_view s) {
        if (exports::isDigits(s) && s.size() < 19) return json(std::stoll(std::string(s)));
        return json(nullptr);
    };
    const auto dayAndMonth = [&](std::string_view day, std::string_view month) {
        const std::optional<int> number = search::monthNumber(month);
        return json{{"day", integer(day)},
                    {"day_text", text(day)},
                    {"month", number ? json(*number) : json(nullptr)},
                    {"month_text", text(month)}};
    };
    const auto date = [](const std::optional<search::CalendarDate>& d) {
        return d ? json(search::isoDate(d)) : json(nullptr);
    };
    const auto texts = [&](const auto& items) {
        json array = json::array();
        for (const auto& item : items) array.push_back(text(item));
        return array;
    };
    json object;
    object["selection"] = f.selection;
    object["reference"] = text(f.reference);
    object["year"] = integer(f.year);
    object["ioc_code"] = text(f.iocCode);
    object["projects"] = text(f.projects);
    object["exchange"] = text(f.exchange);
    object["country"] = text(f.country);
    object["track_chart"] = f.trackChart;
    object["marsden_squares"] = f.squares;
    object["ihb_areas"] = texts(f.ihbAreas);
    object["operating_agency"] = text(f.agency);
    object["start"] = dayAndMonth(f.startDay, f.startMonth);
    object["end"] = dayAndMonth(f.endDay, f.endMonth);
    const search::CruiseDays days{f.year, f.startDay, f.startMonth, f.endDay, f.endMonth};
    object["start_date"] = date(search::cruiseStart(days));
    object["end_date"] = date(search::cruiseEnd(days));
    object["ports"] = text(f.ports);
    object["cruise_name"] = text(f.cruiseName);
    object["cruise_designation_and_objectives"] = text(f.designation);
    object["ship_code"] = text(f.shipCode);
    object["ship"] = text(f.ship);
    object["chief_scientists"] = text(f.chiefScientists);
    json contacts = json::object();
    for (std::size_t i = 0; i < f.contacts.size() && i < 159; ++i)
        contacts[search::fromWindows1252(std::string(1, static_cast<char>(97 + i)))] = text(f.contacts[i]);
    object["contacts"] = contacts;
    json observations = json::array();
    for (const exports::ObservationFacts& o : f.observations) {
        json keys = json::array();
        for (char c : search::lowerCase(o.contacts))
            if (c != ' ' && c != ',' && c != ';') keys.push_back(text(std::string(1, c)));
        observations.push_back({{"code", text(o.code)},
                                {"definition", o.definition.empty() ? json(nullptr) : text(o.definition)},
                                {"stations", integer(o.stations)},
                                {"stations_text", text(o.stations)},
                                {"contacts", keys},
                                {"fields", texts(o.rest)}});
    }
    object["observations"] = observations;
    object["water_bottle_stations"] = integer(f.waterBottles);
    object["water_bottle_stations_text"] = text(f.waterBottles);
    object["ctd_stations"] = integer(f.ctds);
    object["ctd_stations_text"] = text(f.ctds);
    if (!f.stationLine)
        object["at_ulma"] = nullptr;
    else
        object["at_ulma"] = static_cast<long long>(f.atUlmaSum); // the forms below hold whole numbers
    return object;
}

TEST(JsonLinesWriter, EveryFormIsTheJsonNlohmannWrites) {
    // Forms of random bytes (all but CR, which ends a line), with many separators, a known
    // code now and then, and whole numbers of stations at ULMA.
    std::mt19937 random(20261208);
    const tables::RpTable table;
    const std::string pieces[] = {"^", "^", "^", "H09", "H10", "B06", "at ULMA", "12", "\x81", "\"", "\\", "\n", " "};
    exports::FormFacts facts;
    exports::JsonWriter ours;
    for (int n = 0; n < 400; ++n) {
        std::vector<std::string> lines(static_cast<std::size_t>(random() % 20));
        search::Form form;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            for (std::size_t k = random() % 40; k > 0; --k) {
                if (random() % 3 == 0) {
                    lines[l] += pieces[random() % std::size(pieces)];
                } else {
                    char c = static_cast<char>(random() % 256);
                    lines[l] += c == '\r' ? 'x' : c;
                }
            }
            if (l >= 10 && random() % 2) lines[l] = "H09^" + std::to_string(random() % 99) + "^ab^^^" +
                                                    std::to_string(random() % 99) + " at ULMA";
            form.append(lines[l]);
        }
        exports::readFormFacts(form, form.last(), n + 1, &table, facts);
        ours.clear();
        exports::JsonLinesExport::line(facts, ours);
        ASSERT_EQ(ours.written(), referenceJson(facts).dump()) << "form " << n;
    }
}

TEST_F(ExportFixture, GeoJsonHasACounterClockwiseSquareForEachNamedSquare) {
    ASSERT_EQ(runWith(kNorway + kTricky + kNoSquares, {"/d/out.geojson"}), search::RunOutcome::Completed);
    // The layer of forms: a feature each, its squares a MultiPolygon, null without squares.
    const nlohmann::json layer = nlohmann::json::parse(fs.files["/d/out.geojson"]);
    EXPECT_EQ(nlohmann::ordered_json::parse(fs.files["/d/out.geojson"]).dump() + "\n", fs.files["/d/out.geojson"]);
    ASSERT_EQ(layer["features"].size(), 3u);
    EXPECT_EQ(layer["features"][0]["id"], 1);
    EXPECT_EQ(layer["features"][0]["geometry"]["type"], "MultiPolygon");
    EXPECT_EQ(layer["features"][0]["geometry"]["coordinates"].size(), 2u);
    EXPECT_EQ(layer["features"][0]["properties"]["start_date"], "1995-08-12");
    EXPECT_TRUE(layer["features"][2]["geometry"].is_null());
    EXPECT_EQ(layer["features"][2]["properties"]["country"], "Spain");
    // The squares beside it.
    const nlohmann::json collection = nlohmann::json::parse(fs.files["/d/out.squares.geojson"]);
    // The bytes are those nlohmann-json writes for the same content.
    EXPECT_EQ(nlohmann::ordered_json::parse(fs.files["/d/out.squares.geojson"]).dump() + "\n",
              fs.files["/d/out.squares.geojson"]);
    EXPECT_EQ(collection["type"], "FeatureCollection");
    const nlohmann::json& features = collection["features"];
    ASSERT_EQ(features.size(), 3u); // 074, 217 and 218, by number
    std::vector<int> squares;
    for (const auto& feature : features) {
        EXPECT_EQ(feature["type"], "Feature");
        EXPECT_EQ(feature["geometry"]["type"], "Polygon");
        const auto& ring = feature["geometry"]["coordinates"][0];
        ASSERT_EQ(ring.size(), 5u);
        EXPECT_EQ(ring.front(), ring.back()); // closed
        double twiceArea = 0; // positive when counter-clockwise
        for (std::size_t i = 0; i + 1 < ring.size(); ++i)
            twiceArea += ring[i][0].get<double>() * ring[i + 1][1].get<double>() -
                         ring[i + 1][0].get<double>() * ring[i][1].get<double>();
        EXPECT_EQ(twiceArea, 200.0);
        squares.push_back(feature["properties"]["square"]);
    }
    EXPECT_EQ(squares, (std::vector<int>{74, 217, 218}));
    EXPECT_EQ(features[1]["properties"]["forms"], 2);
    EXPECT_EQ(features[1]["properties"]["form_references"], nlohmann::json::array({"199595NO001", "199595FR002"}));
    // Square 217 spans 60N to 70N and 10W to 0: the ring starts at its south-west corner.
    EXPECT_EQ(features[1]["geometry"]["coordinates"][0][0], nlohmann::json::array({-10, 60}));
}

TEST_F(ExportFixture, SvgMapShadesTheNamedSquaresAndListsThoseOutside) {
    criteria.texts[1] = "n";
    const std::string far = crlf({"1997^97XX^004^^2^", "Nowhere", "550^901^217"}) + "*\r\n";
    ASSERT_EQ(runWith(kNorway + far, {"/d/map.svg"}), search::RunOutcome::Completed);
    const std::string& svg = fs.files["/d/map.svg"];
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_NE(svg.find(">Country: N</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Years selected: 1995</text>"), std::string::npos);
    // 217 is named by both forms, the most: the darkest shade; 218 by one.
    EXPECT_NE(svg.find(std::string("fill=\"") + exports::SvgMapExport::shade(2, 2) + "\""), std::string::npos);
    EXPECT_NE(svg.find(std::string("fill=\"") + exports::SvgMapExport::shade(1, 2) + "\""), std::string::npos);
    EXPECT_NE(svg.find(">550 (1 form)</text>"), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");

    // The filters beside the criteria are in its heading too.
    criteria.filters.squares = {217};
    criteria.filters.from = search::CalendarDate{1995, 1, 1};
    ASSERT_EQ(runWith(kNorway + far, {"/d/map.svg"}), search::RunOutcome::Completed);
    EXPECT_NE(fs.files["/d/map.svg"].find(">Marsden Square Numbers: 217</text>"), std::string::npos);
    EXPECT_NE(fs.files["/d/map.svg"].find(">Cruise Dates From: 1995-01-01</text>"), std::string::npos);
}

TEST(SquareCounts, CountsTheFormsOfEverySquareWithTheirReferences) {
    reports::SquareCounts counts(true);
    counts.add({183, 74}, "199574001");
    counts.add({74, 936}, "199574002");
    counts.add({1000, 936}, "199574003"); // beyond any square number: counted all the same
    EXPECT_EQ(counts.formsBySquare(), (std::map<int, int>{{74, 2}, {183, 1}, {936, 2}, {1000, 1}}));
    const reports::SquareCounts::Square& square = counts.squares().at(936);
    ASSERT_EQ(square.references.size(), 2u);
    EXPECT_EQ(counts.reference(square.references[1]), "199574003");
}

TEST_F(ExportFixture, ExportsAppearWholeOnlyAfterACompletedRun) {
    fs.files["/d/out.csv"] = "earlier";
    // Stopped at the second form: the earlier file stays and nothing else is left.
    host.onYield = [&] { host.stop = host.yields == 2; };
    ASSERT_EQ(runWith(kNorway + kTricky, {"/d/out.csv", "/d/out.jsonl"}), search::RunOutcome::Stopped);
    EXPECT_EQ(fs.files["/d/out.csv"], "earlier");
    EXPECT_EQ(fs.files.count("/d/out.jsonl"), 0u);
    for (const auto& [path, bytes] : fs.files) EXPECT_EQ(path.find(".pending"), std::string::npos) << path;

    // A run that selects nothing still leaves every file, without rows.
    host = testutil::RecordingHost();
    criteria.texts[1] = "Atlantis";
    bool finished = false;
    ASSERT_EQ(runWith(kNorway, {"/d/out.csv", "/d/out.jsonl", "/d/out.geojson", "/d/out.svg"}, &finished),
              search::RunOutcome::Completed);
    EXPECT_TRUE(finished);
    EXPECT_EQ(readCsv(fs.files["/d/out.csv"]).size(), 1u);
    EXPECT_EQ(fs.files["/d/out.jsonl"], "");
    EXPECT_EQ(nlohmann::json::parse(fs.files["/d/out.geojson"])["features"].size(), 0u);
    EXPECT_NE(fs.files["/d/out.svg"].find("No selected form names a Marsden square."), std::string::npos);
}

// Enough forms for many batches of the writer thread: every form arrives, in order, whole.
TEST_F(ExportFixture, ManyFormsReachTheExportsInSelectionOrder) {
    std::string data;
    const int forms = 5000;
    for (int n = 1; n <= forms; ++n) {
        std::string id = std::to_string(n);
        data += crlf({"1995^95NO^" + id + "^^2^", "Norway " + id, "217^" + std::to_string(n % 600 + 1),
                      std::string(static_cast<std::size_t>(n % 400), 'x'), "", "", "", "", "", "",
                      "H09^" + id + "^a"}) +
                "*\r\n";
    }
    ASSERT_EQ(runWith(data, {"/d/out.csv", "/d/out.squares.geojson"}), search::RunOutcome::Completed);
    const auto rows = readCsv(fs.files["/d/out.csv"]);
    ASSERT_EQ(rows.size(), forms + 1u);
    for (int n = 1; n <= forms; ++n) {
        const std::string id = std::to_string(n);
        ASSERT_EQ(rows[n][0], id);
        ASSERT_EQ(rows[n][1], "199595NO" + id);
        ASSERT_EQ(rows[n][6], "Norway " + id);
        ASSERT_EQ(rows[n][10].size(), static_cast<std::size_t>(n % 400));
        ASSERT_EQ(rows[n][23], id);
    }
    const nlohmann::json collection = nlohmann::json::parse(fs.files["/d/out.squares.geojson"]);
    int named217 = 0;
    for (const auto& feature : collection["features"])
        if (feature["properties"]["square"] == 217) named217 = feature["properties"]["forms"];
    EXPECT_EQ(named217, forms);
}

// A run stopped after many batches: the writer is stopped too, and nothing is left.
TEST_F(ExportFixture, StoppedRunStopsTheWriter) {
    std::string data;
    for (int n = 1; n <= 3000; ++n) data += kNorway;
    host.onYield = [&] { host.stop = host.yields == 2500; };
    ASSERT_EQ(runWith(data, {"/d/out.jsonl", "/d/out.svg"}), search::RunOutcome::Stopped);
    EXPECT_EQ(fs.files.count("/d/out.jsonl"), 0u);
    EXPECT_EQ(fs.files.count("/d/out.svg"), 0u);
    for (const auto& [path, bytes] : fs.files) EXPECT_EQ(path.find(".pending"), std::string::npos) << path;
}

TEST_F(ExportFixture, ExportThatCannotBeCreatedOrNamedIsAnError) {
    const exports::ExportContext context{criteria, "1995", &table};
    std::string err;
    EXPECT_FALSE(exports::Export::make(fs, "/d/out.txt", context, &err));
    EXPECT_EQ(err, "/d/out.txt: not one of the export formats .csv, .jsonl, .geojson, .squares.geojson and .svg");
    fs.failingOpens.insert("/d/out.csv");
    EXPECT_FALSE(exports::Export::make(fs, "/d/out.csv", context, &err));
    EXPECT_EQ(err, "/d/out.csv: Permission denied");
    EXPECT_TRUE(exports::Export::knownExtension("/d/x.GeoJSON"));
    EXPECT_FALSE(exports::Export::knownExtension("/d.csv/x"));

    fs.failingOpens.clear();
    fs.files["/d/out.csv"] = "earlier";
    fs.failingRenames.insert("/d/out.csv");
    bool finished = true;
    ASSERT_EQ(runWith(kNorway, {"/d/out.csv"}, &finished), search::RunOutcome::Completed);
    EXPECT_FALSE(finished);
    EXPECT_EQ(errors, std::vector<std::string>{"/d/out.csv: Permission denied"});
    EXPECT_EQ(fs.files["/d/out.csv"], "earlier");
    for (const auto& [path, bytes] : fs.files) EXPECT_EQ(path.find(".pending"), std::string::npos) << path;
}

TEST_F(ExportFixture, JsonLinesKeyEveryContact) {
    std::string line8;
    for (int n = 1; n <= 165; ++n) line8 += (n > 1 ? "^c" : "c") + std::to_string(n);
    const std::string form = crlf({"1995^95NO^001^^2^", "Norway", "217", "", "", "", "", "", line8}) + "*\r\n";
    ASSERT_EQ(runWith(form, {"/d/out.jsonl", "/d/out.csv"}), search::RunOutcome::Completed);
    const nlohmann::json contacts = nlohmann::json::parse(fs.files["/d/out.jsonl"])["contacts"];
    ASSERT_EQ(contacts.size(), 165u);
    EXPECT_EQ(contacts["a"], "c1");
    EXPECT_EQ(contacts["z"], "c26");
    EXPECT_EQ(contacts["{"], "c27");
    // Character code 255 is the last letter: Windows-1252's y with diaeresis.
    EXPECT_EQ(contacts["\xc3\xbf"], "c159");
    EXPECT_EQ(contacts["160"], "c160");
    EXPECT_EQ(contacts["165"], "c165");
    EXPECT_NE(readCsv(fs.files["/d/out.csv"])[1][21].find("; c165"), std::string::npos);
}

// Forms larger than a batch of the writer, among small ones, and references too many for one
// pass over the GeoJSON's scratch file: every form in order, every reference under its squares.
TEST_F(ExportFixture, LargeFormsAndReferencesKeepTheirOrder) {
    std::string data;
    std::map<int, std::vector<std::string>> expected; // the references of each square
    std::vector<std::string> references;
    for (int n = 1; n <= 400; ++n) {
        const bool large = n % 100 == 7;
        // A large form's reference alone is 1.5 MiB: four of them pass what one pass holds.
        const std::string ioc = large ? std::string(3u << 19, static_cast<char>('A' + n % 26)) : "95NO";
        const std::vector<int> squares = large ? std::vector<int>{217, 218} : std::vector<int>{n % 37 + 1, 217};
        std::string line2;
        for (int square : squares) {
            line2 += (line2.empty() ? "" : "^") + std::to_string(square);
            expected[square].push_back("1995" + ioc + std::to_string(n));
        }
        references.push_back("1995" + ioc + std::to_string(n));
        data += crlf({"1995^" + ioc + "^" + std::to_string(n) + "^^2^", "Norway", line2}) + "*\r\n";
    }
    ASSERT_EQ(runWith(data, {"/d/out.squares.geojson", "/d/out.csv"}), search::RunOutcome::Completed);
    const nlohmann::json features = nlohmann::json::parse(fs.files["/d/out.squares.geojson"])["features"];
    ASSERT_EQ(features.size(), expected.size());
    auto square = expected.begin();
    for (const auto& feature : features) {
        EXPECT_EQ(feature["properties"]["square"], square->first);
        EXPECT_EQ(feature["properties"]["forms"], square->second.size());
        EXPECT_TRUE(feature["properties"]["form_references"] == square->second) << "square " << square->first;
        ++square;
    }
    const auto rows = readCsv(fs.files["/d/out.csv"]);
    ASSERT_EQ(rows.size(), references.size() + 1);
    for (std::size_t n = 1; n < rows.size(); ++n) {
        ASSERT_EQ(rows[n][0], std::to_string(n));
        ASSERT_EQ(rows[n][1], references[n - 1]);
    }
}

TEST_F(ExportFixture, GeoJsonWhoseReferencesCannotBeKeptIsAnError) {
    fs.files["/d/out.geojson"] = "earlier";
    fs.failingScratch.insert("/d/out.squares.geojson");
    bool finished = true;
    ASSERT_EQ(runWith(kNorway, {"/d/out.geojson", "/d/out.csv"}, &finished), search::RunOutcome::Completed);
    EXPECT_FALSE(finished);
    // The squares beside the layer fail, and the layer with them: neither replaces what was there.
    EXPECT_EQ(errors, std::vector<std::string>{"/d/out.squares.geojson: the temporary file: No space left on device"});
    EXPECT_EQ(fs.files["/d/out.geojson"], "earlier");
    EXPECT_FALSE(fs.files.contains("/d/out.squares.geojson"));
    EXPECT_EQ(readCsv(fs.files["/d/out.csv"]).size(), 2u);
}

TEST(ExportFiles, ExportsMustBeFilesOfTheirOwn) {
    testutil::MemoryFileSystem fs;
    fs.files["/d/KER1995.INF"] = kNorway;
    fs.files["/d/inventory.csv"] = kNorway;
    fs.aliases["/d/KER1996.INF"] = "/d/inventory.csv";
    fs.aliases["/d/kerforms.htm"] = "/d/x.csv"; // dangling: x.csv is not there yet
    const std::vector<std::string> inputs = {"/d/KER1995.INF", "/d/KER1996.INF"};
    const std::vector<std::string> outputs = {"/d/kerforms.htm", "/d/kerheads.htm"};
    std::string message;
    EXPECT_TRUE(exports::Export::distinctFiles(fs, {"/d/a.csv", "/d/b.svg"}, inputs, outputs, &message));
    EXPECT_FALSE(exports::Export::distinctFiles(fs, {"/d/a.csv", "/d/inventory.csv"}, inputs, outputs, &message));
    EXPECT_EQ(message, "/d/inventory.csv: it is the form file /d/KER1996.INF, which this search reads; "
                       "choose another name for the export");
    EXPECT_FALSE(exports::Export::distinctFiles(fs, {"/d/x.csv"}, inputs, outputs, &message));
    EXPECT_EQ(message, "/d/x.csv: it is /d/kerforms.htm, which this search writes; choose another name "
                       "for the export");
    EXPECT_FALSE(exports::Export::distinctFiles(fs, {"/d/a.csv", "/d/b.svg", "/d/a.csv"}, inputs, outputs, &message));
    EXPECT_EQ(message, "/d/a.csv: it is the export /d/a.csv as well; give each export a file of its own");
}

} // namespace
