#include "CodeFile.h"

#include "Table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using CodeFileLine = TableTest<std::string>;

TEST_P(CodeFileLine, isTheFirstLineWithoutAByteOrderMark) {
    const fs::path path =
        fs::temp_directory_path() / ("vexor_code_" + std::string(GetParam().name));
    std::ofstream(path, std::ios::binary) << GetParam().input;
    const codefile::Read read = codefile::read(path.string());
    fs::remove(path);
    ASSERT_TRUE(read.code.has_value()) << read.error;
    EXPECT_EQ(*read.code, GetParam().expected);
    EXPECT_EQ(read.error, "");
}

INSTANTIATE_TABLE(Files, CodeFileLine, {"plain", "12345678", "12345678"},
                  {"crLf", "12345678\r\nnext\r\n", "12345678"},
                  {"byteOrderMark",
                   "\xEF\xBB\xBF"
                   "12345678\r\n",
                   "12345678"},
                  {"onlyTheFirstMarkGoes",
                   "\xEF\xBB\xBF\xEF\xBB\xBF"
                   "1\n",
                   "\xEF\xBB\xBF"
                   "1"},
                  {"markInsideStays",
                   "12\xEF\xBB\xBF"
                   "34",
                   "12\xEF\xBB\xBF"
                   "34"},
                  {"empty", "", ""},
                  // A line without end stops at the bound: never the whole file.
                  {"bounded", std::string(codefile::maxBytes * 3, '7'),
                   std::string(codefile::maxBytes, '7')});

} // namespace
