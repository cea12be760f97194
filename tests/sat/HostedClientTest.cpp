// A device library of the other width, met by this program: SatClient starts the host of that
// width, and the library gets the bytes, and the operator the texts, that a library loaded in
// the program itself would give.

#include "AppContext.h"
#include "Programs.h"
#include "SatClient.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#if !defined(_WIN32)
#include <csignal>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

#if defined(VEXOR_HOST32_BUILD)
const fs::path otherWidth = VEXOR_HOST32_BUILD;
#else
const fs::path otherWidth;
#endif
const fs::path host = otherWidth / "bin" / "vexor-host32";
const fs::path library = otherWidth / "bin" / "testdevice" / "libdllsat.so";

std::string hex(std::string_view bytes)
{
    std::string out;
    char digits[3];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
        out += digits;
    }
    return out;
}

// The answer both libraries give, in the device's code page.
const TestDevice::Answer answer{"000012|04000|Ativa\xE7\xE3o feita|", 4321, "Mensagem \xE7"};

struct Exchange {
    std::string result;
    std::int32_t code;
    std::string msg;
    bool operator==(const Exchange&) const = default;
};

using Calls = std::function<std::vector<Exchange>(SatClient&)>;

// Every function, with texts that change in the device's code page.
std::vector<Exchange> everyFunction(SatClient& c)
{
    std::vector<Exchange> seen;
    auto keep = [&](const SatResponse& response) {
        const SatClient::Error error = c.lastError();
        seen.push_back({response.text(), error.code, error.msg});
    };
    keep(c.AtivarSAT(1, "açãoç123", "48213907000165", 35));
    keep(c.AssociarAssinatura("48213907000165", "SGR-SAT ç"));
    keep(c.ConfigurarInterfaceDeRede("<config>\xE7</config>"));
    keep(c.ConsultarStatusOperacional());
    keep(c.ExtrairLogs());
    keep(c.EnviarDadosVenda("<CFe>\xE7</CFe>"));
    keep(c.CancelarUltimaVenda("CFe0123", "<CFeCanc/>"));
    keep(c.TesteFimAFim("<CFe/>"));
    keep(c.ConsultarSAT());
    keep(c.BloquearSAT());
    keep(c.DesbloquearSAT());
    keep(c.TrocarCodigoDeAtivacao("código", 2, "novo código", "novo código"));
    keep(c.AtualizarSoftwareSAT());
    keep(c.decodedPayload());
    return seen;
}

class HostedClient : public testing::Test {
protected:
    void SetUp() override
    {
        if (sizeof(void*) != 8 || !fs::exists(host) || !fs::exists(library) ||
            !fs::exists(library.parent_path() / "libdllsat_other_convention.so"))
            GTEST_SKIP() << "no 32-bit host and test device (cmake --build --preset linux32)";
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        log = fs::temp_directory_path() / ("vexor-hosted-" + name);
        fs::remove(log);
    }
    void TearDown() override
    {
        for (const char* name :
             {"VEXOR_TESTDEVICE_LOG", "VEXOR_TESTDEVICE_RESULT", "VEXOR_TESTDEVICE_CODE",
              "VEXOR_TESTDEVICE_MESSAGE", "VEXOR_TESTDEVICE_CRASH_IN"})
            programs::setVariable(name, nullptr);
        fs::remove(log);
    }
    // The calls the host's library received, as the test device records them.
    std::vector<TestDevice::Call> hostedCalls() const
    {
        std::vector<TestDevice::Call> calls;
        std::ifstream in(log);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            TestDevice::Call call;
            words >> call.function;
            std::string arg;
            while (words >> arg)
                call.args.push_back(arg == "-" ? std::nullopt : std::optional(arg));
            calls.push_back(std::move(call));
        }
        return calls;
    }
    SatClient hosted(const fs::path& file = library)
    {
        programs::setVariable("VEXOR_TESTDEVICE_LOG", log.string().c_str());
        programs::setVariable("VEXOR_TESTDEVICE_RESULT", hex(*answer.result).c_str());
        programs::setVariable("VEXOR_TESTDEVICE_CODE", std::to_string(answer.code).c_str());
        programs::setVariable("VEXOR_TESTDEVICE_MESSAGE", hex(answer.msg).c_str());
        return SatClient(hostedContext, file.string(), host.string());
    }

    fs::path log;
    AppContext context;
    AppContext hostedContext;
};

// The same library in each of the two conventions of 32-bit libraries.
class EveryHostedFunction : public HostedClient, public testing::WithParamInterface<const char*> {};

