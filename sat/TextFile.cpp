#include "TextFile.h"

#include "CodePage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace textfile {

namespace fs = std::filesystem;

namespace {

// Why a name is refused before anything is written, after "Não foi possível gravar o arquivo
// "NAME": ".
constexpr const char* folderReason = "é uma pasta";
constexpr const char* notRegularReason = "não é um arquivo comum";
constexpr const char* readOnlyReason = "o arquivo é somente leitura";
constexpr const char* noPermissionReason = "sem permissão para gravar o arquivo";
constexpr const char* readOnlyVolumeReason = "o sistema de arquivos é somente leitura";
constexpr const char* linkLoopReason = "os links formam um ciclo ou são encadeados demais";

fs::path pathFromUtf8(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::function<std::string(int)>& nameSource()
{
    static std::function<std::string(int)> source;
    return source;
}

std::string randomSuffix(int)
{
    static std::random_device seed;
    static std::mt19937 random(seed());
    return ".tmp" + std::to_string(random() % 1000000);
}

// The file a save finally writes: the chosen name, or the file its links lead to.
struct Target {
    fs::path path;
    bool exists = false;
    std::string refusal; // why it may not be written; empty when it may
#if !defined(_WIN32)
    struct stat info {}; // of the existing file
#endif
};

#if defined(_WIN32)

std::string systemMessage(DWORD error)
{
    return std::system_category().message(static_cast<int>(error));
}

// The path a link or junction finally leads to, through the system's own resolution.
bool finalPath(const fs::path& link, fs::path& resolved, std::string& refusal)
{
    const HANDLE handle =
        CreateFileW(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        refusal = systemMessage(GetLastError());
        return false;
    }
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED);
        if (length < buffer.size())
            break;
        buffer.resize(length + 1);
    }
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (length == 0) {
        refusal = systemMessage(error);
        return false;
    }
    buffer.resize(length);
    resolved = fs::path(buffer);
    return true;
}

Target resolveTarget(const fs::path& chosen)
{
    Target target;
    target.path = chosen;
    DWORD attributes = GetFileAttributesW(chosen.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!finalPath(chosen, target.path, target.refusal))
            return target;
        attributes = GetFileAttributesW(target.path.c_str());
    }
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            target.refusal = folderReason;
            return target;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            target.refusal = readOnlyReason;
            return target;
        }
    }
    // Opening for writing, without changing anything, asks the file's own access rules; a
    // device name (NUL, COM1) opens too, and is no file on a disk.
    const HANDLE handle = CreateFileW(target.path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES)
            target.refusal = noPermissionReason;
        return target;
    }
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    if (type != FILE_TYPE_DISK)
        target.refusal = notRegularReason;
    target.exists = true;
    return target;
}

#else

Target resolveTarget(const fs::path& chosen)
{
    constexpr int maxLinks = 40;
    Target target;
    target.path = chosen;
    for (int links = 0;; ++links) {
        // A name that cannot be looked at is left to the creation beside it, which says why.
        if (::lstat(target.path.c_str(), &target.info) != 0)
            return target;
        if (!S_ISLNK(target.info.st_mode))
            break;
        if (links == maxLinks) {
            target.refusal = linkLoopReason;
            return target;
        }
        std::error_code error;
        const fs::path to = fs::read_symlink(target.path, error);
        if (error) {
            target.refusal = error.message();
            return target;
        }
        // A relative link is relative to the folder that holds it.
        target.path = to.is_absolute() ? to : target.path.parent_path() / to;
    }
    const mode_t mode = target.info.st_mode;
    if (S_ISDIR(mode))
        target.refusal = folderReason;
    else if (!S_ISREG(mode))
        target.refusal = notRegularReason;
    // The write bits count even for the administrator, whom the system would let through.
    else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        target.refusal = readOnlyReason;
    else if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
        const int error = errno;
        target.refusal = error == EROFS                      ? readOnlyVolumeReason
                         : error == EACCES || error == EPERM ? noPermissionReason
                                                             : std::strerror(error);
    }
    target.exists = true;
    return target;
}

#endif

// The longest name a folder's file system takes, in the units of the platform's names (bytes
// here, UTF-16 units on Windows).
std::size_t nameLimit([[maybe_unused]] const fs::path& folder)
{
#if defined(_WIN32)
    return 255;
#else
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
#endif
}

