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

/// Text a user typed (a criterion) as Windows-1252: letters written decomposed are composed
/// first (composeForWindows1252), then each character becomes its byte, the five bytes that
/// Windows-1252 leaves unassigned standing for the controls of their number (U+0081 => 0x81),
/// as the WHATWG encoder maps them. False when a character has no byte, or the text is not
/// well-formed UTF-8; *lacking is then that character (or the byte), as written.
///   "Re\u0301union" => "R\xE9union"; "\u2019 \u20AC" => "\x92 \x80"; "\u03A9" => false, "\u03A9"
bool typedToWindows1252(std::string_view utf8, std::string* out, std::string* lacking);

/// Windows-1252 text as UTF-8: 0xE9 => "é", 0x80 => "€"; the five unassigned bytes (0x81,
/// 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number.
std::string fromWindows1252(std::string_view text);
/// The same, appended to out.
void appendWindows1252AsUtf8(std::string& out, std::string_view text);
/// The UTF-8 of one Windows-1252 byte, one to three bytes: '\xe9' => "\xc3\xa9".
std::string_view utf8Of(char windows1252);

/// Decodes the well-formed UTF-8 sequence at the start of text into *codePoint and returns
/// its length; 0 when text starts with no such sequence (overlong forms, surrogates and code
/// points past U+10FFFF included). "é..." => 2, U+00E9; "\xC3" => 0.
std::size_t decodeUtf8(std::string_view text, char32_t* codePoint);

} // namespace search

#endif // SEARCH_WINDOWS1252_H
