#include "LogExtractor.h"

#include "CodePage.h"
#include "TextFile.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t stampLength = 14;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithStamp(std::string_view text)
{
    if (text.size() < stampLength)
        return false;
    for (std::size_t i = 0; i < stampLength; ++i) {
        if (!isDigit(text[i]))
            return false;
    }
    return true;
}

// A first line is a record only when it starts with a whole timestamp and its bar; anything
// else there is a header.
bool isRecord(std::string_view line)
{
    return line.size() > stampLength && startsWithStamp(line) && line[stampLength] == '|';
}

// How much of the text fits in limit bytes without splitting a character.
std::size_t fitting(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80)
        --limit;
    return limit;
}

// One display line, built in place: it never holds more than maxDisplayLine bytes plus the
// few needed to see that a text ran over.
class LineBuilder {
public:
    void put(std::string_view text)
    {
        const std::size_t n = std::min(text.size(), sizeof line_ - length_);
        if (n == 0)
            return; // an empty field may have no data at all
        std::memcpy(line_ + length_, text.data(), n);
        length_ += n;
    }
    void put(char c) { put(std::string_view(&c, 1)); }
    // Writes the line and its line feed; returns the end.
    char* copyTo(char* out) const
    {
        const std::size_t n =
            fitting(std::string_view(line_, length_), LogExtractor::maxDisplayLine);
        std::memcpy(out, line_, n);
        out[n] = '\n';
        return out + n + 1;
    }
    void appendTo(std::string& out) const
    {
        const std::string_view line(line_, length_);
        out.append(line_, fitting(line, LogExtractor::maxDisplayLine));
        out += '\n';
    }

private:
    char line_[LogExtractor::maxDisplayLine + 8];
    std::size_t length_ = 0;
};

void appendDate(LineBuilder& line, std::string_view stamp)
{
    if (!startsWithStamp(stamp)) {
        line.put(stamp.substr(0, fitting(stamp, LogExtractor::maxDateText)));
        return;
    }
    const char date[] = {stamp[6],  stamp[7],  '/',      stamp[4],  stamp[5], '/',      stamp[0],
                         stamp[1],  stamp[2],  stamp[3], ' ',       stamp[8], stamp[9], ':',
                         stamp[10], stamp[11], ':',      stamp[12], stamp[13]};
    line.put(std::string_view(date, sizeof date));
}

// The fields of one record that the display line shows.
struct Record {
    std::string_view stamp;
    std::string_view level;
    std::string_view detail;
    std::string_view message;
};

// A display line that may run over the width, built with every cut checked. Rare, and kept
// out of line so that the common path stays small.
[[gnu::noinline]] char* longLine(char* out, std::string_view number, const Record& r)
{
    // The display line is shorter than any field's own limit, so cutting the line is enough.
    LineBuilder display;
    display.put(number);
    display.put(' ');
    appendDate(display, r.stamp);
    display.put(' ');
    display.put(r.detail);
    display.put(' ');
    display.put(r.level);
    display.put(' ');
    display.put(r.message);
    return display.copyTo(out);
}

// The record number in decimal, counted up in place: no division per record.
class DecimalCounter {
public:
    void increment()
    {
        std::size_t at = last;
        while (at > first_ && digits_[at - 1] == '9')
            digits_[--at] = '0';
        if (at == first_)
            digits_[--first_] = '1';
        else
            ++digits_[at - 1];
    }
    std::string_view text() const { return {digits_ + first_, last - first_}; }

private:
    static constexpr std::size_t last = 24;
    char digits_[last] = {};
    std::size_t first_ = last;
};

// Where the display lines go: grown as needed, never filled with zeros first. Fast writes
// may store up to `slack` bytes past the line they write.
class LineBuffer {
public:
    static constexpr std::size_t slack = 64;

    explicit LineBuffer(std::size_t expected) { grow(expected + slack); }

