#include "DynamicLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace dynlib {

#if defined(_WIN32)

namespace {

std::string utf8FromWide(const wchar_t* text, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

// The system's explanation in UTF-8, as every text of the program is held.
std::string windowsErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result =
        length && text ? utf8FromWide(text, static_cast<int>(length)) : std::string();
    if (text)
        LocalFree(text);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result + " (" + std::to_string(error) + ")";
}

std::wstring programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// With a DLL directory set, the search is: program folder, that directory, the system folders,
// PATH; the current folder is left out. The program folder is given rather than the empty
// string because Wine takes an empty string as "no directory set" and keeps the current folder.
void takeCurrentFolderOutOfSearch()
{
    const std::wstring folder = programFolder();
    if (folder.empty() || !SetDllDirectoryW(folder.c_str()))
        SetDllDirectoryA("");
}

} // namespace

LoadResult load(const std::string& fileName)
{
    static const bool searchHardened = (takeCurrentFolderOutOfSearch(), true);
    (void)searchHardened;

    // A library that is no valid image for this process (a 32-bit DLL in a 64-bit program) is
    // reported to the caller, not by a system error box.
    DWORD previousMode = 0;
    const bool modeSet =
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    LoadResult result;
    result.handle = reinterpret_cast<Handle>(LoadLibraryA(fileName.c_str()));
    const DWORD error = result.handle ? 0 : GetLastError();
    if (modeSet)
        SetThreadErrorMode(previousMode, nullptr);
    if (!result.handle) {
        result.error = windowsErrorText(error);
        result.wrongArchitecture = error == ERROR_BAD_EXE_FORMAT;
    }
    return result;
}

void* symbol(Handle library, const char* name)
{
    if (!library)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

#else

LoadResult load(const std::string& fileName)
{
    LoadResult result;
    result.handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!result.handle) {
        const char* error = dlerror();
        result.error = error ? error : "";
        // The loader's words for a library of the other width ("wrong ELF class: ELFCLASS32").
        result.wrongArchitecture = result.error.find("wrong ELF class") != std::string::npos;
    }
    return result;
}

void* symbol(Handle library, const char* name)
{
    if (!library)
        return nullptr;
    return dlsym(library, name);
}

#endif

} // namespace dynlib
