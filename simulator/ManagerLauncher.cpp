// vexor-manager-simulator.exe: starts the manager on the simulated SAT. The manager is one
// folder up; this folder, which holds the simulated dllsat.dll, goes first on PATH only for
// that manager, so a real device's library in the manager's folder or the system's still wins.
#include <windows.h>

#include <string>

namespace {

std::wstring moduleFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

int fail(const std::wstring& text)
{
    MessageBoxW(nullptr, text.c_str(), L"VEXOR Manager", MB_OK | MB_ICONERROR);
    return 1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::wstring here = moduleFolder();
    if (here.empty())
        return fail(L"Não foi possível localizar o simulador.");
    const std::wstring manager = here.substr(0, here.find_last_of(L"\\/")) + L"\\vexor-manager.exe";

    std::wstring path = here;
    const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed > 0) {
        std::wstring old(needed, L'\0');
        old.resize(GetEnvironmentVariableW(L"PATH", old.data(), needed));
        path += L";" + old;
    }
    SetEnvironmentVariableW(L"PATH", path.c_str());

    // The manager's arguments are this program's, after the program name.
    std::wstring commandLine = L"\"" + manager + L"\"";
    const wchar_t* rest = GetCommandLineW();
    for (bool quoted = false; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest)
        if (*rest == L'"')
            quoted = !quoted;
    commandLine += rest;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(manager.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return fail(L"Não foi possível iniciar " + manager + L".");
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(status);
}
