#pragma once

#include <string>

// Loading a shared library by file name and finding its functions by name, through the
// platform's own loader (LoadLibraryA/GetProcAddress on Windows, dlopen/dlsym elsewhere).
namespace dynlib {

using Handle = void*;

struct LoadResult {
    Handle handle = nullptr;
    std::string error; // the loader's own explanation (UTF-8) when handle is null
    // The file found is a library for another architecture (a 32-bit DLL in a 64-bit program).
    bool wrongArchitecture = false;
};

// A bare file name goes through the platform's normal library search. On Windows the
// current folder is taken out of that search before the first load, so a library planted there
// is not loaded; the program folder, the system folders and PATH stay. The name is in the
// platform's narrow encoding (the ANSI code page on Windows).
LoadResult load(const std::string& fileName);

// Null when the library does not export the name.
void* symbol(Handle library, const char* name);

template <typename Fn> Fn function(Handle library, const char* name)
{
    return reinterpret_cast<Fn>(symbol(library, name));
}

} // namespace dynlib
