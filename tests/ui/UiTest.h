#pragma once

#include "AppContext.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "SatClient.h"
#include "Screens.h"
#include "Style.h"
#include "TestDevice.h"
#include "VexorApplication.h"

#include <QTest>

#include <memory>

// One program of screen tests: the real application object (so keys and errors go through it),
// message boxes recorded instead of shown, file dialogs answered from a queue.
template <typename TestClass> int runUiTest(int argc, char** argv)
{
    VexorApplication application(argc, argv);
    initUiResources();
    applyMetropolisDark(application);
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

// A fresh program state for each test: context, client, every screen, the scripted device.
struct UiFixture {
    UiFixture()
    {
        MessageBoxes::recordInto(&messages);
        FileDialogs::answerWith(&fileAnswers);
        screens.createAll();
    }
    ~UiFixture()
    {
        MessageBoxes::recordInto(nullptr);
        FileDialogs::answerWith(nullptr);
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    QStringList messages;
    QStringList fileAnswers;
    AppContext context;
    SatClient client{context};
    Screens screens{context, client};
};

template <typename T> T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("no control named %s", name);
    return found;
}
