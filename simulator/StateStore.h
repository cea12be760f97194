#pragma once

#include "DeviceState.h"

#include <filesystem>
#include <optional>
#include <string>

// The state file: where it lives, reading it back whenever someone else (satsim, another
// process) has changed it, and writing it so that a crash never leaves half a file.
namespace satsim {

class StateStore {
public:
    // SATSIM_STATE when set, else the per-user default.
    static std::filesystem::path configuredPath();
    static std::filesystem::path defaultPath();

    // Brings the state up to date with the file at path. A missing file, or one that cannot
    // be read, gives a factory-new device; an unreadable one is first copied aside
    // (".bad" added to its name) so that nothing is lost.
    DeviceState& refresh(const std::filesystem::path& path, DeviceTime now);

    DeviceState& state() { return state_; }
    const std::filesystem::path& path() const { return path_; }

    // Writes the state when it differs from the file. Returns an empty text, or why the file
    // could not be written (the device then carries on from memory).
    std::string save();

    // Why the last refresh could not use the file's content; empty when it could.
    const std::string& problem() const { return problem_; }

private:
    std::filesystem::path path_;
    std::optional<std::string> seen_; // the file's bytes as last read or written
    bool loaded_ = false;
    DeviceState state_;
    std::string problem_;
};

std::string utf8Path(const std::filesystem::path& path);

} // namespace satsim
