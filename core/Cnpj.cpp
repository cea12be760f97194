#include "Cnpj.h"

namespace {

int checkDigit(const std::string& digits, std::size_t count)
{
    // The weights run 2 to 9 from the right, starting again after 9.
    int sum = 0;
    int weight = 2;
    for (std::size_t i = count; i-- > 0;) {
        sum += (digits[i] - '0') * weight;
        weight = weight == 9 ? 2 : weight + 1;
    }
    const int remainder = sum % 11;
    return remainder < 2 ? 0 : 11 - remainder;
}

} // namespace

bool checkCnpj(std::string_view typed, std::string& digits)
{
    std::string found;
    for (const char c : typed) {
        if (c >= '0' && c <= '9')
            found += c;
    }
    if (found.size() != 14)
        return false;
    digits = found;
    const int first = checkDigit(found, 12);
    if (found[12] - '0' != first)
        return false;
    return found[13] - '0' == checkDigit(found, 13);
}
