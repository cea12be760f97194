#include "AppContext.h"
#include "SatClient.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

class SlowDevice : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(context.setActivationCode("12345678")); }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
};

TEST_F(SlowDevice, ADelayedCallOnAWorkerLeavesTheCallingThreadRunning)
{
    constexpr int delayMs = 300;
    device.script("AtualizarSoftwareSAT", {"000012|15000|Atualizado|||"});
    device.delayNext("AtualizarSoftwareSAT", delayMs);

    std::atomic<bool> finished{false};
    SatResponse answer;
    const auto started = Clock::now();
    std::thread worker([&] {
        answer = client.AtualizarSoftwareSAT();
        finished = true;
    });
    // This thread goes on working while the device keeps the worker waiting.
    int rounds = 0;
    bool sawWaitingCall = false;
    while (!finished) {
        sawWaitingCall = sawWaitingCall || device.waitingCalls() == 1;
        ++rounds;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    const auto elapsed = Clock::now() - started;

    EXPECT_TRUE(sawWaitingCall);
    EXPECT_GE(rounds, 10);
    EXPECT_GE(elapsed, std::chrono::milliseconds(delayMs));
    EXPECT_EQ(answer.text(), "000012|15000|Atualizado|||");
    EXPECT_EQ(device.waitingCalls(), 0);
    ASSERT_EQ(device.calls().size(), 1u);
    EXPECT_EQ(device.calls()[0].args, (std::vector<std::optional<std::string>>{"12", "12345678"}));
}

// A call from another thread while the device is busy (a screen reader can press a button
// that the blocked input would not reach) is refused without reaching the library.
TEST_F(SlowDevice, ACallWhileAnotherThreadsCallRunsIsRefusedAndNotSent)
{
    device.script("AtualizarSoftwareSAT", {"000012|14000|Atualizado|||"});
    device.delayNext("AtualizarSoftwareSAT", 400);
    SatResponse update;
    std::thread worker([&] { update = client.AtualizarSoftwareSAT(); });
    while (device.waitingCalls() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));

    const SatResponse refused = client.BloquearSAT();
    worker.join();

    EXPECT_FALSE(refused.reached());
    EXPECT_EQ(refused.failure(), SatClient::busyMessage);
    EXPECT_EQ(update.text(), "000012|14000|Atualizado|||");
    EXPECT_EQ(device.functions(), std::vector<std::string>{"AtualizarSoftwareSAT"});
    // Once the device is free the same call goes through.
    EXPECT_TRUE(client.BloquearSAT().reached());
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"AtualizarSoftwareSAT", "BloquearSAT"}));
}

TEST_F(SlowDevice, TheDelayHoldsForTheNextCallOfThatFunctionOnly)
{
    device.delayNext("ConsultarSAT", 200);

    auto timed = [](auto call) {
        const auto started = Clock::now();
        call();
        return Clock::now() - started;
    };
    // Another function is not delayed, nor is the second call of the delayed one.
    EXPECT_LT(timed([&] { client.BloquearSAT(); }), std::chrono::milliseconds(150));
    EXPECT_GE(timed([&] { client.ConsultarSAT(); }), std::chrono::milliseconds(200));
    EXPECT_LT(timed([&] { client.ConsultarSAT(); }), std::chrono::milliseconds(150));
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"BloquearSAT", "ConsultarSAT", "ConsultarSAT"}));
}

TEST_F(SlowDevice, ResetForgetsAPendingDelay)
{
    device.delayNext("ConsultarSAT", 2000);
    device.reset();
    const auto started = Clock::now();
    client.ConsultarSAT();
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(1500));
}

} // namespace
