#include "SoftwareUpdate.h"
#include "AppContext.h"
#include "Recorders.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class SoftwareUpdateTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(context.setActivationCode("12345678")); }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    RecordedProgress progress;
    RecordedTicks ticks;
    SoftwareUpdate update{client, progress, ticks};
};

struct OutcomeCase {
    const char* name;
    std::int32_t code;
    std::string msg;
    std::string shown;
    Outcome::Kind kind;
};

class SoftwareUpdateOutcomes : public SoftwareUpdateTest,
                               public testing::WithParamInterface<OutcomeCase> {};

TEST_P(SoftwareUpdateOutcomes, EndWithTheReportThenTheTickOffAndAFullBar)
{
    device.script("AtualizarSoftwareSAT", {"ignorado", GetParam().code, GetParam().msg});
    progress.setProgress(37);
    ASSERT_TRUE(update.begin());
    const Outcome outcome = update.update();
    update.reporting();
    // While the box is open the bar is where the ticks took it and the tick still runs.
    EXPECT_EQ(progress.value, 0);
    EXPECT_TRUE(ticks.on);
    update.finish();

    EXPECT_EQ(device.functions(), (std::vector<std::string>{"AtualizarSoftwareSAT", "CodigoErro"}));
    EXPECT_EQ(device.calls()[0].args, (std::vector<std::optional<std::string>>{"12", "12345678"}));
    EXPECT_EQ(outcome.messages, std::vector<std::string>{GetParam().shown});
    EXPECT_EQ(outcome.kind, GetParam().kind);
    EXPECT_EQ(progress.values, (std::vector<int>{37, 0, 100}));
    EXPECT_EQ(ticks.switches, (std::vector<bool>{true, false}));
    EXPECT_EQ(update.state(), SoftwareUpdate::State::Done);
}

INSTANTIATE_TEST_SUITE_P(
    SoftwareUpdate, SoftwareUpdateOutcomes,
    testing::Values(OutcomeCase{"updated", 14000, "Software atualizado com sucesso",
                                SatClient::detailText("Software atualizado com sucesso"),
                                Outcome::Kind::Done},
                    OutcomeCase{"deviceCode", 14002, "Erro na atualização",
                                SatClient::detailText("Erro na atualização"),
                                Outcome::Kind::Refused},
                    OutcomeCase{"notConnected", 1, "x", "   Porta de comunicação não conectada.   ",
                                Outcome::Kind::Transport},
                    OutcomeCase{"timeout", 0x8000, "x",
                                "   TimeOut: Equipamento não está respondendo as mensagens.",
                                Outcome::Kind::Transport}),
    CaseName());

TEST_F(SoftwareUpdateTest, TicksMoveTheBarWhileTheMessageIsOpenAndItJumpsToFullAfter)
{
    ASSERT_TRUE(update.begin());
    update.update();
    update.reporting();
    EXPECT_EQ(update.state(), SoftwareUpdate::State::Reporting);
    for (int i = 0; i < 3; ++i)
        update.tick();
    update.finish();
    EXPECT_EQ(progress.values, (std::vector<int>{0, 1, 2, 3, 100}));
    EXPECT_FALSE(ticks.on);
}

// The bar before a tick, and after it.
class SoftwareUpdateTicks : public SoftwareUpdateTest,
                            public testing::WithParamInterface<Row<int>> {};

TEST_P(SoftwareUpdateTicks, AddOneAndNeverPassTheMaximum)
{
    update.begin();
    progress.setProgress(GetParam().input);
    update.tick();
    EXPECT_EQ(progress.value, GetParam().expected);
}

INSTANTIATE_TABLE(SoftwareUpdate, SoftwareUpdateTicks, {"fromZero", 0, 1}, {"middle", 41, 42},
                  {"toFull", 99, 100}, {"atFull", 100, 100});

TEST_F(SoftwareUpdateTest, ATickAfterTheTimerWasSwitchedOffChangesNothing)
{
    update.tick();
    EXPECT_TRUE(progress.values.empty());
    update.start();
    update.tick();
    EXPECT_EQ(progress.value, 100);
    EXPECT_EQ(progress.values.size(), 2u);
}

TEST_F(SoftwareUpdateTest, ASecondUpdateStartsTheBarAgainFromZero)
{
    update.start();
    update.start();
    EXPECT_EQ(progress.values, (std::vector<int>{0, 100, 0, 100}));
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"AtualizarSoftwareSAT", "CodigoErro",
                                                            "AtualizarSoftwareSAT", "CodigoErro"}));
}

TEST_F(SoftwareUpdateTest, OpeningFromTheTileEmptiesTheBarUnlessAnUpdateIsUnderWay)
{
    update.start();
    update.opened();
    EXPECT_EQ(progress.value, 0);
    EXPECT_EQ(update.state(), SoftwareUpdate::State::Idle);

    ASSERT_TRUE(update.begin());
    update.tick();
    update.opened();
    EXPECT_EQ(progress.value, 1);
    EXPECT_EQ(update.state(), SoftwareUpdate::State::Updating);
}

TEST_F(SoftwareUpdateTest, AnUpdateCannotBeginWhileOneIsUnderWay)
{
    ASSERT_TRUE(update.begin());
    update.tick();
    EXPECT_FALSE(update.begin());
    EXPECT_FALSE(update.start());
    EXPECT_EQ(progress.value, 1);
    EXPECT_EQ(ticks.switches, std::vector<bool>{true});
}

TEST_F(SoftwareUpdateTest, AMissingLibraryIsToldAndStillEndsWithAFullBar)
{
    AppContext empty;
    SatClient absent{empty, "vexor-no-such-library"};
    SoftwareUpdate broken{absent, progress, ticks};
    const std::optional<Outcome> outcome = broken.start();
    ASSERT_TRUE(outcome);
    ASSERT_EQ(outcome->messages.size(), 1u);
    EXPECT_NE(outcome->messages[0].find("vexor-no-such-library"), std::string::npos);
    EXPECT_EQ(progress.value, 100);
    EXPECT_FALSE(ticks.on);
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(SoftwareUpdateTest, ASlowUpdateOnAWorkerLetsTheBarMoveUntilTheReport)
{
    constexpr int delayMs = 300;
    device.script("AtualizarSoftwareSAT", {"", 0, "Software atualizado"});
    device.delayNext("AtualizarSoftwareSAT", delayMs);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(update.begin());
    EXPECT_EQ(update.state(), SoftwareUpdate::State::Updating);
    std::atomic<bool> finished{false};
    Outcome outcome;
    std::thread worker([&] {
        outcome = update.update();
        finished = true;
    });
    // The screen's thread stays free: its timer ticks while the device works.
    bool sawWaitingCall = false;
    while (!finished) {
        sawWaitingCall = sawWaitingCall || device.waitingCalls() == 1;
        update.tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(delayMs));
    EXPECT_TRUE(sawWaitingCall);
    EXPECT_GT(progress.value, 0);
    EXPECT_LT(progress.value, 100);

    update.reporting();
    update.finish();
    EXPECT_EQ(outcome.messages,
              std::vector<std::string>{SatClient::detailText("Software atualizado")});
    EXPECT_EQ(progress.value, 100);
    EXPECT_FALSE(ticks.on);
    EXPECT_EQ(update.state(), SoftwareUpdate::State::Done);
}

} // namespace
