// Values of a record as a form holds them: Windows-1252, cleaned, on lines that cannot end a form.
#ifndef IMPORT_FORMTEXT_H
#define IMPORT_FORMTEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace csrimport {

/// A value ready for a form field, with the number of its characters Windows-1252 lacks.
struct FormText {
    std::string text;
    std::size_t transliterated = 0;
};

/// Converts a UTF-8 value to Windows-1252 (transliterating as iconv does), then cleans it:
/// "^" becomes "/", CR, LF and TAB become blanks, runs of blanks become one, blanks at
/// both ends go. Only U+0020 is a blank.
///   " Leg\t2 ^ North " => "Leg 2 / North"; "Gdańsk" => "Gdansk" (1 transliterated)
///   "a\u00A0b" => "a\xA0b" (a no-break space stays)
FormText formText(std::string_view utf8);

/// Cleans Windows-1252 text as formText does after converting.
std::string cleanValue(std::string_view text);

/// Trims blanks (U+0020) at both ends: "  a b " => "a b".
std::string_view trimBlanks(std::string_view text);
/// Trims blanks, CR, LF and TAB at both ends, leaving the inside as it is: "\n a  b\t" => "a  b".
std::string_view trimWhitespace(std::string_view text);

/// A finished line that cannot end the form: one beginning with "*" gets a leading blank.
///   "*Bob" => " *Bob"; "Bob*" => "Bob*"
std::string formLine(std::string line);

} // namespace csrimport

#endif // IMPORT_FORMTEXT_H
