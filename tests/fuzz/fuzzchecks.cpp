// The properties the fuzz targets check: a reference cutter, run outcomes, HTML escaping.
#include "tests/fuzz/fuzzchecks.h"

#include <array>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "exports/export.h"
#include "exports/exportset.h"
#include "reports/reportfanout.h"
#include "reports/reportform.h"
#include "search/fileselection.h"
#include "search/formreader.h"
#include "tests/support/memoryfilesystem.h"
#include "search/searchrun.h"
#include "reports/reportrun.h"
#include "search/textutil.h"
#include "tables/rptable.h"
#include "tests/core/test_util.h"

namespace fuzz {

namespace {

using search::RunOutcome;

constexpr int kMaxLineNumber = 200;
const std::string kFolder = "/fuzz";
const std::string kFormPath = "/fuzz/KER1995.INF";

// The forms of a form file cut by the rules of the format, one byte at a time.
struct ReferenceCut {
    std::vector<std::vector<std::string>> forms;
    bool malformed = false;
};

ReferenceCut referenceCut(std::string_view bytes) {
    ReferenceCut cut;
    std::vector<std::string> lines;
    int counter = -1;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t cr = bytes.find('\r', pos);
        std::string_view line =
            bytes.substr(pos, cr == std::string_view::npos ? std::string_view::npos : cr - pos);
        if (cr == std::string_view::npos) {
            pos = bytes.size();
        } else {
            pos = cr + 1;
            if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
        }
        if (++counter > kMaxLineNumber) {
            cut.malformed = true;
            return cut;
        }
        if (!line.empty() && line[0] == '*') {
            cut.forms.push_back(std::move(lines));
            lines.clear();
            counter = -1;
        } else {
            lines.emplace_back(line);
        }
    }
    return cut;
}

std::string joinedObservations(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t n = search::Form::kFirstObservationLine; n < lines.size(); ++n) {
        text += lines[n];
        text += '^';
    }
    return text;
}

std::string formNumber(std::size_t n) {
    return "form " + std::to_string(n + 1) + ": ";
}

std::string compareForm(const search::Form& form, const std::vector<std::string>& expected, std::size_t n) {
    if (form.last() != static_cast<int>(expected.size()) - 1)
        return formNumber(n) + "last line " + std::to_string(form.last()) + ", expected " +
               std::to_string(expected.size() - 1);
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (form.line(static_cast<int>(i)) != expected[i])
            return formNumber(n) + "line " + std::to_string(i) + " differs";
    if (!form.line(form.last() + 1).empty() || !form.line(-1).empty())
        return formNumber(n) + "a line outside the form";
    const std::string joined = joinedObservations(expected);
    if (form.observationText() != joined) return formNumber(n) + "observation text differs";
    if (form.hasObservationBlock() && expected.size() > search::Form::kFirstObservationLine) {
        const std::string_view block = form.observationBlock();
        const std::string& first = expected[search::Form::kFirstObservationLine];
        const std::string& last = expected.back();
        if (block.substr(0, first.size()) != first || block.size() < last.size() ||
            block.substr(block.size() - last.size()) != last)
            return formNumber(n) + "observation block does not run from line 10 to the last line";
    }
    return {};
}

// The tags and entities the report writers produce themselves. Anything else that looks like
// markup must have come from a form or a criterion without being escaped.
constexpr std::array<std::string_view, 16> kTags = {"HTML", "HEAD",   "TITLE",  "BODY", "TABLE", "TR",
                                                    "TD",   "CENTER", "center", "B",    "BR",    "br",
                                                    "P",    "a",      "A",      "html"};
