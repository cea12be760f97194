#pragma once

#include <array>
#include <string_view>

// SHA-256, for the digest of the CF-e documents the simulated device signs.
namespace satsim {

std::array<unsigned char, 32> sha256(std::string_view bytes);

} // namespace satsim
