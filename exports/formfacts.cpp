// The facts of a selected form as the exports give them.
#include "exports/formfacts.h"

#include <algorithm>

#include "geo/marsdensquare.h"
#include "reports/formsummary.h"
#include "search/textutil.h"

namespace exports {

namespace {

// line with every "^" as a blank (blanking), into out.
void blanked(std::string_view line, std::string& out) {
    out.assign(line);
    std::replace(out.begin(), out.end(), '^', ' ');
}

// The contact items of line 8: a "^" ends an item unless it is the last character of the
// line, which always belongs to the last item.
void contactItems(std::string_view line8, std::vector<std::string_view>& items) {
    items.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < line8.size(); ++i) {
        if (i + 1 == line8.size()) {
            items.push_back(line8.substr(start));
        } else if (line8[i] == '^') {
            items.push_back(line8.substr(start, i - start));
            start = i + 1;
        }
    }
}

// The fields of line 2 after a leading "CH" and its separator that begin with "IHB".
void ihbAreas(std::string_view line2, std::vector<std::string_view>& areas) {
    areas.clear();
    if (line2.substr(0, 2) == "CH") line2.remove_prefix(std::min<std::size_t>(3, line2.size()));
    for (;;) {
        const std::size_t sep = line2.find('^');
        const std::string_view area = search::trimBlanks(line2.substr(0, sep));
        if (area.substr(0, 3) == "IHB") areas.push_back(area);
        if (sep == std::string_view::npos) return;
        line2.remove_prefix(sep + 1);
    }
}

void observationFacts(std::string_view line, const tables::RpTable* table, ObservationFacts& facts) {
    const search::Fields fields(line);
    facts.code = fields[1];
    facts.stations = fields[2];
    facts.contacts = fields[3];
    // A line holds one field more than it has separators, eight at most.
    const auto fieldCount = static_cast<int>(std::min<std::ptrdiff_t>(std::count(line.begin(), line.end(), '^'), 7)) + 1;
    facts.rest.clear();
    for (int n = 4; n <= fieldCount; ++n) facts.rest.push_back(fields[n]);
    facts.definition.clear();
    const int slot = table ? table->findByLine(line) : tables::RpTable::kNotValidSlot;
    if (slot != tables::RpTable::kNotValidSlot) {
        const std::string_view entry = table->entry(slot);
        facts.definition.assign(search::trimBlanks(entry.substr(table->key(slot).size())));
    }
}

// The observation lines 10 to last. Observations of earlier forms are set aside and taken up
// again, so that their lists and texts keep their memory.
void readObservations(const search::Form& form, int last, const tables::RpTable* table, ObservationDetail detail,
                      FormFacts& facts) {
    const int first = search::Form::kFirstObservationLine;
    const auto count = static_cast<std::size_t>(std::max(0, last - first + 1));
    while (facts.observations.size() > count) {
        facts.spareObservations.push_back(std::move(facts.observations.back()));
        facts.observations.pop_back();
    }
    while (facts.observations.size() < count) {
        if (facts.spareObservations.empty()) {
            facts.observations.emplace_back();
        } else {
            facts.observations.push_back(std::move(facts.spareObservations.back()));
            facts.spareObservations.pop_back();
        }
    }
    for (int n = first; n <= last; ++n) {
        ObservationFacts& o = facts.observations[static_cast<std::size_t>(n - first)];
        if (detail == ObservationDetail::Whole) {
            observationFacts(form.line(n), table, o);
        } else {
            o.code = search::field(form.line(n), 1);
            o.stations = o.contacts = {};
            o.rest.clear();
            o.definition.clear();
        }
    }
}

} // namespace

bool isDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

FormFacts formFacts(const search::Form& form, int last, long long selection, const tables::RpTable* table) {
    FormFacts facts;
    readFormFacts(form, last, selection, table, facts);
    return facts;
}

void readFormFacts(const search::Form& form, int last, long long selection, const tables::RpTable* table,
                   FormFacts& facts, ObservationDetail detail) {
    facts.selection = selection;
    const std::string_view line0 = form.line(0);
    const search::Fields header(line0);
    facts.year.assign(header[1].size() == 2 ? "19" : "").append(header[1]);
    facts.reference.assign(facts.year).append(header[2]).append(header[3]);
    facts.iocCode = header[2];
    std::string_view projects = line0;
    for (int separators = 0; separators < 5 && !projects.empty(); ++separators) {
        const std::size_t sep = projects.find('^');
        projects = sep == std::string_view::npos ? std::string_view() : projects.substr(sep + 1);
    }
    blanked(projects, facts.projects);
    facts.exchange = reports::exchangeText(header[5]);
    facts.country = form.line(1);
    const std::string_view line2 = form.line(2);
    facts.trackChart = line2.substr(0, 2) == "CH";
    geo::namedSquares(line2, facts.squares);
    ihbAreas(line2, facts.ihbAreas);
    facts.agency = form.line(3);
    const search::Fields line4(form.line(4));
    facts.startDay = line4[1];
    facts.startMonth = line4[2];
    facts.endDay = line4[3];
    facts.endMonth = line4[4];
    facts.ports = line4[5];
    facts.cruiseName = search::mid(search::field(form.line(5), 1), 4, 25);
    blanked(form.line(5), facts.designation);
    facts.shipCode = search::field(search::left(form.line(6), 20), 1);
    blanked(form.line(6), facts.ship);
    blanked(form.line(7), facts.chiefScientists);
    contactItems(form.line(8), facts.contacts);
    readObservations(form, last, table, detail, facts);
    const reports::FormSummary summary = reports::summarizeForm(form, last);
    facts.waterBottles = summary.bottles;
    facts.ctds = summary.ctds;
    facts.atUlma = summary.atUlma;
    facts.stationLine = summary.stationLine;
    facts.atUlmaSum = summary.atUlmaSum;
}

} // namespace exports