constexpr std::array<std::string_view, 4> kEntities = {"&amp;", "&lt;", "&gt;", "&nbsp"};

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string checkMarkup(const std::string& name, std::string_view html) {
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '>') return name + ": '>' outside a tag at offset " + std::to_string(i);
        if (c == '&') {
            bool known = false;
            for (std::string_view entity : kEntities)
                known = known || html.substr(i, entity.size()) == entity;
            // A lone "&" before a blank, as in "Departure & Arrival Ports", is not a reference.
            const bool reference = i + 1 < html.size() && (isLetter(html[i + 1]) || html[i + 1] == '#');
            if (!known && reference) return name + ": unknown entity at offset " + std::to_string(i);
            ++i;
            continue;
        }
        if (c != '<') {
            ++i;
            continue;
        }
        std::size_t close = html.find('>', i);
        if (close == std::string_view::npos) return name + ": unclosed tag at offset " + std::to_string(i);
        std::string_view tag = html.substr(i + 1, close - i - 1);
        if (tag.find('<') != std::string_view::npos)
            return name + ": '<' inside a tag at offset " + std::to_string(i);
        if (!tag.empty() && tag[0] == '/') tag.remove_prefix(1);
        const std::string_view tagName = tag.substr(0, tag.find(' '));
        bool known = false;
        for (std::string_view t : kTags)
            known = known || tagName == t;
        if (!known)
            return name + ": unknown tag <" + std::string(tagName) + "> at offset " + std::to_string(i);
        i = close + 1;
    }
    return {};
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// One search run in memory, over earlier output files whose content names them.
const std::string kCsvExport = "/fuzz/out.csv";
const std::string kJsonLinesExport = "/fuzz/out.jsonl";

struct MemoryRun {
    testutil::MemoryFileSystem fs;
    search::FileSelection selection;
    testutil::RecordingHost host;
    tables::RpTable table;
    exports::ExportSet exports{&table};
    reports::ReportRun reportRun{host, fs, table, {&exports}};
    search::SearchRun& run = reportRun.searchRun();
    RunOutcome outcome = RunOutcome::NoFiles;

    // The CSV and JSON Lines exports of the run; false when they cannot be made.
    bool addExports() {
        for (const std::string& path : {kCsvExport, kJsonLinesExport}) {
            std::string err;
            std::unique_ptr<exports::Export> made =
                exports::Export::make(fs, path, {search::CriteriaSet{}, "1995", &table}, &err);
            if (!made) return false;
            exports.add(std::move(made));
        }
        return true;
    }

    bool choose(const std::vector<std::string>& paths) {
        std::string message;
        return search::chooseFiles(paths, selection, &message, kFolder) == search::ChoiceStatus::Chosen;
    }
    std::string file(const std::string& path) const {
        auto it = fs.files.find(path);
        return it == fs.files.end() ? std::string() : it->second;
    }
    bool has(const std::string& path) const { return fs.files.count(path) > 0; }
    std::string lastMessage() const {
        const std::vector<std::string> messages = host.shown();
        return messages.empty() ? std::string() : messages.back();
    }
};

std::string earlierText(const std::string& path) {
    return "earlier " + path + "\r\n";
}

// The rerun over the extraction file of a completed run must select every form it holds and
// write the same extraction and CSV file again.
std::string checkRerun(const FuzzInput& input, const MemoryRun& first) {
    const search::OutputPaths& paths = first.selection.paths;
    MemoryRun again;
    again.fs.readChunk = input.readChunk;
    again.fs.files[paths.extraction] = first.file(paths.extraction);
    if (!again.choose({paths.extraction})) return "rerun: the extraction file cannot be chosen";
    again.outcome = again.run.run(again.selection, input.criteria);
    if (again.outcome != RunOutcome::Completed) return "rerun: did not complete: " + again.lastMessage();
    if (again.run.formsRead() != first.run.formsSelected() ||
        again.run.formsSelected() != first.run.formsSelected())
        return "rerun: read " + std::to_string(again.run.formsRead()) + " and selected " +
               std::to_string(again.run.formsSelected()) + " forms of " +
               std::to_string(first.run.formsSelected());
    if (again.file(paths.extraction) != first.file(paths.extraction)) return "rerun: another extraction file";
    if (again.file(paths.csv) != first.file(paths.csv)) return "rerun: another ker3.txt";
    return {};
}

