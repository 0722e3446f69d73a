// Text between UTF-8 and the single-byte Windows-1252 of form files.
#ifndef SEARCH_WINDOWS1252_H
#define SEARCH_WINDOWS1252_H

#include <cstddef>
#include <string>
#include <string_view>

namespace search {

/// The bytes glibc's iconv writes for one code point alone when converting to
/// WINDOWS-1252//TRANSLIT in the C.UTF-8 locale:
///   U+00E9 => "\xE9", U+20AC => "\x80", U+0142 => "l", U+FB01 => "fi", U+200B => "",
///   U+03A9 => "?", U+0081 => "?" (one of the five bytes Windows-1252 leaves unassigned).
std::string_view windows1252Transliteration(char32_t codePoint);

/// Whether Windows-1252 has a byte of its own for the code point: U+00E9 => true,
/// U+20AC => true, U+0081 => false, U+0142 => false.
bool inWindows1252(char32_t codePoint);

/// Appends UTF-8 text as Windows-1252, each character Windows-1252 lacks transliterated as
/// windows1252Transliteration says; a byte that starts no well-formed UTF-8 sequence is
/// written "?". Returns the number of characters that were not written as themselves.
///   "Tromsø" => "Troms\xF8", 0; "Gdańsk" => "Gdansk", 1; "Ω" => "?", 1
std::size_t appendAsWindows1252(std::string_view utf8, std::string& out);

/// UTF-8 text as Windows-1252, transliterated as appendAsWindows1252 does; *lacking (when
/// given) receives the number of characters Windows-1252 lacks.
std::string toWindows1252(std::string_view utf8, std::size_t* lacking = nullptr);

/// UTF-8 text as Windows-1252 without transliteration: false when the text is not
/// well-formed UTF-8 or holds a character Windows-1252 lacks; *stop (when given) is then the
/// offset of that character.
///   "Tromsø" => true, "Troms\xF8"; "aΩ" => false, *stop == 1
bool toWindows1252Exact(std::string_view utf8, std::string* out, std::size_t* stop = nullptr);

/// Windows-1252 text as UTF-8: 0xE9 => "é", 0x80 => "€"; the five unassigned bytes (0x81,
/// 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number.
std::string fromWindows1252(std::string_view text);

/// Decodes the well-formed UTF-8 sequence at the start of text into *codePoint and returns
/// its length; 0 when text starts with no such sequence (overlong forms, surrogates and code
/// points past U+10FFFF included). "é..." => 2, U+00E9; "\xC3" => 0.
std::size_t decodeUtf8(std::string_view text, char32_t* codePoint);

} // namespace search

#endif // SEARCH_WINDOWS1252_H
