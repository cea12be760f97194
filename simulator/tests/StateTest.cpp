#include "DeviceState.h"
#include "StateStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(DeviceState, EveryValueSurvivesTheFile) {
    satsim::DeviceState s = satsim::factoryState(1735787045);
    s.activated = true;
    s.activationCode = "c\xF3"
                       "d=\\x41\t\n"; // Windows-1252 byte, "=", a backslash escape lookalike
    s.taxpayerCnpj = "48213907000165";
    s.signature = "SGR\r\nSAT|x";
    s.network.lanType = "IPFIX";
    s.network.ip = "192.168.001.010";
    s.network.proxy = 2;
    s.lockState = 3;
    s.lastNumber = 999999;
    s.lastSale.key = "CFe1";
    s.lastSale.cancelled = true;
    s.clockOffset = -86400;
    s.unplugged = true;
    s.fault = {satsim::Fault::Busy, 3, "BloquearSAT"};
    s.answers.push_back({"ConsultarSAT", "000012|08000|a\tb|", 8000, "msg\\n", 2});
    s.sessions.push_back({4321, "EnviarDadosVenda", 6000, "Emitido", "004321|06000|x\ty|QUJD|", 4});
    s.certificateReceived = true;
    satsim::addLog(s, 1735787045, satsim::originAc, "alerta", "CODIGO", "linha 1\nlinha 2: a|b");

    const std::string text = satsim::serialize(s);
    const auto back = satsim::parseState(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(satsim::serialize(*back), text);
    EXPECT_EQ(back->activationCode, s.activationCode);
    EXPECT_EQ(back->signature, s.signature);
    EXPECT_EQ(back->answers.at(0).text, "000012|08000|a\tb|");
    EXPECT_EQ(back->answers.at(0).message, "msg\\n");
    EXPECT_EQ(back->fault.kind, satsim::Fault::Busy);
    EXPECT_EQ(back->fault.function, "BloquearSAT");
    ASSERT_EQ(back->sessions.size(), 1u);
    EXPECT_EQ(back->sessions[0].session, 4321);
    EXPECT_EQ(back->sessions[0].text, "004321|06000|x\ty|QUJD|");
    EXPECT_EQ(back->sessions[0].payloadField, 4u);
    EXPECT_TRUE(back->certificateReceived);
    ASSERT_EQ(back->log.size(), 2u);
    EXPECT_EQ(back->log[1], "20250102030405|AC-SAT|alerta|CODIGO:linha 1 linha 2: a|b");
}

TEST(DeviceState, FactoryDeviceIsNotActivatedAndLogsItsBirth) {
    const satsim::DeviceState s = satsim::factoryState(1735787045);
    EXPECT_FALSE(s.activated);
    EXPECT_EQ(s.activationCode, "24681357");
    EXPECT_EQ(s.softwareVersion, "01.00.00");
    EXPECT_EQ(s.lockState, 0);
    ASSERT_EQ(s.log.size(), 1u);
    EXPECT_EQ(s.log[0], "20250102030405|SAT|info|FABRICA:Equipamento SAT 900004019 em estado "
                        "de fábrica");
}

TEST(DeviceState, LogKeepsTheNewestRecords) {
    satsim::DeviceState s;
    for (int i = 0; i < 1005; ++i)
        satsim::addLog(s, 0, satsim::originSat, "info", "EVENTO", std::to_string(i));
    ASSERT_EQ(s.log.size(), satsim::maxLogRecords);
    EXPECT_NE(s.log.front().find("EVENTO:5"), std::string::npos);
    EXPECT_NE(s.log.back().find("EVENTO:1004"), std::string::npos);
}

TEST(DeviceState, TextsThatAreNotAStateAreRefused) {
    const std::string good = satsim::serialize(satsim::DeviceState{});
    EXPECT_TRUE(satsim::parseState(good));
    EXPECT_TRUE(satsim::parseState(good + "chave_de_versao_futura=1\n"));
    EXPECT_FALSE(satsim::parseState(""));
    EXPECT_FALSE(satsim::parseState("outro arquivo\n"));
    EXPECT_FALSE(satsim::parseState(good + "linha sem igual\n"));
    EXPECT_FALSE(satsim::parseState(good + "bloqueio=5\n"));
    EXPECT_FALSE(satsim::parseState(good + "ativado=sim\n"));
    EXPECT_FALSE(satsim::parseState(good + "ultimo_numero=12a\n"));
    EXPECT_FALSE(satsim::parseState(good + "codigo_ativacao=a\\q\n"));
    EXPECT_FALSE(satsim::parseState(good + "falha=terremoto\n"));
    EXPECT_FALSE(satsim::parseState(good + "resposta=ConsultarSAT\t1\n"));
}

class StateStoreTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(SIMULATOR_TEST_DIR) / "StateStoreTest" /
                 testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = folder / "sub" / "estado.txt";
    }
    fs::path folder;
    fs::path path;
    satsim::StateStore store;
};

TEST_F(StateStoreTest, MissingFileGivesAFactoryDeviceThatIsThenKept) {
    satsim::DeviceState& s = store.refresh(path, 100);
    EXPECT_FALSE(s.activated);
    EXPECT_TRUE(store.problem().empty());
    s.activated = true;
    EXPECT_EQ(store.save(), "");
    ASSERT_TRUE(fs::exists(path)) << "the folder is created";
    EXPECT_EQ(readAll(path), satsim::serialize(s));
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()),
              1);

    satsim::StateStore other;
    EXPECT_TRUE(other.refresh(path, 200).activated);
}

TEST_F(StateStoreTest, ChangesByAnotherWriterAreSeenAtTheNextRefresh) {
    store.refresh(path, 100);
    ASSERT_EQ(store.save(), "");

    satsim::StateStore satsimTool;
    satsimTool.refresh(path, 100).lockState = 2;
    ASSERT_EQ(satsimTool.save(), "");

    EXPECT_EQ(store.refresh(path, 100).lockState, 2);
}

TEST_F(StateStoreTest, RemovedFileMeansANewDevice) {
    store.refresh(path, 100).activated = true;
    ASSERT_EQ(store.save(), "");
    fs::remove(path);
    EXPECT_FALSE(store.refresh(path, 100).activated);
}

TEST_F(StateStoreTest, UnreadableFileGivesAFactoryDeviceAndIsKeptAside) {
    fs::create_directories(path.parent_path());
    writeAll(path, "satsim-estado 1\nbloqueio=9\n");
    const satsim::DeviceState& s = store.refresh(path, 100);
    EXPECT_FALSE(s.activated);
    EXPECT_EQ(s.lockState, 0);
    fs::path aside = path;
    aside += ".bad";
    EXPECT_EQ(readAll(aside), "satsim-estado 1\nbloqueio=9\n");
    EXPECT_NE(store.problem().find("não pôde ser lido"), std::string::npos) << store.problem();
    ASSERT_EQ(store.save(), "");
    EXPECT_TRUE(satsim::parseState(readAll(path)));
}

TEST_F(StateStoreTest, UnwritableLocationKeepsTheDeviceInMemory) {
    // A regular file where the folder should be: nothing can be written below it.
    writeAll(folder / "sub", "x");
    satsim::DeviceState& s = store.refresh(path, 100);
    s.activated = true;
    EXPECT_NE(store.save(), "");
    EXPECT_TRUE(store.refresh(path, 100).activated);
}

} // namespace
