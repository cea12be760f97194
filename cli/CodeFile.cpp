#include "CodeFile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#if defined(_WIN32)
#include <cstdio>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace codefile {

std::string notRegularMessage(const std::string& pathUtf8) {
    return "\"" + pathUtf8 + "\" não é um arquivo comum: o código de ativação não foi lido.";
}

std::string unreadableMessage(const std::string& pathUtf8) {
    return "Não foi possível ler o código de ativação de \"" + pathUtf8 + "\".";
}

std::string openToOthersMessage(const std::string& pathUtf8) {
    return "Outros usuários desta máquina têm acesso ao arquivo do código de ativação \"" +
           pathUtf8 + "\"; restrinja-o com chmod 600.";
}

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string firstLine(std::string bytes) {
    if (bytes.starts_with(byteOrderMark))
        bytes.erase(0, byteOrderMark.size());
    bytes.resize(std::min(bytes.size(), bytes.find('\n')));
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    return bytes;
}

} // namespace

#if defined(_WIN32)

Read read(const std::string& pathUtf8) {
    Read result;
    const std::filesystem::path path = std::filesystem::u8path(pathUtf8);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        result.error = notRegularMessage(pathUtf8);
        return result;
    }
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        result.error = unreadableMessage(pathUtf8);
        return result;
    }
    // NUL, CON and pipes open like files: only a file on a disk is read.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(file);
        result.error = notRegularMessage(pathUtf8);
        return result;
    }
    std::string bytes(maxBytes, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        result.error = unreadableMessage(pathUtf8);
    else
        result.code = firstLine(std::move(bytes));
    return result;
}

#else

Read read(const std::string& pathUtf8) {
    Read result;
    // Without O_NONBLOCK opening a FIFO would wait for a writer before the check below.
    const int fd = open(pathUtf8.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        struct stat named {};
        result.error = stat(pathUtf8.c_str(), &named) == 0 && !S_ISREG(named.st_mode)
                           ? notRegularMessage(pathUtf8)
                           : unreadableMessage(pathUtf8);
        return result;
    }
    // Checked on what was opened, so that the file cannot be swapped in between.
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        close(fd);
        result.error = notRegularMessage(pathUtf8);
        return result;
    }
    if ((opened.st_mode & 077) != 0)
        result.warning = openToOthersMessage(pathUtf8);
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            result.error = unreadableMessage(pathUtf8);
            result.warning.clear();
            return result;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    bytes.resize(got);
    result.code = firstLine(std::move(bytes));
    return result;
}

#endif

} // namespace codefile
