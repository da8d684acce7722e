#include <gtest/gtest.h>

#include <string>

#include "session/utf8.h"

namespace {

// Every UTF-16 unit alone and every surrogate pair, decoded back from the
// UTF-8 by the definition of the encoding: the code point itself, U+FFFD
// for a lone surrogate, in the shortest form.
TEST(Utf8, EveryUnitAndPairRoundTrips) {
    const auto decode = [](const std::string& s, std::size_t& i) -> char32_t {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s.at(k)); };
        const unsigned lead = b(i);
        const int n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? lead : lead & (0x7F >> n);
        for (int k = 1; k < n; ++k) {
            EXPECT_EQ(b(i + k) & 0xC0, 0x80u);
            cp = cp << 6 | (b(i + k) & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        EXPECT_GE(cp, least[n]) << "overlong";
        i += n;
        return cp;
    };
    for (char32_t u = 0; u < 0x10000; ++u) {
        const std::string s = vtx::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(u)) + u'x');
        std::size_t i = 0;
        ASSERT_EQ(decode(s, i), u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u) << std::hex << u;
        ASSERT_EQ(decode(s, i), U'x');
        ASSERT_EQ(i, s.size());
    }
    for (char32_t cp = 0x10000; cp < 0x110000; ++cp) {
        const std::u16string pair = {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
        const std::string s = vtx::Utf16ToUtf8(pair);
        std::size_t i = 0;
        ASSERT_EQ(decode(s, i), cp) << std::hex << cp;
        ASSERT_EQ(i, s.size());
    }
    // A low surrogate first, then a high one at the end: two replacements.
    EXPECT_EQ(vtx::Utf16ToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
