#include "Operator.h"

MessageSink::~MessageSink() = default;
FileChooser::~FileChooser() = default;
LineSink::~LineSink() = default;
ProgressSink::~ProgressSink() = default;
TickSwitch::~TickSwitch() = default;
MessageWindow::~MessageWindow() = default;
RequestWindow::~RequestWindow() = default;
