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
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace textfile {

namespace fs = std::filesystem;

namespace {

fs::path pathFromUtf8(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::function<std::string(int)>& nameSource() {
    static std::function<std::string(int)> source;
    return source;
}

std::string randomSuffix(int) {
    static std::random_device seed;
    static std::mt19937 random(seed());
    return ".tmp" + std::to_string(random() % 1000000);
}

// Exclusive creation, so a file that happens to carry the temporary name is never truncated.
std::FILE* createExclusively(const fs::path& path, int& error) {
#if defined(_WIN32)
    const int fd =
        _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
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
std::FILE* createTemporaryBeside(const fs::path& target, fs::path& temporary, int& error) {
    constexpr int attempts = 100;
    error = EEXIST;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        temporary = target;
        temporary += nameSource() ? nameSource()(attempt) : randomSuffix(attempt);
        if (std::FILE* file = createExclusively(temporary, error))
            return file;
        if (error != EEXIST)
            return nullptr;
    }
    return nullptr;
}

// Text mode where the platform has one; elsewhere readText turns CR LF into LF itself.
#if defined(_WIN32)
constexpr bool runtimeTranslatesLineEnds = true;
std::FILE* openForReading(const fs::path& path) {
    return _wfopen(path.c_str(), L"rt");
}
#else
constexpr bool runtimeTranslatesLineEnds = false;
std::FILE* openForReading(const fs::path& path) {
    return std::fopen(path.c_str(), "rb");
}
#endif

std::string failure(const std::string& what, const fs::path& target, int error) {
    return what + " \"" + utf8FromPath(target) + "\": " + std::strerror(error);
}

} // namespace

void setTemporaryNameSource(std::function<std::string(int)> source) {
    nameSource() = std::move(source);
}

std::string encodeLines(const std::vector<std::string>& linesUtf8, Encoding encoding) {
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
                       Encoding encoding) {
    return writeBytes(pathUtf8, encodeLines(linesUtf8, encoding));
}

bool declaresUtf8Xml(const std::string& textUtf8) {
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

WriteResult writeBytes(const std::string& pathUtf8, const std::string& bytes) {
    WriteResult result;
    if (pathUtf8.empty()) {
        result.error = "Nenhum nome de arquivo foi informado.";
        return result;
    }
    const fs::path target = pathFromUtf8(pathUtf8);
    fs::path temporary;
    int createError = 0;
    std::FILE* file = createTemporaryBeside(target, temporary, createError);
    if (!file) {
        result.error = failure("Não foi possível criar o arquivo", target, createError);
        return result;
    }
    errno = 0;
    const std::size_t written =
        bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    int error = written == bytes.size() ? 0 : (errno ? errno : EIO);
    if (std::fflush(file) != 0 && !error)
        error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error)
        error = errno ? errno : EIO;
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        result.error = failure("Não foi possível gravar o arquivo", target, error);
        return result;
    }

    std::error_code renameError;
    fs::rename(temporary, target, renameError);
    if (renameError) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        result.error = "Não foi possível gravar o arquivo \"" + utf8FromPath(target) +
                       "\": " + renameError.message();
        return result;
    }
    result.ok = true;
    return result;
}

ReadResult readText(const std::string& pathUtf8, std::size_t maxBytes) {
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
