#pragma once

#include "DeviceState.h"

#include <filesystem>
#include <optional>
#include <string>

// The state file: where it lives, reading it back whenever someone else (satsim, another
// process) has changed it, and writing it so that a crash never leaves half a file. It holds
// the activation code and the network passwords: it is readable by its owner only.
namespace satsim {

// Held while a program reads the state, changes it and writes it back, so that programs that
// share one simulated device (a point of sale, the manager, satsim) take turns as they would
// at a real one. An exclusive lock on "<state>.lock" beside the state, created for its owner
// only and never removed: the state file cannot carry the lock itself, since every save
// renames a new file over it. The system releases the lock when the holder ends, however it
// ends. Where the lock file cannot be made the device goes on unlocked, from memory, as it
// does when its state cannot be written.
class StateLock {
public:
    explicit StateLock(const std::filesystem::path& statePath);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    bool held() const;

private:
#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

class StateStore {
public:
    // SATSIM_STATE when set, else the per-user default.
    static std::filesystem::path configuredPath();
    static std::filesystem::path defaultPath();
    // The default's last resort, without a home folder: a folder of this user's own under
    // the temporary folder, which must be a real folder, this user's, with mode 0700.
    static std::filesystem::path fallbackFolder();

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

    // Makes the folder the state goes in, when missing. Returns why the state may not be kept
    // there (the fall-back folder planted by someone else), empty when it may.
    static std::string prepareFolder(const std::filesystem::path& statePath);

private:
    std::filesystem::path path_;
    std::optional<std::string> seen_; // the file's bytes as last read or written
    bool loaded_ = false;
    DeviceState state_;
    std::string problem_;
};

std::string utf8Path(const std::filesystem::path& path);

} // namespace satsim
