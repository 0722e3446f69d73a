// The Windows-1252 conversion: the compiled-in table against live iconv, and whole texts.
#include <iconv.h>
#include <locale.h>

#include <gtest/gtest.h>

#include <string>

#include "search/windows1252.h"

namespace {

std::string utf8Of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

TEST(Windows1252, TableAgreesWithIconvForEveryCodePoint) {
    // iconv's transliteration follows the locale of the thread.
    const locale_t cUtf8 = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
    if (cUtf8 == static_cast<locale_t>(nullptr)) GTEST_SKIP() << "the C.UTF-8 locale is missing";
    const locale_t previous = uselocale(cUtf8);
    iconv_t cd = iconv_open("WINDOWS-1252//TRANSLIT", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int differences = 0;
    for (char32_t c = 0; c <= 0x10FFFF && differences < 10; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string in = utf8Of(c);
        char out[64];
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = out;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        const std::string expected(out, static_cast<std::size_t>(outPtr - out));
        if (search::windows1252Transliteration(c) != expected) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << ": iconv writes \"" << expected << "\"";
            ++differences;
        }
    }
    iconv_close(cd);
    uselocale(previous);
    freelocale(cUtf8);
}

TEST(Windows1252, TextIsConvertedOneCharacterAtATime) {
    std::size_t lacking = 99;
    EXPECT_EQ(search::toWindows1252("Tromsø – €5", &lacking), "Troms\xF8 \x96 \x80" "5");
    EXPECT_EQ(lacking, 0u);
    EXPECT_EQ(search::toWindows1252("Łódź ﬁsh Ω\u200B\u0301!", &lacking), "L\xF3" "dz fish ?!");
    EXPECT_EQ(lacking, 6u);
    EXPECT_EQ(search::toWindows1252("\xC2\x81\xC2\x90", &lacking), "??");
    EXPECT_EQ(lacking, 2u);
    EXPECT_EQ(search::toWindows1252("a\xFF" "b", &lacking), "a?b");
    EXPECT_EQ(lacking, 1u);
}

TEST(Windows1252, ExactConversionStopsAtTheFirstMissingCharacter) {
    std::string out;
    std::size_t stop = 0;
    EXPECT_TRUE(search::toWindows1252Exact("Tromsø", &out, &stop));
    EXPECT_EQ(out, "Troms\xF8");
    EXPECT_FALSE(search::toWindows1252Exact("aΩb", &out, &stop));
    EXPECT_EQ(stop, 1u);
    EXPECT_FALSE(search::toWindows1252Exact("a\xC2\x81", &out, &stop));
    EXPECT_EQ(stop, 1u);
}

TEST(Windows1252, EveryByteReadsBackAsUtf8) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = search::fromWindows1252(byte);
        std::string back;
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(search::toWindows1252Exact(utf8, &back), !unassigned) << b;
        if (!unassigned) {
            EXPECT_EQ(back, byte) << b;
        }
    }
    EXPECT_EQ(search::fromWindows1252("\x80\x9F\xE9"), "€Ÿé");
}

} // namespace
