// The IHB area table and the five pick-list tables, with the headings of their lists.
#include "tables/picklists.h"

#include <array>

namespace tables {

namespace {

// Index of the last non-empty slot, so that each table's value count is checked when it is compiled.
template <std::size_t N> constexpr int lastFilled(const std::array<std::string_view, N>& slots) {
    int last = -1;
    for (std::size_t i = 0; i < N; ++i) {
        if (!slots[i].empty()) last = static_cast<int>(i);
    }
    return last;
}

// Slots 0 and 1 stay empty: the list each table fills already holds its heading and an empty row, so
// slot r is row r of the list.

// Sample projects held in the ULMA Kervos database.
constexpr std::array<std::string_view, 31> kProjects = {
    "",        "",     "WOCE",  "JGOFS", "IYFS",  "IBTS",   "Overflow",   "SKAGEX",
    "PEX",     "MAST", "VEINS", "ESOP",  "TASC",  "OMEX",   "FLUXMANCHE", "CINECA",
    "JONSDAP", "FLEX", "BMP",   "JMP",   "IGOSS", "NANSEN", "GSP",
};
static_assert(lastFilled(kProjects) == 22);

// Sample countries of the Kervos cruises.
constexpr std::array<std::string_view, 31> kCountries = {
    "",         "",        "Angola", "Australia", "Belgium",     "Canada", "Denmark",
    "Estonia",  "Finland", "France", "FRG",       "Greece",      "GDR",    "Iceland",
    "Ireland",  "Japan",   "Latvia", "Lithuania", "Netherlands", "Norway", "Poland",
    "Portugal", "Russia",  "Spain",  "Sweden",    "UK",          "USA",    "USSR",
};
static_assert(lastFilled(kCountries) == 27);

// Sea areas of the International Hydrographic Bureau: two-digit area number, sub-area letter or blank, a
// blank, the name. The names are kept as distributed, spellings included ("Artic Ocean", "Gulf of Agaba",
// "Halmahra Sea", "Indian Sea", area 59 ending in "and").
constexpr std::array<std::string_view, 114> kIhbAreas = {
    "",
    "",
    "01  Baltic Sea",
    "01a Gulf of Bothnia",
    "01b Gulf of Finland",
    "01c Gulf of Riga",
    "02  Kattegat, Sound and Belts",
    "03  Skagerrak",
    "04  North Sea",
    "05  Greenland Sea",
    "06  Norwegian Sea",
    "07  Barents Sea",
    "08  White Sea",
    "09  Kara Sea",
    "10  Laptev (or Nordenskjold) Sea",
    "11  East Siberia Sea",
    "12  Chukchi Sea",
    "13  Beaufort Sea",
    "14  Northwest Passage",
    "14a Baffin Bay",
    "15  Davis Strait",
    "15a Labrador Sea",
    "16  Hudson Bay",
    "16a Hudson Strait",
    "17  Artic Ocean",
    "17a Lincoln Sea",
    "18  Inland Sea off the West Coast of Scotland",
    "19  Irish Sea and the St. George's Channel",
    "20  Bristol Channel",
    "21  English Channel",
    "21a Celtic Sea",
    "22  Bay of Biscay",
    "23  North Atlantic Ocean",
    "23a NE Atlantic Ocean (Limit 40W)",
    "23b NW Atlantic Ocean (Limit 40W)",
    "24  Gulf of St. Lawrence",
    "25  Bay of Fundy",
    "26  Gulf of Mexico",
    "27  Caribbean Sea",
    "28  Mediterranean Sea",
    "28a Western Basin",
    "28b Eastern Basin",
    "28c Strait of Gibraltar",
    "28d Alboran Sea",
    "28e Balearic Sea (or Iberian Sea)",
    "28f Ligurian Sea",
    "28g Tyrrhenian Sea",
    "28h Ionian Sea",
    "28i Adriatic Sea",
    "28j Aegean Sea",
    "29  Sea of Marmara",
    "30  Black Sea",
    "31  Sea of Azov",
    "32  South Atlantic Ocean",
    "32a SE Atlantic Ocean (limit 20W)",
    "32b SW Atlantic Ocean (limit 20W)",
    "33  Rio de la Plata",
    "34  Gulf of Guinea",
    "35  Gulf of Suez",
    "36  Gulf of Agaba",
    "37  Red Sea",
    "38  Gulf of Aden",
    "39  Arabian Sea",
    "40  Gulf of Oman",
    "41  Gulf of Iran (Persian Gulf)",
    "42  Laccadive Sea",
    "43  Bay of Bengal",
    "44  Andaman or Burma Sea",
    "45  Indian Sea",
    "45a Mozambique Channel",
    "46  Malacca and Singapore Straits",
    "46a Strait of Malacca",
    "46b Strait of Singapore",
    "47  Gulf of Thailand (Siam)",
    "48  East Indian Archipelago (Indonesia)",
    "48a Sulu Sea",
    "48b Celebes Sea",
    "48c Molucca Sea",
    "48d Gulf of Tomini",
    "48e Halmahra Sea",
    "48f Ceram Sea",
    "48g Banda Sea",
    "48h Arafura Sea",
    "48i Timor Sea",
    "48j Flores Sea",
    "48k Gulf of Boni",
    "48l Bali Sea",
    "48m Makassar Strait",
    "48n Java Sea",
    "48o Savu Sea",
    "49  South China Sea (Nan Hai)",
    "50  East China Sea (Tung Hai)",
    "51  Yellow Sea (Hwang Hai)",
    "52  Sea of Japan",
    "53  Inland Sea (Seto Naikai)",
    "54  Sea of Okhotsk",
    "55  Bering Sea",
    "56  Philippine Sea",
    "57  North Pacific Ocean",
    "57a NE Pacific Ocean (limit 180 deg)",
    "57b NW Pacific Ocean (limit 180 deg)",
    "58  Gulf of Alaska",
    "59  Coastal Waters of SE Alaska and",
    "59a British Columbia",
    "60  Gulf of California",
    "61  South Pacific Ocean",
    "61a SE Pacific Ocean (limit 140W)",
    "61b SW Pacific Ocean (limit 140W)",
    "62  Great Australian Bight",
    "62a Bass Strait",
    "63  Tasman Sea",
    "64  Coral Sea",
    "65  Solomon Sea",
    "66  Bismarck Sea",
};
static_assert(lastFilled(kIhbAreas) == 113);

// Sample operating agencies of the Kervos cruises. Two values hold " OR " on purpose: picked, each gives
// the agency criterion two alternatives.
constexpr std::array<std::string_view, 31> kAgencies = {
    "",
    "",
    "Ministry of Public Health",
    "Universite Libre de Bruxelles",
    "Fisheries Research Station",
    "Bedford Institute of Oceanography",
    "DFO",
    "Greenland Fisheries Research Institute",
    "Danish Institute for Fisheries and Marine Research",
    "Fiskirannsoeknarstovan",
    "ORSTOM",
    "IFREMER",
    "Academy of Sciences",
    "Bundesamt fur Seeschiffahrt und Hydrographie",
    "DHI",
    "RIVO",
    "NIOZ",
    "FMRS",
    "FHI",
    "University of Bergen",
    "IMGW",
    "IEO",
    "SMHI",
    "KBMS",
    "NERC",
    "MAFF OR CEFAS",
    "DAFS OR SOAFED",
    "NSF",
};
static_assert(lastFilled(kAgencies) == 27);

// Month abbreviations as the forms write them.
constexpr std::array<std::string_view, 15> kMonths = {
    "", "", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
};
static_assert(lastFilled(kMonths) == 13);

// Sample ships and platforms of the Kervos cruises.
constexpr std::array<std::string_view, 31> kShips = {
    "",         "",         "Franklin", "Belgica",        "Hudson",           "Dana",         "Aranda",
    "Thalassa", "Penck",    "Meteor",   "Celtic Voyager", "Arni Fridriksson", "Lough Beltra", "Aurelia",
    "Eldjarn",  "Hydromet", "Argos",    "Challenger",     "Columbus Iselin",  "Endeavor",     "Musson",
};
static_assert(lastFilled(kShips) == 20);

constexpr PickTable kProjTable{"Some Projects in ULMA Kervos Database", kProjects, 22};
constexpr PickTable kCuntTable{"Some Countries in ULMA Kervos Database", kCountries, 27};
constexpr PickTable kIhbTable{"IHB               Description of Area", kIhbAreas, 113};
constexpr PickTable kAgenTable{"Some Operating Agencies in ULMA Kervos Database", kAgencies, 27};
constexpr PickTable kMonthTable{"Months", kMonths, 13};
constexpr PickTable kShipTable{"Some Ships in ULMA Kervos Database", kShips, 20};

} // namespace

const PickTable& projtable() {
    return kProjTable;
}

const PickTable& cunttable() {
    return kCuntTable;
}

const PickTable& ihbtable() {
    return kIhbTable;
}

const PickTable& agentable() {
    return kAgenTable;
}

const PickTable& monthtable() {
    return kMonthTable;
}

const PickTable& shiptable() {
    return kShipTable;
}

} // namespace tables
