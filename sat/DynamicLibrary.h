#pragma once

#include <string>

// Loading a shared library by file name and finding its functions by name, through the
// platform's own loader (LoadLibraryA/GetProcAddress on Windows, dlopen/dlsym elsewhere).
namespace dynlib {

using Handle = void*;

struct LoadResult {
    Handle handle = nullptr;
    std::string error; // the loader's own explanation when handle is null
};

// A bare file name goes through the platform's normal library search. On Windows the
// current folder is taken out of that search first, so a library planted there is not loaded.
LoadResult load(const std::string& fileName);

// Null when the library does not export the name.
void* symbol(Handle library, const char* name);

template <typename Fn>
Fn function(Handle library, const char* name)
{
    return reinterpret_cast<Fn>(symbol(library, name));
}

} // namespace dynlib