    // Room for one display line of at most `length` bytes.
    char* reserve(std::size_t length)
    {
        if (capacity_ - size_ < length + slack)
            grow(std::max(capacity_ + capacity_ / 2, size_ + length + slack));
        return lines_.buffer.get() + size_;
    }
    void commit(const char* end) { size_ = static_cast<std::size_t>(end - lines_.buffer.get()); }
    LogExtractor::Lines finish(std::size_t count)
    {
        lines_.size = size_;
        lines_.count = count;
        return std::move(lines_);
    }

private:
    void grow(std::size_t capacity)
    {
        void* grown = std::realloc(lines_.buffer.get(), capacity);
        if (!grown)
            throw std::bad_alloc();
        (void)lines_.buffer.release();
        lines_.buffer.reset(static_cast<char*>(grown));
        capacity_ = capacity;
    }

    LogExtractor::Lines lines_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Copies n bytes, in 32-byte steps where the input has room to read past them: a field
// mostly takes one or two steps, and a step less is a mispredicted loop end less.
[[gnu::always_inline]] inline char* copy(char* out, const char* from, std::size_t n,
                                         const char* inputEnd)
{
    if (n == 0)
        return out; // an empty field may have no data at all
#if defined(__SSE2__)
    if (static_cast<std::size_t>(inputEnd - from) >= n + 32) {
        // Explicit steps: the compiler would otherwise turn the loop into a memcpy call.
        char* const stop = out + n;
        do {
            const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), second);
            out += 32;
            from += 32;
        } while (out < stop);
        return stop;
    }
#else
    (void)inputEnd;
#endif
    std::memcpy(out, from, n);
    return out + n;
}

// Whether the field starts with a whole timestamp; sixteen bytes at once where the input
// has room for them.
[[gnu::always_inline]] inline bool stampAt(std::string_view field, const char* inputEnd)
{
    if (field.size() < stampLength)
        return false;
#if defined(__SSE2__)
    if (inputEnd - field.data() >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field.data()));
        const __m128i nine = _mm_set1_epi8(9);
        const __m128i value = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
        // A digit's value, taken unsigned, is at most nine.
        const int digits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(value, nine), nine));
        constexpr int stampBits = (1 << stampLength) - 1;
        return (digits & stampBits) == stampBits;
    }
#else
    (void)inputEnd;
#endif
    return startsWithStamp(field);
}

// "dd/mm/yyyy hh:mm:ss" from the 14 digits at stamp. Writes up to 24 bytes; the line
// buffer's slack covers the bytes past the date.
[[gnu::always_inline]] inline char* writeDate(char* out, const char* stamp)
{
    if constexpr (std::endian::native == std::endian::little) {
        // Two whole words: a narrower read would be merged through memory.
        std::uint64_t day = 0;  // yyyymmdd
        std::uint64_t time = 0; // ddhhmmss
        std::memcpy(&day, stamp, 8);
        std::memcpy(&time, stamp + 6, 8);
        const auto pair = [](std::uint64_t v, int at) { return (v >> (8 * at)) & 0xFFFF; };
        const auto ch = [](char c, int at) {
            return std::uint64_t{static_cast<unsigned char>(c)} << (8 * at);
        };
        const std::uint64_t first =
            pair(day, 6) | ch('/', 2) | pair(day, 4) << 24 | ch('/', 5) | pair(day, 0) << 48;
        const std::uint64_t second =
            pair(day, 2) | ch(' ', 2) | pair(time, 2) << 24 | ch(':', 5) | pair(time, 4) << 48;
        const std::uint64_t third = ch(':', 0) | pair(time, 6) << 8;
        std::memcpy(out, &first, 8);
        std::memcpy(out + 8, &second, 8);
        std::memcpy(out + 16, &third, 8);
    } else {
        const char date[] = {stamp[6],  stamp[7], '/',       stamp[4], stamp[5],
                             '/',       stamp[0], stamp[1],  stamp[2], stamp[3],
                             ' ',       stamp[8], stamp[9],  ':',      stamp[10],
                             stamp[11], ':',      stamp[12], stamp[13]};
        std::memcpy(out, date, sizeof date);
    }
    return out + LogExtractor::maxDateText;
}

