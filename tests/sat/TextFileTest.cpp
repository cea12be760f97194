#include "TextFile.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class TextFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("vexor-textfile-" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::size_t entriesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    fs::path folder;
};

struct EncodeCase {
    const char* name;
    std::vector<std::string> lines;
    std::string bytes;
};

class EncodeLines : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeLines, Windows1252WithCrLfAfterEveryLine) {
    EXPECT_EQ(textfile::encodeLines(GetParam().lines), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, EncodeLines,
    testing::Values(EncodeCase{"noLines", {}, ""}, EncodeCase{"oneEmptyLine", {""}, "\r\n"},
                    EncodeCase{"twoLines", {"a", "b"}, "a\r\nb\r\n"},
                    EncodeCase{"ansiBytes", {"ação €"}, "a\xE7\xE3o \x80\r\n"},
                    EncodeCase{"embeddedLf", {"<?xml?>\n<config/>"}, "<?xml?>\r\n<config/>\r\n"},
                    EncodeCase{"embeddedCrLf", {"a\r\nb"}, "a\r\nb\r\n"},
                    EncodeCase{"embeddedCr", {"a\rb"}, "a\r\nb\r\n"},
                    EncodeCase{"blankLinesKept", {"a\n\nb"}, "a\r\n\r\nb\r\n"}),
    CaseName());

TEST(TextFile, Utf8KeepsEveryCharacterAndStillEndsLinesWithCrLf) {
    EXPECT_EQ(textfile::encodeLines({"<?xml?>\n<xProd>AÇÚCAR ☕</xProd>"}, textfile::Encoding::Utf8),
              "<?xml?>\r\n<xProd>A\xC3\x87\xC3\x9A"
              "CAR \xE2\x98\x95</xProd>\r\n");
    // A text that is not UTF-8 is never written as such.
    EXPECT_EQ(textfile::encodeLines({"a\xFF"}, textfile::Encoding::Utf8), "a\xEF\xBF\xBD\r\n");
}

struct Declaration {
    const char* name;
    std::string text;
    bool utf8;
};

class XmlDeclaration : public testing::TestWithParam<Declaration> {};

TEST_P(XmlDeclaration, SaysWhetherTheDocumentIsUtf8) {
    EXPECT_EQ(textfile::declaresUtf8Xml(GetParam().text), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, XmlDeclaration,
    testing::Values(
        Declaration{"utf8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFe/>", true},
        Declaration{"lowerCaseSingleQuotes", "<?xml version='1.0' encoding='utf-8'?><CFe/>", true},
        Declaration{"noEncodingMeansUtf8", "<?xml version=\"1.0\"?><CFe/>", true},
        Declaration{"windows1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>", false},
        Declaration{"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", false},
        Declaration{"utf16", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", false},
        Declaration{"utf8Prefix", "<?xml version=\"1.0\" encoding=\"UTF-8x\"?>", false},
        Declaration{"unclosedDeclaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"", false},
        Declaration{"noDeclaration", "<CFe/>", false},
        Declaration{"plainText", "Emitido com sucesso", false}, Declaration{"empty", "", false}),
    CaseName());

TEST_F(TextFileTest, WritesExactlyTheChosenNameWithoutBom) {
    const fs::path target = folder / u8"relatório status";
    const auto result = textfile::writeLines(utf8(target), {"linha ç", "2"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readBytes(target), "linha \xE7\r\n2\r\n");
    EXPECT_EQ(entriesInFolder(), 1u) << "no extension added and no temporary file left";
}

TEST_F(TextFileTest, EmptyLogGivesAnEmptyFile) {
    const fs::path target = folder / "vazio.txt";
    ASSERT_TRUE(textfile::writeLines(utf8(target), {}).ok);
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(TextFileTest, ReplacesAnExistingLongerFile) {
    const fs::path target = folder / "log.txt";
    std::ofstream(target, std::ios::binary) << std::string(5000, 'x');
    ASSERT_TRUE(textfile::writeLines(utf8(target), {"novo"}).ok);
    EXPECT_EQ(readBytes(target), "novo\r\n");
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(TextFileTest, MissingFolderIsReportedAndNothingIsWritten) {
    const fs::path target = folder / "nao-existe" / "log.txt";
    const auto result = textfile::writeLines(utf8(target), {"a"});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("log.txt"), std::string::npos) << result.error;
    EXPECT_EQ(entriesInFolder(), 0u);
}

TEST_F(TextFileTest, EmptyNameIsRefused) {
    const auto result = textfile::writeLines("", {"a"});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
}

TEST_F(TextFileTest, TargetThatIsAFolderIsLeftAloneAndNoTemporaryRemains) {
    const fs::path target = folder / "pasta";
    fs::create_directory(target);
    fs::path inside = target / "keep";
    std::ofstream(inside) << "keep";
    const auto result = textfile::writeLines(utf8(target), {"a"});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(readBytes(inside), "keep");
    EXPECT_EQ(entriesInFolder(), 1u);
}

struct ReadCase {
    const char* name;
    std::string bytes; // the file as written
    std::size_t maxBytes;
    std::string text; // what the program reads
};

class ReadText : public TextFileTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(ReadText, CrLfIsReadAsLfUpToTheLimit) {
    const fs::path path = folder / "venda.xml";
    std::ofstream(path, std::ios::binary) << GetParam().bytes;
    const textfile::ReadResult result = textfile::readText(utf8(path), GetParam().maxBytes);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, ReadText,
    testing::Values(
        ReadCase{"emptyFile", "", 100, ""},
        ReadCase{"crLfPairs", "<a>\r\n<b/>\r\n</a>\r\n", 100, "<a>\n<b/>\n</a>\n"},
        ReadCase{"lfAlone", "a\nb", 100, "a\nb"}, ReadCase{"loneCrStays", "a\rb", 100, "a\rb"},
        ReadCase{"crBeforeCrLf", "a\r\r\nb", 100, "a\r\nb"},
        ReadCase{"crAtTheEnd", "ab\r", 100, "ab\r"},
        ReadCase{"bytesUnchanged", "\xEF\xBB\xBF\xE7\x80\xFF", 100, "\xEF\xBB\xBF\xE7\x80\xFF"},
        ReadCase{"zeroByteKept", std::string("a\0b", 3), 100, std::string("a\0b", 3)},
        ReadCase{"cutAtTheLimit", "abcdef", 4, "abcd"},
        ReadCase{"crLfCountsAsOneByte", "ab\r\ncd", 3, "ab\n"},
        ReadCase{"cutJustBeforeCrLf", "ab\r\ncd", 2, "ab"}, ReadCase{"noRoomAtAll", "abc", 0, ""},
        // The file is read in blocks of 64 KiB: a pair split between two blocks is still one.
        ReadCase{"crLfAcrossBlocks", std::string(65535, 'a') + "\r\nb", 70000,
                 std::string(65535, 'a') + "\nb"},
        ReadCase{"loneCrEndsABlock", std::string(65535, 'a') + "\rb", 70000,
                 std::string(65535, 'a') + "\rb"},
        ReadCase{"crCrLfAcrossBlocks", std::string(65534, 'a') + "\r\r\nb", 70000,
                 std::string(65534, 'a') + "\r\nb"},
        ReadCase{"crLfAcrossBlocksAtTheLimit", std::string(65535, 'a') + "\r\nb", 65536,
                 std::string(65535, 'a') + "\n"},
        ReadCase{"longerThanABlock", std::string(200000, 'x'), 150000, std::string(150000, 'x')}),
    CaseName());

// Windows' text mode, which the sale screen reads with, ends the text at a Ctrl+Z byte.
TEST_F(TextFileTest, CtrlZEndsTheTextOnlyOnWindows) {
    const fs::path path = folder / "venda.xml";
    std::ofstream(path, std::ios::binary) << "ab\x1A"
                                             "cd\r\n";
    const textfile::ReadResult result = textfile::readText(utf8(path), 100);
    ASSERT_TRUE(result.ok) << result.error;
#if defined(_WIN32)
    EXPECT_EQ(result.text, "ab");
#else
    EXPECT_EQ(result.text, "ab\x1A"
                           "cd\n");
#endif
}

TEST_F(TextFileTest, SaleDocumentLongerThan2MiBIsCutThere) {
    const std::size_t limit = 2097152;
    std::string bytes;
    std::string text;
    for (int line = 0; text.size() <= limit + 100; ++line) {
        const std::string content = "<det nItem=\"" + std::to_string(line) + "\">\xE7</det>";
        bytes += content + "\r\n";
        text += content + "\n";
    }
    const fs::path path = folder / u8"venda ção.xml";
    std::ofstream(path, std::ios::binary) << bytes;

    const textfile::ReadResult result = textfile::readText(utf8(path), limit);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.text.size(), limit);
    EXPECT_EQ(result.text, text.substr(0, limit));
}

TEST_F(TextFileTest, UnreadableFileIsReportedByName) {
    for (const fs::path& path : {folder / "nao-existe.xml", folder}) {
        const textfile::ReadResult result = textfile::readText(utf8(path), 100);
        EXPECT_FALSE(result.ok) << utf8(path);
        EXPECT_EQ(result.text, "");
        EXPECT_NE(result.error.find(utf8(path.filename())), std::string::npos) << result.error;
    }
    EXPECT_FALSE(textfile::readText("", 100).ok);
}

#if !defined(_WIN32)
// A write that fails part-way (here: the file-size limit, as a full disk would) must leave
// the previous file whole.
TEST_F(TextFileTest, FailedWriteKeepsTheOldFile) {
    const fs::path target = folder / "log.txt";
    const std::string old = "conteúdo anterior\r\n";
    std::ofstream(target, std::ios::binary) << old;

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const auto result = textfile::writeLines(utf8(target), {std::string(100000, 'z')});

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("log.txt"), std::string::npos) << result.error;
    EXPECT_EQ(readBytes(target), old);
    EXPECT_EQ(entriesInFolder(), 1u) << "the temporary file is removed";
}
#endif

} // namespace

// A file that happens to carry the temporary name belongs to someone else: it is neither
// truncated nor renamed over the target; the save goes on under the next name.
TEST_F(TextFileTest, TemporaryNameClashLeavesTheOtherFileAloneAndTriesAnotherName) {
    const fs::path target = folder / "log.txt";
    const fs::path taken = folder / "log.txt.clash";
    std::ofstream(taken, std::ios::binary) << "somebody else's file";
    std::vector<int> attempts;
    textfile::setTemporaryNameSource([&](int attempt) {
        attempts.push_back(attempt);
        return attempt == 0 ? std::string(".clash") : ".free" + std::to_string(attempt);
    });
    const textfile::WriteResult written = textfile::writeLines(utf8(target), {"novo"});
    textfile::setTemporaryNameSource(nullptr);

    ASSERT_TRUE(written.ok) << written.error;
    EXPECT_EQ(readBytes(target), "novo\r\n");
    EXPECT_EQ(readBytes(taken), "somebody else's file");
    EXPECT_EQ(attempts, (std::vector<int>{0, 1}));
    EXPECT_EQ(entriesInFolder(), 2u);
}

TEST_F(TextFileTest, EveryTemporaryNameTakenIsReportedAndNothingIsTouched) {
    const fs::path target = folder / "log.txt";
    std::ofstream(target, std::ios::binary) << "old";
    std::ofstream(folder / "log.txt.clash", std::ios::binary) << "other";
    textfile::setTemporaryNameSource([](int) { return std::string(".clash"); });
    const textfile::WriteResult written = textfile::writeLines(utf8(target), {"novo"});
    textfile::setTemporaryNameSource(nullptr);

    EXPECT_FALSE(written.ok);
    EXPECT_NE(written.error.find("log.txt"), std::string::npos) << written.error;
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_EQ(readBytes(folder / "log.txt.clash"), "other");
    EXPECT_EQ(entriesInFolder(), 2u);
}
