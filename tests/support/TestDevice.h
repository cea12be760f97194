#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Drives the scripted test device library that the client under test loads: the same file,
// found by the same bare name, so both see one device.
class TestDevice {
public:
    struct Answer {
        Answer(std::optional<std::string> resultText = std::string(), std::int32_t errorCode = 0,
               std::string errorMsg = {}, std::string payload = {})
            : result(std::move(resultText)), code(errorCode), msg(std::move(errorMsg)),
              payloadBase64(std::move(payload))
        {
        }
        std::optional<std::string> result; // nullopt: a null result pointer
        std::int32_t code;
        std::string msg;
        std::string payloadBase64;
    };
    struct Call {
        std::string function;
        std::vector<std::optional<std::string>> args;
    };

    explicit TestDevice(const std::string& libraryName);

    void reset();
    // Queues answers for the next calls of one function, in order.
    void script(std::string_view function, const Answer& answer);
    // The answer of every call that has no queued answer left.
    void setFallback(const Answer& answer);
    // The next call of the function waits this long before it answers, as a slow device does.
    // It is recorded as soon as it starts.
    void delayNext(std::string_view function, int milliseconds);
    // How many calls are waiting out a delay now; safe to ask while a call runs.
    int waitingCalls() const;
    // The next call of the function crashes the process that made it (for death tests).
    void crashIn(std::string_view function);

    std::vector<Call> calls() const;
    // Just the names of the calls, in order.
    std::vector<std::string> functions() const;

    static std::string base64(std::string_view bytes);
    // The file of a build of the test device under the platform's naming: "dllsat_partial"
    // is dllsat_partial.dll on Windows, libdllsat_partial.so elsewhere.
    static std::string file(std::string_view build);

private:
    using ResetFn = void (*)();
    using ScriptFn = void (*)(const char*, const char*, int, int, const char*, int, const char*);
    using CountFn = int (*)();
    using FunctionFn = const char* (*)(int);
    using ArgCountFn = int (*)(int);
    using ArgFn = const char* (*)(int, int, int*);
    using DelayFn = void (*)(const char*, int);
    using CrashFn = void (*)(const char*);

    ResetFn reset_ = nullptr;
    ScriptFn script_ = nullptr;
    CountFn count_ = nullptr;
    FunctionFn function_ = nullptr;
    ArgCountFn argCount_ = nullptr;
    ArgFn arg_ = nullptr;
    DelayFn delay_ = nullptr;
    CountFn waiting_ = nullptr;
    CrashFn crash_ = nullptr;
};
