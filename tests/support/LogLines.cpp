#include "LogLines.h"

#include <algorithm>
#include <vector>

namespace {

std::size_t fittingBytes(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80)
        --limit;
    return limit;
}

bool hasStamp(const std::string& text)
{
    if (text.size() < 14)
        return false;
    for (std::size_t i = 0; i < 14; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

} // namespace

std::string expectedLogLines(const std::string& log, std::size_t& count)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from <= log.size()) {
        const std::size_t feed = std::min(log.find('\n', from), log.size());
        std::string line = log.substr(from, feed - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        from = feed + 1;
    }
    if (!lines.empty() && !(hasStamp(lines[0]) && lines[0].size() > 14 && lines[0][14] == '|'))
        lines.erase(lines.begin());
    std::string out;
    count = 0;
    for (const std::string& line : lines) {
        if (line.empty())
            continue;
        std::string fields[4];
        std::size_t at = 0;
        for (int i = 0; i < 3; ++i) {
            const std::size_t bar = line.find('|', at);
            fields[i] = line.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
            at = bar == std::string::npos ? line.size() : bar + 1;
        }
        const std::string rest = line.substr(std::min(at, line.size()));
        const bool fourth = std::count(line.begin(), line.end(), '|') >= 3;
        std::string detail;
        std::string message = fourth ? rest : std::string();
        if (const std::size_t colon = message.find(':'); colon != std::string::npos) {
            detail = message.substr(0, colon);
            message = message.substr(colon + 1);
        }
        const std::string& s = fields[0];
        const std::string date = hasStamp(s) ? s.substr(6, 2) + "/" + s.substr(4, 2) + "/" +
                                                   s.substr(0, 4) + " " + s.substr(8, 2) + ":" +
                                                   s.substr(10, 2) + ":" + s.substr(12, 2)
                                             : s.substr(0, fittingBytes(s, 19));
        ++count;
        const std::string display =
            std::to_string(count) + " " + date + " " + detail + " " + fields[2] + " " + message;
        out += display.substr(0, fittingBytes(display, 999)) + "\n";
    }
    return out;
}
