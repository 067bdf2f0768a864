// Conversions between UTF-16, UTF-8 and the platform's encoding (UTF-8 on
// Linux, the ANSI code page 1252 of the test prefix under Wine): characters
// beyond the Basic Multilingual Plane, broken surrogates, invalid and
// overlong UTF-8, and characters the code page lacks.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "text_encoding.h"

namespace {

// A converted text, or "<null>" for a refused conversion.
std::string taken(char* text) {
    std::string copy = text != nullptr ? text : "<null>";
    free(text);
    return copy;
}

std::string toUtf8(const std::u16string& units) {
    return taken(utf16ToUtf8(reinterpret_cast<const uint16_t*>(units.data()), units.size()));
}

std::string toPlatform(const std::u16string& units) {
    return taken(utf16ToPlatform(reinterpret_cast<const uint16_t*>(units.data()), units.size()));
}

std::u16string fromUtf8(const std::string& text) {
    size_t count = 99;
    uint16_t* units = utf8ToUtf16(text.c_str(), &count);
    std::u16string copy(reinterpret_cast<const char16_t*>(units), count);
    free(units);
    return copy;
}

std::u16string fromPlatform(const std::string& text) {
    size_t count = 99;
    uint16_t* units = platformToUtf16(text.c_str(), &count);
    if (units == nullptr) return u"<null>";
    std::u16string copy(reinterpret_cast<const char16_t*>(units), count);
    free(units);
    return copy;
}

const std::string kGrinningFace = "\xF0\x9F\x98\x80";  // U+1F600
const std::string kRoentgen = "R\xC3\xB6ntgen";         // "Röntgen" in UTF-8

TEST(TextEncoding, Utf16AndUtf8BothWays) {
    EXPECT_EQ(toUtf8(u""), "");
    EXPECT_EQ(toUtf8(u"R\u00F6ntgen \u20AC \U0001F600"), kRoentgen + " \xE2\x82\xAC " + kGrinningFace);
    EXPECT_EQ(fromUtf8(kRoentgen + " " + kGrinningFace), u"R\u00F6ntgen \U0001F600");
    EXPECT_EQ(fromUtf8(kGrinningFace).size(), 2u) << "a surrogate pair";
    EXPECT_EQ(toUtf8(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(TextEncoding, BrokenUtf16IsRefused) {
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD83D))), "<null>") << "a high surrogate at the end";
    EXPECT_EQ(toUtf8(std::u16string{char16_t(0xD83D), u'a'}), "<null>") << "a high surrogate before a letter";
    EXPECT_EQ(toUtf8(std::u16string{u'a', char16_t(0xDE00)}), "<null>") << "a low surrogate alone";
    EXPECT_EQ(toUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}), "<null>") << "a pair the wrong way round";
    EXPECT_EQ(toUtf8(std::u16string(u"a\0b", 3)), "<null>") << "U+0000 would cut the text";
    EXPECT_EQ(toPlatform(std::u16string(1, char16_t(0xDC00))), "<null>");
    EXPECT_EQ(toPlatform(std::u16string(u"a\0b", 3)), "<null>");
}

TEST(TextEncoding, InvalidUtf8IsToldAndReadAsReplacementCharacters) {
    struct Case {
        const char* bytes;
        std::u16string read;
    };
    const Case cases[] = {
        {"a\xC3", u"a\uFFFD"},                       // cut after the lead byte
        {"\xC3(", u"\uFFFD("},                       // a lead byte without its trail
        {"\x80z", u"\uFFFDz"},                       // a lone trail byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},               // overlong "/"
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},     // overlong "/" in three bytes
        {"\xF0\x82\x82\xAC", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong euro sign
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},     // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(isValidUtf8(c.bytes)) << c.bytes;
        EXPECT_EQ(fromUtf8(c.bytes), c.read) << c.bytes;
        EXPECT_EQ(taken(utf8ToPlatform(c.bytes)), "<null>") << "nothing invalid goes into the system: " << c.bytes;
    }
    EXPECT_TRUE(isValidUtf8((kRoentgen + kGrinningFace + "\xEF\xBF\xBF").c_str()));
}

#ifdef _WIN32
// The test prefix has the ANSI code page 1252.
TEST(TextEncoding, AnsiCodePageHoldsUmlautsAndRefusesTheRest) {
    EXPECT_EQ(toPlatform(u"C:/Daten/R\u00F6ntgen \u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF \u20AC"),
              "C:/Daten/R\xF6ntgen \xC4\xD6\xDC\xE4\xF6\xFC\xDF \x80");
    EXPECT_EQ(fromPlatform("C:/Daten/R\xF6ntgen \xDF \x80"), u"C:/Daten/R\u00F6ntgen \u00DF \u20AC");
    EXPECT_EQ(toPlatform(u"\u0142\u00F3d\u017A"), "<null>") << "Polish ł has no exact form: no best fit to l";
    EXPECT_EQ(toPlatform(u"\u65E5\u672C"), "<null>") << "never '?'";
    EXPECT_EQ(toPlatform(u"\U0001F600"), "<null>");
    EXPECT_EQ(toPlatform(u"?"), "?") << "a real question mark is no failure";
    EXPECT_EQ(taken(utf8ToPlatform(kRoentgen.c_str())), "R\xF6ntgen");
    EXPECT_EQ(taken(utf8ToPlatform(kGrinningFace.c_str())), "<null>");
    EXPECT_EQ(taken(platformToUtf8("R\xF6ntgen \x80")), kRoentgen + " \xE2\x82\xAC");
}
#else
TEST(TextEncoding, PlatformEncodingIsUtf8) {
    EXPECT_EQ(toPlatform(u"R\u00F6ntgen \U0001F600"), kRoentgen + " " + kGrinningFace);
    EXPECT_EQ(fromPlatform(kRoentgen + " " + kGrinningFace), u"R\u00F6ntgen \U0001F600");
    EXPECT_EQ(fromPlatform("a\xFF"), u"a\uFFFD") << "to Java, invalid bytes are readable";
    EXPECT_EQ(taken(platformToUtf8("a\xFF")), "<null>") << "into the database they are refused";
    EXPECT_EQ(taken(platformToUtf8((kRoentgen + kGrinningFace).c_str())), kRoentgen + kGrinningFace);
}
#endif

}  // namespace
