// Bytes from the host process, read as it sends them: in pieces of any size, with lengths
// that may lie and bodies that may be garbage.

#include "FuzzCheck.h"
#include "HostWire.h"

#include <fuzzer/FuzzedDataProvider.h>

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    hostwire::FrameReader reader;
    std::size_t given = 0;
    std::size_t taken = 0;
    while (provider.remaining_bytes() > 0) {
        const std::string piece =
            provider.ConsumeBytesAsString(provider.ConsumeIntegralInRange<std::size_t>(1, 64));
        given += piece.size();
        reader.add(piece);
        while (const auto body = reader.next()) {
            taken += 4 + body->size();
            // A body that reads as a request or a reply is written back to the same bytes.
            if (const auto request = hostwire::readRequest(*body))
                require(hostwire::frame(*request).substr(4) == *body, "a request reads back");
            if (const auto reply = hostwire::readReply(*body))
                require(hostwire::frame(*reply).substr(4) == *body, "a reply reads back");
        }
        require(taken + reader.pending() == given, "no byte is lost or made up");
        if (reader.broken())
            break;
    }
    return 0;
}
