#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a logic component needs from the operator's screen. The user interface implements
// these with real windows; tests implement them with recording fakes, so no logic ever pops
// a window itself. Texts are UTF-8.

class MessageSink {
public:
    virtual ~MessageSink();
    // A modal information box with one OK button; returns when the operator closes it.
    virtual void showMessage(std::string_view text) = 0;
};

class FileChooser {
public:
    virtual ~FileChooser();
    // The chosen path, or nullopt when the operator cancels.
    virtual std::optional<std::string> chooseFileToOpen() = 0;
    virtual std::optional<std::string> chooseFileToSave() = 0;
};

class LineSink {
public:
    virtual ~LineSink();
    virtual void appendLine(std::string_view line) = 0;
    // Many lines at once, each ended by a line feed. A screen shows a large block far faster
    // in one go than line by line; by default each line goes to appendLine.
    virtual void appendLines(std::string_view lines);
};

// A multi-line text area: entries are appended, the area can be emptied, and what it holds is
// read back (the operator may have edited it) to be saved.
class TextArea : public LineSink {
public:
    virtual void clear() = 0;
    // The area's text as lines, without line ends.
    virtual std::vector<std::string> lines() const = 0;
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

// The message window: its text replaced by one message, in front of the other windows.
class MessageWindow {
public:
    virtual ~MessageWindow();
    virtual void fillAndShow(std::string_view text) = 0;
};

// The certificate-request window: requests are only ever appended, never cleared.
class RequestWindow {
public:
    virtual ~RequestWindow();
    // Lines separated by LF; shown below any earlier request, the window brought to the front.
    virtual void appendRequest(std::string_view request) = 0;
    // Everything the window holds, one entry per line.
    virtual std::vector<std::string> requestLines() const = 0;
};
