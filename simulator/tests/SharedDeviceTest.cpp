// One simulated device shared as a real one is: by two programs on the same state file (a point
// of sale and the manager, satsim), and by two threads of one program.

#include "PointOfSale.h"

#include "Table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::string sixDigits(int number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06d", number);
    return text;
}

// The probe, started with its output in a file; killed if the test ends first.
class OtherProgram {
public:
    OtherProgram(const std::vector<std::string>& args, fs::path output) : output_(std::move(output))
    {
        std::vector<char*> argv;
        std::vector<std::string> words{SHARED_DEVICE_PROBE};
        words.insert(words.end(), args.begin(), args.end());
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~OtherProgram()
    {
        if (pid_ > 0)
            kill();
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    bool started() const { return pid_ > 0; }
    std::string output() const { return readAll(output_); }

    // Its exit status, or -1 when it did not exit by itself.
    int wait()
    {
        int status = 0;
        if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Ends it as a crash would: no chance to let anything go by itself.
    void kill()
    {
        ::kill(pid_, SIGKILL);
        wait();
    }
    // Waits until it has printed the text.
    bool says(const std::string& text) const
    {
        for (int tries = 0; tries < 1000; ++tries) {
            if (output().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    fs::path output_;
    pid_t pid_ = -1;
};

class SharedDevice : public PointOfSale {
public:
    std::string consultarSAT(int session) { return get<ConsultarSATFn>("ConsultarSAT")(session); }
    std::string extrairLogs(int session)
    {
        return get<ExtrairLogsFn>("ExtrairLogs")(session, codeText.data());
    }
    COMM_ERROR codigoErro() const { return get<CodigoErroFn>("CodigoErro")(); }
    Run runSatsim(const std::vector<std::string>& args) { return satsim(args); }
};

TEST_F(SharedDevice, TwoProgramsSellingOnOneStateFileIssueEachNumberOnceAndLogEverySale)
{
    activate();
    associate();
    constexpr int each = 40;
    const std::string saleFile = (fs::path(SIMULATOR_SAMPLES) / "venda.xml").string();
    const std::vector<std::string> args{"sell", statePath().string(), std::to_string(each),
                                        saleFile, demo::code};
    OtherProgram first(args, folder() / "first.out");
    OtherProgram second(args, folder() / "second.out");
    ASSERT_TRUE(first.started() && second.started());
    ASSERT_EQ(first.wait(), 0) << first.output();
    ASSERT_EQ(second.wait(), 0) << second.output();

    // The key holds the CF-e number: "CFe", then 31 digits, then the six of the number.
    std::vector<std::string> numbers;
    for (const OtherProgram* program : {&first, &second}) {
        const std::vector<std::string> keys = linesOf(program->output());
        EXPECT_EQ(keys.size(), static_cast<std::size_t>(each));
        for (const std::string& key : keys)
            numbers.push_back(key.substr(3 + 31, 6));
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> expected;
    for (int number = 1; number <= 2 * each; ++number)
        expected.push_back(sixDigits(number));
    EXPECT_EQ(numbers, expected);

    client.ExtrairLogs();
    ASSERT_EQ(error().code, 15000);
    const std::string log = client.decodedPayload().text();
    // Each sale's command and its issue, with the number it was given.
    std::size_t received = 0;
    std::vector<std::string> issued;
    const std::string issue = "CF-e ";
    for (const std::string& line : linesOf(log)) {
        received += line.find("Comando EnviarDadosVenda recebido") != std::string::npos;
        const std::size_t at = line.find(issue);
        if (at != std::string::npos && line.find(" emitido", at) == at + issue.size() + 6)
            issued.push_back(line.substr(at + issue.size(), 6));
    }
    EXPECT_EQ(received, static_cast<std::size_t>(2 * each)) << log;
    std::sort(issued.begin(), issued.end());
    EXPECT_EQ(issued, expected);
}

// What waits while another program holds the state's lock, and what it gives once the lock is
// free.
using Waiting = Row<std::function<std::string(SharedDevice&)>, std::string>;

class LockHeldByAnotherProgram : public SharedDevice,
                                 public testing::WithParamInterface<Waiting> {};

TEST_P(LockHeldByAnotherProgram, MakesTheChangeWaitAndIsFreedWhenThatProgramDies)
{
    OtherProgram holder({"hold", statePath().string()}, folder() / "holder.out");
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.says("held")) << holder.output();

    auto waiting = std::async(std::launch::async, [this] { return GetParam().input(*this); });
    EXPECT_EQ(waiting.wait_for(500ms), std::future_status::timeout) << "it did not wait";
    holder.kill();
    ASSERT_EQ(waiting.wait_for(30s), std::future_status::ready) << "the dead holder wedged it";
    EXPECT_NE(waiting.get().find(GetParam().expected), std::string::npos);
}

INSTANTIATE_TABLE(Simulator, LockHeldByAnotherProgram,
                  {"deviceCall", [](SharedDevice& device) { return device.consultarSAT(31); },
                   "000031|08000|"},
                  {"satsimCommand",
                   [](SharedDevice& device) {
                       return device.runSatsim({"set", "lock", "2"}).out;
                   },
                   "Bloqueio: 2 Bloqueio Contribuinte\n"});

// A main call of each kind: a short answer without a document, a long one with the log.
struct ThreadCall {
    std::function<std::string(SharedDevice&, int session)> call;
    int code;
};

const ThreadCall statusCall{[](SharedDevice& device, int s) { return device.consultarSAT(s); },
                            8000};
const ThreadCall logCall{[](SharedDevice& device, int s) { return device.extrairLogs(s); }, 15000};

struct ThreadCase {
    const char* name;
    ThreadCall mine;
    ThreadCall other;
};

class AnswerOfAThread : public SharedDevice, public testing::WithParamInterface<ThreadCase> {};

// The pointer a call returns, the error record and the decoded document stay the calling
// thread's until that thread calls again, whatever other threads call meanwhile.
TEST_P(AnswerOfAThread, StaysItsOwnWhileAnotherThreadCalls)
{
    activate();
    char* mine = nullptr;
    if (GetParam().mine.code == 8000)
        mine = get<ConsultarSATFn>("ConsultarSAT")(11);
    else
        mine = get<ExtrairLogsFn>("ExtrairLogs")(11, codeText.data());
    const std::string text = mine;
    const COMM_ERROR record = codigoErro();
    const std::string document = decoded();

    std::string otherText;
    COMM_ERROR otherRecord{};
    std::thread([&] {
        otherText = GetParam().other.call(*this, 22);
        otherRecord = codigoErro();
    }).join();

    EXPECT_EQ(std::string(mine), text);
    EXPECT_EQ(codigoErro().code, GetParam().mine.code);
    EXPECT_EQ(std::string(codigoErro().msg), std::string(record.msg));
    EXPECT_EQ(decoded(), document);
    EXPECT_EQ(otherText.substr(0, 7), "000022|");
    EXPECT_EQ(otherRecord.code, GetParam().other.code);
}

INSTANTIATE_TEST_SUITE_P(Simulator, AnswerOfAThread,
                         testing::Values(ThreadCase{"shortThenLong", statusCall, logCall},
                                         ThreadCase{"longThenShort", logCall, statusCall}),
                         CaseName());

// Run under ThreadSanitizer or Helgrind as well: two threads calling at the same time.
TEST_F(SharedDevice, TwoThreadsCallingAtOnceNeverGetEachOthersAnswers)
{
    activate();
    constexpr int calls = 300;
    std::atomic<int> ready{0};
    auto caller = [&](const ThreadCall& kind, int firstSession, bool withDocument) {
        ++ready;
        while (ready < 2)
            std::this_thread::yield();
        int mixed = 0;
        for (int session = firstSession; session < firstSession + calls; ++session) {
            const std::string text = kind.call(*this, session);
            const COMM_ERROR record = codigoErro();
            const std::string document = decoded();
            mixed += text.rfind(sixDigits(session) + "|", 0) != 0 || record.code != kind.code ||
                     document.empty() == withDocument;
        }
        return mixed;
    };
    auto status = std::async(std::launch::async, caller, statusCall, 1000, false);
    auto logs = std::async(std::launch::async, caller, logCall, 5000, true);
    EXPECT_EQ(status.get(), 0);
    EXPECT_EQ(logs.get(), 0);
}

} // namespace
