#include "DynamicLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace dynlib {

#if defined(_WIN32)

namespace {

std::string windowsErrorText(DWORD error)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length && text ? std::string(text, length) : std::string();
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result + " (" + std::to_string(error) + ")";
}

} // namespace

LoadResult load(const std::string& fileName)
{
    // An empty string removes the current folder from the search order and keeps the rest.
    static const bool searchHardened = SetDllDirectoryA("") != 0;
    (void)searchHardened;
    LoadResult result;
    result.handle = reinterpret_cast<Handle>(LoadLibraryA(fileName.c_str()));
    if (!result.handle)
        result.error = windowsErrorText(GetLastError());
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