// What the run should have done, from the reference cutter: outcome and forms read.
struct Expectation {
    RunOutcome outcome;
    long long formsRead;
};

Expectation expectedRun(const FuzzInput& input) {
    const ReferenceCut cut = referenceCut(input.formFile);
    const long long perFile = static_cast<long long>(cut.forms.size());
    // The forms met before the run ends by itself: a malformed file stops it inside file one.
    const long long available = cut.malformed ? perFile : perFile * (input.chosenTwice ? 2 : 1);
    if (input.breakAt > 0 && input.breakAt <= available) return {RunOutcome::Stopped, input.breakAt - 1};
    if (cut.malformed) return {RunOutcome::Malformed, perFile};
    return {RunOutcome::Completed, available};
}

std::string outcomeName(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::NoFiles:
        return "NoFiles";
    case RunOutcome::Refused:
        return "Refused";
    case RunOutcome::Declined:
        return "Declined";
    case RunOutcome::Completed:
        return "Completed";
    case RunOutcome::Stopped:
        return "Stopped";
    case RunOutcome::Malformed:
        return "Malformed";
    case RunOutcome::Failed:
        return "Failed";
    }
    return "?";
}

// Whether text is well-formed UTF-8.
bool utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// The number of fields of each row of an RFC 4180 text; empty when it is not RFC 4180.
std::vector<std::size_t> csvRowSizes(std::string_view text) {
    std::vector<std::size_t> rows;
    std::size_t fields = 1;
    bool quoted = false, fieldStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                ++i;
            } else if (c == '"') {
                quoted = false;
                if (i + 1 < text.size() && text[i + 1] != ',' && text[i + 1] != '\r') return {};
            }
        } else if (c == '"') {
            if (!fieldStart) return {}; // a quote inside an unquoted field
            quoted = true;
        } else if (c == ',') {
            ++fields;
            fieldStart = true;
            continue;
        } else if (c == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n') return {};
            rows.push_back(fields);
            fields = 1;
            ++i;
            fieldStart = true;
            continue;
        } else if (c == '\n') {
            return {}; // a line feed outside quotes
        }
        fieldStart = false;
    }
    if (quoted || fields != 1 || !fieldStart) return {}; // the last row must end with CR LF
    return rows;
}

// The exports of a completed run hold one well-formed row and object per selected form, in
// UTF-8, each object as nlohmann-json writes it; other runs leave no export at all.
std::string checkExports(MemoryRun& r) {
    std::vector<std::string> failures;
    const bool finished = r.outcome == RunOutcome::Completed && r.exports.finish(&failures);
    if (r.outcome != RunOutcome::Completed) r.exports.abandon();
    for (const auto& [path, bytes] : r.fs.files)
        if (path.find(".pending") != std::string::npos) return "export left pending: " + path;
    if (r.outcome != RunOutcome::Completed)
        return r.has(kCsvExport) || r.has(kJsonLinesExport) ? "an export after a run that did not complete" : "";
    if (!finished) return "the exports could not be finished: " + (failures.empty() ? "" : failures.front());
    const auto selected = static_cast<std::size_t>(r.run.formsSelected());
    const std::string csv = r.file(kCsvExport), jsonl = r.file(kJsonLinesExport);
    if (!utf8(csv) || !utf8(jsonl)) return "an export that is not UTF-8";
    const std::vector<std::size_t> rows = csvRowSizes(csv);
    if (rows.size() != selected + 1) return "the CSV export has " + std::to_string(rows.size()) + " rows";
    for (std::size_t fields : rows)
        if (fields != 28) return "a CSV row of " + std::to_string(fields) + " fields";
    std::size_t start = 0, n = 0;
    for (std::size_t end; (end = jsonl.find('\n', start)) != std::string::npos; start = end + 1, ++n) {
        const std::string line = jsonl.substr(start, end - start);
        try {
            const nlohmann::ordered_json object = nlohmann::ordered_json::parse(line);
            if (object.dump() != line) return "JSON line " + std::to_string(n + 1) + " is not as nlohmann-json writes it";
            if (object["selection"] != n + 1) return "JSON line " + std::to_string(n + 1) + " of another selection";
        } catch (const nlohmann::json::exception& e) {
            return "JSON line " + std::to_string(n + 1) + ": " + e.what();
        }
    }
    if (start != jsonl.size() || n != selected) return "the JSON Lines export has " + std::to_string(n) + " lines";
    return {};
}

