#pragma once

#include <string>
#include <string_view>

// The CNPJ check: only the decimal digits of the text count, there must be exactly 14 and the
// last two must be the modulus-11 check digits of the first twelve. Whenever there are exactly
// 14 digits they are written to digits, valid or not; otherwise digits is left as it was.
bool checkCnpj(std::string_view typed, std::string& digits);
