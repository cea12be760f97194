#include "StateStore.h"

#include "TextFile.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace satsim {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t maxStateFileSize = 16 * 1024 * 1024;

std::optional<std::string> readFile(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error)
        return std::nullopt;
    if (size > maxStateFileSize)
        return std::string(); // too big to be ours: read as unreadable
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<fs::path> environmentPath(const char* name) {
#if defined(_WIN32)
    std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wide.c_str());
#else
    const char* value = std::getenv(name);
#endif
    if (!value || !*value)
        return std::nullopt;
    return fs::path(value);
}

} // namespace

std::string utf8Path(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path StateStore::defaultPath() {
#if defined(_WIN32)
    if (auto base = environmentPath("LOCALAPPDATA"))
        return *base / "TORVAL VEXOR" / "satsim-estado.txt";
#else
    if (auto base = environmentPath("XDG_STATE_HOME"))
        return *base / "torval-vexor" / "satsim-estado.txt";
    if (auto home = environmentPath("HOME"))
        return *home / ".local" / "state" / "torval-vexor" / "satsim-estado.txt";
#endif
    std::error_code error;
    return fs::temp_directory_path(error) / "torval-vexor-satsim-estado.txt";
}

fs::path StateStore::configuredPath() {
    if (auto chosen = environmentPath("SATSIM_STATE"))
        return *chosen;
    return defaultPath();
}

DeviceState& StateStore::refresh(const fs::path& path, DeviceTime now) {
    if (path != path_) {
        path_ = path;
        seen_.reset();
        loaded_ = false;
    }
    problem_.clear();
    const std::optional<std::string> bytes = readFile(path_);
    if (!bytes) {
        // A file that was there and is gone was removed on purpose: a new device. One that
        // could never be written keeps the device in memory for as long as it runs.
        if (seen_ || !loaded_)
            state_ = factoryState(now);
        seen_.reset();
        loaded_ = true;
        return state_;
    }
    if (seen_ && *seen_ == *bytes)
        return state_;
    if (auto parsed = parseState(*bytes)) {
        state_ = std::move(*parsed);
        seen_ = *bytes;
        loaded_ = true;
        return state_;
    }
    fs::path aside = path_;
    aside += ".bad";
    std::error_code ignored;
    fs::copy_file(path_, aside, fs::copy_options::overwrite_existing, ignored);
    problem_ = "O arquivo de estado \"" + utf8Path(path_) +
               "\" não pôde ser lido; o SAT voltou ao estado de fábrica e o arquivo foi "
               "guardado como \"" +
               utf8Path(aside) + "\".";
    state_ = factoryState(now);
    seen_.reset();
    loaded_ = true;
    return state_;
}

std::string StateStore::save() {
    std::string text = serialize(state_);
    if (seen_ && *seen_ == text)
        return {};
    std::error_code error;
    if (path_.has_parent_path())
        fs::create_directories(path_.parent_path(), error);
    const textfile::WriteResult written = textfile::writeBytes(utf8Path(path_), text);
    if (!written.ok)
        return written.error;
    seen_ = std::move(text);
    return {};
}

} // namespace satsim
