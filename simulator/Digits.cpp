#include "Digits.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace satsim {

namespace {

int cnpjDigit(std::string_view digits, const int* weights)
{
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * weights[i];
    const int remainder = sum % 11;
    return remainder < 2 ? 0 : 11 - remainder;
}

std::string padded(int value, int width)
{
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%0*d", width, value);
    return buffer.data();
}

} // namespace

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isValidCnpj(std::string_view text)
{
    if (text.size() != 14 || !allDigits(text))
        return false;
    if (std::all_of(text.begin(), text.end(), [&](char c) { return c == text[0]; }))
        return false;
    static constexpr int first[] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    static constexpr int second[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    const int d1 = cnpjDigit(text.substr(0, 12), first);
    const std::string thirteen = std::string(text.substr(0, 12)) + static_cast<char>('0' + d1);
    const int d2 = cnpjDigit(thirteen, second);
    return text[12] - '0' == d1 && text[13] - '0' == d2;
}

int modulus11(std::string_view digits)
{
    int sum = 0;
    int weight = 2;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = weight == 9 ? 2 : weight + 1;
    }
    const int remainder = sum % 11;
    return remainder < 2 ? 0 : 11 - remainder;
}

std::string accessKey(const KeyParts& parts)
{
    std::string key;
    key.reserve(44);
    key += parts.stateCode;
    key += parts.yearMonth;
    key += parts.cnpj;
    key += "59";
    key += parts.serial;
    key += padded(parts.number, 6);
    key += padded(parts.randomCode, 6);
    key += static_cast<char>('0' + modulus11(key));
    return key;
}

bool isAccessKey(std::string_view text)
{
    if (text.size() != 47 || text.substr(0, 3) != "CFe")
        return false;
    const std::string_view digits = text.substr(3);
    return allDigits(digits) && digits.back() - '0' == modulus11(digits.substr(0, 43));
}

} // namespace satsim
