// One harvest: every source's pages into the record store, then the year files from the store.
#include "harvest/harvestrun.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "harvest/formfiles.h"
#include "harvest/pagewriter.h"
#include "import/importrun.h"

namespace harvest {

namespace {

constexpr int kMostRestarts = 3; // of an OAI-PMH list whose token the catalogue refuses

bool knownProtocol(const std::string& protocol) {
    return protocol == "csw" || protocol == "oai" || protocol == "list";
}

// The first line of a reply's text, at most 200 bytes: what a server says beside its status.
std::string serverText(const std::string& body, const Page& page) {
    if (page.exception) return page.exception->code + ": " + page.exception->text;
    if (page.oaiError) return page.oaiError->code + ": " + page.oaiError->text;
    std::string line = body.substr(0, body.find('\n')).substr(0, 200);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The addresses of a list: each line that begins with http:// or https:// after blanks, "<"
// and quotes (as a SPARQL result writes them), up to the first blank, ">" or quote after it.
std::vector<std::string> listedAddresses(std::istream& in) {
    std::vector<std::string> addresses;
    std::set<std::string> seen;
    for (std::string line; std::getline(in, line);) {
        std::size_t begin = line.find_first_not_of(" \t\r<\"'");
        if (begin == std::string::npos) continue;
        if (line.compare(begin, 7, "http://") != 0 && line.compare(begin, 8, "https://") != 0) continue;
        const std::size_t end = line.find_first_of(" \t\r>\"',", begin);
        std::string address = line.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (seen.insert(address).second) addresses.push_back(std::move(address));
    }
    return addresses;
}

// The importer's messages and stops, as the harvest's.
class FormsHost : public csrimport::ImportHost {
public:
    explicit FormsHost(HarvestHost& host) : m_host(host) {}
    void progress(std::uint64_t, std::uint64_t, const csrimport::ImportCounts&) override {}
    void message(const std::string& text) override { m_host.message(text); }
    bool stopRequested() override { return m_host.stopRequested(); }
    bool startRenames() override { return !m_host.stopRequested(); }

private:
    HarvestHost& m_host;
};

} // namespace

// The harvest of one source.
class HarvestRun::Harvester {
public:
    Harvester(HarvestRun& run, Source& source, const HarvestSettings& settings, const SourceSpec* spec,
              Fetcher& fetcher)
        : m_run(run), m_source(source), m_settings(settings), m_spec(spec), m_fetcher(fetcher) {}

    HarvestOutcome harvest() {
        HarvestOutcome outcome = HarvestOutcome::Failed;
        if (begin()) outcome = m_source.protocol == "csw" ? csw() : m_source.protocol == "oai" ? oai() : list();
        // Every page handed over is in the store, or the harvest failed.
        std::string err;
        if (!m_writer.drain(&err) && outcome != HarvestOutcome::Failed) outcome = (saved(), HarvestOutcome::Failed);
        addRecordCounts(m_run.m_counts, m_writer.counts());
        return outcome;
    }

private:
    // A reply and its page, or how the fetch ended.
    struct Got {
        std::optional<HarvestOutcome> failed;
        long status = 0;
        Page page;
    };

    // Starts the source's harvest, or goes on with the one in progress.
    bool begin() {
        if (m_source.inProgress) {
            m_run.m_host.message(m_source.address + ": going on with the harvest cut short before");
            return true;
        }
        ++m_source.generation;
        m_source.inProgress = true;
        m_source.full = m_settings.full;
        m_source.windowFrom = m_settings.full ? std::nullopt : m_settings.from ? m_settings.from : m_source.nextFrom;
        m_source.paging.reset();
        m_source.pagingExpires.reset();
        m_source.harvestStart.reset();
        if (m_source.protocol == "csw") {
            m_source.paging = "1";
            m_source.harvestStart = utcNow();
        }
        return commit({}, [](Source&) {});
    }

    bool stopped() { return m_run.m_host.stopRequested(); }

    HarvestOutcome fail(const std::string& why) {
        m_run.m_error = why;
        return HarvestOutcome::Failed;
    }

