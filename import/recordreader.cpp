// Streams one XML document and hands over each CSR record in it, one at a time.
#include "import/recordreader.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>

#include "import/documentfacts.h"
#include "import/xmlallocator.h"
#include "import/xmlnodes.h"

namespace csrimport {

namespace {

// No option that loads a DTD, substitutes entities or reaches the network.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

// External entities are never loaded, whatever a document declares.
xmlParserInputPtr noExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

} // namespace

void setUpXmlParser() {
    static std::once_flag once;
    std::call_once(once, [] {
        XmlAllocator::install();
        xmlInitParser();
        xmlSetExternalEntityLoader(noExternalEntity);
    });
}

namespace {

struct ReadState {
    const RecordReader::Source* source;
    std::string error; // the first error the parser reports
    bool sourceFailed = false;
    long long bytes = 0;
    std::string generic; // the first line libxml2 reports outside the parser (encoding errors)
    bool genericDone = false;
};

// libxml2 reports encoding and input errors through its thread's generic error function, which
// would print them on stderr; they go to the document being read instead.
thread_local ReadState* t_reading = nullptr;

extern "C" void onGenericError(void*, const char* format, ...) {
    if (!t_reading || t_reading->genericDone) return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    for (const char* c = text; *c; ++c) {
        if (*c == '\n') {
            t_reading->genericDone = true;
            break;
        }
        t_reading->generic += *c;
    }
}

extern "C" int readBytes(void* context, char* buffer, int size) {
    auto* state = static_cast<ReadState*>(context);
    const int n = (*state->source)(buffer, size);
    if (n < 0) state->sourceFailed = true;
    else state->bytes += n;
    return n;
}

extern "C" void onError(void* context, xmlErrorPtr error) {
    auto* state = static_cast<ReadState*>(context);
    if (!error || error->level < XML_ERR_ERROR || !state->error.empty()) return;
    std::string message = error->message ? error->message : "unknown error";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    // Some messages go on over a second line ("...\nBytes: 0xF8 ..."): the problem is one line.
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    state->error = error->line > 0 ? "line " + std::to_string(error->line) + ": " + message : message;
}

struct FreeReader {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

// Why a document is not usable, from what went wrong while it was read.
std::string problemOf(const ReadState& state) {
    if (state.bytes == 0 && !state.sourceFailed) return "the file is empty";
    return !state.error.empty()     ? state.error
           : state.sourceFailed     ? "the file cannot be read"
           : !state.generic.empty() ? state.generic
                                    : "not well-formed";
}

// What the reader does after an element: reads into it, or goes past it once it was read whole
// (a record, or what DocumentFacts wants whole); stops when the sink says so.
enum class ReadStep { Into, Past, Stop, Fail };

// The document's facts and the caller's observer, seen as one.
struct Observers {
    DocumentFacts facts;
    ElementObserver* other;
};

ReadStep element(xmlTextReader* reader, const RecordReader::RecordSink& sink, Observers& observers, bool& records,
                 const std::string& error) {
    const xmlNode* node = xmlTextReaderCurrentNode(reader);
    const bool record = RecordReader::isRecord(node);
    const bool facts = !record && observers.facts.wants(node);
    const bool other = !record && observers.other && observers.other->wants(node);
    if (!record && !facts && !other) {
        observers.facts.element(node, xmlTextReaderDepth(reader));
        if (observers.other) observers.other->element(node, xmlTextReaderDepth(reader));
        return ReadStep::Into;
    }
    const xmlNode* whole = xmlTextReaderExpand(reader);
    if (!whole || !error.empty()) return ReadStep::Fail;
    if (!record) {
        if (facts) observers.facts.take(whole);
        if (other) observers.other->take(whole);
        return ReadStep::Past;
    }
    records = true;
    return sink(whole) ? ReadStep::Past : ReadStep::Stop;
}

} // namespace

bool RecordReader::isRecord(const xmlNode* node) {
    if (!node || node->type != XML_ELEMENT_NODE) return false;
    if (isElement(node, Ns::Gmd, "MD_Metadata") || isElement(node, Ns::Gmi, "MI_Metadata")) return true;
    if (!node->properties) return false;
    // Tools write <MI_Metadata xsi:type="gmi:MI_Metadata_Type"> with no default namespace.
    if (const std::string type = attribute(node, Ns::Xsi, "type"); !type.empty()) {
        const auto [uri, local] = resolveQName(node, type);
        if ((local == "MD_Metadata_Type" && isNamespace(uri.c_str(), Ns::Gmd)) ||
            (local == "MI_Metadata_Type" && isNamespace(uri.c_str(), Ns::Gmi)))
            return true;
    }
    // Profiles write <mcp:MD_Metadata gco:isoType="gmd:MD_Metadata">.
    std::string iso = attribute(node, Ns::Gco, "isoType");
    if (iso.empty()) return false;
    if (const std::size_t colon = iso.find(':'); colon != std::string::npos) iso.erase(0, colon + 1);
    if (iso.size() > 5 && iso.compare(iso.size() - 5, 5, "_Type") == 0) iso.resize(iso.size() - 5);
    return iso == "MD_Metadata" || iso == "MI_Metadata";
}

RecordReader::Outcome RecordReader::read(const Source& source, const RecordSink& sink, std::string* problem,
                                         std::string* what, ElementObserver* observer) {
    setUpXmlParser();
    ReadState state{&source, {}, false, 0, {}, false};
    xmlSetGenericErrorFunc(nullptr, onGenericError);
    t_reading = &state;
    struct Done {
        ~Done() { t_reading = nullptr; }
    } done;
    std::unique_ptr<xmlTextReader, FreeReader> reader(
        xmlReaderForIO(readBytes, nullptr, &state, nullptr, nullptr, kParseOptions));
    if (!reader) {
        *problem = "the XML parser cannot be started";
        return Outcome::NotUsable;
    }
    xmlTextReaderSetStructuredErrorHandler(reader.get(), onError, &state);
    const auto failed = [&] {
        *problem = problemOf(state);
        return Outcome::NotUsable;
    };
    Observers observers{{}, observer};
    bool records = false;
    int rc = xmlTextReaderRead(reader.get());
    while (rc == 1) {
        if (!state.error.empty()) return failed();
        const int type = xmlTextReaderNodeType(reader.get());
        if (type == XML_READER_TYPE_DOCUMENT_TYPE) {
            *problem = "it has a DOCTYPE declaration, and documents with one are not read";
            return Outcome::NotUsable;
        }
        if (type != XML_READER_TYPE_ELEMENT) {
            rc = xmlTextReaderRead(reader.get());
            continue;
        }
        switch (element(reader.get(), sink, observers, records, state.error)) {
        case ReadStep::Into:
            rc = xmlTextReaderRead(reader.get());
            break;
        case ReadStep::Past:
            rc = xmlTextReaderNext(reader.get());
            break;
        case ReadStep::Stop:
            return Outcome::Stopped;
        case ReadStep::Fail:
            return failed();
        }
    }
    if (rc != 0 || !state.error.empty() || state.sourceFailed) return failed();
    if (what) *what = records ? std::string() : observers.facts.describe();
    return Outcome::Complete;
}

} // namespace csrimport