// The display line of a line that cannot run over the width.
char* shortLine(char* out, const DecimalCounter& counter, const Record& r, const char* inputEnd)
{
    // Byte by byte: the digits were just stored that way, and a wider read of them would
    // wait for those stores.
    for (const char digit : counter.text())
        *out++ = digit;
    *out++ = ' ';
    const std::string_view stamp = r.stamp;
    if (stampAt(stamp, inputEnd)) {
        out = writeDate(out, stamp.data());
    } else {
        out = copy(out, stamp.data(), fitting(stamp, LogExtractor::maxDateText), inputEnd);
    }
    *out++ = ' ';
    out = copy(out, r.detail.data(), r.detail.size(), inputEnd);
    *out++ = ' ';
    out = copy(out, r.level.data(), r.level.size(), inputEnd);
    *out++ = ' ';
    out = copy(out, r.message.data(), r.message.size(), inputEnd);
    *out++ = '\n';
    return out;
}

// Where the common shape of a record puts its marks: a whole timestamp and its bar, two
// short fields and their bars, then the rest of the line, with its first colon if any.
struct CommonMarks {
    const char* second; // the bars after the origin and after the level
    const char* third;
    const char* colon; // null without one
    const char* lineFeed;
};

// The readers below read whole 64-byte blocks: they leave the last lines of a log to the
// plain reading.
constexpr std::ptrdiff_t blockSize = 64;

// The marks of the line at p when it has the common shape; false for any other line, or
// near the end of the log, where the plain reading takes over. Both give the same fields.
// Blocks::match(block, c) sets bit i where byte i of the 64 at block is c.
template <class Blocks> inline bool commonMarks(const char* p, const char* end, CommonMarks& m)
{
    if (end - p < blockSize || !stampAt(std::string_view(p, stampLength), end) ||
        p[stampLength] != '|')
        return false;
    // The timestamp's bar is bit 14; the two that follow must come before any line feed.
    std::uint64_t bars = Blocks::match(p, '|') & ~std::uint64_t{0x7FFF};
    std::uint64_t feeds = Blocks::match(p, '\n');
    if ((bars & (bars - 1)) == 0)
        return false; // the first block holds fewer than two more bars
    const unsigned second = static_cast<unsigned>(std::countr_zero(bars));
    bars &= bars - 1;
    const unsigned third = static_cast<unsigned>(std::countr_zero(bars));
    const std::uint64_t beforeRest = (std::uint64_t{2} << third) - 1;
    if (feeds & beforeRest)
        return false;
    m.second = p + second;
    m.third = p + third;
    std::uint64_t colons = Blocks::match(p, ':') & ~beforeRest;
    for (const char* block = p;;) {
        if (colons && !m.colon)
            m.colon = block + std::countr_zero(colons);
        if (feeds) {
            m.lineFeed = block + std::countr_zero(feeds);
            return true;
        }
        block += blockSize;
        if (end - block < blockSize)
            return false;
        feeds = Blocks::match(block, '\n');
        colons = Blocks::match(block, ':');
    }
}

using MarksReader = bool (*)(const char* p, const char* end, CommonMarks& m);

#if defined(__SSE2__)
struct Sse2Blocks {
    [[gnu::always_inline]] static std::uint64_t match(const char* block, char c)
    {
        const __m128i want = _mm_set1_epi8(c);
        const auto at = [block, want](int offset) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + offset));
            return std::uint64_t{
                static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, want)))};
        };
        return at(0) | at(16) << 16 | at(32) << 32 | at(48) << 48;
    }
};

[[gnu::always_inline]] inline bool sse2Marks(const char* p, const char* end, CommonMarks& m)
{
    return commonMarks<Sse2Blocks>(p, end, m);
}
#endif

inline bool noMarks(const char*, const char*, CommonMarks&)
{
    return false;
}

// Wider compares where the processor has them, chosen when the program runs: the program
// itself is built for every x86 processor. Each reader is compiled whole for its processor
// (flatten), so nothing built for it runs elsewhere.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VEXOR_WIDE_MARKS 1
struct Avx2Blocks {
    [[gnu::target("avx2")]] static std::uint64_t match(const char* block, char c)
    {
        // No lambda here: it would not be built for the processor this is for.
        const __m256i want = _mm256_set1_epi8(c);
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
        const auto lowMask =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, want)));
        const auto highMask =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, want)));
        return std::uint64_t{lowMask} | std::uint64_t{highMask} << 32;
    }
};