    Got get(const std::string& url, bool acceptErrors = false) {
        Got got;
        // A page that could not be saved ends the harvest before the next is fetched.
        if (m_writer.failed()) {
            saved();
            got.failed = HarvestOutcome::Failed;
            return got;
        }
        Response response = m_fetcher.fetch(Request{url, {}, {}});
        m_run.m_counts.retries = m_fetcher.retries();
        if (!checkTransport(response, url, &got)) return got;
        m_run.m_counts.bytes += response.body.size();
        ++m_run.m_counts.pages;
        got.status = response.status;
        auto bytes = std::make_shared<const std::string>(std::move(response.body));
        got.page = readPageLater(bytes);
        if (response.status < 200 || response.status >= 300) {
            if (!acceptErrors || !got.page.exception)
                got.failed =
                    fail(url + ": HTTP " + std::to_string(response.status) + ": " + serverText(*bytes, got.page));
            return got;
        }
        if (!got.page.usable)
            got.failed = fail(url + ": not usable XML (" + got.page.problem + "); the harvest ends there");
        return got;
    }

    bool checkTransport(const Response& response, const std::string& url, Got* got) {
        switch (response.failure) {
        case Response::Failure::None:
            return true;
        case Response::Failure::Stopped:
            got->failed = HarvestOutcome::Stopped;
            return false;
        case Response::Failure::TooLarge:
            got->failed = fail(url + ": the reply is larger than 256 MiB, the largest page read");
            return false;
        case Response::Failure::Retryable:
            got->failed =
                fail(url + ": " + response.error + " (after " + std::to_string(m_settings.retry.retries) + " retries)");
            return false;
        case Response::Failure::Refused:
            break;
        }
        got->failed = fail(url + ": " + response.error);
        return false;
    }

    // Hands a page's records and the state after it to the writer, which puts them in the
    // store in one transaction while the next page is fetched; false when a page before failed.
    bool submit(std::vector<PageRecord> records, const std::function<void(Source&)>& advance,
                std::shared_ptr<const RecordCut> cut = {}) {
        if (m_writer.failed()) return saved();
        Source after = m_source;
        advance(after);
        m_records += static_cast<long long>(records.size());
        m_writer.write(std::move(records), after, {}, std::move(cut));
        m_source = after;
        return true;
    }

    // A page or a change of the state, in the store before this returns.
    bool commit(std::vector<PageRecord> records, const std::function<void(Source&)>& advance) {
        return submit(std::move(records), advance) && saved();
    }

    // Whether every page handed over is in the store; m_error says why not.
    bool saved() {
        std::string err;
        if (m_writer.drain(&err)) return true;
        m_run.m_error =
            m_run.m_store.path() + ": the page could not be saved (" + err + "); the store keeps what it had";
        return false;
    }

    void progress(std::optional<long long> total) {
        HarvestProgress p;
        p.source = m_source.address;
        p.records = m_records;
        p.total = total;
        p.counts = m_run.m_counts;
        addRecordCounts(p.counts, m_writer.counts());
        m_run.m_host.progress(p);
    }

    // The harvest in progress has listed everything: the next one asks from when it began.
    static void complete(Source& s) {
        s.inProgress = false;
        s.paging.reset();
        s.pagingExpires.reset();
        if (s.harvestStart) s.nextFrom = s.harvestStart;
    }

    HarvestOutcome csw() {
        while (!stopped()) {
            const long long start = std::stoll(m_source.paging.value_or("1"));
            const bool sort = m_source.sortAccepted.value_or(true);
            const std::string url =
                CswProtocol::request(m_source.address, start, m_source.pageSize, sort, m_source.windowFrom);
            Got got = get(url, true);
            // A catalogue that refuses the sort on the identifier is asked again without it.
            if (got.page.exception && sort && !m_source.sortAccepted) {
                if (!commit({}, [](Source& s) { s.sortAccepted = false; })) return HarvestOutcome::Failed;
                continue;
            }
            if (got.failed) return *got.failed;
            if (got.page.exception)
                return fail(url + ": the catalogue answered with an exception, " + got.page.exception->code + ": " +
                            got.page.exception->text);
            const Paging paging = CswProtocol::after(got.page, start);
            if (paging.kind == Paging::Kind::Failed) return fail(url + ": " + paging.error);
            const bool done = paging.kind == Paging::Kind::Done;
            if (!submit(
                    std::move(got.page.records),
                    [&](Source& s) {
                        if (sort) s.sortAccepted = true;
                        s.paging = paging.next;
                        if (done) complete(s);
                    },
                    got.page.cut))
                return HarvestOutcome::Failed;
            progress(paging.total);
            if (done) return HarvestOutcome::Written;
        }
        return HarvestOutcome::Stopped;
    }