// The target's name with the suffix, its end cut when the whole would pass the file system's
// limit (never inside a character: a UTF-8 sequence, a UTF-16 pair).
fs::path temporaryName(const fs::path& target, const std::string& suffix)
{
    const fs::path folder = target.parent_path();
    fs::path::string_type name = target.filename().native();
    const fs::path::string_type tail(suffix.begin(), suffix.end());
    const std::size_t limit = nameLimit(folder);
    if (name.size() + tail.size() > limit) {
        name.resize(limit > tail.size() ? limit - tail.size() : 0);
#if defined(_WIN32)
        if (!name.empty() && name.back() >= 0xD800 && name.back() <= 0xDBFF)
            name.pop_back();
#else
        // The last sequence goes when the cut left it short of its bytes.
        auto byte = [&name](std::size_t at) { return static_cast<unsigned char>(name[at]); };
        std::size_t lead = name.size();
        while (lead > 0 && (byte(lead - 1) & 0xC0) == 0x80)
            --lead;
        if (lead > 0 && byte(lead - 1) >= 0xC0) {
            const unsigned char first = byte(lead - 1);
            const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
            if (name.size() - (lead - 1) < length)
                name.resize(lead - 1);
        }
#endif
    }
    return folder / fs::path(name + tail);
}

// Exclusive creation, so a file that happens to carry the temporary name is never truncated.
std::FILE* createExclusively(const fs::path& path, FileAccess access, int& error)
{
#if defined(_WIN32)
    (void)access;
    const int fd =
        _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC,
                          access == FileAccess::Private ? 0600 : 0666);
#endif
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
#if defined(_WIN32)
    std::FILE* file = _fdopen(fd, "wb");
#else
    std::FILE* file = ::fdopen(fd, "wb");
#endif
    if (!file) {
        error = errno;
#if defined(_WIN32)
        _close(fd);
#else
        ::close(fd);
#endif
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    return file;
}

// A new file beside the target; a name already taken is left alone and another one tried.
std::FILE* createTemporaryBeside(const fs::path& target, FileAccess access, fs::path& temporary,
                                 int& error)
{
    constexpr int attempts = 100;
    error = EEXIST;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        temporary =
            temporaryName(target, nameSource() ? nameSource()(attempt) : randomSuffix(attempt));
        if (std::FILE* file = createExclusively(temporary, access, error))
            return file;
        if (error != EEXIST)
            return nullptr;
    }
    return nullptr;
}

// The permissions the new file must end with, set before it takes the target's place.
// Returns an errno value, 0 when done.
int setPermissions([[maybe_unused]] std::FILE* file, [[maybe_unused]] const Target& target,
                   [[maybe_unused]] FileAccess access)
{
#if defined(_WIN32)
    return 0;
#else
    const int fd = ::fileno(file);
    if (access == FileAccess::Private)
        return ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
    if (!target.exists)
        return 0;
    mode_t mode = target.info.st_mode & 07777;
    // The owner and group too, where the user may give them (the administrator saving
    // another user's file); a file that cannot keep them loses its set-id bits.
    struct stat own {};
    if (::fstat(fd, &own) == 0 &&
        (own.st_uid != target.info.st_uid || own.st_gid != target.info.st_gid)) {
        if (::fchown(fd, target.info.st_uid, target.info.st_gid) != 0)
            mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    // A file system without modes (FAT) keeps what it can; the data matters more.
    ::fchmod(fd, mode);
    return 0;
#endif
}

// The data on the disk before the rename makes it the file.
int flushToDisk(std::FILE* file)
{
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0 ? 0 : errno;
#else
    return ::fsync(::fileno(file)) == 0 ? 0 : errno;
#endif
}

// Puts the temporary file in the target's place. Returns why not, empty when done.
std::string replace(const fs::path& temporary, const fs::path& target)
{
#if defined(_WIN32)
    // Write-through: the move is on the disk when the call returns.
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return systemMessage(GetLastError());
    return {};
#else
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return std::strerror(errno);
    // The rename lives in the folder: flushed too, or a power cut could bring the old name
    // back. A file system that cannot flush a folder has nothing more to do.
    const fs::path folder = target.parent_path();
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return {};
#endif
}

// Text mode where the platform has one; elsewhere readText turns CR LF into LF itself.
#if defined(_WIN32)
constexpr bool runtimeTranslatesLineEnds = true;
std::FILE* openForReading(const fs::path& path)
{
    return _wfopen(path.c_str(), L"rt");
}
#else
constexpr bool runtimeTranslatesLineEnds = false;
std::FILE* openForReading(const fs::path& path)
{
    return std::fopen(path.c_str(), "rb");
}
#endif

std::string failure(const std::string& what, const fs::path& target, int error)
{
    return what + " \"" + utf8FromPath(target) + "\": " + std::strerror(error);
}

} // namespace

void setTemporaryNameSource(std::function<std::string(int)> source)
{
    nameSource() = std::move(source);
}

std::string encodeLines(const std::vector<std::string>& linesUtf8, Encoding encoding)
{
    std::string out;
    for (const std::string& line : linesUtf8) {
        const std::string ansi =
            encoding == Encoding::Utf8 ? codepage::fromUtf8(line) : codepage::toAnsi(line);
        for (std::size_t i = 0; i < ansi.size(); ++i) {
            if (ansi[i] == '\r') {
                out += "\r\n";
                if (i + 1 < ansi.size() && ansi[i + 1] == '\n')
                    ++i;
            } else if (ansi[i] == '\n') {
                out += "\r\n";
            } else {
                out += ansi[i];
            }
        }
        out += "\r\n";
    }
    return out;
}