struct Avx512Blocks {
    [[gnu::target("avx512f,avx512bw")]] static std::uint64_t match(const char* block, char c)
    {
        return _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(block), _mm512_set1_epi8(c));
    }
};

[[gnu::target("avx2,bmi,bmi2,popcnt"), gnu::flatten]] bool avx2Marks(const char* p, const char* end,
                                                                     CommonMarks& m)
{
    return commonMarks<Avx2Blocks>(p, end, m);
}

[[gnu::target("avx512f,avx512bw,bmi,bmi2,popcnt"), gnu::flatten]] bool
avx512Marks(const char* p, const char* end, CommonMarks& m)
{
    return commonMarks<Avx512Blocks>(p, end, m);
}

bool processorHas(LogExtractor::MarkScan scan)
{
    __builtin_cpu_init();
    const bool bits = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                      __builtin_cpu_supports("popcnt");
    switch (scan) {
    case LogExtractor::MarkScan::avx2:
        return bits && __builtin_cpu_supports("avx2");
    case LogExtractor::MarkScan::avx512:
        return bits && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    default:
        return false;
    }
}
#endif

// The fields of a line of the common shape.
[[gnu::always_inline]] inline const char* commonRecord(const char* p, const CommonMarks& m,
                                                       Record& r)
{
    const char* const lineEnd = m.lineFeed[-1] == '\r' ? m.lineFeed - 1 : m.lineFeed;
    const char* const colon = m.colon && m.colon < m.lineFeed ? m.colon : nullptr;
    const char* const rest = m.third + 1;
    const char* const message = colon ? colon + 1 : rest;
    r.stamp = std::string_view(p, stampLength);
    r.level = std::string_view(m.second + 1, static_cast<std::size_t>(m.third - m.second - 1));
    r.detail = std::string_view(rest, static_cast<std::size_t>((colon ? colon : rest) - rest));
    r.message = std::string_view(message, static_cast<std::size_t>(lineEnd - message));
    return m.lineFeed;
}

const char* find(const char* from, const char* to, char c)
{
    const void* found = std::memchr(from, c, static_cast<std::size_t>(to - from));
    return found ? static_cast<const char*>(found) : to;
}

// The record of any line, read plainly: the first three bars split it, and after the third
// the first colon. Each field ends at its mark or at the end of the line; a missing one is
// empty. Returns the line's feed, or end.
const char* anyRecord(const char* p, const char* end, Record& r)
{
    const char* const lineFeed = find(p, end, '\n');
    const char* const lineEnd = lineFeed > p && lineFeed[-1] == '\r' ? lineFeed - 1 : lineFeed;
    const char* marks[3] = {};
    int bars = 0;
    for (const char* at = p; bars < 3; ++bars) {
        at = find(at, lineFeed, '|');
        if (at == lineFeed)
            break;
        marks[bars] = at++;
    }
    auto between = [lineEnd](const char* from, const char* to) {
        from = std::min(from, lineEnd);
        return std::string_view(from, static_cast<std::size_t>(std::min(to, lineEnd) - from));
    };
    r = Record{};
    r.stamp = between(p, bars >= 1 ? marks[0] : lineFeed);
    if (bars >= 2)
        r.level = between(marks[1] + 1, bars == 2 ? lineFeed : marks[2]);
    if (bars == 3) {
        const char* const colon = find(marks[2] + 1, lineFeed, ':');
        // Without a colon the whole rest is the message.
        if (colon != lineFeed) {
            r.detail = between(marks[2] + 1, colon);
            r.message = between(colon + 1, lineFeed);
        } else {
            r.message = between(marks[2] + 1, lineFeed);
        }
    }
    return lineFeed;
}

} // namespace

std::string LogExtractor::dateText(std::string_view timestamp)
{
    LineBuilder line;
    appendDate(line, timestamp);
    std::string text;
    line.appendTo(text);
    text.pop_back();
    return text;
}

