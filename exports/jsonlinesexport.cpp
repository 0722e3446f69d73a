// The selected forms as JSON Lines: one object a line, with typed values.
#include "exports/jsonlinesexport.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "exports/jsonwriter.h"
#include "search/cruisedates.h"
#include "search/textutil.h"

namespace exports {

namespace {

// Digits as a number, anything else as null: a key holds one type in every object.
void integerOrNull(JsonWriter& json, std::string_view value) {
    long long number = 0;
    if (isDigits(value) && value.size() < 19 &&
        std::from_chars(value.data(), value.data() + value.size(), number).ec == std::errc())
        json.number(number);
    else
        json.null();
}

// A count as a number (or null) under name, and the text as written under name + "_text".
void countMembers(JsonWriter& json, std::string_view name, std::string_view value) {
    json.keyText(name);
    integerOrNull(json, value);
    json.keyText(std::string(name) + "_text");
    json.text(value);
}

void dateOrNull(JsonWriter& json, const std::optional<search::CalendarDate>& date) {
    if (date)
        json.text(search::isoDate(date));
    else
        json.null();
}

template <class Items> void texts(JsonWriter& json, const Items& items) {
    json.beginArray();
    for (const auto& item : items) json.text(item);
    json.endArray();
}

void observation(JsonWriter& json, const ObservationFacts& o) {
    json.beginObject();
    json.textMember("code", o.code);
    json.key("definition");
    if (o.definition.empty())
        json.null();
    else
        json.text(o.definition);
    countMembers(json, "stations", o.stations);
    // The letters of the contacts of line 8, in lower case as the report writes them.
    json.key("contacts");
    json.beginArray();
    for (char c : o.contacts) {
        if (c == ' ' || c == ',' || c == ';') continue;
        const char lower = search::lowerChar(c);
        json.text(std::string_view(&lower, 1));
    }
    json.endArray();
    json.key("fields");
    texts(json, o.rest);
    json.endObject();
}

// The stations held at ULMA as a number (the single-precision sum in its shortest decimal
// form); null without a station line, or when not finite.
void atUlma(JsonWriter& json, const FormFacts& f) {
    const float sum = f.atUlmaSum;
    if (!f.stationLine || !std::isfinite(sum)) {
        json.null();
    } else if (sum == std::trunc(sum) && std::fabs(sum) < 1e15f) {
        json.number(static_cast<long long>(sum));
    } else {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, sum).ptr;
        json.numberText(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
}

// The day and month as numbers (null when the text names none) beside the texts as written.
void dayAndMonth(JsonWriter& json, std::string_view day, std::string_view month) {
    json.beginObject();
    countMembers(json, "day", day);
    json.key("month");
    if (const std::optional<int> number = search::monthNumber(month))
        json.number(*number);
    else
        json.null();
    json.textMember("month_text", month);
    json.endObject();
}

// The members of lines 0 to 4: reference, year, projects, country, area, agency, dates, ports.
void headerMembers(JsonWriter& json, const FormFacts& f) {
    json.textMember("reference", f.reference);
    json.key("year");
    integerOrNull(json, f.year);
    json.textMember("ioc_code", f.iocCode);
    json.textMember("projects", f.projects);
    json.textMember("exchange", f.exchange);
    json.textMember("country", f.country);
    json.key("track_chart");
    json.boolean(f.trackChart);
    json.key("marsden_squares");
    json.beginArray();
    for (int square : f.squares) json.number(square);
    json.endArray();
    json.key("ihb_areas");
    texts(json, f.ihbAreas);
    json.textMember("operating_agency", f.agency);
    json.key("start");
    dayAndMonth(json, f.startDay, f.startMonth);
    json.key("end");
    dayAndMonth(json, f.endDay, f.endMonth);
    const search::CruiseDays days{f.year, f.startDay, f.startMonth, f.endDay, f.endMonth};
    json.key("start_date");
    dateOrNull(json, search::cruiseStart(days));
    json.key("end_date");
    dateOrNull(json, search::cruiseEnd(days));
    json.textMember("ports", f.ports);
}

// The members of lines 5 to 8: cruise, ship, chief scientists and contacts.
void peopleMembers(JsonWriter& json, const FormFacts& f) {
    json.textMember("cruise_name", f.cruiseName);
    json.textMember("cruise_designation_and_objectives", f.designation);
    json.textMember("ship_code", f.shipCode);
    json.textMember("ship", f.ship);
    json.textMember("chief_scientists", f.chiefScientists);
    // Keyed "a", "b", ... as the full forms report keys them (character code 96 + number); the
    // letters end with the 159th, and later contacts are keyed by their numbers.
    json.key("contacts");
    json.beginObject();
    for (std::size_t i = 0; i < f.contacts.size(); ++i) {
        const std::size_t number = i + 1;
        if (96 + number <= 255) {
            const char letter = static_cast<char>(96 + number);
            json.keyText(std::string_view(&letter, 1));
        } else {
            json.keyText(std::to_string(number));
        }
        json.text(f.contacts[i]);
    }
    json.endObject();
}

} // namespace

void JsonLinesExport::line(const FormFacts& f, JsonWriter& json) {
    json.beginObject();
    members(f, json);
    json.endObject();
}

void JsonLinesExport::members(const FormFacts& f, JsonWriter& json) {
    json.key("selection");
    json.number(f.selection);
    headerMembers(json, f);
    peopleMembers(json, f);
    json.key("observations");
    json.beginArray();
    for (const ObservationFacts& o : f.observations) observation(json, o);
    json.endArray();
    countMembers(json, "water_bottle_stations", f.waterBottles);
    countMembers(json, "ctd_stations", f.ctds);
    json.key("at_ulma");
    atUlma(json, f);
}

void JsonLinesExport::write(const FormFacts& facts) {
    m_json.clear();
    line(facts, m_json);
    out().put(m_json.written());
    out().put('\n');
}

} // namespace exports
