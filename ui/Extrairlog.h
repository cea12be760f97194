#pragma once

#include "FileDialogs.h"
#include "LogExtractor.h"
#include "MessageBoxes.h"
#include "Screen.h"
#include "TextAreaSink.h"

#include <QStringList>

#include <memory>

class ImageButton;
class QPlainTextEdit;

// The logs screen: extracts the device's event log into its text area and saves the lines.
class TForm14 : public Screen {
    Q_OBJECT
public:
    TForm14(Screens& screens, QWidget* owner);
    ~TForm14() override;

    // Runs an extraction into this screen's text area (also for "Ver Detalhes").
    void extract();

    void Image1Click();
    void Image2Click();

    // The text area's lines; none when it is empty.
    QStringList lines() const;

    ImageButton* Image1;
    ImageButton* Image2;
    QPlainTextEdit* Memo1;

    // How extractions reach Memo1.
    LineSink& memoSink() { return *memo_; }

private:
    MessageBoxes messages_;
    FileDialogs SaveLOG;
    std::unique_ptr<TextAreaSink> memo_;
    std::unique_ptr<LogExtractor> extractor_;
};