namespace {

template <MarksReader readMarks> LogExtractor::Lines formatFrom(const char* p, const char* end)
{
    LineBuffer out(static_cast<std::size_t>(end - p) + static_cast<std::size_t>(end - p) / 8);
    DecimalCounter number;
    std::size_t count = 0;
    while (p < end) {
        Record r;
        CommonMarks marks{};
        const char* const lineFeed =
            readMarks(p, end, marks) ? commonRecord(p, marks, r) : anyRecord(p, end, r);
        const char* const lineStart = p;
        p = lineFeed + 1;
        std::size_t length = static_cast<std::size_t>(lineFeed - lineStart);
        if (length > 0 && lineFeed[-1] == '\r')
            --length;
        // An empty line, such as the end after a closing line feed, is no record.
        if (length == 0)
            continue;
        number.increment();
        ++count;
        // A display line is at most the record plus the number, the longer date and blanks.
        const std::size_t longest = length + number.text().size() + 10;
        char* const into = out.reserve(std::min(longest, LogExtractor::maxDisplayLine) + 1);
        out.commit(longest <= LogExtractor::maxDisplayLine ? shortLine(into, number, r, end)
                                                           : longLine(into, number.text(), r));
    }
    return out.finish(count);
}

using Formatter = LogExtractor::Lines (*)(const char* p, const char* end);

Formatter formatterFor(LogExtractor::MarkScan scan)
{
    switch (scan) {
#if defined(__SSE2__)
    case LogExtractor::MarkScan::sse2:
        return formatFrom<sse2Marks>;
#endif
#if defined(VEXOR_WIDE_MARKS)
    case LogExtractor::MarkScan::avx2:
        return processorHas(scan) ? formatFrom<avx2Marks> : nullptr;
    case LogExtractor::MarkScan::avx512:
        return processorHas(scan) ? formatFrom<avx512Marks> : nullptr;
#endif
    case LogExtractor::MarkScan::plain:
        return formatFrom<noMarks>;
    default:
        return nullptr;
    }
}

Formatter fastestFormatter()
{
    for (const auto scan : {LogExtractor::MarkScan::avx512, LogExtractor::MarkScan::avx2,
                            LogExtractor::MarkScan::sse2}) {
        if (const Formatter formatter = formatterFor(scan))
            return formatter;
    }
    return formatFrom<noMarks>;
}

} // namespace

bool LogExtractor::canScan(MarkScan scan)
{
    return scan == MarkScan::fastest || formatterFor(scan) != nullptr;
}

LogExtractor::Lines LogExtractor::formatLog(std::string_view decoded, MarkScan scan)
{
    const char* p = decoded.data();
    const char* const end = p + decoded.size();
    const char* firstFeed = find(p, end, '\n');
    std::string_view firstLine(p, static_cast<std::size_t>(firstFeed - p));
    if (!firstLine.empty() && firstLine.back() == '\r')
        firstLine.remove_suffix(1);
    if (!isRecord(firstLine))
        p = firstFeed == end ? end : firstFeed + 1;
    static const Formatter fastest = fastestFormatter();
    const Formatter chosen = scan == MarkScan::fastest ? fastest : formatterFor(scan);
    return (chosen ? chosen : fastest)(p, end);
}

LogExtractor::Extracted LogExtractor::extract()
{
    Extracted extracted;
    auto told = [&extracted](Outcome::Kind kind, std::string message) {
        extracted.kind = kind;
        extracted.messages.push_back(std::move(message));
        return std::move(extracted);
    };
    const SatResponse answer = client_.ExtrairLogs();
    if (!answer.reached())
        return told(Outcome::Kind::Transport, answer.failure());
    if (answer.equals(portFailureAnswer))
        return told(Outcome::Kind::Transport, std::string(portFailureShown));
    if (!answer.contains(transferMark))
        return told(Outcome::Kind::Refused, codepage::fromUtf8OrAnsi(answer.text()));
    const SatResponse payload = client_.decodedPayload();
    if (!payload.reached())
        return told(Outcome::Kind::Transport, payload.failure());
    extracted.lines = formatLog(payload.text());
    return extracted;
}

std::optional<std::string> LogExtractor::saveLog(const std::string& path,
                                                 const std::vector<std::string>& lines)
{
    const textfile::WriteResult written = textfile::writeLines(path, lines);
    if (written.ok)
        return std::nullopt;
    return "Não foi possível salvar os logs em \"" + path + "\".\n" + written.error;
}
