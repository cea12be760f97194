#pragma once

#include "OperationalStatus.h"
#include "Operator.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// What a component told the operator, kept for the test to read.
struct RecordedMessages : MessageSink {
    std::vector<std::string> shown;
    void showMessage(std::string_view text) override { shown.emplace_back(text); }
};

struct RecordedLines : LineSink {
    std::vector<std::string> lines;
    void appendLine(std::string_view line) override { lines.emplace_back(line); }
};

struct RecordedLabels : StatusLabelSink {
    std::vector<std::pair<std::string, std::string>> set; // in the order they were set
    std::map<std::string, std::string> current;
    void setStatusLabel(std::string_view control, std::string_view text) override
    {
        set.emplace_back(control, text);
        current[std::string(control)] = std::string(text);
    }
};