    // Identify, and the metadata prefix when none is given: the first ISO 19139 one named.
    bool oaiPrepare(std::string* granularity, std::optional<HarvestOutcome>* failed) {
        Got identify = get(OaiProtocol::identify(m_source.address));
        if (identify.failed || identify.page.oaiError) {
            *failed = identify.failed
                          ? *identify.failed
                          : fail(OaiProtocol::identify(m_source.address) + ": " + serverText({}, identify.page));
            return false;
        }
        *granularity = identify.page.granularity.empty() ? "YYYY-MM-DD" : identify.page.granularity;
        if (!m_source.metadataPrefix.empty()) return true;
        const std::string url = OaiProtocol::listMetadataFormats(m_source.address);
        Got formats = get(url);
        if (formats.failed) {
            *failed = *formats.failed;
            return false;
        }
        const std::string prefix = OaiProtocol::isoFormat(formats.page);
        if (prefix.empty()) {
            *failed = fail(url + ": the catalogue names no ISO 19139 metadata format; give one with --metadata-prefix");
            return false;
        }
        if (!commit({}, [&](Source& s) { s.metadataPrefix = prefix; })) {
            *failed = HarvestOutcome::Failed;
            return false;
        }
        return true;
    }

    HarvestOutcome oai() {
        std::string granularity;
        std::optional<HarvestOutcome> failed;
        if (!oaiPrepare(&granularity, &failed)) return *failed;
        // A token past its expiry is refused by the catalogue: the window is asked again.
        if (m_source.paging && m_source.pagingExpires && !m_source.pagingExpires->empty() &&
            *m_source.pagingExpires < utcNow() && !restartWindow("its resumptionToken has expired"))
            return HarvestOutcome::Failed;
        int restarts = 0;
        while (!stopped()) {
            const std::string sent = m_source.paging.value_or("");
            const std::string url = oaiUrl(sent, granularity);
            Got got = get(url);
            if (got.failed) return *got.failed;
            const std::string start = got.page.responseDate.empty() ? utcNow() : got.page.responseDate;
            const std::optional<HarvestOutcome> outcome =
                got.page.oaiError ? oaiError(got.page, url, sent, start, &restarts) : oaiRecords(got, url, sent, start);
            if (outcome) return *outcome;
        }
        return HarvestOutcome::Stopped;
    }

    // The first page of the list, or the page after the token sent.
    std::string oaiUrl(const std::string& sent, const std::string& granularity) const {
        if (!sent.empty()) return OaiProtocol::resume(m_source.address, sent);
        const std::optional<std::string> from =
            m_source.windowFrom ? std::optional(OaiProtocol::fromIn(*m_source.windowFrom, granularity)) : std::nullopt;
        return OaiProtocol::request(m_source.address, m_source.metadataPrefix, m_source.set, from);
    }

    // What an OAI-PMH error in a reply means: the harvest's outcome, or none when the list is
    // asked again from its start.
    std::optional<HarvestOutcome> oaiError(const Page& page, const std::string& url, const std::string& sent,
                                           const std::string& start, int* restarts) {
        const CatalogueError& error = *page.oaiError;
        if (error.code == "noRecordsMatch") {
            if (!commit({}, [&](Source& s) {
                    if (!s.harvestStart) s.harvestStart = start;
                    complete(s);
                }))
                return HarvestOutcome::Failed;
            return HarvestOutcome::Written;
        }
        if (error.code == "badResumptionToken" && !sent.empty() && (*restarts)++ < kMostRestarts) {
            if (!restartWindow("the catalogue refused its resumptionToken")) return HarvestOutcome::Failed;
            return std::nullopt;
        }
        return fail(url + ": the catalogue answered with an OAI-PMH error, " + error.code + ": " + error.text);
    }

    // A page's records saved with the paging state after it: the harvest's outcome when the
    // list ends here or cannot go on, none when it goes on.
    std::optional<HarvestOutcome> oaiRecords(Got& got, const std::string& url, const std::string& sent,
                                             const std::string& start) {
        const Page& page = got.page;
        const Paging paging = OaiProtocol::after(page, sent);
        if (paging.kind == Paging::Kind::Failed) return fail(url + ": " + paging.error);
        const bool done = paging.kind == Paging::Kind::Done;
        if (!submit(
                std::move(got.page.records),
                [&](Source& s) {
                    if (!s.harvestStart) s.harvestStart = start;
                    s.paging = done ? std::nullopt : std::optional(paging.next);
                    s.pagingExpires = page.tokenExpires;
                    if (done) complete(s);
                },
                got.page.cut))
            return HarvestOutcome::Failed;
        progress(paging.total);
        if (done) return HarvestOutcome::Written;
        return std::nullopt;
    }

