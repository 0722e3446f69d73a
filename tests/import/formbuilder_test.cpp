// The mapping of a record to a form, rule by rule; every expected line is written from the
// importer note's words.
#include <gtest/gtest.h>

#include "import/formbuilder.h"
#include "tests/import/csrrecord.h"

namespace {

using csrimport::BuiltRecord;
using csrimport::ImportedForm;
using csrimport::RecordVerdict;
using namespace csrtest;

struct FormBuilderTest : ::testing::Test {
    ImportedForm form;

    // Builds the form of a minimal record of 1995-04-12 to 1995-05-03 with more in it.
    void build(const std::string& recordMore, const std::string& identificationMore) {
        ASSERT_EQ(buildForm(document(minimalRecord("urn:SDN:CSR:LOCAL:AB12", "1995-04-12", "1995-05-03", recordMore,
                                                   identificationMore)),
                            &form),
                  RecordVerdict::Imported);
    }
    std::string line(std::size_t n) const { return n < form.lines.size() ? form.lines[n] : "(no line)"; }
};

TEST_F(FormBuilderTest, MinimalRecordHasTheTenHeaderLinesWithTheirSeparators) {
    build("", "");
    EXPECT_EQ(form.lines, (std::vector<std::string>{
                              "1995^^AB12^^0^",
                              "",
                              "",
                              "",
                              "12^Apr^3^May^",
                              "CR ^",
                              "^",
                              "",
                              "",
                              "Imported from urn:SDN:CSR:LOCAL:AB12, 1995-04-12 to 1995-05-03",
                          }));
    EXPECT_EQ(form.bytes(), "1995^^AB12^^0^\r\n\r\n\r\n\r\n12^Apr^3^May^\r\nCR ^\r\n^\r\n\r\n\r\n"
                            "Imported from urn:SDN:CSR:LOCAL:AB12, 1995-04-12 to 1995-05-03\r\n*\r\n");
}

TEST_F(FormBuilderTest, FullRecordGivesEveryLine) {
    const std::string originator = "<gmd:citedResponsibleParty>" +
                                   party("originator", "", "Havlab Institute", "NO", "Norway") +
                                   "</gmd:citedResponsibleParty>";
    build(dateStamp("2021-11-05T10:00:00"),
          citation("Skarv 95/2", originator) + "<gmd:abstract><gco:CharacterString>Hydrography of the Lofoten "
                                               "Basin</gco:CharacterString></gmd:abstract>" +
              "<gmd:pointOfContact>" + party("pointOfContact", "Dr Kari Vold", "Havlab Institute") +
              "</gmd:pointOfContact>" +
              keywords("platform", {codeKeyword("SDN_PlatformCode", "58SK", "Skarv")}) +
              keywords("platform_class", {codeKeyword("SDN_PlatformCategoryCode", "31", "research vessel")}) +
              keywords("project", {codeKeyword("SDN_EDMERPCode", "1", "NORSEAS"), codeKeyword("SDN_EDMERPCode", "2", "ARCWATCH")}) +
              keywords("departure_place", {codeKeyword("SDN_PortCode", "P1", "Bergen")}) +
              keywords("arrival_place", {codeKeyword("SDN_PortCode", "P2", "Bodo")}) +
              keywords("marsden_square", {codeKeyword("SDN_MarsdenCode", "217", "217")}));
    EXPECT_EQ(line(0), "1995^58SK^AB12^05/11/21^0^NORSEAS; ARCWATCH");
    EXPECT_EQ(line(1), "Norway");
    EXPECT_EQ(line(2), "^217");
    EXPECT_EQ(line(3), "Havlab Institute");
    EXPECT_EQ(line(4), "12^Apr^3^May^Bergen - Bodo");
    EXPECT_EQ(line(5), "CR Skarv 95/2^Hydrography of the Lofoten Basin");
    EXPECT_EQ(line(6), "Skarv^research vessel");
    EXPECT_EQ(line(7), "Dr Kari Vold, Havlab Institute");
}

TEST_F(FormBuilderTest, HierarchyLevelThenBeginDateDecideWhetherARecordIsImported) {
    EXPECT_EQ(buildForm(document(record(fileIdentifier("x") + hierarchyLevel("CDI") + identification(period("bad", "")))),
                        &form),
              RecordVerdict::NotCsr);
    EXPECT_EQ(buildForm(document(record(fileIdentifier("x") + hierarchyLevel("csr") + identification(period("1995-01-01", "")))),
                        &form),
              RecordVerdict::NotCsr);
    EXPECT_EQ(buildForm(document(record(fileIdentifier("x") + hierarchyLevel(" CSR ") + identification(period("1995-01-01", "")))),
                        &form),
              RecordVerdict::Imported);
    EXPECT_EQ(buildForm(document(minimalRecord("x", "1995-02-30", "")), &form), RecordVerdict::NoBeginDate);
    EXPECT_EQ(buildForm(document(minimalRecord("x", "", "1995-02-03")), &form), RecordVerdict::NoBeginDate);
    EXPECT_EQ(buildForm(document(minimalRecord("x", "0999-01-01", "")), &form), RecordVerdict::NoBeginDate);
}

TEST_F(FormBuilderTest, EndMissingOrUnreadableIsTheBeginAndAnEarlierEndIsKept) {
    ASSERT_EQ(buildForm(document(minimalRecord("a:b", "1996-12-28T08:00:00Z", "garbage")), &form), RecordVerdict::Imported);
    EXPECT_EQ(line(4), "28^Dec^28^Dec^");
    EXPECT_EQ(line(9), "Imported from a:b, 1996-12-28 to 1996-12-28");
    ASSERT_EQ(buildForm(document(minimalRecord("a:b", "1996-12-28", "1996-03-01")), &form), RecordVerdict::Imported);
    EXPECT_EQ(line(4), "28^Dec^1^Mar^");
    ASSERT_EQ(buildForm(document(minimalRecord("a:b", "1996-12-28", "1997-01-09")), &form), RecordVerdict::Imported);
    EXPECT_EQ(line(0).substr(0, 5), "1996^");
    EXPECT_EQ(line(9), "Imported from a:b, 1996-12-28 to 1997-01-09");
}

TEST_F(FormBuilderTest, BeginPositionWinsOverBeginInstantEvenWhenUnreadable) {
    const std::string instants = "<gmd:extent><gmd:EX_Extent><gmd:temporalElement><gmd:EX_TemporalExtent><gmd:extent>"
                                 "<gml:TimePeriod gml:id=\"i\">%B<gml:begin><gml:TimeInstant gml:id=\"b\"><gml:timePosition>"
                                 "1994-06-01</gml:timePosition></gml:TimeInstant></gml:begin><gml:end><gml:TimeInstant "
                                 "gml:id=\"e\"><gml:timePosition>1994-06-20</gml:timePosition></gml:TimeInstant></gml:end>"
                                 "</gml:TimePeriod></gmd:extent></gmd:EX_TemporalExtent></gmd:temporalElement></gmd:EX_Extent>"
                                 "</gmd:extent>";
    std::string withInstants = instants;
    withInstants.replace(withInstants.find("%B"), 2, "");
    ASSERT_EQ(buildForm(document(record(fileIdentifier("i") + hierarchyLevel() + identification(withInstants))), &form),
              RecordVerdict::Imported);
    EXPECT_EQ(line(4), "1^Jun^20^Jun^");
    std::string unreadable = instants;
    unreadable.replace(unreadable.find("%B"), 2, "<gml:beginPosition>unknown</gml:beginPosition>");
    EXPECT_EQ(buildForm(document(record(fileIdentifier("i") + hierarchyLevel() + identification(unreadable))), &form),
              RecordVerdict::NoBeginDate);
}

TEST_F(FormBuilderTest, LocalIdentifierIsAfterTheLastColonTrimmed) {
    ASSERT_EQ(buildForm(document(minimalRecord("  urn:x: 77 ", "1995-01-01", "")), &form), RecordVerdict::Imported);
    EXPECT_EQ(line(0), "1995^^77^^0^");
    EXPECT_EQ(line(9), "Imported from urn:x: 77, 1995-01-01 to 1995-01-01");
    ASSERT_EQ(buildForm(document(minimalRecord("plain", "1995-01-01", "")), &form), RecordVerdict::Imported);
    EXPECT_EQ(line(0), "1995^^plain^^0^");
}

TEST_F(FormBuilderTest, CountryIsTheFirstOriginatorWithOneThenTheFirstContactWithOne) {
    const std::string parties =
        "<gmd:citedResponsibleParty>" + party("custodian", "", "Keeper", "FR", "France") + "</gmd:citedResponsibleParty>" +
        "<gmd:citedResponsibleParty>" + party("originator", "", "First Lab") + "</gmd:citedResponsibleParty>" +
        "<gmd:citedResponsibleParty>" + party("originator", "", "Second Lab", "GB", "United Kingdom") +
        "</gmd:citedResponsibleParty>";
    build("", citation("t", parties));
    EXPECT_EQ(line(1), "UK");
    EXPECT_EQ(line(3), "First Lab; Second Lab");

    build("<gmd:contact>" + party("pointOfContact", "", "Desk") + "</gmd:contact><gmd:contact>" +
              party("pointOfContact", "", "Desk", "US", "United States") + "</gmd:contact>",
          citation("t", "<gmd:citedResponsibleParty>" + party("originator", "", "Lab") + "</gmd:citedResponsibleParty>"));
    EXPECT_EQ(line(1), "USA");

    build("", citation("t", "<gmd:citedResponsibleParty>" + party("originator", "", "Lab", "IE", "Ireland") +
                                "</gmd:citedResponsibleParty>"));
    EXPECT_EQ(line(1), "Ireland");
}

TEST_F(FormBuilderTest, CountryGivenAsTextIsWrittenAsItIs) {
    const std::string textCountry =
        "<gmd:CI_ResponsibleParty><gmd:organisationName><gco:CharacterString>Lab</gco:CharacterString>"
        "</gmd:organisationName><gmd:contactInfo><gmd:CI_Contact><gmd:address><gmd:CI_Address><gmd:country>"
        "<gco:CharacterString>Faroe Islands</gco:CharacterString></gmd:country></gmd:CI_Address></gmd:address>"
        "</gmd:CI_Contact></gmd:contactInfo><gmd:role><gmd:CI_RoleCode codeListValue=\"originator\"/></gmd:role>"
        "</gmd:CI_ResponsibleParty>";
    build("", citation("t", "<gmd:citedResponsibleParty>" + textCountry + "</gmd:citedResponsibleParty>"));
    EXPECT_EQ(line(1), "Faroe Islands");
}

TEST_F(FormBuilderTest, PortsKeepTheirDashWhenOneSideIsThere) {
    build("", keywords("departure_place", {codeKeyword("SDN_PortCode", "P", "Recife")}));
    EXPECT_EQ(line(4), "12^Apr^3^May^Recife - ");
    build("", keywords("departure_place", {codeKeyword("SDN_PortCode", "P", "")}) +
                  keywords("arrival_place", {codeKeyword("SDN_PortCode", "Q", "Salvador")}));
    EXPECT_EQ(line(4), "12^Apr^3^May^ - Salvador");
}

TEST_F(FormBuilderTest, FirstKeywordIsTheFirstElementOfTheFirstKeywordOverAllBlocks) {
    build("", keywords("platform", {"<gco:CharacterString>Unnamed launch</gco:CharacterString>"}) +
                  keywords("platform", {codeKeyword("SDN_PlatformCode", "06AQ", "Polar Star")}));
    EXPECT_EQ(line(0), "1995^^AB12^^0^");
    EXPECT_EQ(line(6), "Unnamed launch^");
}

TEST_F(FormBuilderTest, ListsHoldEachDistinctLabelOnceInDocumentOrder) {
    build("", keywords("project", {codeKeyword("SDN_EDMERPCode", "1", "WOCE"), codeKeyword("SDN_EDMERPCode", "2", "")}) +
                  keywords("project", {codeKeyword("SDN_EDMERPCode", "3", "JGOFS"), codeKeyword("SDN_EDMERPCode", "1", "WOCE")}));
    EXPECT_EQ(line(0), "1995^^AB12^^0^WOCE; JGOFS");
}

TEST_F(FormBuilderTest, KeywordTypeDecidesNotTheThesaurusTitle) {
    build("", keywords("project", {codeKeyword("SDN_MarsdenCode", "183", "183")}, "<gmd:title><gco:CharacterString>"
                                                                                   "Marsden squares</gco:CharacterString></gmd:title>") +
                  keywords("marsden_square", {codeKeyword("SDN_MarsdenCode", "5", "5")},
                           "<gmd:title><gco:CharacterString>Projects</gco:CharacterString></gmd:title>"));
    EXPECT_EQ(line(0), "1995^^AB12^^0^183");
    EXPECT_EQ(line(2), "^005");
}

TEST_F(FormBuilderTest, PersonsJoinNameAndOrganisationAndChiefScientistsAreAList) {
    build("", "<gmd:pointOfContact>" + party("pointOfContact", "Ann Lee", "") + "</gmd:pointOfContact>" +
                  "<gmd:pointOfContact>" + party("pointOfContact", "", "") + "</gmd:pointOfContact>" +
                  "<gmd:pointOfContact>" + party("pointOfContact", "", "Ocean Lab") + "</gmd:pointOfContact>" +
                  "<gmd:pointOfContact>" + party("pointOfContact", "Ann  Lee", "") + "</gmd:pointOfContact>");
    EXPECT_EQ(line(7), "Ann Lee; Ocean Lab");
}

TEST_F(FormBuilderTest, TextIsConvertedThenCleaned) {
    build("", citation(" Leg\t2 ^ north\n of 60 ") +
                  "<gmd:abstract><gco:CharacterString>Gda\xC5\x84sk &#8211; Tromsø&#x200B;\xC2\xA0x</gco:CharacterString>"
                  "</gmd:abstract>");
    EXPECT_EQ(line(5), "CR Leg 2 / north of 60^Gdansk \x96 Troms\xF8\xA0x");
    EXPECT_EQ(form.transliterated, 2u); // the n with acute and the zero-width space
}

TEST_F(FormBuilderTest, CodesWrittenIntoTheFormCountTheirTransliteratedCharacters) {
    // "\xC5\x81" is L with stroke, "\xCE\xA9" omega, "\xC5\x9B" s with acute: Windows-1252 lacks
    // them. The country's label is not written (GB is "UK"), so it counts nothing.
    build(acquisition(objective("H1\xCE\xA9", "", "4", "CSRU\xC5\x9B", "")),
          citation("t", "<gmd:citedResponsibleParty>" + party("originator", "", "", "GB", "\xC5\x81" "and") +
                            "</gmd:citedResponsibleParty>") +
              keywords("platform", {codeKeyword("SDN_PlatformCode", "\xC5\x81" "01", "Ship")}));
    EXPECT_EQ(line(0), "1995^L01^AB12^^0^");
    EXPECT_EQ(line(1), "UK");
    EXPECT_EQ(line(10), "H1?^4 CSRUs^^^^");
    EXPECT_EQ(form.transliterated, 3u);
}

TEST_F(FormBuilderTest, LineBeginningWithAStarGetsALeadingBlank) {
    build("", "<gmd:pointOfContact>" + party("pointOfContact", "*Starred", "") + "</gmd:pointOfContact>");
    EXPECT_EQ(line(7), " *Starred");
}

TEST_F(FormBuilderTest, TranslationsAreLeftOut) {
    build("", "<gmd:abstract><gmd:PT_FreeText><gmd:textGroup>Resume</gmd:textGroup></gmd:PT_FreeText>"
              "<gco:CharacterString>Summary</gco:CharacterString></gmd:abstract>");
    EXPECT_EQ(line(5), "CR ^Summary");
}

TEST_F(FormBuilderTest, ObservationLinesHaveSixFields) {
    const std::string pi1 = "<gmi:sponsor>" + party("principalInvestigator", "Bo Ek", "") + "</gmi:sponsor>";
    const std::string pi2 = "<gmi:sponsor>" + party("principalInvestigator", "Cy Ray", "Lab") + "</gmi:sponsor>";
    const std::string other = "<gmi:sponsor>" + party("funder", "Dee Money", "") + "</gmi:sponsor>";
    build("", "");
    build(acquisition(objective("H10", pi1, "64", "CSRU001", "number of stations", box("-38", "-38", "-20.5083", "-20.5083"),
                                "CTD casts ^ to 6000 m") +
                      objective("B18", pi2 + pi1 + other, "18", "CSRU004", "activity duration in hours",
                                box("-1.5", "7.25", "62.5", "68.75")) +
                      objective("H09", "", "", "CSRU004", "hours") + objective("ZZ9", pi2, "7", "CSRU009", "")),
          "");
    ASSERT_EQ(form.lines.size(), 14u);
    EXPECT_EQ(line(8), "Bo Ek^Cy Ray, Lab");
    EXPECT_EQ(line(10), "H10^64^a^2030S 03800W^^CTD casts / to 6000 m");
    EXPECT_EQ(line(11), "B18^18 activity duration in hours^ba^6230N 00130W - 6845N 00715E^^");
    EXPECT_EQ(line(12), "H09^^^^^");
    EXPECT_EQ(line(13), "ZZ9^7 CSRU009^b^^^");
}

TEST_F(FormBuilderTest, QuantityWithoutUnitIsWrittenAsItIs) {
    build(acquisition(objective("H09", "", "12 casts")), "");
    EXPECT_EQ(line(10), "H09^12 casts^^^^");
}

// Digits, a point and only zeros: the digits before the point, in the station column and in
// the quantity-unit text alike; anything else as it stands.
TEST_F(FormBuilderTest, WholeNumberQuantitiesAreWrittenAsWholeNumbers) {
    const std::pair<const char*, const char*> quantities[] = {
        {"130.000000", "130"}, {"3.0", "3"},       {"0.000000", "0"},   {"007.00", "007"}, {" 120.000000 ", "120"},
        {"12.5", "12.5"},      {"1e3", "1e3"},     {"120.", "120."},    {"-2.0", "-2.0"},  {"n/a", "n/a"},
        {".0", ".0"},          {"1.0.0", "1.0.0"}, {"10.00x", "10.00x"}};
    for (const auto& [written, shown] : quantities) {
        SCOPED_TRACE(written);
        build(acquisition(objective("H10", "", written, "CSRU001", "number of stations") +
                          objective("B18", "", written, "CSRU004", "activity duration in hours")),
              "");
        EXPECT_EQ(line(10), std::string("H10^") + shown + "^^^^");
        EXPECT_EQ(line(11), std::string("B18^") + shown + " activity duration in hours^^^^");
    }
}

TEST_F(FormBuilderTest, OnlyTheFirst190ObjectivesAndTheFirst26InvestigatorsCount) {
    std::string objectives;
    for (int i = 0; i < 200; ++i) {
        const std::string name = "PI " + std::to_string(i);
        objectives += objective("H10", "<gmi:sponsor>" + party("principalInvestigator", name, "") + "</gmi:sponsor>");
    }
    build(acquisition(objectives), "");
    ASSERT_EQ(form.lines.size(), 200u);
    EXPECT_EQ(form.objectivesLeftOut, 10u);
    EXPECT_EQ(form.investigatorsLeftOut, 190u - 26u);
    std::string expected8;
    for (int i = 0; i < 26; ++i) expected8 += (i ? "^PI " : "PI ") + std::to_string(i);
    EXPECT_EQ(line(8), expected8);
    EXPECT_EQ(line(35), "H10^^z^^^");
    EXPECT_EQ(line(36), "H10^^^^^");
}

TEST_F(FormBuilderTest, PositionsNeedFourReadableValuesInRange) {
    const auto position = [&](const std::string& boxText) {
        build(acquisition(objective("H10", "", "", "", "", boxText)), "");
        return line(10);
    };
    EXPECT_EQ(position(box("0", "0", "0", "0")), "H10^^^0000N 00000E^^");
    EXPECT_EQ(position(box("-0", "-0", "-0.001", "-0.001")), "H10^^^0000S 00000E^^");
    EXPECT_EQ(position(box("179.99999", "179.99999", "59.999", "59.999")), "H10^^^6000N 18000E^^");
    EXPECT_EQ(position(box("1.5e1", "15", "2E+1", "20.0")), "H10^^^2000N 01500E^^");
    EXPECT_EQ(position(box("10.125", "10.125", "0.0083", "0.0083")), "H10^^^0000N 01008E^^");
    EXPECT_EQ(position(box("10", "11", "91", "1")), "H10^^^^^");
    EXPECT_EQ(position(box("-180.5", "1", "1", "1")), "H10^^^^^");
    EXPECT_EQ(position(box("1", "1", "-", "1")), "H10^^^^^");
    EXPECT_EQ(position(box("1,5", "1", "1", "1")), "H10^^^^^");
}

TEST_F(FormBuilderTest, PositionIsTheFirstBoxBelowAnyOfTheObjectiveExtents) {
    const auto objectiveWith = [](const std::string& extents) {
        return "<gmi:objective><sdn:SDN_Objective>" + extents +
               "<gmi:sensingInstrument><gmi:MI_Instrument><gmi:type><sdn:SDN_DataCategoryCode codeListValue=\"H10\">"
               "CTD</sdn:SDN_DataCategoryCode></gmi:type></gmi:MI_Instrument></gmi:sensingInstrument>"
               "</sdn:SDN_Objective></gmi:objective>";
    };
    const std::string timeOnly = "<gmi:extent><gmd:EX_Extent><gmd:description><gco:CharacterString>leg 1"
                                 "</gco:CharacterString></gmd:description></gmd:EX_Extent></gmi:extent>";
    const auto boxExtent = [](const std::string& boxText) {
        return "<gmi:extent><gmd:EX_Extent><gmd:geographicElement>" + boxText +
               "</gmd:geographicElement></gmd:EX_Extent></gmi:extent>";
    };
    build(acquisition(objectiveWith(timeOnly + boxExtent(box("-20.5", "-20.5", "55.25", "55.25")) +
                                    boxExtent(box("1", "1", "1", "1")))),
          "");
    EXPECT_EQ(line(10), "H10^^^5515N 02030W^^");
    // The first box decides even when it is not usable.
    build(acquisition(objectiveWith(boxExtent(box("1", "1", "-", "1")) + boxExtent(box("2", "2", "2", "2")))), "");
    EXPECT_EQ(line(10), "H10^^^^^");
}

// What a record makes, kept as bytes, is given back whole; bytes it did not write are refused.
TEST(BuiltRecord, EncodedIsDecodedWholeAndOtherBytesAreRefused) {
    const std::string document = csrtest::document(
        csrtest::minimalRecord("urn:SDN:CSR:LOCAL:77", "1994-01-04", "1994-02-01", csrtest::dateStamp("2021-05-06")));
    ImportedForm form;
    ASSERT_EQ(csrtest::buildForm(document, &form), RecordVerdict::Imported);
    BuiltRecord built;
    built.verdict = RecordVerdict::Imported;
    built.form = form;
    built.form.transliterated = 3;
    built.form.lines.push_back("line with 12:colons: and \r\n inside");
    const std::optional<BuiltRecord> back = BuiltRecord::decode(built.encode());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->form.bytes(), built.form.bytes());
    EXPECT_EQ(back->form.begin, form.begin);
    EXPECT_EQ(back->form.end, form.end);
    EXPECT_EQ(back->form.dateStamp, form.dateStamp);
    EXPECT_EQ(back->form.duplicateKey, form.duplicateKey);
    EXPECT_EQ(back->form.localIdentifier, "77");
    EXPECT_EQ(back->form.transliterated, 3u);

    BuiltRecord skipped;
    skipped.verdict = RecordVerdict::NoBeginDate;
    skipped.skippedIdentifier = "urn:x";
    const std::optional<BuiltRecord> skippedBack = BuiltRecord::decode(skipped.encode());
    ASSERT_TRUE(skippedBack);
    EXPECT_EQ(skippedBack->verdict, RecordVerdict::NoBeginDate);
    EXPECT_EQ(skippedBack->skippedIdentifier, "urn:x");

    const std::string bytes = built.encode();
    for (const std::string& bad : {std::string(), std::string("7:"), bytes.substr(0, bytes.size() - 1), bytes + "x",
                                   std::string("1:9"), std::string("99999999999999:x")})
        EXPECT_FALSE(BuiltRecord::decode(bad)) << bad;
}

} // namespace
