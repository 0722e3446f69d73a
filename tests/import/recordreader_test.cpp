// Reading documents: records found by namespace, wrappers, encodings, and documents refused whole.
#include <gtest/gtest.h>

#include <cstring>

#include "import/formbuilder.h"
#include "import/recordreader.h"
#include "tests/core/test_util.h"
#include "tests/import/csrrecord.h"

namespace {

using csrimport::RecordReader;
using namespace csrtest;

struct ReadResult {
    RecordReader::Outcome outcome;
    std::vector<std::string> identifiers; // of the records handed over
    std::vector<std::string> titles;      // line 5 of their forms
    std::string problem;
};

ReadResult readDocument(const std::string& text, std::size_t block = 4096, std::string* holds = nullptr) {
    ReadResult r;
    std::size_t at = 0;
    const RecordReader::Source source = [&](char* buffer, int size) {
        const std::size_t n = std::min({static_cast<std::size_t>(size), block, text.size() - at});
        std::memcpy(buffer, text.data() + at, n);
        at += n;
        return static_cast<int>(n);
    };
    r.outcome = RecordReader::read(
        source,
        [&](const xmlNode* node) {
            r.identifiers.push_back(csrimport::FormBuilder::identifierOf(node));
            csrimport::ImportedForm form;
            if (csrimport::FormBuilder::build(node, &form) == csrimport::RecordVerdict::Imported)
                r.titles.push_back(form.lines[5]);
            return true;
        },
        &r.problem, holds);
    return r;
}

std::string titled(const std::string& id, const std::string& title) {
    return record(fileIdentifier(id) + hierarchyLevel() + identification(citation(title) + period("1995-01-01", "")));
}

TEST(RecordReader, RecordsAreFoundInWrappersByNamespaceNotPrefix) {
    const std::string csw = "<csw:GetRecordsResponse xmlns:csw=\"http://www.opengis.net/cat/csw/2.0.2\"><csw:SearchResults>" +
                            titled("a", "A") + titled("b", "B") + "</csw:SearchResults></csw:GetRecordsResponse>";
    ReadResult r = readDocument(document(csw), 7);
    EXPECT_EQ(r.outcome, RecordReader::Outcome::Complete) << r.problem;
    EXPECT_EQ(r.identifiers, (std::vector<std::string>{"a", "b"}));

    const std::string oai = "<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\"><ListRecords><record><metadata>" +
                            titled("c", "C") + "</metadata></record><resumptionToken>t</resumptionToken></ListRecords></OAI-PMH>";
    EXPECT_EQ(readDocument(document(oai)).identifiers, std::vector<std::string>{"c"});

    // Other prefixes for the same namespaces; a gmd:MD_Metadata in another namespace is no record.
    const std::string prefixed =
        "<x:MD_Metadata xmlns:x=\"http://www.isotc211.org/2005/gmd\" xmlns:c=\"http://www.isotc211.org/2005/gco\">"
        "<x:fileIdentifier><c:CharacterString>d</c:CharacterString></x:fileIdentifier></x:MD_Metadata>";
    const std::string foreign = "<gmd:MD_Metadata xmlns:gmd=\"http://example.org/not-iso\"/>";
    EXPECT_EQ(readDocument(document("<r>" + prefixed + foreign + "</r>")).identifiers, std::vector<std::string>{"d"});
}

TEST(RecordReader, ARecordInsideARecordBelongsToTheOuterOne) {
    const std::string outer = record(fileIdentifier("outer") + "<gmd:contact>" + titled("inner", "I") + "</gmd:contact>");
    EXPECT_EQ(readDocument(document(outer)).identifiers, std::vector<std::string>{"outer"});
}

TEST(RecordReader, DeclaredEncodingsAreRead) {
    EXPECT_EQ(readDocument(document(titled("l", "Troms\xF8"), "ISO-8859-1")).titles, std::vector<std::string>{"CR Troms\xF8^"});
    EXPECT_EQ(readDocument(document(titled("w", "\x93quoted\x94 \x80"), "windows-1252")).titles,
              std::vector<std::string>{"CR \x93quoted\x94 \x80^"});
    EXPECT_EQ(readDocument(document(titled("e", "\xA4"), "ISO-8859-15")).titles, std::vector<std::string>{"CR \x80^"});
    EXPECT_EQ(readDocument("\xEF\xBB\xBF" + document(titled("b", "Troms\xC3\xB8"))).titles,
              std::vector<std::string>{"CR Troms\xF8^"});
    // UTF-16 with its byte order mark.
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + titled("u", "Ok");
    std::string utf16 = "\xFF\xFE";
    for (char c : utf8) utf16 += std::string{c, '\0'};
    EXPECT_EQ(readDocument(utf16).titles, std::vector<std::string>{"CR Ok^"});
}

TEST(RecordReader, UnusableDocumentsAreRefusedWhole) {
    const std::string good = titled("a", "A");
    const struct {
        const char* what;
        std::string text;
        const char* problem;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"not XML", "KER1995 is a form file\r\n*\r\n", "Document is empty"},
        {"truncated", document("<r>" + good + good.substr(0, good.size() / 2)), ""},
        {"truncated at its very end", document("<r>" + good + "</r"), ""},
        {"content after the root", document("<r>" + good + "</r><r/>"), "Extra content at the end of the document"},
        {"unknown encoding", document(good, "x-martian"), "Unsupported encoding x-martian"},
        {"bytes the declared encoding lacks", document("<a>\xFF\xFE\xFF</a>", "EUC-JP"), "input conversion failed"},
        {"UTF-8 declared over Latin-1", document(titled("a", "Troms\xF8")), "Input is not proper UTF-8"},
        {"an undeclared prefix", document("<r>" + good + "<u:x/></r>"), "prefix u"},
        {"binary", std::string("\x00\x01\x02\xFF\xFE\x00\x80", 7), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = readDocument(c.text);
        EXPECT_EQ(r.outcome, RecordReader::Outcome::NotUsable);
        EXPECT_NE(r.problem.find(c.problem), std::string::npos) << r.problem;
        EXPECT_FALSE(r.problem.empty());
        EXPECT_EQ(r.problem.find('\n'), std::string::npos) << r.problem;
    }
}

TEST(RecordReader, ADoctypeIsRefusedBeforeAnyRecordAndNoEntityIsRead) {
    testutil::TempDir dir;
    testutil::writeFile(dir.file("secret.txt"), "SECRET-CONTENT-42");
    const std::string external = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY s SYSTEM \"file://" + dir.file("secret.txt") +
                                 "\">]>\n<r>" + titled("x", "&s;") + "</r>";
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY l0 \"ha\">";
    for (int i = 1; i < 12; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + [&] {
            std::string refs;
            for (int k = 0; k < 10; ++k) refs += "&l" + std::to_string(i - 1) + ";";
            return refs;
        }() + "\">";
    laughs += "]>\n<r>" + titled("x", "&l11;") + "</r>";
    for (const std::string& text : {external, laughs}) {
        ReadResult r = readDocument(text);
        EXPECT_EQ(r.outcome, RecordReader::Outcome::NotUsable);
        EXPECT_EQ(r.problem, "it has a DOCTYPE declaration, and documents with one are not read");
        EXPECT_TRUE(r.identifiers.empty());
    }
}

// Records that name their type: by xsi:type, its prefix resolved where it stands, or by
// gco:isoType; each gives the form the qualified record gives.
TEST(RecordReader, RecordsThatNameTheirTypeAreRecords) {
    const std::string body =
        fileIdentifier("urn:SDN:CSR:LOCAL:T1") + hierarchyLevel() + dateStamp("2020-03-04") +
        identification(citation("Leg 1") + period("1995-06-01", "1995-06-09") + extent(box("-21", "-19", "52", "53"))) +
        acquisition(objective("H10", "", "120.000000", "CSRU001", "number of stations"));
    const std::string xsi = " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
    csrimport::ImportedForm qualified;
    ASSERT_EQ(buildForm(document(record(body)), &qualified), csrimport::RecordVerdict::Imported);
    EXPECT_EQ(qualified.lines[10], "H10^120^^^^");
    const std::string named[] = {
        // A tool's own: unqualified, no default namespace.
        "<MI_Metadata" + std::string(kNamespaces) + xsi + " xsi:type=\"gmi:MI_Metadata_Type\">" + body +
            "</MI_Metadata>",
        // Another element of another namespace, the type's prefix its own.
        "<p:Record xmlns:p=\"urn:example:profile\" xmlns:iso=\"http://www.isotc211.org/2005/gmd\"" +
            std::string(kNamespaces) + xsi + " xsi:type=\"iso:MD_Metadata_Type\">" + body + "</p:Record>",
        // The type in the default namespace.
        "<Record xmlns=\"http://www.isotc211.org/2005/gmi\"" + std::string(kNamespaces) + xsi +
            " xsi:type=\"MI_Metadata_Type\">" + body + "</Record>",
        // A profile's substitute for gmd:MD_Metadata, with or without a prefix and "_Type".
        "<mcp:MD_Metadata xmlns:mcp=\"http://schemas.example.org/mcp-2.0\"" + std::string(kNamespaces) +
            " gco:isoType=\"gmd:MD_Metadata\">" + body + "</mcp:MD_Metadata>",
        "<mcp:Metadata xmlns:mcp=\"http://schemas.example.org/mcp-2.0\"" + std::string(kNamespaces) +
            " gco:isoType=\"MI_Metadata_Type\">" + body + "</mcp:Metadata>",
    };
    for (const std::string& text : named) {
        SCOPED_TRACE(text.substr(0, 60));
        csrimport::ImportedForm form;
        ASSERT_EQ(buildForm(document("<list>" + text + "</list>"), &form), csrimport::RecordVerdict::Imported);
        EXPECT_EQ(form.lines, qualified.lines);
    }
    // Not records: a type of another namespace, an unbound prefix, another type, an isoType
    // attribute not of gco, a type's own element.
    const std::string others[] = {
        "<MD_Metadata xmlns:gmd=\"urn:not-iso\"" + xsi + " xsi:type=\"gmd:MD_Metadata_Type\"/>",
        "<MD_Metadata" + xsi + " xsi:type=\"nowhere:MD_Metadata_Type\"/>",
        "<MD_Metadata" + xsi +
            " xmlns:gmd=\"http://www.isotc211.org/2005/gmd\" xsi:type=\"gmd:MD_DataIdentification_Type\"/>",
        "<mcp:MD_Metadata xmlns:mcp=\"urn:mcp\" xmlns:g=\"urn:other\" g:isoType=\"gmd:MD_Metadata\"/>",
        "<mcp:MD_Metadata xmlns:mcp=\"urn:mcp\" xmlns:gco=\"http://www.isotc211.org/2005/gco\" "
        "gco:isoType=\"MD_Metadatas\"/>",
        "<gmd:MD_Metadata_Type xmlns:gmd=\"http://www.isotc211.org/2005/gmd\"/>",
    };
    for (const std::string& text : others) {
        SCOPED_TRACE(text);
        const ReadResult r = readDocument(document("<list>" + text + "</list>"));
        EXPECT_EQ(r.outcome, RecordReader::Outcome::Complete) << r.problem;
        EXPECT_TRUE(r.identifiers.empty());
    }
}

// A usable document without records says what it holds instead.
TEST(RecordReader, ADocumentWithoutRecordsSaysWhatItHolds) {
    const std::string oai = "<OAI-PMH xmlns=\"http://www.openarchives.org/OAI/2.0/\"><responseDate>2026-12-01T00:00:00Z"
                            "</responseDate>";
    const struct {
        const char* what;
        std::string text;
        const char* holds;
    } cases[] = {
        {"a feed", "<rss version=\"2.0\"><channel><title>news</title></channel></rss>",
         "its root element is rss, of no namespace"},
        {"a document of another namespace", "<x:list xmlns:x=\"urn:example:list\"/>",
         "its root element is list, of namespace urn:example:list"},
        {"an OAI-PMH error",
         oai + "<request verb=\"ListRecords\">https://example.org/oai</request><error code=\"noRecordsMatch\">The "
               "combination of\n   the values results in an empty list.</error></OAI-PMH>",
         "an OAI-PMH error, noRecordsMatch: The combination of the values results in an empty list."},
        {"an OAI-PMH page of Dublin Core",
         oai + "<request verb=\"ListRecords\" metadataPrefix=\"oai_dc\">https://example.org/oai</request><ListRecords>"
               "<record><header><identifier>a</identifier></header><metadata><oai_dc:dc xmlns:oai_dc=\""
               "http://www.openarchives.org/OAI/2.0/oai_dc/\"><title>T</title></oai_dc:dc></metadata></record>"
               "</ListRecords></OAI-PMH>",
         "an OAI-PMH page of records in another metadata format, oai_dc (oai_dc:dc)"},
        {"a CSW exception report",
         "<ows:ExceptionReport xmlns:ows=\"http://www.opengis.net/ows/1.1\" version=\"1.2.0\"><ows:Exception "
         "exceptionCode=\"InvalidParameterValue\" locator=\"outputSchema\"><ows:ExceptionText>Unsupported\n  output "
         "schema</ows:ExceptionText></ows:Exception></ows:ExceptionReport>",
         "a CSW exception report, InvalidParameterValue: Unsupported output schema"},
        {"a CSW response that holds none of its matches",
         "<csw:GetRecordsResponse xmlns:csw=\"http://www.opengis.net/cat/csw/2.0.2\"><csw:SearchResults "
         "numberOfRecordsMatched=\"120\" numberOfRecordsReturned=\"0\" nextRecord=\"0\"/></csw:GetRecordsResponse>",
         "a CSW response that says it matched 120 records but holds none"},
        {"a CSW response of no match",
         "<csw:GetRecordsResponse xmlns:csw=\"http://www.opengis.net/cat/csw/2.0.2\"><csw:SearchResults "
         "numberOfRecordsMatched=\"0\" numberOfRecordsReturned=\"0\"/></csw:GetRecordsResponse>",
         "a CSW response that matched no records"},
        {"a record of no CSR is a record", "<r>" + record(fileIdentifier("d") + hierarchyLevel("dataset")) + "</r>",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string holds = "(not set)";
        const ReadResult r = readDocument(document(c.text), 11, &holds);
        EXPECT_EQ(r.outcome, RecordReader::Outcome::Complete) << r.problem;
        EXPECT_EQ(holds, c.holds);
    }
}

} // namespace