std::string checkOutputs(const FuzzInput& input, const MemoryRun& r) {
    const search::OutputPaths& paths = r.selection.paths;
    const bool selected = r.run.formsSelected() > 0;
    const bool completed = r.outcome == RunOutcome::Completed;
    for (const std::string* path : {&paths.forms, &paths.heads, &paths.csv}) {
        if (!selected && r.file(*path) != earlierText(*path))
            return *path + ": changed by a run without selection";
    }
    if (completed && !selected && r.has(paths.extraction))
        return "extraction file left by a run without selection";
    if (!completed && r.file(paths.extraction) != earlierText(paths.extraction))
        return "earlier extraction file changed by a run that did not complete";
    if (completed && selected) {
        if (r.has(paths.pending)) return "kerxxxx.fin left after a completed run";
        if (!r.has(paths.extraction)) return "no extraction file after a completed run";
        if (!endsWith(r.file(paths.forms), "</BODY>\r\n</HTML>\r\n"))
            return "kerforms.htm without its closing lines";
        if (!endsWith(r.file(paths.heads), "</BODY>\r\n</html>\r\n"))
            return "kerheads.htm without its closing lines";
    }
    if (selected) {
        std::string bad = checkMarkup("kerforms.htm", r.file(paths.forms));
        if (bad.empty()) bad = checkMarkup("kerheads.htm", r.file(paths.heads));
        if (!bad.empty()) return bad;
    }
    if (completed && selected && input.probe.empty() && input.failingOutput == 0) return checkRerun(input, r);
    return {};
}

} // namespace

std::string checkFormReader(const FuzzInput& input) {
    testutil::MemoryFileSystem fs;
    fs.readChunk = input.readChunk;
    fs.files[kFormPath] = input.formFile;
    std::string err;
    std::unique_ptr<search::InputFile> file = fs.openRead(kFormPath, &err);
    if (!file) return "cannot open: " + err;
    search::FormReader reader(*file, input.blockSize);
    search::Criteria criteria;
    const bool prepared = criteria.prepare(input.criteria, &err);
    const ReferenceCut cut = referenceCut(input.formFile);

    search::Form form;
    for (std::size_t n = 0;; ++n) {
        const search::FormReader::Status status = reader.next(form, &err);
        if (status == search::FormReader::Status::ReadError) return "read error: " + err;
        if (status == search::FormReader::Status::End || status == search::FormReader::Status::Malformed) {
            const bool malformed = status == search::FormReader::Status::Malformed;
            if (malformed != cut.malformed)
                return malformed ? "malformed where the reference ends"
                                 : "ends where the reference is malformed";
            if (n != cut.forms.size())
                return std::to_string(n) + " forms, the reference has " + std::to_string(cut.forms.size());
            if (!malformed && reader.bytesRead() != input.formFile.size()) return "not every byte was read";
            return {};
        }
        if (n >= cut.forms.size()) return "more forms than the reference";
        if (std::string bad = compareForm(form, cut.forms[n], n); !bad.empty()) return bad;
        if (prepared) {
            // The same lines without the in-place block: the test must use the joined text.
            search::Form joined;
            joined.clear();
            for (int i = 0; i <= form.last(); ++i)
                joined.append(form.line(i));
            if (criteria.test(form) != criteria.test(joined))
                return formNumber(n) + "in-place and joined observation tests disagree";
        }
    }
}

