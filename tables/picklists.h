// The IHB area table and the five pick-list tables, with the headings of their lists.
#ifndef TABLES_PICKLISTS_H
#define TABLES_PICKLISTS_H

#include <span>
#include <string_view>

namespace tables {

/// A pick-list table: slots 0 and 1 empty, values from slot 2 to lastValue, so that slot r is
/// row r of the list it fills (row 0 the heading, row 1 an empty row).
struct PickTable {
    std::string_view heading;
    std::span<const std::string_view> slots;
    int lastValue;
};

/// `projtable`: 21 projects in slots 2 to 22 of 31, heading "Some Projects in ULMA Kervos Database".
const PickTable& projtable();
/// `cunttable`: 26 countries in slots 2 to 27 of 31.
const PickTable& cunttable();
/// `ihbtable`: 112 IHB areas in slots 2 to 113 of 114, heading "IHB" + 15 blanks + "Description of Area".
const PickTable& ihbtable();
/// `agentable`: 26 operating agencies in slots 2 to 27 of 31.
const PickTable& agentable();
/// `monthtable`: 12 months in slots 2 to 13 of 15.
const PickTable& monthtable();
/// `shiptable`: 19 ships in slots 2 to 20 of 31.
const PickTable& shiptable();

} // namespace tables

#endif // TABLES_PICKLISTS_H