    // The list from its first page again, with the same from: not the whole harvest.
    bool restartWindow(const std::string& why) {
        m_run.m_host.message(m_source.address + ": " + why + "; the list is asked again from its start");
        return commit({}, [](Source& s) {
            s.paging.reset();
            s.pagingExpires.reset();
        });
    }

    // The addresses of a list source: given on standard input, read from its file, or those the
    // store knows when its file is gone.
    std::optional<std::vector<std::string>> addresses(bool* listed) {
        *listed = true;
        if (m_spec && !m_spec->listed.empty()) return m_spec->listed;
        std::ifstream file(m_source.address);
        if (file) return listedAddresses(file);
        std::string err;
        const std::vector<StoredRecord> known = m_run.m_store.keys(m_source, &err);
        if (!err.empty() || known.empty()) {
            m_run.m_error = m_source.address + ": the list of record addresses cannot be read";
            return std::nullopt;
        }
        m_run.m_host.message(m_source.address + ": cannot be read; the addresses the store knows are fetched again");
        *listed = false;
        std::vector<std::string> keys;
        keys.reserve(known.size());
        for (const StoredRecord& r : known)
            keys.push_back(r.key);
        return keys;
    }

    HarvestOutcome list() {
        bool listed = false;
        const std::optional<std::vector<std::string>> all = addresses(&listed);
        if (!all) return HarvestOutcome::Failed;
        std::string err;
        std::map<std::string, StoredRecord> known;
        for (StoredRecord& r : m_run.m_store.keys(m_source, &err))
            known[r.key] = std::move(r);
        // Those this harvest has fetched already (before it was cut short) are not fetched again.
        const std::set<std::string> done = seenThisHarvest();
        std::vector<std::string> pending;
        for (const std::string& address : *all)
            if (!done.contains(address)) pending.push_back(address);
        const long long total = static_cast<long long>(all->size());
        m_records = total - static_cast<long long>(pending.size());
        for (std::size_t first = 0; first < pending.size(); first += 4) {
            if (stopped()) return HarvestOutcome::Stopped;
            const std::vector<std::string> batch(pending.begin() + static_cast<std::ptrdiff_t>(first),
                                                 pending.begin() +
                                                     static_cast<std::ptrdiff_t>(std::min(first + 4, pending.size())));
            if (const std::optional<HarvestOutcome> end = fetchBatch(batch, known)) return *end;
            progress(total);
        }
        if (!commit({}, [&](Source& s) {
                complete(s);
                s.full = s.full || listed; // what the list no longer names is deleted
            }))
            return HarvestOutcome::Failed;
        return HarvestOutcome::Written;
    }

    std::set<std::string> seenThisHarvest() {
        std::set<std::string> seen;
        Statement query;
        std::string err;
        if (!query.prepare(m_run.m_store.db(), "SELECT key FROM records WHERE source = ?1 AND seen = ?2", &err))
            return seen;
        query.bind(1, m_source.id).bind(2, m_source.generation);
        while (query.step())
            seen.insert(query.text(0));
        return seen;
    }

    // Up to four record addresses at once, asked only for a change when the store has them.
    std::optional<HarvestOutcome> fetchBatch(const std::vector<std::string>& batch,
                                             const std::map<std::string, StoredRecord>& known) {
        std::vector<Request> requests;
        for (const std::string& address : batch) {
            Request request{address, {}, {}};
            if (const auto found = known.find(address); found != known.end()) {
                request.ifNoneMatch = found->second.etag.value_or("");
                request.ifModifiedSince = found->second.lastModified.value_or("");
            }
            requests.push_back(std::move(request));
        }
        const std::vector<Response> responses = m_fetcher.fetch(requests);
        m_run.m_counts.retries = m_fetcher.retries();
        RecordStore& store = m_run.m_store;
        Transaction transaction(store.db());
        std::string err = transaction.error();
        bool ok = transaction.begun();
        HarvestCounts counts = m_run.m_counts;
        for (std::size_t i = 0; ok && i < responses.size(); ++i) {
            Got got;
            if (!checkTransport(responses[i], batch[i], &got)) return got.failed;
            const std::optional<bool> kept = keepReply(batch[i], responses[i], counts, &err);
            if (!kept) return fail(m_run.m_error);
            ok = *kept;
        }
        ok = ok && store.saveSource(m_source, &err) && transaction.commit();
        if (!ok) {
            m_run.m_error = store.path() + ": the page could not be saved (" +
                            (err.empty() ? transaction.error() : err) + "); the store keeps what it had";
            return HarvestOutcome::Failed;
        }
        m_run.m_counts = counts;
        return std::nullopt;
    }

