// The code table: observation types, "NOP", the parameter codes and their 18 code lists.
#include "tables/rptable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <utility>

namespace tables {

namespace {

// Entry texts of slots 1 to 168. Slots 1 to 91 are the observation types of the CSR form (code, blank,
// definition; a trailing " *" means the form's default count is nautical miles), slot 92 the pseudo-code
// "NOP", slots 93 to 168 the Kervos/BODC/JGOFS parameter codes (code, blank, "(type)", definition). The
// texts are kept as distributed: slot 147 repeats its code, and slots 152 to 154 and 157 to 159 have two
// blanks after the code. Reports print them byte for byte, so do not tidy them.
constexpr std::string_view kEntries[] = {
    "M01 Upper air observations",
    "M02 Incident radiation",
    "M05 Occasional standard measurements",
    "M06 Routine standard measurements",
    "M71 Atmospheric chemistry",
    "M90 Other meteorological measurements",
    "H71 Surface measurements underway (T,S) *",
    "H13 Bathythermograph",
    "H09 Water bottle stations",
    "H10 CTD stations",
    "H11 Subsurface measurements underway (T,S) *",
    "H72 Thermistor chain",
    "H16 Transparency (eg transmissometer)",
    "H17 Optics (eg underwater light levels)",
    "H73 Geochemical tracers (eg freons)",
    "D01 Current meters",
    "D71 Current profiler (eg ADCP)",
    "D03 Currents measured from ship drift *",
    "D04 GEK",
    "D05 Surface drifters/drifting buoys",
    "D06 Neutrally buoyant floats",
    "D09 Sea level (incl. bottom pressure & inverted echosounder)",
    "D72 Instrumented wave measurements",
    "D90 Other physical oceanographic measurements",
    "H21 Oxygen",
    "H74 Carbon dioxide",
    "H33 Other dissolved gases",
    "H22 Phosphate",
    "H23 Total - P",
    "H24 Nitrate",
    "H25 Nitrite",
    "H75 Total - N",
    "H76 Ammonia",
    "H26 Silicate",
    "H27 Alkalinity",
    "H28 pH",
    "H30 Trace elements",
    "H31 Radioactivity",
    "H32 Isotopes",
    "H90 Other chemical oceanographic measurements",
    "P01 Suspended matter",
    "P02 Trace metals",
    "P03 Petroleum residues",
    "P04 Chlorinated hydrocarbons",
    "P05 Other dissolved substances",
    "P12 Bottom deposits",
    "P13 Contaminants in organisms",
    "P90 Other contaminant measurements",
    "B01 Primary productivity",
    "B02 Phytoplankton pigments (eg chlorophyll, fluorescence)",
    "B71 Particulate organic matter (inc POC, PON)",
    "B06 Dissolved organic matter (inc DOC)",
    "B72 Biochemical measurements (eg lipids, amino acids)",
    "B73 Sediment traps",
    "B08 Phytoplankton",
    "B09 Zooplankton",
    "B03 Seston",
    "B10 Neuston",
    "B11 Nekton",
    "B13 Eggs & larvae",
    "B07 Pelagic bacteria/micro-organisms",
    "B16 Benthic bacteria/micro-organisms",
    "B17 Phytobenthos",
    "B18 Zoobenthos",
    "B25 Birds",
    "B26 Mammals & reptiles",
    "B14 Pelagic fish",
    "B19 Demersal fish",
    "B20 Molluscs",
    "B21 Crustaceans",
    "B28 Acoustic reflection on marine organisms.",
    "B37 Taggings",
    "B64 Gear research",
    "B65 Exploratory fishing",
    "B90 Other biological/fisheries measurements",
    "G01 Dredge",
    "G02 Grab",
    "G03 Core - rock",
    "G04 Core - soft bottom",
    "G08 Bottom photography",
    "G71 In-situ seafloor measurement/sampling",
    "G72 Geophysical measurements made at depth",
    "G73 Single-beam echosounding *",
    "G74 Multi-beam echosounding *",
    "G24 Long/short range side scan sonar *",
    "G75 Single channel seismic reflection *",
    "G76 Multichannel seismic reflection *",
    "G26 Seismic refraction *",
    "G27 Gravity measurements",
    "G28 Magnetic measurements",
    "G90 Other geological/geophysical measurements",
    "NOP",
    "ATTNZR01 (H16)Red light attenuance (unspecified beam)",
    "IRRDPP01 (H17)Downwelling 2-pi PAR irradiance",
    "NPUPRYP4 (H22)Normalised phosphorous uptake (dark with antibiotic)",
    "NPUPRZP4 (H22)Normalised phosphorous uptake (188 uE/m2/s with antibiotic)",
    "NPUPRBP1 (H22)Normalised phosphorous uptake (188 uE/m2/s)",
    "NPUPRDP1 (H22)Normalised phosphorous uptake (dark)",
    "NPUPRDP4 (H22)Normalised phosphorous uptake (dark)",
    "NPUPRPP1 (H22)Normalised phosphorous uptake (azide control)",
    "NPUPRPP4 (H22)Normalised phosphorous uptake (azide control)",
    "SNPURBPB (H22)Size-fractionated normalised phosphorus uptake (188 uE/m2/s)",
    "SNPURBPF (H22)Size-fractionated normalised phosphorus uptake (188 uE/m2/s)",
    "SNPURDPB (H22)Size-fractionated normalised phosphorus uptake (dark)",
    "SNPURDPF (H22)Size-fractionated normalised phosphorus uptake (dark)",
    "SNPURPPB (H22)Size-fractionated normalised phosphorus uptake (azide control)",
    "SNPURPPF (H22)Size-fractionated normalised phosphorus uptake (azide control)",
    "NPUPRBP4 (H22)Normalised phosphorous uptake (188 uE/m2/s)",
    "NNUPRBP1 (H24)Normalised nitrate uptake (188 uE/m2/s)",
    "ALXXLGD2 (H30)Dissolved aluminium",
    "CDRURBP2 (H30)Cadmium relative uptake rate (188 uE/m2/s)",
    "CDRURDP2 (H30)Cadmium relative uptake rate (dark)",
    "CORURBP2 (H30)Cobalt relative uptake rate (188 uE/m2/s)",
    "CORURDP2 (H30)Cobalt relative uptake rate (dark)",
    "MNRURBP2 (H30)Manganese relative uptake rate (188 uE/m2/s)",
    "MNRURDP2 (H30)Manganese relative uptake rate (dark)",
    "ZNRURBP2 (H30)Zinc relative uptake rate (188 uE/m2/s)",
    "ZNRURDP2 (H30)Zinc relative uptake rate (dark)",
    "3H1HMXTX (H32)Tritium/hydrogen atomic ratio",
    "D13CMOPC (H32)Particulate organic carbon 13C enrichment",
    "D18OMXFZ (H32)Unspecified benthic foramenifera test",
    "IORTAMDP (H32)Iodine 129 to 127 ratio",
    "SEIRAMDP (H32)Standard Error of I129/127",
    "HEXCMXXX (H33)Dissolved helium",
    "DSF6GCDX (H73)Dissolved sulphur hexafluoride",
    "F113GCTX (H73)Freon - 113",
    "FR11GCTX (H73)Freon - 11",
    "FR12GCTX (H73)Freon - 12",
    "QCMXGCTX (H73)Tetrachloromethane(CCl4)",
    "TCEAGCD3 (H73)Dissolved Trichloroethane (C2H3Cl3)",
    "NCUPRZP4 (H74)Normalised carbon uptake (188 uE/m2/s with antibiotic)",
    "NCUPRBP1 (H74)Normalised carbon uptake (188 uE/m2/s)",
    "NCUPRBP4 (H74)Normalised carbon uptake (188 uE/m2/s)",
    "PCO2C101 (H74)pCO2",
    "PCO2GC01 (H74)pCO2 by Gas chromatography",
    "PCO2PT01 (H74)pCO2 at potential temperature",
    "PCOTXXXX (H74)Temperature of pCO2 determination",
    "SNCURBPB (H74)Size-fractionated normalised carbon uptake (188 uE/m2/s)",
    "SNCURBPF (H74)Size-fractionated normalised carbon uptake (188 uE/m2/s)",
    "SNCURZPB (H74)Size-fractionated normalised carbon uptake (188 uE/m2/s with antibiotic)",
    "SNCURZPF (H74)Size-fractionated normalised carbon uptake (188 uE/m2/s with antibiotic)",
    "TCO2C1TX (H74)Total dissolved inorganic carbon (TCO2)",
    "TCO2CBTX (H74)Total dissolved inorganic carbon (TCO2)",
    "NAUPRBP1 (H76)Normalised ammonium uptake (188 uE/m2/s)",
    "NUUPRBP1 (H90)Normalised urea uptake (188 uE/m2/s)",
    "UREAMDTX (H90)Urea (unfiltered)",
    "ALPHPIP1 (B01)ALPHPIP1  Quantum yield (alpha)",
    "PMAXPIP1 (B01)Photosynthetic maximum (Pmax)",
    "SFPXPIPE (B01)Size frac. photosynthetic maximum (Pmax)",
    "TCUPROPZ (B01)Carbon uptake over incubation",
    "SNCURSPB (B01)Size-fractionated normalised carbon uptake (natural light)",
    "CAROSSP1  (B02)Spectrophotometric carotenoid pigments (SCOR)",
    "CHLBSSP1  (B02)Spectrophotometric chlorophyll-b (SCOR)",
    "CHLCSSP1  (B02)Spectrophotometric chlorophyll-c (SCOR)",
    "CPHLPR01 (B02)In-situ fluorometer chlorophyll",
    "CPHLFLP1 (B02)Fluorometric chlorophyll-a",
    "CPHLSSP1  (B02)Spectrophotometric chlorophyll-a (SCOR)",
    "PHAESPP1  (B02)Spectrophotometric phaeopigments (Lorenzen)(GF/F filter)",
    "PHAESPPZ  (B02)Spectrophotometric phaeopigments (Lorenzen)(Unspec filter)",
    "PHFXFLXX (B02)Fluorometric phaeopigment flux",
    "CORGCOD1 (B06)Dissolved Organic carbon (GFF Filter)",
    "CORGCOD2 (B06)Dissolved Organic carbon (.4um filter)",
    "NTOTCNP1 (B71)Particulate total nitrogen (PON)(C/N analyser GFF filter)",
    "NTOTCNPZ (B71)Particulate total nitrogen (PON)(C/N analyser unspecified filter)",
    "CORGCAP1 (B71)Particulate organic carbon (POC)(acidified-C/N analysis GFF filter)",
    "CORGCNPZ (B71)Particulate organic carbon (POC)(Unacidified C/N analysis unspecified filter)",
    "CORGCNP3 (B71)Particulate organic carbon (POC)(Unacicified C/N analysis GFC filter)",
    "OCFXCZXX (B71)Particulate organic carbon flux (acidification unspecified)",
};
static_assert(std::size(kEntries) == RpTable::kLastEntry);

struct CodeList {
    int first;
    int last;
    std::string_view caption;
};

// Slot ranges of the code lists and the captions of the menu entries that show them ("&" marks the access
// key). Lists 0 to 3 are the observation-type groups of the CSR form, 4 to 17 the parameter codes by type;
// slot 109, tagged "(H24)", sits at the end of the "(H22)" list. "NOP" is in no list.
constexpr std::array<CodeList, RpTable::kListCount> kLists = {{
    {1, 24, "&Meteorlogy/Physical Oceanography"},
    {25, 48, "&Chemical Oceanography/Pollution"},
    {49, 75, "&Biological Oceanography/Fisheries"},
    {76, 91, "&Geology/Geophysics"},
    {93, 93, "H16 &Transparency"},
    {94, 94, "H17 &Optics"},
    {95, 109, "H22 &Phosphate"},
    {110, 118, "H30 &Trace Elements"},
    {119, 123, "H32 &Isotopes"},
    {124, 124, "H33 &Other Dissolved Gases"},
    {125, 130, "H73 &Geochemical Tracers"},
    {131, 143, "H74 &Carbon Dioxide"},
    {144, 144, "H76 &Ammonia"},
    {145, 146, "H90 &Other Chemical Oceanography"},
    {147, 151, "B01 &Primary Productivity"},
    {152, 160, "B02 Ph&ytoplankton  Pigments"},
    {161, 162, "B06 &Dissolved Organic Matter (eg DOC)"},
    {163, 168, "B71 Particulate Organic Matter"},
}};

bool isList(int list) {
    return list >= 0 && list < RpTable::kListCount;
}

} // namespace

RpTable::RpTable() : m_slots(kSlots) {
    for (int slot = 1; slot <= kLastEntry; ++slot)
        m_slots[slot] = kEntries[slot - 1];
    for (int slot = 1; slot <= kLastEntry; ++slot)
        (slot < 93 ? m_typeKeys : m_parameterKeys).emplace_back(packKey(key(slot)), slot);
    std::sort(m_typeKeys.begin(), m_typeKeys.end());
    std::sort(m_parameterKeys.begin(), m_parameterKeys.end());
}

std::uint64_t RpTable::packKey(std::string_view key) {
    std::uint64_t packed = 0;
    std::memcpy(&packed, key.data(), std::min<std::size_t>(key.size(), sizeof packed));
    return packed;
}

int RpTable::lookup(const std::vector<std::pair<std::uint64_t, int>>& keys, std::string_view key) {
    const std::uint64_t packed = packKey(key);
    auto it = std::lower_bound(keys.begin(), keys.end(), std::make_pair(packed, 0));
    return (it != keys.end() && it->first == packed) ? it->second : 0;
}

const std::string& RpTable::entry(int slot) const {
    static const std::string empty;
    if (slot < 0 || slot >= kSlots) return empty;
    return m_slots[slot];
}

std::string_view RpTable::key(int slot) const {
    return std::string_view(entry(slot)).substr(0, keyWidth(slot));
}

// Keys are distinct and every observation type (3 characters, slots 1 to 92) comes before every
// parameter code (8 characters), so a search of the first 3 and then the first 8 characters
// finds the same slot as a scan of the table in slot order.
int RpTable::findByCode(std::string_view code) const {
    if (code.size() == 3) return lookup(m_typeKeys, code);
    if (code.size() == 8) return lookup(m_parameterKeys, code);
    return 0;
}

int RpTable::findByLine(std::string_view line) const {
    // Leading characters only: a line starting "H16" matches slot 13 whatever follows.
    if (line.size() >= 3) {
        if (int slot = lookup(m_typeKeys, line.substr(0, 3))) return slot;
    }
    if (line.size() >= 8) {
        if (int slot = lookup(m_parameterKeys, line.substr(0, 8))) return slot;
    }
    return kNotValidSlot;
}

int RpTable::listFirstSlot(int list) {
    return isList(list) ? kLists[list].first : 0;
}

int RpTable::listLastSlot(int list) {
    return isList(list) ? kLists[list].last : 0;
}

std::vector<std::string> RpTable::listRows(int list) const {
    std::vector<std::string> rows;
    if (!isList(list)) return rows;
    for (int slot = kLists[list].first; slot <= kLists[list].last; ++slot)
        rows.push_back(m_slots[slot]);
    return rows;
}

std::string_view RpTable::listCaption(int list) {
    return isList(list) ? kLists[list].caption : std::string_view();
}

} // namespace tables
