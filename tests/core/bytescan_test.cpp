// The vectorised scanning kernels against the plain ones, on random and on edge bytes.
#include "search/bytescan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using search::scan::Kernels;

// The kernels to compare with the plain ones: SSE2, and AVX2 where this processor has it.
std::vector<const Kernels*> vectorised() {
    std::vector<const Kernels*> out{&search::scan::sse2Kernels()};
    if (const Kernels* avx2 = search::scan::avx2Kernels()) out.push_back(avx2);
    return out;
}

// Random bytes, mostly the ones that matter to the scans: CR, LF, "*", letters of both cases
// and bytes 0x80 to 0xFF.
std::string randomBytes(std::mt19937& random, std::size_t size) {
    static const std::string alphabet = std::string("\r\n*\r\n*abAB^ \xe9\xc9\xff\x9f\x80") + '\0';
    std::string out(size, ' ');
    for (char& c : out) {
        const unsigned pick = random() % 8;
        c = pick < 6 ? alphabet[random() % alphabet.size()] : static_cast<char>(random() % 256);
    }
    return out;
}

// Compares every kernel with the plain one on text at every offset from..size.
void compareOn(const std::string& text, const char* where) {
    const Kernels& plain = search::scan::plainKernels();
    for (const Kernels* k : vectorised()) {
        SCOPED_TRACE(std::string(k->name) + " " + where);
        for (std::size_t from = 0; from <= text.size(); ++from) {
            ASSERT_EQ(k->findCr(text.data(), text.size(), from), plain.findCr(text.data(), text.size(), from))
                << "findCr from " << from;
            for (std::size_t lineStart : {std::size_t{0}, from / 2, from}) {
                for (std::size_t nth : {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{10}}) {
                    // Counts going on from an earlier part.
                    const std::size_t before = nth / 2;
                    std::size_t plainCrs = before, crs = before;
                    std::size_t plainNth = 7777, gotNth = 7777;
                    ASSERT_EQ(k->findTerminator(text.data(), text.size(), lineStart, from, &crs, nth, &gotNth),
                              plain.findTerminator(text.data(), text.size(), lineStart, from, &plainCrs, nth,
                                                   &plainNth))
                        << "findTerminator from " << from << " line start " << lineStart;
                    ASSERT_EQ(crs, plainCrs) << "findTerminator from " << from << " line start " << lineStart;
                    ASSERT_EQ(gotNth, plainNth) << "CR " << nth << " from " << from << " line start " << lineStart;
                }
            }
        }
        for (std::size_t from = 0; from <= text.size(); ++from) {
            for (const auto& [a, b] : {std::pair{'"', '\\'}, std::pair{',', '"'}, std::pair{'*', '^'}})
                ASSERT_EQ(k->countPlain(text.data() + from, text.size() - from, a, b),
                          plain.countPlain(text.data() + from, text.size() - from, a, b))
                    << "countPlain from " << from << " without " << a << b;
        }
        for (const std::string& needle : {std::string("A"), std::string("AB"), std::string("*\r"),
                                          std::string("\xc9" "A"), std::string("AB^ A"), std::string(70, 'A'),
                                          std::string("A\0B", 3)}) {
            ASSERT_EQ(k->findUpperCased(text.data(), text.size(), needle.data(), needle.size()),
                      plain.findUpperCased(text.data(), text.size(), needle.data(), needle.size()))
                << "findUpperCased " << needle;
        }
    }
}

TEST(ByteScan, VectorisedKernelsAgreeOnRandomBytesOfEveryLengthAndAlignment) {
    std::mt19937 random(1995);
    for (std::size_t size = 0; size <= 300; ++size) {
        const std::string bytes = randomBytes(random, size + 63);
        // The same bytes at every alignment: a view starting at each of 64 offsets.
        for (std::size_t shift = 0; shift < 64 && shift + size <= bytes.size(); shift += 7)
            compareOn(bytes.substr(shift, size), ("size " + std::to_string(size)).c_str());
    }
}

TEST(ByteScan, EdgesOfTheBlocks) {
    // Every pattern placed so that it straddles the 64-byte blocks of the vectorised scans.
    for (std::size_t at : {0, 1, 15, 16, 31, 32, 62, 63, 64, 65, 126, 127, 128}) {
        std::string text(200, 'x');
        for (const char* pattern : {"\r*", "\r\n*", "\n*", "\r\n\r*", "*", "\ra*", "\r\r\n*"}) {
            std::string t = text;
            t.replace(at, std::string(pattern).size(), pattern);
            compareOn(t, pattern);
            compareOn(t.substr(0, at + 1), pattern); // a CR as the last byte of the data
        }
    }
}

