#pragma once

#include <optional>
#include <string>
#include <string_view>

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

class ProgressSink {
public:
    virtual ~ProgressSink();
    virtual void setProgress(int value) = 0;
    virtual int progress() const = 0;
};
