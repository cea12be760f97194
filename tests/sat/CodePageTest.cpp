#include "CodePage.h"

#include "Table.h"

#include <gtest/gtest.h>

namespace {

using ToAnsi = TableTest<std::string>;

TEST_P(ToAnsi, GivesWindows1252Bytes)
{
    EXPECT_EQ(codepage::toAnsi(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(CodePage, ToAnsi, {"ascii", "24681357", "24681357"}, {"cedilla", "ç", "\xE7"},
                  {"euro", "€", "\x80"},
                  {"portuguese", "Código de ativação inválido",
                   "C\xF3"
                   "digo de ativa\xE7\xE3o inv\xE1lido"},
                  {"upperRange", "Š Œ ž Ÿ “”", "\x8A \x8C \x9E \x9F \x93\x94"},
                  {"latin1Edge", "\xC2\xA0\xC3\xBF", "\xA0\xFF"}, {"noForm", "日本", "??"},
                  // Windows would offer look-alikes ("a", "w", "8", "A"); the device must get "?".
                  {"noBestFit", "āŵ∞Ａ", "????"}, {"fourByteCharacter", "a😀b", "a?b"},
                  {"c1WithoutForm", "\xC2\x80", "?"},
                  {"undefinedByteRoundTrips", "\xC2\x81", "\x81"},
                  {"strayAnsiByte", "a\xE7z", "a?z"}, {"truncatedSequence", "\xE2\x82", "?"},
                  {"truncatedThenAscii", "\xE2\x82x", "?x"}, {"overlong", "\xC0\xAF", "??"},
                  {"surrogate", "\xED\xA0\x80", "???"},
                  {"beyondUnicode", "\xF4\x90\x80\x80", "????"},
                  {"embeddedZero", std::string("a\0b", 3), std::string("a\0b", 3)},
                  // ASCII goes through eight bytes at a time: characters on and across those steps.
                  {"afterOneStep", "12345678ç", "12345678\xE7"},
                  {"lastOfAStep", "1234567ç", "1234567\xE7"},
                  {"acrossSteps", "1234567€9",
                   "1234567\x80"
                   "9"},
                  {"strayAfterTwoSteps", "1234567812345678\xFFz", "1234567812345678?z"});

using FromUtf8 = TableTest<std::string>;

TEST_P(FromUtf8, ReplacesEachInvalidSequence)
{
    EXPECT_EQ(codepage::fromUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(CodePage, FromUtf8, {"valid", "Transferência completa", "Transferência completa"},
                  {"empty", "", ""},
                  {"strayByte",
                   "a\xFF"
                   "b",
                   "a\xEF\xBF\xBD"
                   "b"},
                  {"ansiWord", "a\xE7\xE3o", "a\xEF\xBF\xBD\xEF\xBF\xBDo"},
                  {"truncatedAtEnd", "ok\xE2\x82", "ok\xEF\xBF\xBD"},
                  {"truncatedBeforeAscii", "\xF0\x9F\x98!", "\xEF\xBF\xBD!"},
                  {"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                  {"acrossSteps", "1234567€9", "1234567€9"},
                  {"strayAfterTwoSteps", "1234567812345678\xFFz", "1234567812345678\xEF\xBF\xBDz"},
                  {"truncatedAfterAStep", "12345678\xE2\x82", "12345678\xEF\xBF\xBD"});

using FromAnsi = TableTest<std::string>;

TEST_P(FromAnsi, DecodesWindows1252)
{
    EXPECT_EQ(codepage::fromAnsi(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(CodePage, FromAnsi, {"empty", "", ""},
                  {"upperControls", "\x80\x82\x8A\x8C\x99\x9F", "€‚ŠŒ™Ÿ"},
                  // The bytes Windows-1252 leaves undefined keep their value.
                  {"undefinedBytes", "\x81\x8D\x8F\x90\x9D",
                   "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
                  {"latin1Half", "\xA0\xC7\xFF", "\xC2\xA0Çÿ"},
                  {"embeddedZero", std::string("a\0\xE7", 3), std::string("a\0ç", 4)});

using FromUtf8OrAnsi = TableTest<std::string>;

TEST_P(FromUtf8OrAnsi, KeepsUtf8AndReadsTheRestAsWindows1252)
{
    EXPECT_EQ(codepage::fromUtf8OrAnsi(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(CodePage, FromUtf8OrAnsi, {"utf8", "SAT j\xC3\xA1 ativado", "SAT já ativado"},
                  {"windows1252", "SAT j\xE1 ativado", "SAT já ativado"},
                  {"ascii", "SAT ativado", "SAT ativado"},
                  // One byte that is not UTF-8 makes the whole text Windows-1252.
                  {"mixed", "\xC3\xA1 e \xE1", "Ã¡ e á"}, {"empty", "", ""});

TEST(CodePage, FromAnsiDecodesTheUpperHalf)
{
    EXPECT_EQ(codepage::fromAnsi("\xE7"), "ç");
    EXPECT_EQ(codepage::fromAnsi("\x80"), "€");
    EXPECT_EQ(codepage::fromAnsi("Transfer\xEAncia"), "Transferência");
    EXPECT_EQ(codepage::fromAnsi("\x81"), "\xC2\x81");
}

TEST(CodePage, EveryAnsiByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(codepage::toAnsi(codepage::fromAnsi(all)), all);
    EXPECT_EQ(codepage::fromUtf8(codepage::fromAnsi(all)), codepage::fromAnsi(all));
}

// The published Windows-1252 table from 0x80 to 0x9F, written out character by character; the
// five bytes it leaves undefined stand for the control characters of the same value, as on
// Windows.
using UpperHalfTable = TableTest<const char*>; // the byte, and its character in UTF-8

TEST_P(UpperHalfTable, DecodesToThePublishedCharacter)
{
    EXPECT_EQ(codepage::fromAnsi(GetParam().input), GetParam().expected);
}

TEST_P(UpperHalfTable, EncodesFromThePublishedCharacter)
{
    EXPECT_EQ(codepage::toAnsi(GetParam().expected), GetParam().input);
}

INSTANTIATE_TABLE(CodePage, UpperHalfTable, {"euro", "\x80", "\u20AC"},
                  {"undefined81", "\x81", "\xC2\x81"}, {"singleLow9Quote", "\x82", "\u201A"},
                  {"fHook", "\x83", "\u0192"}, {"doubleLow9Quote", "\x84", "\u201E"},
                  {"ellipsis", "\x85", "\u2026"}, {"dagger", "\x86", "\u2020"},
                  {"doubleDagger", "\x87", "\u2021"}, {"circumflex", "\x88", "\u02C6"},
                  {"perMille", "\x89", "\u2030"}, {"sCaron", "\x8A", "\u0160"},
                  {"singleLeftAngle", "\x8B", "\u2039"}, {"oeLigature", "\x8C", "\u0152"},
                  {"undefined8D", "\x8D", "\xC2\x8D"}, {"zCaron", "\x8E", "\u017D"},
                  {"undefined8F", "\x8F", "\xC2\x8F"}, {"undefined90", "\x90", "\xC2\x90"},
                  {"leftSingleQuote", "\x91", "\u2018"}, {"rightSingleQuote", "\x92", "\u2019"},
                  {"leftDoubleQuote", "\x93", "\u201C"}, {"rightDoubleQuote", "\x94", "\u201D"},
                  {"bullet", "\x95", "\u2022"}, {"enDash", "\x96", "\u2013"},
                  {"emDash", "\x97", "\u2014"}, {"smallTilde", "\x98", "\u02DC"},
                  {"tradeMark", "\x99", "\u2122"}, {"sCaronSmall", "\x9A", "\u0161"},
                  {"singleRightAngle", "\x9B", "\u203A"}, {"oeLigatureSmall", "\x9C", "\u0153"},
                  {"undefined9D", "\x9D", "\xC2\x9D"}, {"zCaronSmall", "\x9E", "\u017E"},
                  {"yDiaeresis", "\x9F", "\u0178"});

TEST(CodePage, ControlCharactersThatTheTableGivesToOtherCharactersBecomeQuestionMarks)
{
    for (const char* control : {"\xC2\x80", "\xC2\x82", "\xC2\x8A", "\xC2\x93", "\xC2\x9F"})
        EXPECT_EQ(codepage::toAnsi(control), "?") << control;
}

} // namespace
