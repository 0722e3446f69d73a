// Decomposed letters (a base letter and a combining accent) composed, as Unicode's NFC does.
#ifndef SEARCH_COMPOSITION_H
#define SEARCH_COMPOSITION_H

#include <string>
#include <string_view>

namespace search {

/// Valid UTF-8 text with the pairs of a letter and a combining accent that Windows-1252 holds
/// as one character composed ("e" U+0301 => "é", "S" U+030C => "Š"), and the characters whose
/// canonical form is one of Windows-1252 replaced by it (U+212B ANGSTROM SIGN => "Å", U+212A
/// KELVIN SIGN => "K", U+0387 => "·", ...). For every text that has a Windows-1252 form this is
/// the text's normalisation form C; other text is left as it is.
std::string composeForWindows1252(std::string_view utf8);

} // namespace search

#endif // SEARCH_COMPOSITION_H
