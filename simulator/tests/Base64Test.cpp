#include "Base64.h"
#include "Sha256.h"

#include "Table.h"

#include <gtest/gtest.h>

namespace {

using Rfc4648 = TableTest<std::string>; // the bytes, and their text

TEST_P(Rfc4648, EncodesAndDecodes)
{
    EXPECT_EQ(satsim::base64::encode(GetParam().input), GetParam().expected);
    EXPECT_EQ(satsim::base64::decode(GetParam().expected), GetParam().input);
}

INSTANTIATE_TABLE(Base64, Rfc4648, {"empty", "", ""}, {"one", "f", "Zg=="}, {"two", "fo", "Zm8="},
                  {"three", "foo", "Zm9v"}, {"four", "foob", "Zm9vYg=="},
                  {"five", "fooba", "Zm9vYmE="}, {"six", "foobar", "Zm9vYmFy"},
                  {"highBytes", std::string("\xFF\xFE\x00\x80", 4), "//4AgA=="});

TEST(Base64, EveryByteSurvivesTheRoundTrip)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    EXPECT_EQ(satsim::base64::decode(satsim::base64::encode(bytes)), bytes);
}

TEST(Base64, DecodingSkipsLineBreaksAndStopsAtPadding)
{
    EXPECT_EQ(satsim::base64::decode("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(satsim::base64::decode("Zg==Zm9v"), "f");
}

std::string hex(const std::array<unsigned char, 32>& digest)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char byte : digest) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

TEST(Sha256, KnownDigests)
{
    EXPECT_EQ(hex(satsim::sha256("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex(satsim::sha256("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks once padded.
    EXPECT_EQ(hex(satsim::sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hex(satsim::sha256(std::string(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
