// A decoded event log, turned into the logs screen's display lines. Built twice: with the
// block-wise readings and with the portable one; each build reads the log every way the
// processor can.

#include "FuzzCheck.h"
#include "LogExtractor.h"
#include "LogLines.h"

#include <algorithm>

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // libFuzzer's own buffer, exactly as long as the input: a read past the log is caught.
    const std::string_view log = fuzzcheck::bytesOf(data, size);
    const LogExtractor::Lines lines = LogExtractor::formatLog(log);
    const std::string_view text = lines.text();

    std::size_t count = 0;
    const std::string expected = expectedLogLines(std::string(log), count);
    require(text == expected, "the display lines are those of the line-by-line rules");
    require(lines.count == count, "one display line per record");
    for (const auto scan : {LogExtractor::MarkScan::plain, LogExtractor::MarkScan::sse2,
                            LogExtractor::MarkScan::avx2, LogExtractor::MarkScan::avx512}) {
        if (LogExtractor::canScan(scan))
            require(LogExtractor::formatLog(log, scan).text() == expected,
                    "every way of finding the marks gives the same lines");
    }

    std::size_t feeds = 0;
    for (std::size_t from = 0; from < text.size(); ++feeds) {
        const std::size_t feed = text.find('\n', from);
        require(feed != std::string_view::npos, "every display line ends with a line feed");
        require(feed - from <= LogExtractor::maxDisplayLine, "no display line is too long");
        from = feed + 1;
    }
    require(feeds == lines.count, "the count is the number of lines");

    const std::string date =
        LogExtractor::dateText(log.substr(0, std::min<std::size_t>(log.size(), 40)));
    require(date.size() <= LogExtractor::maxDateText, "a date text fits its width");
    return 0;
}
