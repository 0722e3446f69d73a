// One CSR record turned into one form of a form file.
#include "import/formbuilder.h"

#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "import/formtext.h"
#include "import/decimal.h"
#include "import/keywords.h"
#include "import/locationline.h"
#include "import/xmlnodes.h"

namespace csrimport {

namespace {

constexpr const char* kSeparator = "^";
constexpr const char* kListSeparator = "; ";

// A list of values, each distinct value once in the order first given, empty ones left out.
class ValueList {
public:
    void add(const FormText& value) {
        if (value.text.empty() || !m_seen.insert(value.text).second) return;
        m_values.push_back(value.text);
        m_transliterated += value.transliterated;
    }
    std::string join(const char* separator) const {
        std::string out;
        for (std::size_t i = 0; i < m_values.size(); ++i) out += (i == 0 ? "" : separator) + m_values[i];
        return out;
    }
    std::size_t size() const { return m_values.size(); }
    std::size_t indexOf(const std::string& value) const {
        for (std::size_t i = 0; i < m_values.size(); ++i)
            if (m_values[i] == value) return i;
        return m_values.size();
    }
    std::size_t transliterated() const { return m_transliterated; }

private:
    std::vector<std::string> m_values;
    std::unordered_set<std::string> m_seen;
    std::size_t m_transliterated = 0;
};

// The values of one form line as they are added, with the characters transliterated in them.
struct LineText {
    std::string text;
    std::size_t transliterated = 0;
    void add(const FormText& value) {
        text += value.text;
        transliterated += value.transliterated;
    }
    void add(const std::string& plain) { text += plain; }
};

FormText property(const xmlNode* node) { return formText(propertyText(node)); }

// The responsible party of a property (citedResponsibleParty, pointOfContact, contact, sponsor).
const xmlNode* partyOf(const xmlNode* property) { return firstElement(property); }

std::string roleOf(const xmlNode* party) { return codeOf(path(party, {{Ns::Gmd, "role"}, {Ns::Gmd, "*"}})); }

// "individualName, organisation label", or the one of them that is there; empty when neither.
FormText personOf(const xmlNode* party) {
    const FormText name = property(child(party, Ns::Gmd, "individualName"));
    const FormText organisation = property(child(party, Ns::Gmd, "organisationName"));
    FormText person;
    person.text = name.text;
    if (!name.text.empty() && !organisation.text.empty()) person.text += ", ";
    person.text += organisation.text;
    person.transliterated = name.transliterated + organisation.transliterated;
    return person;
}

// The country a party names: its first gmd:country below contactInfo/*/address/*, GB as "UK"
// and US as "USA" (the pick list's spellings), any other as its label.
FormText countryOf(const xmlNode* party) {
    const xmlNode* address = path(party, {{Ns::Gmd, "contactInfo"}, {Ns::Gmd, "*"}, {Ns::Gmd, "address"}, {Ns::Gmd, "*"}});
    const xmlNode* country = child(address, Ns::Gmd, "country");
    if (!country) return {};
    const std::string code = codeOf(firstElement(country));
    if (code == "GB") return {"UK", 0};
    if (code == "US") return {"USA", 0};
    return property(country);
}

std::vector<const xmlNode*> originators(const xmlNode* identification) {
    std::vector<const xmlNode*> parties;
    const xmlNode* citation = path(identification, {{Ns::Gmd, "citation"}, {Ns::Gmd, "*"}});
    for (const xmlNode* cited : children(citation, Ns::Gmd, "citedResponsibleParty")) {
        const xmlNode* party = partyOf(cited);
        if (party && roleOf(party) == "originator") parties.push_back(party);
    }
    return parties;
}

FormText countryLine(const xmlNode* record, const std::vector<const xmlNode*>& originatorParties) {
    for (const xmlNode* party : originatorParties) {
        FormText country = countryOf(party);
        if (!country.text.empty()) return country;
    }
    for (const xmlNode* contact : children(record, Ns::Gmd, "contact")) {
        FormText country = countryOf(partyOf(contact));
        if (!country.text.empty()) return country;
    }
    return {};
}

// The identification: the first identificationInfo that holds one.
const xmlNode* identificationOf(const xmlNode* record) {
    for (const xmlNode* info : children(record, Ns::Gmd, "identificationInfo")) {
        if (const xmlNode* id = child(info, Ns::Sdn, "SDN_DataIdentification")) return id;
        if (const xmlNode* id = child(info, Ns::Gmd, "MD_DataIdentification")) return id;
    }
    return nullptr;
}

// The text of a begin or end: the position element when there is one, else the instant's.
std::string timeText(const xmlNode* period, const char* position, const char* instant, bool* present) {
    if (const xmlNode* p = child(period, Ns::Gml, position)) {
        *present = true;
        return propertyText(p);
    }
    const xmlNode* time = path(period, {{Ns::Gml, instant}, {Ns::Gml, "TimeInstant"}, {Ns::Gml, "timePosition"}});
    *present = time != nullptr;
    return propertyText(time);
}

const xmlNode* timePeriodOf(const xmlNode* identification) {
    for (const xmlNode* extent : children(identification, Ns::Gmd, "extent"))
        if (const xmlNode* period = descendant(extent, Ns::Gml, "TimePeriod")) return period;
    return nullptr;
}

std::vector<const xmlNode*> objectivesOf(const xmlNode* record) {
    std::vector<const xmlNode*> objectives;
    for (const xmlNode* info : children(record, Ns::Gmi, "acquisitionInformation"))
        for (const xmlNode* n = info->children; n; n = n->next) {
            if (n->type != XML_ELEMENT_NODE) continue;
            for (const xmlNode* objective : children(n, Ns::Gmi, "objective")) {
                const xmlNode* o = child(objective, Ns::Sdn, "SDN_Objective");
                if (!o) o = child(objective, Ns::Gmi, "MI_Objective");
                if (o) objectives.push_back(o);
            }
        }
    return objectives;
}

// The principal investigators below an objective's instrument, as persons, in document order.
std::vector<FormText> investigatorsOf(const xmlNode* objective) {
    std::vector<FormText> persons;
    const xmlNode* instrument = child(objective, Ns::Gmi, "sensingInstrument");
    for (const xmlNode* sponsor : descendants(instrument, Ns::Gmi, "sponsor")) {
        const xmlNode* party = partyOf(sponsor);
        if (!party || roleOf(party) != "principalInvestigator") continue;
        FormText person = personOf(party);
        if (!person.text.empty()) persons.push_back(std::move(person));
    }
    return persons;
}

// Field 2: the quantity, with the unit's label unless the unit counts stations.
FormText quantityOf(const xmlNode* objective) {
    const xmlNode* activity = descendant(objective, Ns::Sdn, "SDN_SamplingActivity");
    FormText quantity = property(child(activity, Ns::Sdn, "quantity"));
    if (quantity.text.empty()) return {};
    // Tools write every quantity with six decimals: "130.000000" stations are 130.
    quantity.text = wholeQuantity(quantity.text);
    const xmlNode* unit = path(activity, {{Ns::Sdn, "unit"}, {Ns::Sdn, "SDN_CSRUnitCode"}});
    const FormText code = codeText(unit);
    if (code.text.empty() || code.text == "CSRU001") return quantity;
    FormText label = formText(allText(unit));
    if (label.text.empty()) label = code;
    quantity.text += ' ' + label.text;
    quantity.transliterated += label.transliterated;
    return quantity;
}

// Field 4: the first box below any of the objective's extents, when its four values are usable.
std::string positionOf(const xmlNode* objective) {
    const xmlNode* box = nullptr;
    for (const xmlNode* extent : children(objective, Ns::Gmi, "extent"))
        if ((box = descendant(extent, Ns::Gmd, "EX_GeographicBoundingBox"))) break;
    if (!box) return {};
    const auto value = [&](const char* name) { return Decimal::parse(property(child(box, Ns::Gmd, name)).text); };
    const auto west = value("westBoundLongitude"), east = value("eastBoundLongitude");
    const auto south = value("southBoundLatitude"), north = value("northBoundLatitude");
    if (!west || !east || !south || !north) return {};
    if (!west->within(180) || !east->within(180) || !south->within(90) || !north->within(90)) return {};
    if (*south == *north && *west == *east) return positionText(*south, *west);
    return positionText(*south, *west) + " - " + positionText(*north, *east);
}

// Fills in the identifiers and the date stamp of a form; the identifier as line 9 names it.
FormText fillIdentity(const xmlNode* record, ImportedForm* form) {
    const std::string written = propertyText(child(record, Ns::Gmd, "fileIdentifier"));
    FormText identifier = formText(written);
    form->identifier = identifier.text;
    form->duplicateKey = std::string(trimWhitespace(written));
    const std::size_t colon = identifier.text.rfind(':');
    form->localIdentifier =
        std::string(trimBlanks(colon == std::string::npos ? identifier.text : identifier.text.substr(colon + 1)));
    form->dateStamp = CalendarDate::parse(property(child(record, Ns::Gmd, "dateStamp")).text);
    return identifier;
}

// Line 0: the year, the platform's code, the local identifier, the date stamp, 0 and the projects.
LineText headLine(const ImportedForm& form, const KeywordBlocks& blocks, const Keyword& platform) {
    LineText line;
    ValueList projects;
    for (const Keyword& k : keywordsOf(blocks.ofType("project")))
        projects.add(k.label);
    char year[8];
    std::snprintf(year, sizeof year, "%04d", form.begin.year);
    line.add(std::string(year) + kSeparator);
    line.add(platform.code);
    line.add(kSeparator);
    // The identifier's transliterated characters are counted once, in line 9.
    line.add(form.localIdentifier);
    line.add(std::string(kSeparator) + (form.dateStamp ? form.dateStamp->shortText() : "") + kSeparator + "0" +
             kSeparator + projects.join(kListSeparator));
    line.transliterated += projects.transliterated();
    return line;
}

// Line 3: the organisations of the originators.
LineText agencyLine(const std::vector<const xmlNode*>& originatorParties) {
    LineText line;
    ValueList agencies;
    for (const xmlNode* party : originatorParties)
        agencies.add(property(child(party, Ns::Gmd, "organisationName")));
    line.add(agencies.join(kListSeparator));
    line.transliterated += agencies.transliterated();
    return line;
}

// Line 4: the days and months of the begin and the end, then the departure and arrival places.
LineText datesLine(const ImportedForm& form, const KeywordBlocks& blocks) {
    LineText line;
    const Keyword departure = firstKeyword(blocks.ofType("departure_place"));
    const Keyword arrival = firstKeyword(blocks.ofType("arrival_place"));
    line.add(std::to_string(form.begin.day) + kSeparator + form.begin.monthName() + kSeparator +
             std::to_string(form.end.day) + kSeparator + form.end.monthName() + kSeparator);
    if (!departure.label.text.empty() || !arrival.label.text.empty()) {
        line.add(departure.label);
        line.add(" - ");
        line.add(arrival.label);
    }
    return line;
}

// Line 5: the cruise's title and abstract.
LineText cruiseLine(const xmlNode* identification) {
    LineText line;
    const xmlNode* citation = path(identification, {{Ns::Gmd, "citation"}, {Ns::Gmd, "*"}});
    line.add("CR ");
    line.add(property(child(citation, Ns::Gmd, "title")));
    line.add(kSeparator);
    line.add(property(child(identification, Ns::Gmd, "abstract")));
    return line;
}

// Line 6: the platform and its class.
LineText platformLine(const Keyword& platform, const KeywordBlocks& blocks) {
    LineText line;
    line.add(platform.label);
    line.add(kSeparator);
    line.add(firstKeyword(blocks.ofType("platform_class")).label);
    return line;
}

// Line 7: the points of contact.
LineText scientistLine(const xmlNode* identification) {
    LineText line;
    ValueList scientists;
    for (const xmlNode* contact : children(identification, Ns::Gmd, "pointOfContact"))
        scientists.add(personOf(partyOf(contact)));
    line.add(scientists.join(kListSeparator));
    line.transliterated += scientists.transliterated();
    return line;
}

// The principal investigators of each objective, and those of them that line 8 keys.
struct Investigators {
    std::vector<std::vector<FormText>> byObjective;
    ValueList keyed;
    std::size_t leftOut = 0; // past the last key
};

Investigators keyInvestigators(const std::vector<const xmlNode*>& objectives) {
    Investigators investigators;
    ValueList all;
    for (const xmlNode* objective : objectives) {
        investigators.byObjective.push_back(investigatorsOf(objective));
        for (const FormText& person : investigators.byObjective.back())
            all.add(person);
    }
    // Keys a to z go to the first 26 investigators; later ones are left out of line 8.
    for (const std::vector<FormText>& persons : investigators.byObjective)
        for (const FormText& person : persons)
            if (investigators.keyed.size() < FormBuilder::kMaxInvestigators) investigators.keyed.add(person);
    investigators.leftOut = all.size() - investigators.keyed.size();
    return investigators;
}

// An observation line: instrument type, quantity, the keys of its investigators, position and
// function.
LineText observationLine(const xmlNode* objective, const std::vector<FormText>& persons, const ValueList& keyed) {
    LineText line;
    line.add(
        codeText(firstElement(path(objective, {{Ns::Gmi, "sensingInstrument"}, {Ns::Gmi, "*"}, {Ns::Gmi, "type"}}))));
    line.add(kSeparator);
    line.add(quantityOf(objective));
    line.add(kSeparator);
    std::string keys;
    for (const FormText& person : persons) {
        const std::size_t index = keyed.indexOf(person.text);
        const char key = static_cast<char>('a' + index);
        if (index < keyed.size() && keys.find(key) == std::string::npos) keys += key;
    }
    line.add(keys + kSeparator + positionOf(objective) + kSeparator + kSeparator);
    line.add(property(child(objective, Ns::Gmi, "function")));
    return line;
}

} // namespace

std::string ImportedForm::bytes() const {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out + "*\r\n";
}

std::string FormBuilder::identifierOf(const xmlNode* record) {
    return property(child(record, Ns::Gmd, "fileIdentifier")).text;
}

RecordVerdict FormBuilder::build(const xmlNode* record, ImportedForm* form) {
    if (codeOf(firstElement(child(record, Ns::Gmd, "hierarchyLevelName"))) != "CSR") return RecordVerdict::NotCsr;
    const xmlNode* id = identificationOf(record);
    const xmlNode* period = timePeriodOf(id);
    bool present = false;
    const std::optional<CalendarDate> begin =
        CalendarDate::parse(formText(timeText(period, "beginPosition", "begin", &present)).text);
    if (!begin) return RecordVerdict::NoBeginDate;
    const std::optional<CalendarDate> end =
        CalendarDate::parse(formText(timeText(period, "endPosition", "end", &present)).text);

    *form = ImportedForm();
    form->begin = *begin;
    form->end = end ? *end : *begin;
    const FormText identifier = fillIdentity(record, form);

    const KeywordBlocks blocks(id);
    const Keyword platform = firstKeyword(blocks.ofType("platform"));
    const std::vector<const xmlNode*> originatorParties = originators(id);
    std::vector<LineText> lines(10);
    lines[0] = headLine(*form, blocks, platform);
    lines[1].add(countryLine(record, originatorParties));
    lines[2].add(LocationLine::build(id, blocks));
    lines[3] = agencyLine(originatorParties);
    lines[4] = datesLine(*form, blocks);
    lines[5] = cruiseLine(id);
    lines[6] = platformLine(platform, blocks);
    lines[7] = scientistLine(id);

    std::vector<const xmlNode*> objectives = objectivesOf(record);
    if (objectives.size() > kMaxObservationLines) {
        form->objectivesLeftOut = objectives.size() - kMaxObservationLines;
        objectives.resize(kMaxObservationLines);
    }
    const Investigators investigators = keyInvestigators(objectives);
    form->investigatorsLeftOut = investigators.leftOut;
    lines[8].add(investigators.keyed.join(kSeparator));
    lines[8].transliterated += investigators.keyed.transliterated();

    lines[9].add("Imported from ");
    lines[9].add(identifier);
    lines[9].add(", " + form->begin.isoText() + " to " + form->end.isoText());

    for (std::size_t i = 0; i < objectives.size(); ++i)
        lines.push_back(observationLine(objectives[i], investigators.byObjective[i], investigators.keyed));

    for (LineText& line : lines) {
        form->lines.push_back(formLine(std::move(line.text)));
        form->transliterated += line.transliterated;
    }
    return RecordVerdict::Imported;
}

BuiltRecord BuiltRecord::of(const xmlNode* record) {
    BuiltRecord built;
    built.verdict = FormBuilder::build(record, &built.form);
    if (built.verdict != RecordVerdict::Imported) {
        built.form = ImportedForm();
        built.skippedIdentifier = FormBuilder::identifierOf(record);
    }
    return built;
}

namespace {

// Each field as its length in decimal, a colon and its bytes.
void putField(std::string& out, std::string_view field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

std::optional<std::string_view> takeField(std::string_view& in) {
    const std::size_t colon = in.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 12) return std::nullopt;
    std::size_t length = 0;
    for (const char c : in.substr(0, colon)) {
        if (c < '0' || c > '9') return std::nullopt;
        length = length * 10 + static_cast<std::size_t>(c - '0');
    }
    if (length > in.size() - colon - 1) return std::nullopt;
    const std::string_view field = in.substr(colon + 1, length);
    in.remove_prefix(colon + 1 + length);
    return field;
}

std::optional<std::size_t> takeCount(std::string_view& in) {
    const std::optional<std::string_view> field = takeField(in);
    if (!field || field->empty() || field->size() > 9) return std::nullopt;
    std::size_t n = 0;
    for (const char c : *field) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

} // namespace

std::string BuiltRecord::encode() const {
    std::string out;
    putField(out, std::to_string(static_cast<int>(verdict)));
    if (verdict != RecordVerdict::Imported) {
        putField(out, skippedIdentifier);
        return out;
    }
    putField(out, form.begin.isoText());
    putField(out, form.end.isoText());
    putField(out, form.dateStamp ? form.dateStamp->isoText() : std::string());
    putField(out, form.identifier);
    putField(out, form.duplicateKey);
    putField(out, form.localIdentifier);
    putField(out, std::to_string(form.transliterated));
    putField(out, std::to_string(form.investigatorsLeftOut));
    putField(out, std::to_string(form.objectivesLeftOut));
    putField(out, std::to_string(form.lines.size()));
    for (const std::string& line : form.lines)
        putField(out, line);
    return out;
}

std::optional<BuiltRecord> BuiltRecord::decode(std::string_view in) {
    BuiltRecord built;
    const std::optional<std::size_t> verdict = takeCount(in);
    if (!verdict || *verdict > static_cast<std::size_t>(RecordVerdict::NoBeginDate)) return std::nullopt;
    built.verdict = static_cast<RecordVerdict>(*verdict);
    if (built.verdict != RecordVerdict::Imported) {
        const std::optional<std::string_view> identifier = takeField(in);
        if (!identifier || !in.empty()) return std::nullopt;
        built.skippedIdentifier = *identifier;
        return built;
    }
    const std::optional<std::string_view> begin = takeField(in), end = takeField(in), stamp = takeField(in);
    const std::optional<std::string_view> identifier = takeField(in), key = takeField(in), local = takeField(in);
    const std::optional<std::size_t> transliterated = takeCount(in), investigators = takeCount(in),
                                     objectives = takeCount(in), lines = takeCount(in);
    if (!lines || !begin || !end || !stamp || !identifier || !key || !local || !transliterated || !investigators ||
        !objectives || *lines < 10)
        return std::nullopt;
    const std::optional<CalendarDate> beginDate = CalendarDate::parse(*begin), endDate = CalendarDate::parse(*end);
    if (!beginDate || !endDate) return std::nullopt;
    ImportedForm& form = built.form;
    form.begin = *beginDate;
    form.end = *endDate;
    if (!stamp->empty() && !(form.dateStamp = CalendarDate::parse(*stamp))) return std::nullopt;
    form.identifier = *identifier;
    form.duplicateKey = *key;
    form.localIdentifier = *local;
    form.transliterated = *transliterated;
    form.investigatorsLeftOut = *investigators;
    form.objectivesLeftOut = *objectives;
    for (std::size_t i = 0; i < *lines; ++i) {
        const std::optional<std::string_view> line = takeField(in);
        if (!line) return std::nullopt;
        form.lines.emplace_back(*line);
    }
    if (!in.empty()) return std::nullopt;
    return built;
}

} // namespace csrimport