WriteResult writeLines(const std::string& pathUtf8, const std::vector<std::string>& linesUtf8,
                       Encoding encoding, FileAccess access)
{
    return writeBytes(pathUtf8, encodeLines(linesUtf8, encoding), access);
}

bool declaresUtf8Xml(const std::string& textUtf8)
{
    if (!textUtf8.starts_with("<?xml"))
        return false;
    const std::size_t end = textUtf8.find("?>");
    if (end == std::string::npos)
        return false;
    std::string declaration = textUtf8.substr(0, end);
    std::transform(declaration.begin(), declaration.end(), declaration.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t encoding = declaration.find("encoding");
    if (encoding == std::string::npos)
        return true;
    const std::size_t open = declaration.find_first_of("\"'", encoding);
    if (open == std::string::npos)
        return false;
    const std::size_t close = declaration.find(declaration[open], open + 1);
    return close != std::string::npos && declaration.substr(open + 1, close - open - 1) == "utf-8";
}

WriteResult writeBytes(const std::string& pathUtf8, const std::string& bytes, FileAccess access)
{
    WriteResult result;
    if (pathUtf8.empty()) {
        result.error = "Nenhum nome de arquivo foi informado.";
        return result;
    }
    // Messages name the file the operator chose, even when a link leads elsewhere.
    const fs::path chosen = pathFromUtf8(pathUtf8);
    const Target target = resolveTarget(chosen);
    if (!target.refusal.empty()) {
        result.error = "Não foi possível gravar o arquivo \"" + pathUtf8 + "\": " + target.refusal;
        return result;
    }
    fs::path temporary;
    int createError = 0;
    std::FILE* file = createTemporaryBeside(target.path, access, temporary, createError);
    if (!file) {
        result.error = failure("Não foi possível criar o arquivo", chosen, createError);
        return result;
    }
    errno = 0;
    const std::size_t written =
        bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    int error = written == bytes.size() ? 0 : (errno ? errno : EIO);
    if (std::fflush(file) != 0 && !error)
        error = errno ? errno : EIO;
    if (!error)
        error = setPermissions(file, target, access);
    if (!error)
        error = flushToDisk(file);
    if (std::fclose(file) != 0 && !error)
        error = errno ? errno : EIO;
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        result.error = failure("Não foi possível gravar o arquivo", chosen, error);
        return result;
    }

    const std::string renameError = replace(temporary, target.path);
    if (!renameError.empty()) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        result.error = "Não foi possível gravar o arquivo \"" + pathUtf8 + "\": " + renameError;
        return result;
    }
    result.ok = true;
    return result;
}

ReadResult readText(const std::string& pathUtf8, std::size_t maxBytes)
{
    ReadResult result;
    if (pathUtf8.empty()) {
        result.error = "Nenhum nome de arquivo foi informado.";
        return result;
    }
    const fs::path path = pathFromUtf8(pathUtf8);
    std::FILE* file = openForReading(path);
    if (!file) {
        result.error = failure("Não foi possível abrir o arquivo", path, errno);
        return result;
    }
    std::string& text = result.text;
    // Read in blocks: a sale document can be 2 MiB, too many bytes to fetch one by one.
    char block[65536];
    bool pendingCr = false; // a CR whose next byte decides whether it ends a line
    errno = 0;
    while (text.size() < maxBytes) {
        const std::size_t got = std::fread(block, 1, sizeof block, file);
        if (got == 0)
            break;
        const char* at = block;
        const char* const end = block + got;
        while (at < end && text.size() < maxBytes) {
            if (pendingCr) {
                pendingCr = false;
                if (*at == '\n') {
                    text += '\n';
                    ++at;
                    continue;
                }
                text += '\r';
                continue;
            }
            const std::size_t room = maxBytes - text.size();
            const std::size_t left = std::min(static_cast<std::size_t>(end - at), room);
            const void* cr = runtimeTranslatesLineEnds ? nullptr : std::memchr(at, '\r', left);
            const char* stop = cr ? static_cast<const char*>(cr) : at + left;
            text.append(at, stop);
            at = stop;
            if (cr) {
                pendingCr = true;
                ++at;
            }
        }
    }
    // A CR at the very end of the file stays a CR.
    if (pendingCr && text.size() < maxBytes)
        text += '\r';
    const bool readFailed = std::ferror(file) != 0;
    const int error = errno ? errno : EIO;
    std::fclose(file);
    if (readFailed) {
        result.text.clear();
        result.error = failure("Não foi possível ler o arquivo", path, error);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace textfile
