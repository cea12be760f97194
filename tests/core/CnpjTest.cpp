#include "Cnpj.h"
#include "CaseName.h"

#include <gtest/gtest.h>

namespace {

struct CnpjCase {
    const char* name;
    std::string typed;
    bool valid;
    std::string digits; // what the output holds afterwards; it starts as "unchanged"
};

class CnpjCheck : public testing::TestWithParam<CnpjCase> {};

TEST_P(CnpjCheck, DigitsAndVerdict)
{
    std::string digits = "unchanged";
    EXPECT_EQ(checkCnpj(GetParam().typed, digits), GetParam().valid);
    EXPECT_EQ(digits, GetParam().digits);
}

INSTANTIATE_TEST_SUITE_P(
    Cnpj, CnpjCheck,
    testing::Values(
        CnpjCase{"fourteenZeros", "00.000.000/0000-00", true, "00000000000000"},
        CnpjCase{"typical", "48.213.907/0001-65", true, "48213907000165"},
        CnpjCase{"withoutPunctuation", "48213907000165", true, "48213907000165"},
        CnpjCase{"otherValid", "11.222.333/0001-81", true, "11222333000181"},
        CnpjCase{"firstRemainderOneGivesZero", "00.000.009/0001-00", true, "00000009000100"},
        CnpjCase{"secondRemainderOneGivesZero", "00.000.004/0001-70", true, "00000004000170"},
        CnpjCase{"wrongSecondDigit", "48.213.907/0001-64", false, "48213907000164"},
        CnpjCase{"wrongFirstDigit", "48.213.907/0001-55", false, "48213907000155"},
        CnpjCase{"thirteenDigitsFullPunctuation", "48.213.907/0001-6 ", false, "unchanged"},
        CnpjCase{"optionalPositionBlank", "48.213.9 7/0001-65", false, "unchanged"},
        CnpjCase{"untouchedMask", "  .   .   /    -  ", false, "unchanged"},
        CnpjCase{"fifteenDigits", "482139070001650", false, "unchanged"},
        CnpjCase{"empty", "", false, "unchanged"},
        CnpjCase{"onlyDigitsCount", "48a213b907c0001d65", true, "48213907000165"},
        // Digits of other scripts are not decimal digits here.
        CnpjCase{"arabicIndicDigit", "48.213.907/0001-6\xd9\xa5", false, "unchanged"}),
    CaseName());

} // namespace
