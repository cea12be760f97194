#include "CodePage.h"

#include "CaseName.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

class ToAnsi : public testing::TestWithParam<Case> {};

TEST_P(ToAnsi, GivesWindows1252Bytes)
{
    EXPECT_EQ(codepage::toAnsi(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, ToAnsi,
    testing::Values(
        Case{"ascii", "24681357", "24681357"}, Case{"cedilla", "ç", "\xE7"},
        Case{"euro", "€", "\x80"},
        Case{"portuguese", "Código de ativação inválido",
             "C\xF3"
             "digo de ativa\xE7\xE3o inv\xE1lido"},
        Case{"upperRange", "Š Œ ž Ÿ “”", "\x8A \x8C \x9E \x9F \x93\x94"},
        Case{"latin1Edge", "\xC2\xA0\xC3\xBF", "\xA0\xFF"}, Case{"noForm", "日本", "??"},
        // Windows would offer look-alikes ("a", "w", "8", "A"); the device must get "?".
        Case{"noBestFit", "āŵ∞Ａ", "????"}, Case{"fourByteCharacter", "a😀b", "a?b"},
        Case{"c1WithoutForm", "\xC2\x80", "?"}, Case{"undefinedByteRoundTrips", "\xC2\x81", "\x81"},
        Case{"strayAnsiByte", "a\xE7z", "a?z"}, Case{"truncatedSequence", "\xE2\x82", "?"},
        Case{"truncatedThenAscii", "\xE2\x82x", "?x"}, Case{"overlong", "\xC0\xAF", "??"},
        Case{"surrogate", "\xED\xA0\x80", "???"}, Case{"beyondUnicode", "\xF4\x90\x80\x80", "????"},
        Case{"embeddedZero", std::string("a\0b", 3), std::string("a\0b", 3)},
        // ASCII goes through eight bytes at a time: characters on and across those steps.
        Case{"afterOneStep", "12345678ç", "12345678\xE7"},
        Case{"lastOfAStep", "1234567ç", "1234567\xE7"},
        Case{"acrossSteps", "1234567€9",
             "1234567\x80"
             "9"},
        Case{"strayAfterTwoSteps", "1234567812345678\xFFz", "1234567812345678?z"}),
    CaseName());

class FromUtf8 : public testing::TestWithParam<Case> {};

TEST_P(FromUtf8, ReplacesEachInvalidSequence)
{
    EXPECT_EQ(codepage::fromUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, FromUtf8,
    testing::Values(Case{"valid", "Transferência completa", "Transferência completa"},
                    Case{"empty", "", ""},
                    Case{"strayByte",
                         "a\xFF"
                         "b",
                         "a\xEF\xBF\xBD"
                         "b"},
                    Case{"ansiWord", "a\xE7\xE3o", "a\xEF\xBF\xBD\xEF\xBF\xBDo"},
                    Case{"truncatedAtEnd", "ok\xE2\x82", "ok\xEF\xBF\xBD"},
                    Case{"truncatedBeforeAscii", "\xF0\x9F\x98!", "\xEF\xBF\xBD!"},
                    Case{"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                    Case{"acrossSteps", "1234567€9", "1234567€9"},
                    Case{"strayAfterTwoSteps", "1234567812345678\xFFz",
                         "1234567812345678\xEF\xBF\xBDz"},
                    Case{"truncatedAfterAStep", "12345678\xE2\x82", "12345678\xEF\xBF\xBD"}),
    CaseName());

class FromAnsi : public testing::TestWithParam<Case> {};

TEST_P(FromAnsi, DecodesWindows1252)
{
    EXPECT_EQ(codepage::fromAnsi(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, FromAnsi,
    testing::Values(Case{"empty", "", ""},
                    Case{"upperControls", "\x80\x82\x8A\x8C\x99\x9F", "€‚ŠŒ™Ÿ"},
                    // The bytes Windows-1252 leaves undefined keep their value.
                    Case{"undefinedBytes", "\x81\x8D\x8F\x90\x9D",
                         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
                    Case{"latin1Half", "\xA0\xC7\xFF", "\xC2\xA0Çÿ"},
                    Case{"embeddedZero", std::string("a\0\xE7", 3), std::string("a\0ç", 4)}),
    CaseName());

class FromUtf8OrAnsi : public testing::TestWithParam<Case> {};

TEST_P(FromUtf8OrAnsi, KeepsUtf8AndReadsTheRestAsWindows1252)
{
    EXPECT_EQ(codepage::fromUtf8OrAnsi(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, FromUtf8OrAnsi,
    testing::Values(Case{"utf8", "SAT j\xC3\xA1 ativado", "SAT já ativado"},
                    Case{"windows1252", "SAT j\xE1 ativado", "SAT já ativado"},
                    Case{"ascii", "SAT ativado", "SAT ativado"},
                    // One byte that is not UTF-8 makes the whole text Windows-1252.
                    Case{"mixed", "\xC3\xA1 e \xE1", "Ã¡ e á"}, Case{"empty", "", ""}),
    CaseName());

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
struct UpperCase {
    const char* name;
    const char* byte;
    const char* utf8;
};

class UpperHalfTable : public testing::TestWithParam<UpperCase> {};

TEST_P(UpperHalfTable, DecodesToThePublishedCharacter)
{
    EXPECT_EQ(codepage::fromAnsi(GetParam().byte), GetParam().utf8);
}

TEST_P(UpperHalfTable, EncodesFromThePublishedCharacter)
{
    EXPECT_EQ(codepage::toAnsi(GetParam().utf8), GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, UpperHalfTable,
    testing::Values(
        UpperCase{"euro", "\x80", "\u20AC"}, UpperCase{"undefined81", "\x81", "\xC2\x81"},
        UpperCase{"singleLow9Quote", "\x82", "\u201A"}, UpperCase{"fHook", "\x83", "\u0192"},
        UpperCase{"doubleLow9Quote", "\x84", "\u201E"}, UpperCase{"ellipsis", "\x85", "\u2026"},
        UpperCase{"dagger", "\x86", "\u2020"}, UpperCase{"doubleDagger", "\x87", "\u2021"},
        UpperCase{"circumflex", "\x88", "\u02C6"}, UpperCase{"perMille", "\x89", "\u2030"},
        UpperCase{"sCaron", "\x8A", "\u0160"}, UpperCase{"singleLeftAngle", "\x8B", "\u2039"},
        UpperCase{"oeLigature", "\x8C", "\u0152"}, UpperCase{"undefined8D", "\x8D", "\xC2\x8D"},
        UpperCase{"zCaron", "\x8E", "\u017D"}, UpperCase{"undefined8F", "\x8F", "\xC2\x8F"},
        UpperCase{"undefined90", "\x90", "\xC2\x90"},
        UpperCase{"leftSingleQuote", "\x91", "\u2018"},
        UpperCase{"rightSingleQuote", "\x92", "\u2019"},
        UpperCase{"leftDoubleQuote", "\x93", "\u201C"},
        UpperCase{"rightDoubleQuote", "\x94", "\u201D"}, UpperCase{"bullet", "\x95", "\u2022"},
        UpperCase{"enDash", "\x96", "\u2013"}, UpperCase{"emDash", "\x97", "\u2014"},
        UpperCase{"smallTilde", "\x98", "\u02DC"}, UpperCase{"tradeMark", "\x99", "\u2122"},
        UpperCase{"sCaronSmall", "\x9A", "\u0161"}, UpperCase{"singleRightAngle", "\x9B", "\u203A"},
        UpperCase{"oeLigatureSmall", "\x9C", "\u0153"},
        UpperCase{"undefined9D", "\x9D", "\xC2\x9D"}, UpperCase{"zCaronSmall", "\x9E", "\u017E"},
        UpperCase{"yDiaeresis", "\x9F", "\u0178"}),
    CaseName());

TEST(CodePage, ControlCharactersThatTheTableGivesToOtherCharactersBecomeQuestionMarks)
{
    for (const char* control : {"\xC2\x80", "\xC2\x82", "\xC2\x8A", "\xC2\x93", "\xC2\x9F"})
        EXPECT_EQ(codepage::toAnsi(control), "?") << control;
}

} // namespace
