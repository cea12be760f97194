#include "Digits.h"
#include "DeviceClock.h"
#include "Texts.h"

#include "Table.h"

#include <gtest/gtest.h>

namespace {

using Cnpj = TableTest<const char*, bool>;

TEST_P(Cnpj, CheckDigitsDecide)
{
    EXPECT_EQ(satsim::isValidCnpj(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(Digits, Cnpj, {"demoTaxpayer", "48213907000165", true},
                  {"demoSoftwareHouse", "10615281000140", true},
                  {"wrongSecondDigit", "48213907000164", false},
                  {"wrongFirstDigit", "48213907000175", false},
                  {"allZerosPassesTheDigitsButIsNoCnpj", "00000000000000", false},
                  {"oneDigitRepeated", "11111111111111", false},
                  {"thirteenDigits", "4821390700016", false},
                  {"fifteenDigits", "482139070001650", false},
                  {"punctuated", "48.213.907/0001-65", false}, {"empty", "", false});

TEST(Digits, Modulus11OfThePublishedExampleKey)
{
    // The example access key of the electronic invoice manuals ends in 5.
    EXPECT_EQ(satsim::modulus11("5206043300991100250655012000000780026730161"), 5);
    // Remainders 0 and 1 give 0; any other gives 11 minus it.
    EXPECT_EQ(satsim::modulus11("0"), 0);         // 0
    EXPECT_EQ(satsim::modulus11("6"), 0);         // 12 % 11 = 1
    EXPECT_EQ(satsim::modulus11("5"), 1);         // 10
    EXPECT_EQ(satsim::modulus11("100000000"), 9); // weights restart at 2 after 9: 1 * 2 = 2
}

TEST(Digits, AccessKeyLayout)
{
    const std::string key =
        satsim::accessKey({"35", "2501", "48213907000165", "900004019", 42, 123456});
    ASSERT_EQ(key.size(), 44u);
    EXPECT_EQ(key.substr(0, 43), "3525014821390700016559900004019000042123456");
    EXPECT_EQ(key[43] - '0', satsim::modulus11(key.substr(0, 43)));
    EXPECT_TRUE(satsim::isAccessKey("CFe" + key));
    std::string wrong = key;
    wrong[43] = static_cast<char>('0' + (wrong[43] - '0' + 1) % 10);
    EXPECT_FALSE(satsim::isAccessKey("CFe" + wrong));
    EXPECT_FALSE(satsim::isAccessKey(key));
    EXPECT_FALSE(satsim::isAccessKey("CFe" + key + "0"));
}

using Decimals = TableTest<const char*, std::optional<double>>;

TEST_P(Decimals, ReadAsACfeWritesThem)
{
    EXPECT_EQ(satsim::parseDecimal(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(Texts, Decimals, {"threeDecimals", "250.000", 250.0},
                  {"fourDecimals", "0.7500", 0.75}, {"integer", "12", 12.0},
                  {"commaIsNotADecimalPoint", "1,5", {}}, {"negative", "-1.00", {}},
                  {"plusSign", "+1.00", {}}, {"exponent", "1e5", {}}, {"blank", " 1.00", {}},
                  {"empty", "", {}});

TEST(Texts, CentsRoundHalvesUpAndFormatWithAPoint)
{
    EXPECT_EQ(satsim::formatDecimal(satsim::roundCents(2.675), 2), "2.68");
    EXPECT_EQ(satsim::formatDecimal(satsim::roundCents(37.8 * 0.18), 2), "6.80");
    EXPECT_EQ(satsim::formatDecimal(satsim::roundCents(0.125), 2), "0.13");
    EXPECT_EQ(satsim::formatDecimal(48.8, 2), "48.80");
    EXPECT_EQ(satsim::formatDecimal(-0.0, 2), "0.00");
}

TEST(Texts, PrintableKeepsAnswersInOneFieldAndUtf8)
{
    EXPECT_EQ(satsim::printable("a|b\nc"), "a b c");
    EXPECT_EQ(satsim::printable("caf\xE9"), "café"); // Windows-1252 read as such
    EXPECT_EQ(satsim::printable("café"), "café");
    EXPECT_EQ(satsim::printable("abcdef", 3), "abc...");
    EXPECT_EQ(satsim::printable("ééé", 2), "éé...");
}

TEST(Texts, TruncationNeverCutsACharacter)
{
    EXPECT_EQ(satsim::truncateUtf8("aé", 2), "a");
    EXPECT_EQ(satsim::truncateUtf8("aé", 3), "aé");
    EXPECT_EQ(satsim::truncateUtf8("abc", 2), "ab");
}

TEST(Texts, ReadingStopsAtTheLimit)
{
    const std::string text(10, 'x');
    EXPECT_EQ(satsim::readText(nullptr, 5).kind, satsim::TextArg::Kind::Null);
    EXPECT_EQ(satsim::readText(text.c_str(), 10).kind, satsim::TextArg::Kind::Unterminated);
    const satsim::TextArg fits = satsim::readText(text.c_str(), 11);
    EXPECT_EQ(fits.kind, satsim::TextArg::Kind::Text);
    EXPECT_EQ(fits.bytes, text);
}

// Tests run in UTC (vexor_add_test), so local time is UTC here.
TEST(DeviceClock, StampsAndTheirValidation)
{
    const auto time = satsim::parseStamp14("20240229235958");
    ASSERT_TRUE(time);
    EXPECT_EQ(*time, 1709251198);
    EXPECT_EQ(satsim::stamp14(*time), "20240229235958");
    EXPECT_EQ(satsim::yearMonth4(*time), "2402");
    EXPECT_EQ(satsim::readable(*time), "29/02/2024 23:59:58");
    EXPECT_EQ(satsim::date8YearsLater(*time, 5), "20290228");
    EXPECT_FALSE(satsim::parseStamp14("20230229120000")); // no 29 February in 2023
    EXPECT_FALSE(satsim::parseStamp14("20241301120000"));
    EXPECT_FALSE(satsim::parseStamp14("2024010112000"));
    EXPECT_FALSE(satsim::parseStamp14("2024010112000a"));
}

} // namespace
