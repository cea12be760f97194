// The Base64 the simulated device encodes its documents in and decodes for Base64ToAscii.

#include "Base64.h"
#include "FuzzCheck.h"

using fuzzcheck::require;

namespace {

constexpr std::string_view alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzzcheck::bytesOf(data, size);

    // Any bytes encode to Base64 that decodes to them.
    const std::string encoded = satsim::base64::encode(bytes);
    require(encoded.size() == (bytes.size() + 2) / 3 * 4, "four characters for every three bytes");
    const std::size_t padding = (3 - bytes.size() % 3) % 3;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (i + padding >= encoded.size())
            require(encoded[i] == '=', "padding only at the end");
        else
            require(alphabet.find(encoded[i]) != std::string_view::npos, "only the alphabet");
    }
    require(satsim::base64::decode(encoded) == bytes, "decoding gives the bytes back");

    // Any text decodes: characters outside the alphabet skipped, up to the first "=", six bits a
    // character.
    const std::string decoded = satsim::base64::decode(bytes);
    std::size_t sextets = 0;
    for (const char c : bytes.substr(0, bytes.find('=')))
        sextets += alphabet.find(c) != std::string_view::npos;
    require(decoded.size() == sextets * 6 / 8, "six bits a character, whole bytes only");
    require(satsim::base64::decode(satsim::base64::encode(decoded)) == decoded,
            "what was decoded encodes and decodes again");
    return 0;
}