TEST(ByteScan, PlainRunsEndAtTheFirstByteAWriterMustChange) {
    std::mt19937 random(2026);
    for (const Kernels* k : {&search::scan::plainKernels(), &search::scan::sse2Kernels(), &search::scan::kernels()}) {
        SCOPED_TRACE(k->name);
        const auto count = [k](const std::string& text) { return k->countPlain(text.data(), text.size(), '"', '\\'); };
        EXPECT_EQ(count(""), 0u);
        EXPECT_EQ(count("abc\"def"), 3u);
        EXPECT_EQ(count("a b~\x7f\\"), 5u); // DEL is printable ASCII to a JSON writer
        EXPECT_EQ(count("\x80"), 0u);
        EXPECT_EQ(count("ab\x1f"), 2u);
        EXPECT_EQ(count("x\ty"), 1u);
        // Long runs, past the 16-byte blocks, ending at every offset with each kind of stop.
        for (std::size_t at = 0; at < 70; ++at) {
            for (char stop : {'"', '\\', '\n', '\0', '\xff', '\xe9'}) {
                std::string text(80, ' ');
                for (char& c : text) c = static_cast<char>(0x20 + random() % 0x60);
                for (char& c : text)
                    if (c == '"' || c == '\\') c = 'q';
                text[at] = stop;
                ASSERT_EQ(count(text), at) << "stop " << int(stop) << " at " << at;
            }
        }
        EXPECT_EQ(k->countPlain("a,b\"", 4, ',', '"'), 1u);
        EXPECT_EQ(k->countPlain(std::string(40, 'z').c_str(), 40, ',', '"'), 40u);
    }
}

TEST(ByteScan, TerminatorRules) {
    const Kernels& k = search::scan::kernels();
    std::size_t crs = 0, nth = 0;
    // "*" at the first line's start, after CR, after CR LF; not after a lone LF or inside a line.
    EXPECT_EQ(k.findTerminator("*a", 2, 0, 0, &crs, 10, &nth), 0u);
    const std::string t = "a*b\nc*\rd\r*";
    EXPECT_EQ(k.findTerminator(t.data(), t.size(), 0, 0, &crs, 2, &nth), 9u);
    EXPECT_EQ(crs, 2u);
    EXPECT_EQ(nth, 8u);
    const std::string crlf = std::string(70, 'a') + "\r\n*";
    crs = 0;
    EXPECT_EQ(k.findTerminator(crlf.data(), crlf.size(), 0, 0, &crs, 1, &nth), 72u);
    EXPECT_EQ(crs, 1u);
    EXPECT_EQ(nth, 70u);
    // Resumed just after the CR LF: the bytes before the start still count.
    crs = 0;
    EXPECT_EQ(k.findTerminator(crlf.data(), crlf.size(), 0, 72, &crs, 1, &nth), 72u);
    EXPECT_EQ(crs, 0u);
    // No terminator: every CR counted, the tenth noted.
    crs = 0;
    std::string none;
    for (int i = 0; i < 30; ++i) none += "line\r\n";
    EXPECT_EQ(k.findTerminator(none.data(), none.size(), 0, 0, &crs, 10, &nth), none.size());
    EXPECT_EQ(crs, 30u);
    EXPECT_EQ(nth, 4u + 6 * 9);
    // Counted on from an earlier part: the tenth CR is the third of this one.
    crs = 7;
    EXPECT_EQ(k.findTerminator(none.data(), none.size(), 0, 0, &crs, 10, &nth), none.size());
    EXPECT_EQ(nth, 4u + 6 * 2);
}

TEST(ByteScan, CaseInsensitiveSearchFoldsWindows1252) {
    const Kernels& k = search::scan::kernels();
    const std::string text = std::string(40, '.') + "r\xe9union and " + std::string(40, '.') + "NORWAY";
    for (const Kernels* kernels : {&k, &search::scan::plainKernels()}) {
        EXPECT_EQ(kernels->findUpperCased(text.data(), text.size(), "R\xc9UNION", 7), 40u);
        EXPECT_EQ(kernels->findUpperCased(text.data(), text.size(), "NORWAY", 6), text.size() - 6);
        EXPECT_EQ(kernels->findUpperCased(text.data(), text.size(), "NORWAYS", 7), std::string::npos);
        EXPECT_EQ(kernels->findUpperCased(text.data(), 3, "....", 4), std::string::npos);
    }
}

} // namespace
