#include "TextFile.h"

#include "Table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <dlfcn.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class TextFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        // A table's case is named "Test/case": one folder, not a folder left in a folder.
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        folder = fs::temp_directory_path() / ("vexor-textfile-" + name);
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
#if defined(_WIN32)
        // Windows deletes no read-only file.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
#endif
        fs::remove_all(folder);
    }

    std::size_t entriesInFolder() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    // Every entry below the folder with its kind and content (a file's bytes, where a link
    // points), to see that nothing at all changed.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            const fs::path& path = entry.path();
            const fs::file_status status = fs::symlink_status(path);
            std::string& kind = entries[utf8(path.lexically_relative(folder))];
            if (fs::is_symlink(status))
                kind = "link " + utf8(fs::read_symlink(path));
            else if (fs::is_regular_file(status))
                kind = "file " + readBytes(path);
            else if (fs::is_directory(status))
                kind = "folder";
            else
                kind = "other";
        }
        return entries;
    }

    fs::path folder;
};

using EncodeLines = TableTest<std::vector<std::string>, std::string>;

TEST_P(EncodeLines, Windows1252WithCrLfAfterEveryLine)
{
    EXPECT_EQ(textfile::encodeLines(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(TextFile, EncodeLines, {"noLines", {}, ""}, {"oneEmptyLine", {""}, "\r\n"},
                  {"twoLines", {"a", "b"}, "a\r\nb\r\n"},
                  {"ansiBytes", {"ação €"}, "a\xE7\xE3o \x80\r\n"},
                  {"embeddedLf", {"<?xml?>\n<config/>"}, "<?xml?>\r\n<config/>\r\n"},
                  {"embeddedCrLf", {"a\r\nb"}, "a\r\nb\r\n"},
                  {"embeddedCr", {"a\rb"}, "a\r\nb\r\n"},
                  {"blankLinesKept", {"a\n\nb"}, "a\r\n\r\nb\r\n"});

TEST(TextFile, Utf8KeepsEveryCharacterAndStillEndsLinesWithCrLf)
{
    EXPECT_EQ(textfile::encodeLines({"<?xml?>\n<xProd>AÇÚCAR ☕</xProd>"}, textfile::Encoding::Utf8),
              "<?xml?>\r\n<xProd>A\xC3\x87\xC3\x9A"
              "CAR \xE2\x98\x95</xProd>\r\n");
    // A text that is not UTF-8 is never written as such.
    EXPECT_EQ(textfile::encodeLines({"a\xFF"}, textfile::Encoding::Utf8), "a\xEF\xBF\xBD\r\n");
}

using XmlDeclaration = TableTest<std::string, bool>;

TEST_P(XmlDeclaration, SaysWhetherTheDocumentIsUtf8)
{
    EXPECT_EQ(textfile::declaresUtf8Xml(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(TextFile, XmlDeclaration,
                  {"utf8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFe/>", true},
                  {"lowerCaseSingleQuotes", "<?xml version='1.0' encoding='utf-8'?><CFe/>", true},
                  {"noEncodingMeansUtf8", "<?xml version=\"1.0\"?><CFe/>", true},
                  {"windows1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>", false},
                  {"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", false},
                  {"utf16", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", false},
                  {"utf8Prefix", "<?xml version=\"1.0\" encoding=\"UTF-8x\"?>", false},
                  {"unclosedDeclaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"", false},
                  {"noDeclaration", "<CFe/>", false}, {"plainText", "Emitido com sucesso", false},
                  {"empty", "", false});

TEST_F(TextFileTest, WritesExactlyTheChosenNameWithoutBom)
{
    const fs::path target = folder / u8"relatório status";
    const auto result = textfile::writeLines(utf8(target), {"linha ç", "2"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readBytes(target), "linha \xE7\r\n2\r\n");
    EXPECT_EQ(entriesInFolder(), 1u) << "no extension added and no temporary file left";
}

TEST_F(TextFileTest, EmptyLogGivesAnEmptyFile)
{
    const fs::path target = folder / "vazio.txt";
    ASSERT_TRUE(textfile::writeLines(utf8(target), {}).ok);
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(TextFileTest, ReplacesAnExistingLongerFile)
{
    const fs::path target = folder / "log.txt";
    std::ofstream(target, std::ios::binary) << std::string(5000, 'x');
    ASSERT_TRUE(textfile::writeLines(utf8(target), {"novo"}).ok);
    EXPECT_EQ(readBytes(target), "novo\r\n");
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(TextFileTest, MissingFolderIsReportedAndNothingIsWritten)
{
    const fs::path target = folder / "nao-existe" / "log.txt";
    const auto result = textfile::writeLines(utf8(target), {"a"});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("log.txt"), std::string::npos) << result.error;
    EXPECT_EQ(entriesInFolder(), 0u);
}

TEST_F(TextFileTest, EmptyNameIsRefused)
{
    const auto result = textfile::writeLines("", {"a"});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
}

TEST_F(TextFileTest, TargetThatIsAFolderIsLeftAloneAndNoTemporaryRemains)
{
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

struct Stored {
    std::string bytes;
    std::size_t maxBytes; // read at the most
};

class ReadText : public TextFileTest,
                 public testing::WithParamInterface<Row<Stored, std::string>> {};

TEST_P(ReadText, CrLfIsReadAsLfUpToTheLimit)
{
    const fs::path path = folder / "venda.xml";
    std::ofstream(path, std::ios::binary) << GetParam().input.bytes;
    const textfile::ReadResult result = textfile::readText(utf8(path), GetParam().input.maxBytes);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, GetParam().expected);
}

INSTANTIATE_TABLE(
    TextFile, ReadText, {"emptyFile", {"", 100}, ""},
    {"crLfPairs", {"<a>\r\n<b/>\r\n</a>\r\n", 100}, "<a>\n<b/>\n</a>\n"},
    {"lfAlone", {"a\nb", 100}, "a\nb"}, {"loneCrStays", {"a\rb", 100}, "a\rb"},
    {"crBeforeCrLf", {"a\r\r\nb", 100}, "a\r\nb"}, {"crAtTheEnd", {"ab\r", 100}, "ab\r"},
    {"bytesUnchanged", {"\xEF\xBB\xBF\xE7\x80\xFF", 100}, "\xEF\xBB\xBF\xE7\x80\xFF"},
    {"zeroByteKept", {std::string("a\0b", 3), 100}, std::string("a\0b", 3)},
    {"cutAtTheLimit", {"abcdef", 4}, "abcd"}, {"crLfCountsAsOneByte", {"ab\r\ncd", 3}, "ab\n"},
    {"cutJustBeforeCrLf", {"ab\r\ncd", 2}, "ab"}, {"noRoomAtAll", {"abc", 0}, ""},
    // The file is read in blocks of 64 KiB: a pair split between two blocks is still one.
    {"crLfAcrossBlocks",
     {std::string(65535, 'a') + "\r\nb", 70000},
     std::string(65535, 'a') + "\nb"},
    {"loneCrEndsABlock", {std::string(65535, 'a') + "\rb", 70000}, std::string(65535, 'a') + "\rb"},
    {"crCrLfAcrossBlocks",
     {std::string(65534, 'a') + "\r\r\nb", 70000},
     std::string(65534, 'a') + "\r\nb"},
    {"crLfAcrossBlocksAtTheLimit",
     {std::string(65535, 'a') + "\r\nb", 65536},
     std::string(65535, 'a') + "\n"},
    {"longerThanABlock", {std::string(200000, 'x'), 150000}, std::string(150000, 'x')});

// Windows' text mode, which the sale screen reads with, ends the text at a Ctrl+Z byte.
TEST_F(TextFileTest, CtrlZEndsTheTextOnlyOnWindows)
{
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

TEST_F(TextFileTest, SaleDocumentLongerThan2MiBIsCutThere)
{
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

TEST_F(TextFileTest, UnreadableFileIsReportedByName)
{
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
TEST_F(TextFileTest, FailedWriteKeepsTheOldFile)
{
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
TEST_F(TextFileTest, TemporaryNameClashLeavesTheOtherFileAloneAndTriesAnotherName)
{
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

TEST_F(TextFileTest, EveryTemporaryNameTakenIsReportedAndNothingIsTouched)
{
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

#if defined(__GLIBC__)
// The calls that put a save on the disk, seen on their way to the C library.
namespace {

struct DiskCalls {
    bool recording = false;
    bool failFileFlush = false; // a disk error while a file's data is flushed
    std::vector<std::string> calls;
};

DiskCalls& diskCalls()
{
    static DiskCalls calls;
    return calls;
}

std::string openedPath(int fd)
{
    char path[4096];
    const ssize_t length =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "?";
}

} // namespace

extern "C" int fsync(int fd)
{
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
    DiskCalls& log = diskCalls();
    if (log.recording) {
        log.calls.push_back("fsync " + openedPath(fd));
        struct stat info {};
        if (log.failFileFlush && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            errno = EIO;
            return -1;
        }
    }
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    using Rename = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    if (diskCalls().recording)
        diskCalls().calls.push_back(std::string("rename ") + from + " " + to);
    return real(from, to);
}
#endif

namespace {

std::string refused(const fs::path& chosen, const std::string& reason)
{
    return "Não foi possível gravar o arquivo \"" + utf8(chosen) + "\": " + reason;
}

// What stands at the chosen name before the save (made in the folder, it gives the name the
// operator chose), and why the save is refused.
using Refusal = Row<std::function<fs::path(const fs::path& folder)>, std::string>;

class RefusedTarget : public TextFileTest, public testing::WithParamInterface<Refusal> {};

TEST_P(RefusedTarget, IsNamedAsChosenAndNothingIsWritten)
{
    const fs::path chosen = GetParam().input(folder);
    const auto before = snapshot();
    const textfile::WriteResult result = textfile::writeLines(utf8(chosen), {"novo"});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, refused(chosen, GetParam().expected));
    EXPECT_EQ(snapshot(), before);
}

fs::path readOnlyFile(const fs::path& folder)
{
    const fs::path file = folder / "somente-leitura.txt";
    std::ofstream(file, std::ios::binary) << "antigo";
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    return file;
}

fs::path subfolder(const fs::path& folder)
{
    fs::create_directory(folder / "pasta");
    return folder / "pasta";
}

#if !defined(_WIN32)
// A link in the folder named `name` that points to `to`; the chosen name is the link.
std::function<fs::path(const fs::path&)> linkTo(std::string name,
                                                std::function<fs::path(const fs::path&)> to)
{
    return [name, to](const fs::path& folder) {
        fs::create_symlink(to(folder), folder / name);
        return folder / name;
    };
}

fs::path fifo(const fs::path& folder)
{
    const fs::path path = folder / "fila";
    EXPECT_EQ(::mkfifo(path.c_str(), 0666), 0);
    return path;
}

fs::path linkLoop(const fs::path& folder)
{
    fs::create_symlink("b", folder / "a");
    fs::create_symlink("a", folder / "b");
    return folder / "a";
}
#endif

std::vector<Refusal> refusedCases()
{
    std::vector<Refusal> cases{
        {"folder", subfolder, "é uma pasta"},
        {"readOnlyFile", readOnlyFile, "o arquivo é somente leitura"},
    };
#if !defined(_WIN32)
    const std::vector<Refusal> posix{
        {"fifo", fifo, "não é um arquivo comum"},
        {"linkToADevice", linkTo("saida", [](const fs::path&) { return fs::path("/dev/null"); }),
         "não é um arquivo comum"},
        {"linkToAReadOnlyFile", linkTo("atalho", readOnlyFile), "o arquivo é somente leitura"},
        {"linkToAFolder", linkTo("atalho", subfolder), "é uma pasta"},
        {"linkLoop", linkLoop, "os links formam um ciclo ou são encadeados demais"},
    };
    cases.insert(cases.end(), posix.begin(), posix.end());
#endif
    return cases;
}

INSTANTIATE_TEST_SUITE_P(TextFile, RefusedTarget, testing::ValuesIn(refusedCases()), CaseName());

#if !defined(_WIN32)
TEST_F(TextFileTest, FileTheUserMayNotWriteIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the administrator may write any file that has a write bit";
    const fs::path target = folder / "do-grupo.txt";
    std::ofstream(target, std::ios::binary) << "antigo";
    ASSERT_EQ(::chmod(target.c_str(), 0060), 0); // the group may write, the owner may not
    const textfile::WriteResult result = textfile::writeLines(utf8(target), {"novo"});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, refused(target, "sem permissão para gravar o arquivo"));
    ::chmod(target.c_str(), 0600);
    EXPECT_EQ(readBytes(target), "antigo");
}

struct LinkCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links; // link, where it points
    bool absolute;                                          // the links name the folder too
    std::string chosen;
    std::string written; // the file that gets the text
};

class FollowedLink : public TextFileTest, public testing::WithParamInterface<LinkCase> {};

TEST_P(FollowedLink, TheFileItLeadsToIsWrittenAndTheLinkStays)
{
    fs::create_directory(folder / "sub");
    std::ofstream(folder / "real.txt", std::ios::binary) << "antigo";
    std::ofstream(folder / "sub" / "real.txt", std::ios::binary) << "antigo";
    for (const auto& [link, to] : GetParam().links)
        fs::create_symlink(GetParam().absolute ? folder / to : fs::path(to), folder / link);
    auto expected = snapshot();
    expected[GetParam().written] = "file novo\r\n";

    const textfile::WriteResult result =
        textfile::writeLines(utf8(folder / GetParam().chosen), {"novo"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(snapshot(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, FollowedLink,
    testing::Values(
        LinkCase{"relative", {{"atalho", "real.txt"}}, false, "atalho", "real.txt"},
        LinkCase{"absolute", {{"atalho", "real.txt"}}, true, "atalho", "real.txt"},
        LinkCase{"intoASubfolder", {{"atalho", "sub/real.txt"}}, false, "atalho", "sub/real.txt"},
        // Relative to the link's own folder, not to the current one.
        LinkCase{
            "fromASubfolder", {{"sub/atalho", "../real.txt"}}, false, "sub/atalho", "real.txt"},
        LinkCase{"chain",
                 {{"a", "b"}, {"b", "sub/c"}, {"sub/c", "real.txt"}},
                 false,
                 "a",
                 "sub/real.txt"},
        // A link to a file not yet there: the file is made where it points.
        LinkCase{"toANewFile", {{"atalho", "novo.txt"}}, false, "atalho", "novo.txt"}),
    CaseName());

struct ModeCase {
    const char* name;
    std::optional<mode_t> existing; // the replaced file's mode; none: a new file
    textfile::FileAccess access;
    mode_t umask;
    mode_t expected;
};

class FileMode : public TextFileTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(FileMode, NewFilesFollowTheUmaskReplacedOnesKeepTheirsPrivateOnesAre0600)
{
    const fs::path target = folder / "arquivo.txt";
    if (GetParam().existing) {
        std::ofstream(target, std::ios::binary) << "antigo";
        ASSERT_EQ(::chmod(target.c_str(), *GetParam().existing), 0);
    }
    const mode_t saved = ::umask(GetParam().umask);
    const textfile::WriteResult result =
        textfile::writeBytes(utf8(target), "novo", GetParam().access);
    ::umask(saved);
    ASSERT_TRUE(result.ok) << result.error;
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, GetParam().expected)
        << std::oct << (info.st_mode & 07777) << " instead of " << GetParam().expected;
    EXPECT_EQ(readBytes(target), "novo");
    EXPECT_EQ(entriesInFolder(), 1u);
}

constexpr auto shared = textfile::FileAccess::Shared;
constexpr auto secret = textfile::FileAccess::Private;

INSTANTIATE_TEST_SUITE_P(
    TextFile, FileMode,
    testing::Values(ModeCase{"newFile", std::nullopt, shared, 022, 0644},
                    ModeCase{"newPrivateFile", std::nullopt, secret, 022, 0600},
                    ModeCase{"newPrivateFileWhateverTheUmask", std::nullopt, secret, 0277, 0600},
                    ModeCase{"replacedOwnerOnly", 0600, shared, 022, 0600},
                    ModeCase{"replacedExecutable", 0755, shared, 022, 0755},
                    ModeCase{"replacedWiderThanTheUmask", 0666, shared, 077, 0666},
                    ModeCase{"replacedMadePrivate", 0644, secret, 022, 0600}),
    CaseName());

TEST_F(TextFileTest, ReplacedFileKeepsItsOwnerAndGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the administrator saves another user's file";
    const fs::path target = folder / "de-outro.txt";
    std::ofstream(target, std::ios::binary) << "antigo";
    ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(textfile::writeBytes(utf8(target), "novo").ok);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

struct LongNameCase {
    const char* name;
    std::string fileName;
};

class LongName : public TextFileTest, public testing::WithParamInterface<LongNameCase> {};

// The temporary name beside the file is cut to fit, not the file's own name.
TEST_P(LongName, IsWrittenUnderExactlyThatName)
{
    if (::pathconf(folder.c_str(), _PC_NAME_MAX) < 255)
        GTEST_SKIP() << "this file system takes shorter names";
    const fs::path target = folder / GetParam().fileName;
    std::ofstream(target, std::ios::binary) << "antigo";
    const textfile::WriteResult result = textfile::writeLines(utf8(target), {"novo"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readBytes(target), "novo\r\n");
    EXPECT_EQ(entriesInFolder(), 1u);
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

INSTANTIATE_TEST_SUITE_P(TextFile, LongName,
                         testing::Values(LongNameCase{"bytes250", std::string(250, 'a')},
                                         LongNameCase{"bytes255", std::string(255, 'a')},
                                         // Two-byte characters: the cut falls inside one.
                                         LongNameCase{"accented255", repeated("ç", 127) + "x"},
                                         LongNameCase{"accented254", repeated("ç", 127)}),
                         CaseName());
#endif

#if defined(__GLIBC__)
class DiskOrder : public TextFileTest {
protected:
    void SetUp() override
    {
        TextFileTest::SetUp();
        target = folder / "log.txt";
        std::ofstream(target, std::ios::binary) << "antigo";
        textfile::setTemporaryNameSource([](int) { return std::string(".novo"); });
        diskCalls() = DiskCalls{};
    }
    void TearDown() override
    {
        diskCalls() = DiskCalls{};
        textfile::setTemporaryNameSource(nullptr);
        TextFileTest::TearDown();
    }
    textfile::WriteResult save()
    {
        diskCalls().recording = true;
        textfile::WriteResult result = textfile::writeLines(utf8(target), {"novo"});
        diskCalls().recording = false;
        return result;
    }
    fs::path realFolder() const { return fs::canonical(folder); }

    fs::path target;
};

TEST_F(DiskOrder, DataIsFlushedBeforeTheRenameAndTheFolderAfterIt)
{
    ASSERT_TRUE(save().ok);
    EXPECT_EQ(diskCalls().calls,
              (std::vector<std::string>{"fsync " + utf8(realFolder() / "log.txt.novo"),
                                        "rename " + utf8(folder / "log.txt.novo") + " " +
                                            utf8(folder / "log.txt"),
                                        "fsync " + utf8(realFolder())}));
    EXPECT_EQ(readBytes(target), "novo\r\n");
}

TEST_F(DiskOrder, DataThatCannotBeFlushedLeavesTheOldFileAndRenamesNothing)
{
    diskCalls().failFileFlush = true;
    const textfile::WriteResult result = save();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, refused(target, std::strerror(EIO)));
    EXPECT_EQ(diskCalls().calls,
              (std::vector<std::string>{"fsync " + utf8(realFolder() / "log.txt.novo")}));
    EXPECT_EQ(readBytes(target), "antigo");
    EXPECT_EQ(entriesInFolder(), 1u);
}

// The rename shows the temporary name: cut to fit beside a long name, and never inside a
// character (each "ç" is two bytes).
TEST_F(DiskOrder, TemporaryNameBesideALongNameFitsAndCutsNoCharacter)
{
    if (::pathconf(folder.c_str(), _PC_NAME_MAX) != 255)
        GTEST_SKIP() << "this file system takes other lengths";
    const std::vector<std::pair<std::string, std::string>> cases{
        {repeated("ç", 127), repeated("ç", 125)},             // the cut falls between two
        {"a" + repeated("ç", 127), "a" + repeated("ç", 124)}, // the cut falls inside one
    };
    for (const auto& [name, kept] : cases) {
        target = folder / name;
        diskCalls().calls.clear();
        ASSERT_TRUE(save().ok) << name;
        ASSERT_EQ(diskCalls().calls.size(), 3u);
        EXPECT_EQ(diskCalls().calls[1],
                  "rename " + utf8(folder / (kept + ".novo")) + " " + utf8(folder / name));
        EXPECT_EQ(readBytes(target), "novo\r\n");
    }
}
#endif

} // namespace
