#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The kind of device the operator declared in the access dialog.
enum class DeviceKind { Kit, ProductionActivated, ProductionNotActivated };

// Caption of each kind as the access dialog shows it (UTF-8).
std::string_view deviceKindCaption(DeviceKind kind);

// Process-wide state shared by every screen, alive from start to exit.
class AppContext {
public:
    // The device's working buffer is 100 bytes with its terminating zero.
    static constexpr std::size_t maxActivationCodeLength = 99;
    // Told to the operator wherever a typed code would not fit.
    static constexpr std::string_view codeTooLong =
        "O código de ativação deve ter no máximo 99 caracteres.";

    // Windows-1252 bytes; empty means no code.
    const std::string& activationCode() const { return activationCode_; }

    // Stores the code and returns true, or refuses a code longer than
    // maxActivationCodeLength, keeping the stored one, and returns false.
    bool setActivationCode(std::string_view windows1252);
    void clearActivationCode() { activationCode_.clear(); }

    DeviceKind deviceKind = DeviceKind::Kit;

    // The loaded device library; null until the first device call, then kept until exit.
    void* hDLLSat = nullptr;

private:
    std::string activationCode_;
};
