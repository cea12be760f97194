#pragma once

#include <string>
#include <string_view>

// What goes on while an operation runs: a component returns its result as a value, and only
// what streams meanwhile reaches the screen through these. Texts are UTF-8.

class LineSink {
public:
    virtual ~LineSink();
    virtual void appendLine(std::string_view line) = 0;
    // Many lines at once, each ended by a line feed. A screen shows a large block far faster
    // in one go than line by line; by default each line goes to appendLine.
    virtual void appendLines(std::string_view lines);
};

// A periodic tick that the screen runs (a timer) and the component switches on and off.
class TickSwitch {
public:
    virtual ~TickSwitch();
    virtual void setTicking(bool on) = 0;
};

class ProgressSink {
public:
    virtual ~ProgressSink();
    virtual void setProgress(int value) = 0;
    virtual int progress() const = 0;
};
