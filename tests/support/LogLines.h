#pragma once

#include <cstddef>
#include <string>

// The display lines of a decoded log as the rules say, one record at a time with plain string
// operations: what the block-wise formatter must match byte for byte. count receives the
// number of lines.
std::string expectedLogLines(const std::string& log, std::size_t& count);
