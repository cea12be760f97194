// Starts a program on the X display in $DISPLAY and measures, from just before the process is
// started, when its first dialog window is mapped and when that window is first drawn into,
// then its memory once it has been idle for a while. It watches from outside, through the X
// server, so the measured program needs no hook of its own:
//
//     startup_probe IDLE_MS PROGRAM [ARGUMENT...]
//
// prints one line: map_ms=... paint_ms=... rss_kib=... pss_kib=... cpu_ms=... (the CPU time
// the program used up to the memory reading)
//
// A dialog is a top-level window whose _NET_WM_WINDOW_TYPE is _NET_WM_WINDOW_TYPE_DIALOG (what
// Qt gives a QDialog). "Drawn" is the first DAMAGE event on that window after it is mapped: the
// moment the program's pixels reach the window, not only the moment the window exists.

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long a program may take to show its dialog before the run counts as failed.
constexpr auto giveUpAfter = std::chrono::seconds(60);

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> owned(T* reply)
{
    return Reply<T>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool isDialog(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t typeProperty,
              xcb_atom_t dialogType)
{
    auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, typeProperty, XCB_ATOM_ATOM, 0, 16),
        nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto* types = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (types[i] == dialogType)
            return true;
    }
    return false;
}

// The value in kB of a "Name:   123 kB" line of a /proc file, or -1.
long procField(pid_t pid, const char* file, const std::string& name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") == 0)
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
    }
    return -1;
}

// CPU time the process has used so far, all its threads, in milliseconds; -1 when unknown.
// Less disturbed by other work on the machine than the elapsed time.
double cpuMilliseconds(pid_t pid)
{
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    double total = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long onCpuNs = 0;
        if (!(in >> onCpuNs))
            return -1;
        total += static_cast<double>(onCpuNs) / 1e6;
    }
    return error ? -1 : total;
}

// How a child that ended did so, for the message that says the run failed.
std::string howItEnded(int status)
{
    if (WIFEXITED(status))
        return "with exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return std::string("on signal ") + strsignal(WTERMSIG(status));
    return "";
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void endChild(pid_t child)
{
    kill(child, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IDLE_MS PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const long idleMs = std::strtol(argv[1], nullptr, 10);

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot connect to the X display \"%s\"\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 2;
    }
    const xcb_query_extension_reply_t* damageExtension =
        xcb_get_extension_data(connection, &xcb_damage_id);
    if (!damageExtension || !damageExtension->present) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 2;
    }
    // The server answers nothing about damage until the client has said which version it speaks.
    std::free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                             nullptr));
    const uint8_t damageNotify = damageExtension->first_event + XCB_DAMAGE_NOTIFY;

    const xcb_atom_t typeProperty = atom(connection, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dialogType = atom(connection, "_NET_WM_WINDOW_TYPE_DIALOG");
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    // Without a window manager every top-level window is a child of the root window, so its
    // creation and mapping are reported here.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    std::fflush(nullptr);
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        close(xcb_get_file_descriptor(connection));
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }

    std::set<xcb_window_t> watched;
    std::optional<xcb_window_t> dialog;
    std::optional<double> mapMs;
    std::optional<double> paintMs;
    const int fd = xcb_get_file_descriptor(connection);
    while (!paintMs) {
        if (millisecondsSince(start) >
            std::chrono::duration<double, std::milli>(giveUpAfter).count()) {
            std::fprintf(stderr, "%s showed no dialog in %lld s\n", argv[2],
                         static_cast<long long>(giveUpAfter.count()));
            endChild(child);
            return 1;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "%s ended before it showed a dialog, %s\n", argv[2],
                         howItEnded(status).c_str());
            return 1;
        }
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (!event) {
            if (xcb_connection_has_error(connection)) {
                std::fprintf(stderr, "the X connection was lost\n");
                endChild(child);
                return 1;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(fd, &readable);
            timeval wait{0, 100000};
            select(fd + 1, &readable, nullptr, nullptr, &wait);
            continue;
        }
        const auto stamp = millisecondsSince(start);
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            // Watched from its creation, so that no drawing between the map and our request is
            // missed. Input-only windows refuse and answer with an error, which is ignored.
            xcb_damage_create(connection, xcb_generate_id(connection), created->window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            watched.insert(created->window);
            xcb_flush(connection);
        } else if (type == XCB_MAP_NOTIFY && !dialog) {
            const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (watched.count(mapped->window) &&
                isDialog(connection, mapped->window, typeProperty, dialogType)) {
                dialog = mapped->window;
                mapMs = stamp;
            }
        } else if (type == damageNotify && dialog) {
            const auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            if (damaged->drawable == *dialog)
                paintMs = stamp;
        }
        std::free(event);
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
        std::fprintf(stderr, "%s ended while idle, %s\n", argv[2], howItEnded(status).c_str());
        return 1;
    }
    const long rss = procField(child, "status", "VmRSS");
    const long pss = procField(child, "smaps_rollup", "Pss");
    const double cpuMs = cpuMilliseconds(child);
    endChild(child);
    xcb_disconnect(connection);
    std::printf("map_ms=%.1f paint_ms=%.1f rss_kib=%ld pss_kib=%ld cpu_ms=%.1f\n", *mapMs, *paintMs,
                rss, pss, cpuMs);
    return 0;
}
