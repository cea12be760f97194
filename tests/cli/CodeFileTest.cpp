#include "CodeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct LineCase {
    const char* name;
    std::string bytes;
    std::string code;
};

class CodeFileLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(CodeFileLine, isTheFirstLineWithoutAByteOrderMark) {
    const fs::path path =
        fs::temp_directory_path() / ("vexor_code_" + std::string(GetParam().name));
    std::ofstream(path, std::ios::binary) << GetParam().bytes;
    const codefile::Read read = codefile::read(path.string());
    fs::remove(path);
    ASSERT_TRUE(read.code.has_value()) << read.error;
    EXPECT_EQ(*read.code, GetParam().code);
    EXPECT_EQ(read.error, "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, CodeFileLine,
    ::testing::Values(LineCase{"plain", "12345678", "12345678"},
                      LineCase{"crLf", "12345678\r\nnext\r\n", "12345678"},
                      LineCase{"byteOrderMark",
                               "\xEF\xBB\xBF"
                               "12345678\r\n",
                               "12345678"},
                      LineCase{"onlyTheFirstMarkGoes",
                               "\xEF\xBB\xBF\xEF\xBB\xBF"
                               "1\n",
                               "\xEF\xBB\xBF"
                               "1"},
                      LineCase{"markInsideStays",
                               "12\xEF\xBB\xBF"
                               "34",
                               "12\xEF\xBB\xBF"
                               "34"},
                      LineCase{"empty", "", ""},
                      // A line without end stops at the bound: never the whole file.
                      LineCase{"bounded", std::string(codefile::maxBytes * 3, '7'),
                               std::string(codefile::maxBytes, '7')}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
