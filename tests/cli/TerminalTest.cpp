#include "Terminal.h"

#include "Access.h"
#include "Programs.h"
#include "Table.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <thread>
#endif

namespace {

using TerminalVisible = TableTest<std::string>;

TEST_P(TerminalVisible, escapesControlsAndKeepsLineBreaks) {
    EXPECT_EQ(terminal::visible(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(
    Texts, TerminalVisible, {"windowTitle", "\x1b]0;pwned\x07ok", "\\x1b]0;pwned\\x07ok"},
    {"clearScreen", "\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},
    {"lineBreaksStay", "a\nb\r\nc\td", "a\nb\r\nc\td"},
    {"loneCarriageReturn", "total\rfalso", "total\\x0dfalso"},
    {"carriageReturnAtTheEnd", "a\r", "a\\x0d"},
    {"zeroAndBell", std::string("a\0b\x07", 4), "a\\x00b\\x07"}, {"delete", "a\x7f", "a\\x7f"},
    {"c1Controls",
     "\xC2\x80\xC2\x9B"
     "2J\xC2\x9F",
     "\\u0080\\u009b2J\\u009f"},
    {"noBreakSpaceIsNoControl",
     "a\xC2\xA0"
     "b",
     "a\xC2\xA0"
     "b"},
    {"accentedTextStays", "Código de ativação inválido", "Código de ativação inválido"},
    {"strayC1ByteIsReplaced",
     "a\x9b"
     "2Jb",
     "a\xEF\xBF\xBD"
     "2Jb"},
    {"backslashStays", "C:\\x1b", "C:\\x1b"});

#if defined(__linux__)

// The real program on a pseudo-terminal: a signal at the code prompt must leave the terminal
// echoing, or the shell that started vexor stays blind.
struct PromptCase {
    const char* name;
    int signal; // 0: the code is typed and the line ended
    bool typed; // the signal comes from a key typed at the terminal
};

class TerminalPrompt : public ::testing::TestWithParam<PromptCase> {
protected:
    void TearDown() override {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        for (const int fd : {master, slave})
            if (fd >= 0)
                close(fd);
    }

    // Reads what vexor writes to the terminal until it holds the text, or 10 s have gone.
    bool waitForOutput(const std::string& text) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (shown.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0)
                continue;
            char buffer[256];
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0)
                return false;
            shown.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

    bool echoing() const {
        termios now{};
        return tcgetattr(slave, &now) == 0 && (now.c_lflag & ECHO) != 0;
    }

    int master = -1;
    int slave = -1;
    pid_t child = -1;
    std::string shown;
};

TEST_P(TerminalPrompt, leavesTheTerminalEchoing) {
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(echoing());
    const std::string program = (programs::programFolder().parent_path() / "vexor").string();
    // Made before fork: the child may only make async-signal-safe calls before exec.
    std::vector<std::string> texts{program, "block", "LC_ALL=C", "PATH=/usr/bin:/bin"};
    char* const argv[] = {texts[0].data(), texts[1].data(), nullptr};
    char* const envp[] = {texts[2].data(), texts[3].data(), nullptr};
    child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(master);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore); // SIGQUIT would leave a core file behind
        if (login_tty(slave) != 0)
            _exit(126);
        execve(argv[0], argv, envp);
        _exit(127);
    }

    ASSERT_TRUE(waitForOutput(std::string(AccessConfirmation::codeCaption) + ": ")) << shown;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (echoing() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(echoing()) << "the code is read without echo";

    const PromptCase& c = GetParam();
    if (c.signal == 0)
        ASSERT_EQ(write(master, "1234\n", 5), 5);
    else if (c.typed)
        ASSERT_EQ(write(master, "\x03", 1), 1); // Ctrl+C
    else
        ASSERT_EQ(kill(child, c.signal), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    child = -1;
    if (c.signal == 0) {
        EXPECT_TRUE(WIFEXITED(status));
    } else {
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);
    }
    EXPECT_TRUE(echoing());
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalPrompt,
                         ::testing::Values(PromptCase{"ctrlC", SIGINT, true},
                                           PromptCase{"interrupt", SIGINT, false},
                                           PromptCase{"termination", SIGTERM, false},
                                           PromptCase{"hangUp", SIGHUP, false},
                                           PromptCase{"quit", SIGQUIT, false},
                                           PromptCase{"codeTyped", 0, false}),
                         [](const auto& p) { return std::string(p.param.name); });

#endif

} // namespace
