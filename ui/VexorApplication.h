#pragma once

#include <QApplication>

class QKeyEvent;

// A window that sees every key before the focused control does.
class KeyPreview {
public:
    virtual ~KeyPreview() = default;
    virtual void previewKey(QKeyEvent* event) = 0;
};

// The application object: gives key-preview windows their keys first, and shows an error
// that escapes an event handler in the standard error box while the event loop goes on.
class VexorApplication : public QApplication {
    Q_OBJECT
public:
    VexorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The operator leaves the program: the event loop ends, and every window closes as part of
    // the leaving, not as something the operator did to that window.
    static void endEventLoop();
    static bool isEnding();
};
