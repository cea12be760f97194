#include "HostLink.h"

#include "CodePage.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#if defined(_WIN32)

struct HostLink::Process {
    HANDLE process = nullptr;
    HANDLE toHost = nullptr;
    HANDLE fromHost = nullptr;

    ~Process()
    {
        // Its input closed, a host ends by itself; one that hangs in the library is ended.
        if (toHost)
            CloseHandle(toHost);
        if (process && WaitForSingleObject(process, 2000) == WAIT_TIMEOUT)
            TerminateProcess(process, 1);
        for (HANDLE handle : {fromHost, process})
            if (handle)
                CloseHandle(handle);
    }
    bool write(const std::string& bytes)
    {
        DWORD wrote = 0;
        for (std::size_t done = 0; done < bytes.size(); done += wrote) {
            if (!WriteFile(toHost, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                           &wrote, nullptr) ||
                wrote == 0)
                return false;
        }
        return true;
    }
    bool ended() const { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }
    long read(char* buffer, std::size_t size)
    {
        DWORD got = 0;
        if (!ReadFile(fromHost, buffer, static_cast<DWORD>(size), &got, nullptr))
            return -1;
        return static_cast<long>(got);
    }
};

std::string HostLink::besideThisProgram(const std::string& name)
{
    std::wstring path(32768, L'\0');
    const DWORD size = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(size);
    const std::size_t slash = path.find_last_of(L"\\/");
    if (size == 0 || slash == std::wstring::npos)
        return {};
    return codepage::utf8FromWide(path.substr(0, slash + 1)) + name;
}

std::unique_ptr<HostLink> HostLink::start(const std::string& program, std::string& failure)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    auto process = std::make_unique<Process>();
    if (!CreatePipe(&childIn, &process->toHost, &inherit, 0) ||
        !CreatePipe(&process->fromHost, &childOut, &inherit, 0)) {
        failure = "Não foi possível criar os canais do processo \"" + program + "\".";
        return nullptr;
    }
    // Only the host's own ends go to it.
    SetHandleInformation(process->toHost, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(process->fromHost, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + codepage::wideFromUtf8(program) + L"\"";
    const BOOL started =
        CreateProcessW(codepage::wideFromUtf8(program).c_str(), command.data(), nullptr, nullptr,
                       TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    const DWORD error = GetLastError();
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!started) {
        failure =
            "Não foi possível iniciar \"" + program + "\" (erro " + std::to_string(error) + ").";
        return nullptr;
    }
    CloseHandle(info.hThread);
    process->process = info.hProcess;
    return std::unique_ptr<HostLink>(new HostLink(std::move(process)));
}

#else

struct HostLink::Process {
    pid_t pid = -1;
    int toHost = -1;
    int fromHost = -1;

    ~Process()
    {
        // Its input closed, a host ends by itself; one that hangs in the library is ended.
        if (toHost >= 0)
            close(toHost);
        if (fromHost >= 0)
            close(fromHost);
        if (pid <= 0)
            return;
        for (int tries = 0; tries < 200; ++tries) {
            if (waitpid(pid, nullptr, WNOHANG) != 0)
                return;
            usleep(10000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    bool write(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = ::write(toHost, bytes.data() + done, bytes.size() - done);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return false;
            done += static_cast<std::size_t>(wrote);
        }
        return true;
    }
    bool ended()
    {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == pid)
            pid = -1; // reaped: never waited for or killed again
        return pid <= 0;
    }
    long read(char* buffer, std::size_t size)
    {
        for (;;) {
            const ssize_t got = ::read(fromHost, buffer, size);
            if (got < 0 && errno == EINTR)
                continue;
            return static_cast<long>(got);
        }
    }
};

std::string HostLink::besideThisProgram(const std::string& name)
{
    std::string path(4096, '\0');
    const ssize_t size = readlink("/proc/self/exe", path.data(), path.size());
    if (size <= 0)
        return {};
    path.resize(static_cast<std::size_t>(size));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1) + name;
}

std::unique_ptr<HostLink> HostLink::start(const std::string& program, std::string& failure)
{
    // A host that has ended must not end the manager when the next request is written.
    std::signal(SIGPIPE, SIG_IGN);
    int toHost[2], fromHost[2];
    if (pipe2(toHost, O_CLOEXEC) != 0) {
        failure = "Não foi possível criar os canais do processo \"" + program + "\".";
        return nullptr;
    }
    if (pipe2(fromHost, O_CLOEXEC) != 0) {
        close(toHost[0]);
        close(toHost[1]);
        failure = "Não foi possível criar os canais do processo \"" + program + "\".";
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toHost[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromHost[1], 1);
    auto process = std::make_unique<Process>();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const int error = posix_spawn(&process->pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toHost[0]);
    close(fromHost[1]);
    process->toHost = toHost[1];
    process->fromHost = fromHost[0];
    if (error != 0) {
        process->pid = -1;
        failure = "Não foi possível iniciar \"" + program + "\": " + std::strerror(error) + ".";
        return nullptr;
    }
    return std::unique_ptr<HostLink>(new HostLink(std::move(process)));
}

#endif

HostLink::HostLink(std::unique_ptr<Process> process) : process_(std::move(process)) {}

HostLink::~HostLink() = default;

bool HostLink::alive()
{
    if (alive_ && process_->ended())
        alive_ = false;
    return alive_;
}

std::optional<hostwire::Reply> HostLink::exchange(const hostwire::Request& request)
{
    if (!alive_)
        return std::nullopt;
    if (process_->write(hostwire::frame(request))) {
        char buffer[65536];
        for (;;) {
            if (auto body = reader_.next()) {
                if (auto reply = hostwire::readReply(*body))
                    return reply;
                break;
            }
            if (reader_.broken())
                break;
            const long got = process_->read(buffer, sizeof buffer);
            if (got <= 0)
                break;
            reader_.add(std::string_view(buffer, static_cast<std::size_t>(got)));
        }
    }
    alive_ = false;
    return std::nullopt;
}