    // One record address's reply into the store: false on a store failure (err filled), nothing
    // when the reply ends the harvest (m_error filled).
    std::optional<bool> keepReply(const std::string& address, const Response& response, HarvestCounts& counts,
                                  std::string* err) {
        RecordStore& store = m_run.m_store;
        m_run.m_counts.bytes += response.body.size();
        counts.bytes = m_run.m_counts.bytes;
        ++counts.pages;
        ++m_records;
        if (response.status == 304) {
            ++counts.unchanged;
            return store.markSeen(m_source, address, err);
        }
        if (response.status == 404 || response.status == 410) {
            m_run.m_host.message(address + ": HTTP " + std::to_string(response.status) +
                                 ": the record is gone from the catalogue; it is marked deleted");
            const int was = store.markDeleted(m_source, address, utcNow(), err);
            counts.deleted += was > 0 ? 1 : 0;
            return was >= 0;
        }
        const Page page = readPage(response.body);
        if (response.status < 200 || response.status >= 300) {
            m_run.m_error =
                address + ": HTTP " + std::to_string(response.status) + ": " + serverText(response.body, page);
            return std::nullopt;
        }
        if (!page.usable) {
            m_run.m_error = address + ": not usable XML (" + page.problem + "); the harvest ends there";
            return std::nullopt;
        }
        if (page.records.empty()) {
            m_run.m_host.message(address + ": holds no record: " + page.holds);
            return true;
        }
        // A record file is kept as received.
        const PageRecord& first = page.records.front();
        StoredRecord stored = storedRecord(first, address);
        stored.xml = response.body;                        // a record file is kept as received
        if (page.records.size() > 1) stored.built.clear(); // the importer reads the document whole
        if (!response.etag.empty()) stored.etag = response.etag;
        if (!response.lastModified.empty()) stored.lastModified = response.lastModified;
        const std::optional<Change> change = store.putRecord(m_source, stored, err);
        if (!change) return false;
        countChange(*change, first, counts);
        return true;
    }

