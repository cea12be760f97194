#include "LogExtractor.h"
#include "AppContext.h"
#include "LogLines.h"
#include "Recorders.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

// A header line and two records, the last line without its line feed.
const std::string headedLog = "HEADER\n"
                              "20150312093005|two|three|four:msg one\n"
                              "20150312093006|TWO|THREE|FOUR:msg two";
const std::string headedLines = "1 12/03/2015 09:30:05 four three msg one\n"
                                "2 12/03/2015 09:30:06 FOUR THREE msg two\n";

// As devices write it: no header, no colon, every line ended.
const std::string plainLog = "20150312093005|app|INFO|Sistema iniciado\n"
                             "20150312093006|rede|WARN|Cabo desconectado\n"
                             "20150312093007|sat|ERROR|Falha no envio\n";
const std::string plainLines = "1 12/03/2015 09:30:05  INFO Sistema iniciado\n"
                               "2 12/03/2015 09:30:06  WARN Cabo desconectado\n"
                               "3 12/03/2015 09:30:07  ERROR Falha no envio\n";

const std::string transferred = "000012|15000|Transferência em processamento||";

using DateText = TableTest<std::string>; // the timestamp, and its date

TEST_P(DateText, ReordersOnlyAWholeTimestamp)
{
    EXPECT_EQ(LogExtractor::dateText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(LogExtractor, DateText,
                  {"fourteenDigits", "20150312093005", "12/03/2015 09:30:05"},
                  {"longerUsesTheFirstFourteen", "2015031209300599", "12/03/2015 09:30:05"},
                  {"letterUnchanged", "T1", "T1"}, {"shortDigitsUnchanged", "2015031", "2015031"},
                  {"thirteenDigitsUnchanged", "2015031209300", "2015031209300"},
                  {"separatorsUnchanged", "2015-03-12 09:30:05", "2015-03-12 09:30:05"},
                  {"longTextCut", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRS"},
                  {"cutKeepsCharactersWhole", std::string(18, 'a') + "ção", std::string(18, 'a')},
                  {"empty", "", ""});

struct Formatted {
    std::string lines;
    std::size_t count;
};

using FormatLog = TableTest<std::string, Formatted>; // the decoded log, and its lines

TEST_P(FormatLog, OneLinePerRecord)
{
    const LogExtractor::Lines lines = LogExtractor::formatLog(GetParam().input);
    EXPECT_EQ(lines.text(), GetParam().expected.lines);
    EXPECT_EQ(lines.count, GetParam().expected.count);
}

INSTANTIATE_TABLE(
    LogExtractor, FormatLog, {"headerSkipped", headedLog, {headedLines, 2}},
    {"noHeaderNoColons", plainLog, {plainLines, 3}},
    {"letterTimestamp", "HEADER\nT1|a|b|c:d\n", {"1 T1 c b d\n", 1}},
    {"fourthFieldEndsAtTheFirstColon",
     "H\n20150312093005|a|b|c:d: e:f\n",
     {"1 12/03/2015 09:30:05 c b d: e:f\n", 1}},
    {"barsBeforeTheColonStayInTheFourthField",
     "H\n20150312093005|a|b|c|d:e\n",
     {"1 12/03/2015 09:30:05 c|d b e\n", 1}},
    {"aFieldNeverRunsIntoTheNextLine",
     "H\n20150312093005|a|b|sem dois pontos\n20150312093006|c|d|e:f\n",
     {"1 12/03/2015 09:30:05  b sem dois pontos\n2 12/03/2015 09:30:06 e d f\n", 2}},
    {"missingFieldsAreEmptyNotThePreviousRecords",
     "H\n20150312093005|a|b|c:d\n20150312093006|x\nsolto\n",
     {"1 12/03/2015 09:30:05 c b d\n2 12/03/2015 09:30:06   \n3 solto   \n", 3}},
    {"aMarkOnTheNextLineIsNotThisLines",
     "H\n20150312093005|x\n|a|b|c\n",
     {"1 12/03/2015 09:30:05   \n2   b c\n", 2}},
    {"emptyFields", "H\n||||\n", {"1    |\n", 1}},
    {"shortDigitTimestampNotReadPastItsEnd", "H\n2015031|a|b|c:d\n", {"1 2015031 c b d\n", 1}},
    {"headerOnly", "HEADER", {"", 0}}, {"headerAndLineFeedOnly", "HEADER\n", {"", 0}},
    {"empty", "", {"", 0}},
    {"singleRecordWithoutLineFeed", "20150312093005|a|b|c:d", {"1 12/03/2015 09:30:05 c b d\n", 1}},
    {"firstLineNeedsItsBar",
     "20150312093005 inicio\n20150312093006|a|b|c\n",
     {"1 12/03/2015 09:30:06  b c\n", 1}},
    {"emptyLinesAreNoRecords",
     "H\n\n20150312093005|a|b|c:d\n\n\n",
     {"1 12/03/2015 09:30:05 c b d\n", 1}},
    {"carriageReturnsDropped",
     "H\r\n20150312093005|a|b|c:d\r\n",
     {"1 12/03/2015 09:30:05 c b d\n", 1}},
    {"utf8Kept",
     "H\n20150312093005|a|AVISO|Comunicação:não há rede\n",
     {"1 12/03/2015 09:30:05 Comunicação AVISO não há rede\n", 1}},
    {"invalidUtf8PassedOnForTheTextArea",
     "H\n20150312093005|a|b|c:d\xE9z\n",
     {"1 12/03/2015 09:30:05 c b d\xE9z\n", 1}});

TEST(LogExtractorLimits, LongFieldsAreCutToTheLineWidth)
{
    for (const std::size_t length : {1998u, 1999u, 2000u, 3000u, 100000u}) {
        const std::string log = "H\n20150312093005|" + std::string(length, 'o') + "|" +
                                std::string(length, 'l') + "|" + std::string(length, 'd') + ":" +
                                std::string(length, 'm') + "\n20150312093006|a|b|c:d\n";
        const LogExtractor::Lines lines = LogExtractor::formatLog(log);
        ASSERT_EQ(lines.count, 2u);
        const std::string first(lines.text().substr(0, lines.text().find('\n')));
        EXPECT_EQ(first, "1 12/03/2015 09:30:05 " + std::string(999 - 22, 'd'));
        EXPECT_EQ(lines.text().substr(first.size() + 1), "2 12/03/2015 09:30:06 c b d\n");
    }
}

TEST(LogExtractorLimits, TheCutNeverSplitsACharacter)
{
    // "ç" takes two bytes; put its first byte at the 999th byte of the line.
    const std::string prefix = "1 T1  l ";
    const std::string message = std::string(999 - prefix.size() - 1, 'm') + "ç" + "fim";
    const LogExtractor::Lines lines = LogExtractor::formatLog("H\nT1|o|l|" + message + "\n");
    EXPECT_EQ(lines.text(), prefix + std::string(999 - prefix.size() - 1, 'm') + "\n");
    EXPECT_EQ(lines.text().size(), 999u);

    const std::string fits = std::string(999 - prefix.size() - 2, 'm') + "ç";
    EXPECT_EQ(LogExtractor::formatLog("H\nT1|o|l|" + fits + "fim\n").text(), prefix + fits + "\n");
}

TEST(LogExtractorLimits, NumbersGoOnPastNine)
{
    std::string log = "H\n";
    for (int i = 0; i < 12; ++i)
        log += "T" + std::to_string(i) + "|o|l|m\n";
    const LogExtractor::Lines lines = LogExtractor::formatLog(log);
    EXPECT_EQ(lines.count, 12u);
    EXPECT_NE(lines.text().find("\n10 T9  l m\n11 T10  l m\n12 T11  l m\n"), std::string::npos);
}

TEST(LogExtractorLimits, ManyShortRecordsOutgrowTheFirstGuessOfTheirSize)
{
    std::string log = "H\n";
    for (int i = 0; i < 5000; ++i)
        log += "T\n";
    const LogExtractor::Lines lines = LogExtractor::formatLog(log);
    EXPECT_EQ(lines.count, 5000u);
    EXPECT_GT(lines.text().size(), log.size() * 2);
    EXPECT_EQ(lines.text().substr(0, 14), "1 T   \n2 T   \n");
    EXPECT_EQ(lines.text().substr(lines.text().size() - 11), "\n5000 T   \n");
}

constexpr LogExtractor::MarkScan allScans[] = {
    LogExtractor::MarkScan::fastest, LogExtractor::MarkScan::plain, LogExtractor::MarkScan::sse2,
    LogExtractor::MarkScan::avx2, LogExtractor::MarkScan::avx512};

// Every way of finding the marks that this processor has, on the log alone (its lines near
// the end are read plainly) and followed by enough records that each of its lines is read
// in whole blocks.
void expectAsTheRulesSay(const std::string& log)
{
    const std::string followed =
        log + "\n" + std::string(3, '\n') + "20150312093009|o|N|" + std::string(140, 'f') + "\n";
    for (const std::string& text : {log, followed}) {
        std::size_t count = 0;
        const std::string expected = expectedLogLines(text, count);
        for (const auto scan : allScans) {
            if (!LogExtractor::canScan(scan))
                continue;
            const LogExtractor::Lines lines = LogExtractor::formatLog(text, scan);
            EXPECT_EQ(lines.text(), expected)
                << "scan " << static_cast<int>(scan) << ", log: " << testing::PrintToString(text);
            EXPECT_EQ(lines.count, count);
        }
    }
}

TEST(LogExtractorBlocks, TheRulesCheckItselfOnKnownLines)
{
    std::size_t count = 0;
    EXPECT_EQ(expectedLogLines(headedLog, count), headedLines);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(expectedLogLines(plainLog, count), plainLines);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(expectedLogLines("H\n||||\n20150312093005|x\n|a|b|c\n", count),
              "1    |\n2 12/03/2015 09:30:05   \n3   b c\n");
}

// A bar, colon or line feed on either side of a 16-, 32- and 64-byte edge: record i puts
// its mark at byte `edge` of the log. Each log is read by every way of finding the marks,
// alone and followed by other records.
TEST(LogExtractorBlocks, MarksAtTheEdgesOfABlock)
{
    const auto check = [](const std::string& log, const std::string& expected, std::size_t edge) {
        for (const auto scan : allScans) {
            if (LogExtractor::canScan(scan)) {
                EXPECT_EQ(LogExtractor::formatLog(log, scan).text(), expected)
                    << "edge " << edge << ", scan " << static_cast<int>(scan);
            }
        }
        expectAsTheRulesSay(log);
    };
    for (const std::size_t edge : {15u, 16u, 17u, 20u, 31u, 32u, 33u, 63u, 64u, 65u, 127u, 128u}) {
        // The second bar: the origin fills the bytes up to it.
        const std::string origin(edge - 15, 'o');
        const std::string prefix = "20150312093005|o|N|";
        check("20150312093005|" + origin + "|N|d:m\n", "1 12/03/2015 09:30:05 d N m\n", edge);
        if (edge < prefix.size() + 1)
            continue;
        // The colon.
        const std::string detail(edge - prefix.size(), 'd');
        check(prefix + detail + ":m:n\n", "1 12/03/2015 09:30:05 " + detail + " N m:n\n", edge);
        // The line feed, then a record that starts right after it.
        const std::string message(edge - prefix.size(), 'm');
        check(prefix + message + "\n20150312093006|o|W|x",
              "1 12/03/2015 09:30:05  N " + message + "\n2 12/03/2015 09:30:06  W x\n", edge);
        // A carriage return before the line feed, on the edge.
        check(prefix + message.substr(1) + "\r\nH",
              "1 12/03/2015 09:30:05  N " + message.substr(1) + "\n2 H   \n", edge);
    }
}

TEST(LogExtractorBlocks, LinesLongerThanABlockAndALastLineWithoutFeed)
{
    const std::string message(200, 'm');
    const std::string log = "HEADER\r\n20150312093005|o|N|" + std::string(70, 'd') + ":" + message +
                            "|x:y\r\n20150312093006|o|W|" + message;
    EXPECT_EQ(LogExtractor::formatLog(log).text(),
              "1 12/03/2015 09:30:05 " + std::string(70, 'd') + " N " + message + "|x:y\n" +
                  "2 12/03/2015 09:30:06  W " + message + "\n");
}

TEST(LogExtractorBlocks, BytesAboveAsciiAreNoMarks)
{
    // 0xBC, 0xBA and 0x8A share their low seven bits with '|', ':' and the line feed.
    const std::string log = "20150312093005|\xBC|N|\xBA\x8A:\xC3\xA7\xBC\n";
    EXPECT_EQ(LogExtractor::formatLog(log).text(),
              "1 12/03/2015 09:30:05 \xBA\x8A N \xC3\xA7\xBC\n");
}

// Records of random shapes: fields of the lengths around the edges, missing fields, extra
// bars and colons, carriage returns, bytes above 0x7F, with and without a header and a
// last line feed.
TEST(LogExtractorBlocks, RandomLogsMatchTheRules)
{
    std::uint32_t seed = 2024;
    auto next = [&seed](std::uint32_t below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    const std::size_t lengths[] = {0, 1, 2, 13, 14, 15, 16, 17, 30, 31, 32, 33, 63, 64, 65, 130};
    const char pieces[] = {'a', 'Z', '9', ' ', ':', '|', '\r', '\xC3', '\xA7', '\xBC', '\xFF'};
    auto text = [&](std::size_t length, bool marks) {
        std::string t;
        for (std::size_t i = 0; i < length; ++i)
            t += marks || next(3) ? pieces[next(sizeof pieces)] : 'x';
        return t;
    };
    for (int round = 0; round < 400; ++round) {
        std::string log = next(2) ? "HEADER " + text(next(40), true) + "\n" : "";
        const std::uint32_t records = 1 + next(12);
        for (std::uint32_t r = 0; r < records; ++r) {
            log += next(4) ? "2015031209300" + std::to_string(next(10)) : text(next(20), false);
            const std::uint32_t fields = next(5);
            for (std::uint32_t f = 0; f < fields; ++f)
                log += "|" + text(lengths[next(std::size(lengths))], f >= 2);
            if (next(8) == 0)
                log += std::string(next(3) ? 1200 : 990, 'L');
            if (r + 1 < records || next(2))
                log += next(5) ? "\n" : "\r\n";
        }
        expectAsTheRulesSay(log);
    }
}

// The extractions of a test and what the screen shows of them: the lines, appended, and the
// messages.
struct Extractions {
    explicit Extractions(LogExtractor& extracting) : extractor(extracting) {}
    LogExtractor& extractor;
    RecordedMessages messages;
    RecordedLines memo;

    std::size_t operator()()
    {
        const LogExtractor::Extracted extracted = extractor.extract();
        for (const std::string& message : extracted.messages)
            messages.showMessage(message);
        memo.appendLines(extracted.lines.text());
        return extracted.lines.count;
    }
};

class ExtractTest : public testing::Test {
protected:
    void transfer(const std::string& log, const std::string& result = transferred)
    {
        device.script("ExtrairLogs", {result, 0, "", TestDevice::base64(log)});
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    LogExtractor extractor{client};
    Extractions extract{extractor};
    RecordedMessages& messages = extract.messages;
    RecordedLines& memo = extract.memo;
};

TEST_F(ExtractTest, HeadedLogWithTheDefaultCodeAndNoErrorRecord)
{
    transfer(headedLog);
    EXPECT_EQ(extract(), 2u);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"ExtrairLogs", "Base64ToAscii"}));
    const auto call = device.calls().at(0);
    ASSERT_EQ(call.args.size(), 2u);
    EXPECT_EQ(call.args[0], "12");
    EXPECT_EQ(call.args[1], "24681357");
    EXPECT_EQ(memo.lines, (std::vector<std::string>{"1 12/03/2015 09:30:05 four three msg one",
                                                    "2 12/03/2015 09:30:06 FOUR THREE msg two"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ExtractTest, PlainLogWithTheStoredCode)
{
    ASSERT_TRUE(context.setActivationCode("12345678"));
    transfer(plainLog);
    EXPECT_EQ(extract(), 3u);
    EXPECT_EQ(device.calls().at(0).args.at(1), "12345678");
    EXPECT_EQ(memo.lines,
              (std::vector<std::string>{"1 12/03/2015 09:30:05  INFO Sistema iniciado",
                                        "2 12/03/2015 09:30:06  WARN Cabo desconectado",
                                        "3 12/03/2015 09:30:07  ERROR Falha no envio"}));
}

TEST_F(ExtractTest, ASecondExtractionAppendsNumberedFromOneAgain)
{
    transfer(headedLog);
    transfer(plainLog);
    extract();
    extract();
    ASSERT_EQ(memo.lines.size(), 5u);
    EXPECT_EQ(memo.lines[1], "2 12/03/2015 09:30:06 FOUR THREE msg two");
    EXPECT_EQ(memo.lines[2], "1 12/03/2015 09:30:05  INFO Sistema iniciado");
}

// The transfer's result, and the one message shown.
class ExtractRefused : public ExtractTest, public testing::WithParamInterface<Row<std::string>> {};

TEST_P(ExtractRefused, ShowsOneMessageAndDecodesNothing)
{
    transfer(headedLog, GetParam().input);
    EXPECT_EQ(extract(), 0u);
    EXPECT_EQ(messages.shown, std::vector<std::string>{GetParam().expected});
    EXPECT_EQ(device.functions(), std::vector<std::string>{"ExtrairLogs"});
    EXPECT_TRUE(memo.lines.empty());
}

INSTANTIATE_TABLE(
    LogExtractor, ExtractRefused,
    {"portFailure", "Erro ao tentar abrir a porta", "Erro ao Abrir Porta de Comunicação"},
    {"longerPortTextIsNoPortFailure", "Erro ao tentar abrir a porta de comunicacao",
     "Erro ao tentar abrir a porta de comunicacao"},
    {"portTextWithABlankIsNoPortFailure", "Erro ao tentar abrir a porta ",
     "Erro ao tentar abrir a porta "},
    // A device that answers in UTF-8 is read as UTF-8, never as mojibake.
    {"otherCodeInUtf8", "000012|15001|Erro na extração||", "000012|15001|Erro na extração||"},
    {"ansiResult", "000012|15002|Extra\xE7\xE3o negada||", "000012|15002|Extração negada||"},
    {"lowerCaseTransfer", "000012|15000|transfer||", "000012|15000|transfer||"}, {"empty", "", ""});

TEST_F(ExtractTest, APortFailureIsNoRefusalOfTheDevice)
{
    transfer(headedLog, "Erro ao tentar abrir a porta");
    transfer(headedLog, "000012|15001|Erro||");
    transfer(headedLog);
    for (const Outcome::Kind kind :
         {Outcome::Kind::Transport, Outcome::Kind::Refused, Outcome::Kind::Done})
        EXPECT_EQ(extractor.extract().kind, kind);
}

TEST_F(ExtractTest, MarkAnywhereInTheResultIsATransfer)
{
    transfer(plainLog, "x15000|Transfery");
    EXPECT_EQ(extract(), 3u);
}

TEST_F(ExtractTest, ALogWithoutRecordsShowsNothing)
{
    transfer("HEADER");
    EXPECT_EQ(extract(), 0u);
    EXPECT_TRUE(memo.lines.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(LogExtractorLibrary, MissingExtrairLogsIsToldByName)
{
    const std::string partial = TestDevice::file("dllsat_partial");
    AppContext context;
    SatClient client{context, partial};
    LogExtractor extractor{client};
    const LogExtractor::Extracted extracted = extractor.extract();
    EXPECT_EQ(extracted.lines.count, 0u);
    ASSERT_EQ(extracted.messages.size(), 1u);
    EXPECT_NE(extracted.messages[0].find("\"ExtrairLogs\""), std::string::npos)
        << extracted.messages[0];
    EXPECT_EQ(extracted.kind, Outcome::Kind::Transport);
}

class SaveLogTest : public ExtractTest {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("vexor-savelog-" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string utf8(const fs::path& path)
    {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
    static std::string readBytes(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path folder;
};

TEST_F(SaveLogTest, WritesAnsiWithCrLfAndNoByteOrderMarkUnderTheChosenName)
{
    const fs::path target = folder / "logs sat";
    EXPECT_EQ(
        LogExtractor::saveLog(
            utf8(target), {"1 12/03/2015 09:30:05 Comunicação AVISO não há rede", "2 T1 c b d"}),
        std::nullopt);
    EXPECT_EQ(readBytes(target),
              "1 12/03/2015 09:30:05 Comunica\xE7\xE3o AVISO n\xE3o h\xE1 rede\r\n"
              "2 T1 c b d\r\n");
}

TEST_F(SaveLogTest, ReplacesAnExistingFile)
{
    const fs::path target = folder / "logs.txt";
    std::ofstream(target) << "old text that is longer than the new one\n";
    EXPECT_EQ(LogExtractor::saveLog(utf8(target), {"1 T1  l m"}), std::nullopt);
    EXPECT_EQ(readBytes(target), "1 T1  l m\r\n");
}

TEST_F(SaveLogTest, AFailedSaveIsToldAndLeavesTheOldFile)
{
    // A folder stands where the file would go: the rename over it fails.
    const fs::path target = folder / "taken";
    fs::create_directories(target / "inside");
    const std::optional<std::string> failure = LogExtractor::saveLog(utf8(target), {"1 T1  l m"});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->rfind("Não foi possível salvar os logs em \"" + utf8(target) + "\".\n", 0),
              0u)
        << *failure;
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(SaveLogTest, MissingFolderIsTold)
{
    EXPECT_TRUE(LogExtractor::saveLog(utf8(folder / "absent" / "logs.txt"), {"1 T1  l m"}));
}

} // namespace
