// Texts between a terminal's character set and the Windows-1252 of form files.
#ifndef CLI_TERMINALTEXT_H
#define CLI_TERMINALTEXT_H

#include <string>
#include <string_view>

namespace cli {

/// Form files are single-byte Windows-1252 text, while terminals today send UTF-8. With a UTF-8
/// terminal, an option's text that is valid UTF-8 is turned into Windows-1252
/// (search::typedToWindows1252);
/// text that is not valid UTF-8 is taken byte for byte, so that scripts passing Windows-1252
/// bytes keep working. Any other terminal (the C locale) takes every text byte for byte.
class TerminalText {
public:
    explicit TerminalText(bool utf8) : m_utf8(utf8) {}
    /// The terminal of the locale in the environment (setlocale(LC_CTYPE, "") called before).
    static TerminalText fromLocale();
    bool utf8() const { return m_utf8; }

    /// The Windows-1252 bytes of the text of option. False with err filled when the text holds
    /// a character Windows-1252 lacks: "--country: "Ω" (U+03A9) is not a character of
    /// Windows-1252, the character set of form files".
    bool toForm(const std::string& text, const std::string& option, std::string* out, std::string* err) const;
    /// Whether text is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
    static bool validUtf8(std::string_view text);

private:
    bool m_utf8;
};

} // namespace cli

#endif // CLI_TERMINALTEXT_H
