#pragma once

#include "Operator.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a component told the operator, kept for the test to read.
struct RecordedMessages {
    std::vector<std::string> shown;
    void showMessage(std::string_view text) { shown.emplace_back(text); }
};

struct RecordedLines : LineSink {
    std::vector<std::string> lines;
    void appendLine(std::string_view line) override { lines.emplace_back(line); }
};

// A text area: each appended entry is kept whole, as the area shows it.
struct RecordedTextArea : LineSink {
    std::vector<std::string> entries;
    int clears = 0;
    void appendLine(std::string_view line) override { entries.emplace_back(line); }
    void clear()
    {
        entries.clear();
        ++clears;
    }
    std::vector<std::string> lines() const { return entries; }
};

struct RecordedProgress : ProgressSink {
    int value = 0;
    std::vector<int> values; // every value set, in order
    void setProgress(int v) override
    {
        value = v;
        values.push_back(v);
    }
    int progress() const override { return value; }
};

struct RecordedTicks : TickSwitch {
    bool on = false;
    std::vector<bool> switches;
    void setTicking(bool ticking) override
    {
        on = ticking;
        switches.push_back(ticking);
    }
};

struct RecordedMessageWindow {
    std::vector<std::string> filled; // each fill replaces the window's text
    void fillAndShow(std::string_view text) { filled.emplace_back(text); }
};

// Holds the requests as the window does: appended, split into lines, never cleared.
struct RecordedRequests {
    std::vector<std::string> lines;
    int appended = 0;
    void appendRequest(std::string_view request)
    {
        ++appended;
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = request.find('\n', start);
            lines.emplace_back(request.substr(start, end - start));
            if (end == std::string_view::npos)
                break;
            start = end + 1;
        }
    }
};

// Answers file dialogs from a queue; nullopt (or an empty queue) is a cancel.
struct QueuedFiles {
    std::deque<std::optional<std::string>> answers;
    int asked = 0;
    std::optional<std::string> next()
    {
        ++asked;
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFileToOpen() { return next(); }
    std::optional<std::string> chooseFileToSave() { return next(); }
};