TEST_P(EveryHostedFunction, GetsTheSameBytesAndGivesTheSameAnswer)
{
    TestDevice device{std::string(SatClient::librarySAT)};
    device.setFallback(answer);
    ASSERT_TRUE(context.setActivationCode("código 1"));
    SatClient here(context);
    const std::vector<Exchange> inProcess = everyFunction(here);

    ASSERT_TRUE(hostedContext.setActivationCode("código 1"));
    SatClient there = hosted(library.parent_path() / GetParam());
    const std::vector<Exchange> throughHost = everyFunction(there);
    EXPECT_TRUE(there.libraryLoaded());
    EXPECT_EQ(hostedContext.hDLLSat, nullptr) << "the library is the host's";

    EXPECT_EQ(throughHost, inProcess);
    ASSERT_EQ(inProcess.front().result, *answer.result);
    std::vector<TestDevice::Call> expected = device.calls();
    for (TestDevice::Call& call : expected)
        for (auto& arg : call.args)
            arg = arg ? std::optional(hex(*arg)) : std::nullopt;
    const std::vector<TestDevice::Call> received = hostedCalls();
    ASSERT_EQ(received.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(received[i].function, expected[i].function) << i;
        EXPECT_EQ(received[i].args, expected[i].args) << expected[i].function;
    }
}

INSTANTIATE_TEST_SUITE_P(HostedClient, EveryHostedFunction,
                         testing::Values("libdllsat.so", "libdllsat_other_convention.so"),
                         [](const testing::TestParamInfo<const char*>& row) {
                             return std::string(row.index == 0 ? "ownConvention"
                                                               : "otherConvention");
                         });

TEST_F(HostedClient, ALibraryThatStopsInACallIsToldByNameAndTheNextCallWorks)
{
    programs::setVariable("VEXOR_TESTDEVICE_CRASH_IN", "ConsultarSAT");
    SatClient client = hosted();
    const SatResponse crashed = client.ConsultarSAT();
    EXPECT_FALSE(crashed.reached());
    EXPECT_EQ(crashed.failure(), "A biblioteca do SAT parou durante ConsultarSAT e não respondeu.\n"
                                 "A próxima operação carrega a biblioteca de novo.");
    programs::setVariable("VEXOR_TESTDEVICE_CRASH_IN", nullptr);
    const SatResponse next = client.ConsultarStatusOperacional();
    ASSERT_TRUE(next.reached()) << next.failure();
    EXPECT_EQ(next.text(), *answer.result);
    EXPECT_EQ(client.lastError().code, answer.code);
}

#if !defined(_WIN32)
// The hosts this test program started, by their process numbers.
std::vector<int> childHosts()
{
    std::vector<int> hosts;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        int pid = 0, parent = 0;
        std::string name, state;
        if (stat >> pid >> name >> state >> parent && parent == getpid() &&
            name == "(vexor-host32)")
            hosts.push_back(pid);
    }
    return hosts;
}

TEST_F(HostedClient, AHostThatEndedBetweenTwoCallsIsReplacedUnseen)
{
    SatClient client = hosted();
    ASSERT_TRUE(client.ConsultarSAT().reached());
    const std::vector<int> hosts = childHosts();
    ASSERT_EQ(hosts.size(), 1u);
    kill(hosts[0], SIGKILL);
    for (int tries = 0; tries < 100 && fs::exists("/proc/" + std::to_string(hosts[0]) + "/exe");
         ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const SatResponse next = client.ConsultarStatusOperacional();
    ASSERT_TRUE(next.reached()) << next.failure();
    EXPECT_EQ(next.text(), *answer.result);
    EXPECT_EQ(childHosts().size(), 1u);
}
#endif

TEST_F(HostedClient, AFunctionTheLibraryLacksIsToldAsInTheProgramItself)
{
    const fs::path partial = otherWidth / "bin" / "testdevice" / "libdllsat_status_only.so";
    SatClient client(hostedContext, partial.string(), host.string());
    const SatResponse missing = client.ConsultarSAT();
    EXPECT_EQ(missing.failure(), "A função \"ConsultarSAT\" não foi encontrada na biblioteca do "
                                 "SAT \"" +
                                     partial.string() + "\".");
    EXPECT_TRUE(client.ConsultarStatusOperacional().reached());
}

TEST_F(HostedClient, WithoutItsHostALibraryOfTheOtherWidthIsStillTold)
{
    SatClient client(hostedContext, library.string(), (otherWidth / "absent-host").string());
    const SatResponse refused = client.ConsultarSAT();
    EXPECT_FALSE(refused.reached());
    EXPECT_NE(refused.failure().find("não é de 64 bits, como este programa"), std::string::npos)
        << refused.failure();
    EXPECT_FALSE(client.libraryLoaded());
}

} // namespace
