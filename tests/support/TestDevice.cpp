#include "TestDevice.h"

#include "DynamicLibrary.h"

#include <stdexcept>

TestDevice::TestDevice(const std::string& libraryName)
{
    const dynlib::LoadResult loaded = dynlib::load(libraryName);
    if (!loaded.handle)
        throw std::runtime_error("test device library not found: " + loaded.error);
    reset_ = dynlib::function<ResetFn>(loaded.handle, "TestDevice_Reset");
    script_ = dynlib::function<ScriptFn>(loaded.handle, "TestDevice_Script");
    count_ = dynlib::function<CountFn>(loaded.handle, "TestDevice_CallCount");
    function_ = dynlib::function<FunctionFn>(loaded.handle, "TestDevice_CallFunction");
    argCount_ = dynlib::function<ArgCountFn>(loaded.handle, "TestDevice_ArgCount");
    arg_ = dynlib::function<ArgFn>(loaded.handle, "TestDevice_Arg");
    delay_ = dynlib::function<DelayFn>(loaded.handle, "TestDevice_Delay");
    waiting_ = dynlib::function<CountFn>(loaded.handle, "TestDevice_WaitingCalls");
    crash_ = dynlib::function<CrashFn>(loaded.handle, "TestDevice_CrashIn");
    if (!reset_ || !script_ || !count_ || !function_ || !argCount_ || !arg_ || !delay_ ||
        !waiting_ || !crash_)
        throw std::runtime_error("not the test device library: " + libraryName);
    reset();
}

void TestDevice::reset()
{
    reset_();
}

void TestDevice::script(std::string_view function, const Answer& answer)
{
    const std::string name(function);
    script_(name.c_str(), answer.result ? answer.result->data() : nullptr,
            answer.result ? static_cast<int>(answer.result->size()) : 0, answer.code,
            answer.msg.data(), static_cast<int>(answer.msg.size()), answer.payloadBase64.c_str());
}

void TestDevice::setFallback(const Answer& answer)
{
    script_(nullptr, answer.result ? answer.result->data() : nullptr,
            answer.result ? static_cast<int>(answer.result->size()) : 0, answer.code,
            answer.msg.data(), static_cast<int>(answer.msg.size()), answer.payloadBase64.c_str());
}

void TestDevice::delayNext(std::string_view function, int milliseconds)
{
    delay_(std::string(function).c_str(), milliseconds);
}

void TestDevice::crashIn(std::string_view function)
{
    crash_(std::string(function).c_str());
}

int TestDevice::waitingCalls() const
{
    return waiting_();
}

std::vector<TestDevice::Call> TestDevice::calls() const
{
    std::vector<Call> result;
    const int count = count_();
    for (int i = 0; i < count; ++i) {
        Call call;
        call.function = function_(i);
        const int args = argCount_(i);
        for (int j = 0; j < args; ++j) {
            int length = 0;
            const char* bytes = arg_(i, j, &length);
            if (bytes)
                call.args.emplace_back(std::string(bytes, static_cast<std::size_t>(length)));
            else
                call.args.emplace_back(std::nullopt);
        }
        result.push_back(std::move(call));
    }
    return result;
}

std::vector<std::string> TestDevice::functions() const
{
    std::vector<std::string> names;
    for (const Call& call : calls())
        names.push_back(call.function);
    return names;
}

std::string TestDevice::base64(std::string_view bytes)
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    while (i + 2 < bytes.size()) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
        i += 3;
    }
    const std::size_t rest = bytes.size() - i;
    if (rest) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += rest == 2 ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string TestDevice::file(std::string_view build)
{
#if defined(_WIN32)
    return std::string(build) + ".dll";
#else
    return "lib" + std::string(build) + ".so";
#endif
}
