#include "Json.h"

#include <gtest/gtest.h>

namespace {

struct Escape {
    std::string in;
    std::string out;
};

class JsonQuoted : public ::testing::TestWithParam<Escape> {};

TEST_P(JsonQuoted, escapesExactly) {
    EXPECT_EQ(json::quoted(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonQuoted,
    ::testing::Values(
        Escape{"", "\"\""}, Escape{"Sem Sinal CTS.   ", "\"Sem Sinal CTS.   \""},
        Escape{"a\"b\\c", "\"a\\\"b\\\\c\""}, Escape{"l1\nl2\r\n\t", "\"l1\\nl2\\r\\n\\t\""},
        Escape{std::string("\x01\x1f\x7f\b\f", 5), "\"\\u0001\\u001f\\u007f\\b\\f\""},
        Escape{std::string("nul\0x", 5), "\"nul\\u0000x\""},
        // Valid UTF-8, two, three and four bytes long, passes through untouched.
        Escape{"Código — 😀", "\"Código — 😀\""},
        // A Windows-1252 "ó", a truncated sequence and an overlong form: one U+FFFD each.
        Escape{"C\xf3"
               "digo",
               "\"C\xef\xbf\xbd"
               "digo\""},
        Escape{"x\xe2\x82", "\"x\xef\xbf\xbd\""},
        Escape{"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
        // "/" needs no escape; a surrogate encoded in UTF-8 is invalid.
        Escape{"a/b\xed\xa0\x80", "\"a/b\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""}));

TEST(JsonObject, writesMembersInOrderWithCommas) {
    json::Object o;
    o.text("command", "status").number("exitCode", -1).boolean("ok", false).null("warning");
    o.texts("lines", {"a", "b\"c"}).texts("none", {}).raw("values", "{\"x\":\"1\"}");
    EXPECT_EQ(o.str(), "{\"command\":\"status\",\"exitCode\":-1,\"ok\":false,\"warning\":null,"
                       "\"lines\":[\"a\",\"b\\\"c\"],\"none\":[],\"values\":{\"x\":\"1\"}}");
    EXPECT_EQ(json::Object().str(), "{}");
}

} // namespace
