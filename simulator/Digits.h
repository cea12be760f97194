#pragma once

#include <string>
#include <string_view>

// Check digits of the numbers a SAT validates and builds: the CNPJ and the CF-e access key.
namespace satsim {

bool allDigits(std::string_view text);

// Exactly 14 digits whose two check digits follow the modulus-11 rule. A CNPJ of one digit
// repeated passes that rule but no tax authority issues it, so it is refused too.
bool isValidCnpj(std::string_view text);

// Modulus 11 with the weights 2 to 9 from the right, the access key's check digit: a
// remainder of 0 or 1 gives 0.
int modulus11(std::string_view digits);

struct KeyParts {
    std::string_view stateCode; // 2 digits
    std::string_view yearMonth; // YYMM
    std::string_view cnpj;      // 14 digits, the emitter
    std::string_view serial;    // 9 digits
    int number = 0;             // CF-e number, 1 to 999999
    int randomCode = 0;         // 0 to 999999
};

// The 44 digits of a CF-e access key (without the "CFe" prefix).
std::string accessKey(const KeyParts& parts);

// "CFe" followed by 44 digits whose last is the right check digit.
bool isAccessKey(std::string_view text);

} // namespace satsim
