#include "HostWire.h"

#include "Table.h"

#include <gtest/gtest.h>

namespace {

using namespace hostwire;
using namespace std::string_literals;

std::string le(std::uint32_t value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF),
            static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 24)};
}

TEST(HostWire, ARequestIsItsLengthThenEachFieldTypedAndSized)
{
    const Request sale{Request::Kind::Call,
                       "EnviarDadosVenda",
                       {Argument::of(12), Argument::of("2468"), Argument::of("\xE7\0z"s), {}}};
    const std::string body = "C" + le(16) + "EnviarDadosVenda" + le(4) + "i" + le(12) + "s" +
                             le(4) + "2468" + "s" + le(3) + "\xE7\0z"s + "n";
    EXPECT_EQ(frame(sale), le(static_cast<std::uint32_t>(body.size())) + body);
    EXPECT_EQ(readRequest(body), sale);
}

TEST(HostWire, AReplyIsItsKindCodeAndText)
{
    const std::string message = "C\xF3"
                                "digo inv\xE1lido"; // the library's own bytes
    const Reply record{Reply::Kind::Record, -2, message};
    const std::string body = "R" + le(0xFFFFFFFE) + le(15) + message;
    EXPECT_EQ(frame(record), le(static_cast<std::uint32_t>(body.size())) + body);
    EXPECT_EQ(readReply(body), record);
}

using Unreadable = TableTest<std::string, bool>; // the body, and whether it is a request

TEST_P(Unreadable, BodiesAreRefusedWhole)
{
    const std::string& body = GetParam().input;
    if (GetParam().expected)
        EXPECT_EQ(readRequest(body), std::nullopt);
    else
        EXPECT_EQ(readReply(body), std::nullopt);
}

INSTANTIATE_TABLE(HostWire, Unreadable, {"emptyRequest", "", true}, {"emptyReply", "", false},
                  {"unknownRequestKind", "X" + le(0) + le(0), true},
                  {"unknownReplyKind", "Z" + le(0) + le(0), false},
                  {"nameRunsPastTheEnd", "C" + le(20) + "Consultar" + le(0), true},
                  {"moreArgumentsThanBytes", "C" + le(0) + le(1000), true},
                  {"unknownArgumentType", "C" + le(0) + le(1) + "x", true},
                  {"numberCutShort", "C" + le(0) + le(1) + "i12", true},
                  {"bytesAfterTheRequest", "C" + le(0) + le(0) + "n", true},
                  {"replyTextCutShort", "T" + le(0) + le(5) + "abc", false},
                  {"bytesAfterTheReply", "T" + le(0) + le(0) + "!", false});

TEST(HostWireReader, FramesArriveInAnyPieces)
{
    const std::string stream = frame(Reply{Reply::Kind::Text, 0, "000012|10000|Sucesso"}) +
                               frame(Reply{Reply::Kind::NoText, 0, ""});
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        FrameReader reader;
        std::vector<std::string> bodies;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.add(std::string_view(stream).substr(at, piece));
            while (auto body = reader.next())
                bodies.push_back(*body);
        }
        ASSERT_EQ(bodies.size(), 2u) << piece;
        EXPECT_EQ(readReply(bodies[0])->text, "000012|10000|Sucesso");
        EXPECT_EQ(readReply(bodies[1])->kind, Reply::Kind::NoText);
        EXPECT_EQ(reader.pending(), 0u);
    }
}

TEST(HostWireReader, ALengthPastTheLimitBreaksTheStream)
{
    FrameReader reader;
    reader.add(le(maxFrame));
    EXPECT_FALSE(reader.next());
    EXPECT_FALSE(reader.broken()) << "the limit itself is allowed";
    FrameReader garbage;
    garbage.add(le(maxFrame + 1) + "data");
    EXPECT_FALSE(garbage.next());
    EXPECT_TRUE(garbage.broken());
}

} // namespace
