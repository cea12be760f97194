#pragma once

#include <string>
#include <string_view>

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks), the encoding of every
// document a SAT hands back inside an answer.
namespace satsim::base64 {

std::string encode(std::string_view bytes);

// Appends the encoding of the bytes to out.
void appendEncoded(std::string& out, std::string_view bytes);

// Characters outside the alphabet (line breaks, blanks) are skipped; decoding stops at the
// first "=".
std::string decode(std::string_view text);

} // namespace satsim::base64
