#include "StateStore.h"

#include "TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace satsim {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t maxStateFileSize = 16 * 1024 * 1024;

std::optional<std::string> readFile(const fs::path& path)
{
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

std::optional<fs::path> environmentPath(const char* name)
{
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

std::string octal(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode);
    return text;
}

// Why the fall-back folder may not hold the state, empty when it may. Anyone can make a name
// in the temporary folder: only a real folder of this user's, closed to everyone else, is ours.
std::string fallbackRefusal([[maybe_unused]] const fs::path& folder)
{
#if defined(_WIN32)
    return {}; // the temporary folder is the user's own on Windows
#else
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return {}; // missing: the save makes it, or says why it could not
    std::string reason;
    if (S_ISLNK(info.st_mode))
        reason = "é um link";
    else if (!S_ISDIR(info.st_mode))
        reason = "não é uma pasta";
    else if (info.st_uid != ::geteuid())
        reason = "pertence a outro usuário";
    else if ((info.st_mode & 07777) != 0700)
        reason = "tem as permissões " + octal(info.st_mode & 07777) + ", e não 0700";
    else
        return {};
    return "A pasta do estado \"" + utf8Path(folder) + "\" foi recusada: " + reason +
           "; o SAT simulado guarda o estado só na memória.";
#endif
}

} // namespace

std::string utf8Path(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path StateStore::defaultPath()
{
#if defined(_WIN32)
    if (auto base = environmentPath("LOCALAPPDATA"))
        return *base / "TORVAL VEXOR" / "satsim-estado.txt";
#else
    if (auto base = environmentPath("XDG_STATE_HOME"))
        return *base / "torval-vexor" / "satsim-estado.txt";
    if (auto home = environmentPath("HOME"))
        return *home / ".local" / "state" / "torval-vexor" / "satsim-estado.txt";
#endif
    return fallbackFolder() / "satsim-estado.txt";
}

fs::path StateStore::fallbackFolder()
{
    std::error_code error;
    fs::path temporary = fs::temp_directory_path(error);
#if defined(_WIN32)
    return temporary / "TORVAL VEXOR";
#else
    if (error || temporary.empty())
        temporary = "/tmp";
    return temporary / ("torval-vexor-" + std::to_string(::geteuid()));
#endif
}

std::string StateStore::prepareFolder(const fs::path& statePath)
{
    const fs::path folder = statePath.parent_path();
    if (folder.empty())
        return {};
    if (folder == fallbackFolder()) {
#if !defined(_WIN32)
        // Made closed from the start; one that is already there is checked, never changed.
        ::mkdir(folder.c_str(), 0700);
#endif
        return fallbackRefusal(folder);
    }
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return {};
}

fs::path StateStore::configuredPath()
{
    if (auto chosen = environmentPath("SATSIM_STATE"))
        return *chosen;
    return defaultPath();
}

DeviceState& StateStore::refresh(const fs::path& path, DeviceTime now)
{
    if (path != path_) {
        path_ = path;
        seen_.reset();
        loaded_ = false;
    }
    problem_.clear();
    const fs::path folder = path_.parent_path();
    problem_ = folder == fallbackFolder() ? fallbackRefusal(folder) : std::string();
    // A refused folder is not read either: whatever was planted there is not our device.
    const std::optional<std::string> bytes =
        problem_.empty() ? readFile(path_) : std::optional<std::string>();
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
    // It holds the same secrets as the state.
    fs::permissions(aside, fs::perms::owner_read | fs::perms::owner_write, ignored);
    problem_ = "O arquivo de estado \"" + utf8Path(path_) +
               "\" não pôde ser lido; o SAT voltou ao estado de fábrica e o arquivo foi "
               "guardado como \"" +
               utf8Path(aside) + "\".";
    state_ = factoryState(now);
    seen_.reset();
    loaded_ = true;
    return state_;
}

std::string StateStore::save()
{
    std::string text = serialize(state_);
    if (seen_ && *seen_ == text)
        return {};
    if (std::string refusal = prepareFolder(path_); !refusal.empty())
        return refusal;
    const textfile::WriteResult written =
        textfile::writeBytes(utf8Path(path_), text, textfile::FileAccess::Private);
    if (!written.ok)
        return written.error;
    seen_ = std::move(text);
    return {};
}

#if defined(_WIN32)

StateLock::StateLock(const fs::path& statePath)
{
    if (!StateStore::prepareFolder(statePath).empty())
        return;
    fs::path lockPath = statePath;
    lockPath += ".lock";
    const HANDLE handle = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED at{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
        CloseHandle(handle);
        return;
    }
    handle_ = handle;
}

StateLock::~StateLock()
{
    if (!handle_)
        return;
    OVERLAPPED at{};
    UnlockFileEx(handle_, 0, 1, 0, &at);
    CloseHandle(handle_);
}

bool StateLock::held() const
{
    return handle_ != nullptr;
}

#else

StateLock::StateLock(const fs::path& statePath)
{
    if (!StateStore::prepareFolder(statePath).empty())
        return;
    fs::path lockPath = statePath;
    lockPath += ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    int locked;
    do
        locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

// Closing the file releases the lock.
StateLock::~StateLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool StateLock::held() const
{
    return fd_ >= 0;
}

#endif

} // namespace satsim