    HarvestRun& m_run;
    Source& m_source;
    const HarvestSettings& m_settings;
    const SourceSpec* m_spec;
    Fetcher& m_fetcher;
    PageWriter m_writer{m_run.m_store};
    long long m_records = 0;
};

namespace {

// The source a given one names, with what the store knows of it (nothing for a new one) and
// the settings given: the reason when it cannot be harvested, else nothing.
std::string sourceOf(const SourceSpec& spec, const std::optional<Source>& known, Source* s) {
    *s = known.value_or(Source{});
    const bool remote = spec.address.starts_with("http://") || spec.address.starts_with("https://");
    if (!known) {
        // A file (or standard input) is a list of record addresses; a catalogue needs its protocol.
        if (spec.protocol.empty() && remote)
            return spec.address + ": a new catalogue: say its protocol with --protocol csw or oai";
        if (!spec.protocol.empty() && (spec.protocol == "list") == remote)
            return spec.address + (remote ? ": a list of record addresses is a file, or - for standard input"
                                          : ": a catalogue's address begins with http:// or https://");
        s->address = spec.address;
        s->protocol = spec.protocol.empty() ? "list" : spec.protocol;
    } else if (!spec.protocol.empty() && spec.protocol != s->protocol) {
        std::string why = spec.address + ": the store knows it as a source of protocol ";
        return why.append(s->protocol).append(", not ").append(spec.protocol);
    }
    if (!knownProtocol(s->protocol)) {
        std::string why = spec.address + ": protocol ";
        return why.append(s->protocol).append(" is none of csw, oai and list");
    }
    if (!spec.set.empty()) s->set = spec.set;
    if (!spec.metadataPrefix.empty()) s->metadataPrefix = spec.metadataPrefix;
    if (spec.pageSize) s->pageSize = *spec.pageSize;
    return {};
}

} // namespace

// The sources to harvest: those given, added to the store or their settings saved, else every
// source the store knows.
std::optional<HarvestOutcome> HarvestRun::gatherSources(const HarvestSettings& settings, std::vector<Source>* sources) {
    std::string err;
    if (settings.sources.empty()) {
        *sources = m_store.sources(&err);
        if (!err.empty()) {
            m_error = m_store.path() + ": " + err;
            return HarvestOutcome::Failed;
        }
        if (sources->empty() && !settings.formsOnly) {
            m_error = m_store.path() + " knows no source yet: give a catalogue address with --protocol csw or oai, or "
                                       "a list of record addresses with --protocol list";
            return HarvestOutcome::Refused;
        }
        return std::nullopt;
    }
    for (const SourceSpec& spec : settings.sources) {
        std::optional<Source> known = m_store.source(spec.address, &err);
        if (!err.empty()) {
            m_error = m_store.path() + ": " + err;
            return HarvestOutcome::Failed;
        }
        Source s;
        if (std::string refusal = sourceOf(spec, known, &s); !refusal.empty()) {
            m_error = std::move(refusal);
            return HarvestOutcome::Refused;
        }
        if (!m_store.saveSource(s, &err)) {
            m_error = m_store.path() + ": " + err;
            return HarvestOutcome::Failed;
        }
        sources->push_back(s);
    }
    return std::nullopt;
}

HarvestOutcome HarvestRun::run(const HarvestSettings& settings) {
    if (!m_store.open(settings.folder, !settings.formsOnly, &m_error)) return HarvestOutcome::Refused;
    if (!m_store.lock(&m_error)) return HarvestOutcome::Refused;
    std::vector<Source> sources;
    if (const std::optional<HarvestOutcome> refused = gatherSources(settings, &sources)) return *refused;
    if (!settings.formsOnly) {
        Fetcher fetcher(
            m_transport, settings.retry,
            [this](double seconds, int retry, int of) {
                HarvestProgress p;
                p.counts = m_counts;
                p.waitSeconds = seconds;
                p.retry = retry;
                p.retries = of;
                m_host.progress(p);
            },
            [this](double seconds) { return m_host.wait(seconds); });
        for (Source& source : sources) {
            const SourceSpec* spec = nullptr;
            for (const SourceSpec& given : settings.sources)
                if (given.address == source.address) spec = &given;
            Harvester harvester(*this, source, settings, spec, fetcher);
            const HarvestOutcome outcome = harvester.harvest();
            if (outcome != HarvestOutcome::Written) {
                if (outcome == HarvestOutcome::Stopped)
                    m_error = "stopped; the store keeps every page harvested, and the next harvest goes on from there";
                return outcome;
            }
        }
    }
    return writeForms(settings);
}

HarvestOutcome HarvestRun::writeForms(const HarvestSettings& settings) {
    FormsHost host(m_host);
    FormFiles forms(m_store, m_fs, host);
    const FormFilesOutcome outcome = forms.write(settings.folder, settings.replace);
    m_written = forms.written();
    m_removed = forms.removed();
    m_existing = forms.existing();
    m_counts.yearFilesWritten = static_cast<long long>(m_written.size());
    m_counts.yearFilesRemoved = static_cast<long long>(m_removed.size());
    m_importSummary = csrimport::summaryLine(forms.counts());
    switch (outcome) {
    case FormFilesOutcome::Written:
        return HarvestOutcome::Written;
    case FormFilesOutcome::Refused:
        m_error = forms.error();
        return HarvestOutcome::Refused;
    case FormFilesOutcome::Stopped:
        m_error = forms.error();
        return HarvestOutcome::Stopped;
    case FormFilesOutcome::Failed:
        break;
    }
    m_error = forms.error();
    return HarvestOutcome::Failed;
}

std::string summaryLine(const HarvestCounts& c) {
    std::string line = "Records new: " + std::to_string(c.newRecords);
    line.append(", changed: ").append(std::to_string(c.changed));
    line.append(", unchanged: ").append(std::to_string(c.unchanged));
    line.append(", deleted: ").append(std::to_string(c.deleted));
    line.append(", not CSR: ").append(std::to_string(c.notCsr));
    line.append("; pages: ").append(std::to_string(c.pages));
    line.append("; retries: ").append(std::to_string(c.retries));
    line.append("; year files written: ").append(std::to_string(c.yearFilesWritten));
    return line;
}

} // namespace harvest
