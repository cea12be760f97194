#include "Cnpj.h"
#include "Table.h"

#include <gtest/gtest.h>

namespace {

struct Checked {
    bool valid;
    std::string digits; // what the output holds afterwards; it starts as "unchanged"
};

using CnpjCheck = TableTest<std::string, Checked>;

TEST_P(CnpjCheck, DigitsAndVerdict)
{
    std::string digits = "unchanged";
    EXPECT_EQ(checkCnpj(GetParam().input, digits), GetParam().expected.valid);
    EXPECT_EQ(digits, GetParam().expected.digits);
}

INSTANTIATE_TABLE(Cnpj, CnpjCheck,
                  {"fourteenZeros", "00.000.000/0000-00", {true, "00000000000000"}},
                  {"typical", "48.213.907/0001-65", {true, "48213907000165"}},
                  {"withoutPunctuation", "48213907000165", {true, "48213907000165"}},
                  {"otherValid", "11.222.333/0001-81", {true, "11222333000181"}},
                  {"firstRemainderOneGivesZero", "00.000.009/0001-00", {true, "00000009000100"}},
                  {"secondRemainderOneGivesZero", "00.000.004/0001-70", {true, "00000004000170"}},
                  {"wrongSecondDigit", "48.213.907/0001-64", {false, "48213907000164"}},
                  {"wrongFirstDigit", "48.213.907/0001-55", {false, "48213907000155"}},
                  {"thirteenDigitsFullPunctuation", "48.213.907/0001-6 ", {false, "unchanged"}},
                  {"optionalPositionBlank", "48.213.9 7/0001-65", {false, "unchanged"}},
                  {"untouchedMask", "  .   .   /    -  ", {false, "unchanged"}},
                  {"fifteenDigits", "482139070001650", {false, "unchanged"}},
                  {"empty", "", {false, "unchanged"}},
                  {"onlyDigitsCount", "48a213b907c0001d65", {true, "48213907000165"}},
                  // Digits of other scripts are not decimal digits here.
                  {"arabicIndicDigit", "48.213.907/0001-6\xd9\xa5", {false, "unchanged"}});

} // namespace
