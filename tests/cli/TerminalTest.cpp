#include "Terminal.h"

#include <gtest/gtest.h>

namespace {

struct VisibleCase {
    const char* name;
    std::string text;
    std::string shown;
};

class TerminalVisible : public ::testing::TestWithParam<VisibleCase> {};

TEST_P(TerminalVisible, escapesControlsAndKeepsLineBreaks) {
    EXPECT_EQ(terminal::visible(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TerminalVisible,
    ::testing::Values(VisibleCase{"windowTitle", "\x1b]0;pwned\x07ok", "\\x1b]0;pwned\\x07ok"},
                      VisibleCase{"clearScreen", "\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},
                      VisibleCase{"lineBreaksStay", "a\nb\r\nc\td", "a\nb\r\nc\td"},
                      VisibleCase{"loneCarriageReturn", "total\rfalso", "total\\x0dfalso"},
                      VisibleCase{"carriageReturnAtTheEnd", "a\r", "a\\x0d"},
                      VisibleCase{"zeroAndBell", std::string("a\0b\x07", 4), "a\\x00b\\x07"},
                      VisibleCase{"delete", "a\x7f", "a\\x7f"},
                      VisibleCase{"c1Controls",
                                  "\xC2\x80\xC2\x9B"
                                  "2J\xC2\x9F",
                                  "\\u0080\\u009b2J\\u009f"},
                      VisibleCase{"noBreakSpaceIsNoControl",
                                  "a\xC2\xA0"
                                  "b",
                                  "a\xC2\xA0"
                                  "b"},
                      VisibleCase{"accentedTextStays", "Código de ativação inválido",
                                  "Código de ativação inválido"},
                      VisibleCase{"strayC1ByteIsReplaced",
                                  "a\x9b"
                                  "2Jb",
                                  "a\xEF\xBF\xBD"
                                  "2Jb"},
                      VisibleCase{"backslashStays", "C:\\x1b", "C:\\x1b"}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
