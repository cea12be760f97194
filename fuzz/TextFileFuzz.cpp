// A document the operator opens, read in text mode and cut at a limit: the input is written to
// a file and read back.

#include "FuzzCheck.h"
#include "TextFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using fuzzcheck::require;

namespace {

// The sale dialog's limit.
constexpr std::size_t documentLimit = 2097152;
// The size of the blocks the reader takes from the file.
constexpr std::size_t block = 65536;

// One file for the whole run, created exclusively and removed at exit. The name is kept in
// plain storage, which outlives the exit handler.
char scratchName[] = "/tmp/vexor-fuzz-textfile-XXXXXX";

const char* scratchFile()
{
    static const bool created = [] {
        const int fd = ::mkstemp(scratchName);
        require(fd >= 0, "a scratch file can be created");
        ::close(fd);
        std::atexit([] { std::remove(scratchName); });
        return true;
    }();
    (void)created;
    return scratchName;
}

// Rewritten in place and then cut to its new length, never truncated to nothing first: ext4
// writes a file truncated to zero out to the disk at its close, which would make each run wait.
void writeFile(const std::string& bytes)
{
    const int fd = ::open(scratchFile(), O_WRONLY);
    require(fd >= 0, "the scratch file opens for writing");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        require(n > 0, "the scratch file is written");
        done += static_cast<std::size_t>(n);
    }
    require(::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0, "the scratch file is cut");
    require(::close(fd) == 0, "the scratch file is closed");
}

// Each CR LF read as LF, a lone CR kept, the text cut after limit bytes. Whole runs at a time:
// this code is instrumented too, and a loop per byte would take most of the run.
std::string expectedText(const std::string& bytes, std::size_t limit)
{
    std::string text;
    for (std::size_t from = 0; from < bytes.size() && text.size() < limit;) {
        const std::size_t pair = std::min(bytes.find("\r\n", from), bytes.size());
        text.append(bytes, from, std::min(pair - from, limit - text.size()));
        from = pair + 1; // past the pair's CR: its LF starts the next run
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    // A limit anywhere around the text's own length, or the sale dialog's.
    const auto choice = provider.ConsumeIntegralInRange<int>(0, 3);
    const auto small = provider.ConsumeIntegralInRange<std::size_t>(0, 80);
    // Now and then the text starts just before the end of the reader's first block, so that
    // a CR LF can be split between two blocks.
    const bool straddle = provider.ConsumeBool();
    const auto shift = provider.ConsumeIntegralInRange<std::size_t>(0, 4);
    // Kept from run to run, as a text of 64 KiB allocated each time would be slow.
    static std::string bytes;
    bytes.assign(straddle ? block - shift : 0, 'x');
    bytes += provider.ConsumeRemainingBytesAsString();

    std::size_t limit = documentLimit;
    if (choice == 1)
        limit = small;
    else if (choice == 2)
        limit = bytes.size() > small ? bytes.size() - small : 0;
    else if (choice == 3)
        limit = straddle ? block - shift + small : small / 2;

    writeFile(bytes);
    const textfile::ReadResult read = textfile::readText(scratchFile(), limit);
    require(read.ok && read.error.empty(), "a readable file is read");
    require(read.text.size() <= limit, "the text is cut at the limit");
    require(read.text == expectedText(bytes, limit), "CR LF read as LF, everything else kept");
    return 0;
}