// The run itself, without its exports.
std::string checkRun(const FuzzInput& input, MemoryRun& r);

std::string checkSearchRun(const FuzzInput& input) {
    MemoryRun r;
    const std::string bad = checkRun(input, r);
    if (!bad.empty()) return bad;
    return checkExports(r);
}

std::string checkRun(const FuzzInput& input, MemoryRun& r) {
    r.fs.readChunk = input.readChunk;
    r.fs.files[kFormPath] = input.formFile;
    if (!r.choose(input.chosenTwice ? std::vector<std::string>{kFormPath, kFormPath}
                                    : std::vector<std::string>{kFormPath}))
        return "the form file cannot be chosen";
    const search::OutputPaths& paths = r.selection.paths;
    for (const std::string* path : {&paths.forms, &paths.heads, &paths.csv, &paths.extraction})
        r.fs.files[*path] = earlierText(*path);
    const std::array<const std::string*, 4> outputs = {&paths.forms, &paths.heads, &paths.csv,
                                                       &paths.pending};
    if (input.failingOutput > 0)
        r.fs.failingWrites.insert(*outputs[static_cast<std::size_t>(input.failingOutput - 1)]);
    if (!r.addExports()) return "the exports cannot be made";
    r.host.probe = input.probe;
    r.host.onYield = [&r, &input]() {
        if (input.breakAt > 0 && r.host.yields == input.breakAt) r.run.requestBreak();
    };

    std::string err;
    search::Criteria criteria;
    const bool refused = !criteria.prepare(input.criteria, &err);
    r.outcome = r.run.run(r.selection, input.criteria);

    if (refused) {
        if (r.outcome != RunOutcome::Refused) return "not refused: " + outcomeName(r.outcome);
        if (r.lastMessage() != err) return "refused with another message: " + r.lastMessage();
        return checkOutputs(input, r);
    }
    const Expectation expected = expectedRun(input);
    if (r.outcome == RunOutcome::Failed) {
        if (input.failingOutput == 0) return "failed without a failing output: " + r.lastMessage();
        if (r.run.formsSelected() == 0) return "failed before any form was selected";
        if (r.lastMessage().rfind("Program Aborts - cannot write ", 0) != 0)
            return "failed with another message: " + r.lastMessage();
        return checkOutputs(input, r);
    }
    // With the probe nothing goes into the extraction file, so its failing writes never happen.
    const bool writesFail = input.failingOutput > 0 && !(input.failingOutput == 4 && !input.probe.empty());
    if (r.outcome == RunOutcome::Completed && writesFail && r.run.formsSelected() > 0)
        return "completed although an output could not be written";
    if (r.outcome != expected.outcome)
        return "outcome " + outcomeName(r.outcome) + ", expected " + outcomeName(expected.outcome);
    if (r.run.formsRead() != expected.formsRead)
        return std::to_string(r.run.formsRead()) + " forms read, expected " +
               std::to_string(expected.formsRead);
    if (r.run.formsSelected() > r.run.formsRead()) return "more forms selected than read";
    if (r.outcome == RunOutcome::Malformed &&
        r.lastMessage() != "Program Aborts -" + kFormPath + " is not correctly formatted")
        return "malformed with another message: " + r.lastMessage();
    if (r.outcome == RunOutcome::Stopped && r.lastMessage() != search::kBreakMessage)
        return "broken with another message: " + r.lastMessage();
    std::string state;
    for (const std::string& call : r.host.calls)
        if (call == "started" || call.rfind("ended:", 0) == 0) state = call;
    if (state == "started") return "the run started and did not end";
    return checkOutputs(input, r);
}

} // namespace fuzz
