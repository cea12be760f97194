#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The activation code read from the file given with --code-file.
namespace codefile {

// A code is short: nothing beyond this is read, whatever the file holds.
inline constexpr std::size_t maxBytes = 4096;

struct Read {
    std::optional<std::string> code; // the first line, without a UTF-8 byte-order mark
    std::string error;               // why no code was read, ready to show
    std::string warning;             // the code was read, but others may read it too
};

// Only a regular file is read (a device such as /dev/zero or a FIFO would never end, or block);
// the file's own name is in every text.
Read read(const std::string& pathUtf8);

std::string notRegularMessage(const std::string& pathUtf8);
std::string unreadableMessage(const std::string& pathUtf8);
std::string openToOthersMessage(const std::string& pathUtf8);

} // namespace codefile
