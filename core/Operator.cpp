#include "Operator.h"

LineSink::~LineSink() = default;
ProgressSink::~ProgressSink() = default;
TickSwitch::~TickSwitch() = default;

void LineSink::appendLines(std::string_view lines)
{
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        appendLine(lines.substr(0, end));
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
}
