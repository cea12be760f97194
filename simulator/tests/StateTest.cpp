#include "DeviceState.h"
#include "StateStore.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(DeviceState, EveryValueSurvivesTheFile)
{
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
    s.fault = {satsim::Fault::Slow, 3, "BloquearSAT", 90};
    s.answers.push_back({"ConsultarSAT", "000012|08000|a\tb|", 8000, "msg\\n", 2});
    s.sessions.push_back({4321, "EnviarDadosVenda", 6000, "Emitido", "004321|06000|x\ty|QUJD|", 4});
    s.certificateReceived = true;
    // Every setting away from its default, so that one the file forgets shows.
    s.tables = satsim::Tables::Until2015;
    s.wrongCodes = 2;
    s.codeBlockUntil = 1735787999;
    s.codeBlockSeconds = 90;
    s.sefazBlock = satsim::SefazBlock::Held;
    s.update = satsim::UpdateOutcome::Invalid;
    s.taxRegime = 1;
    satsim::addLog(s, 1735787045, satsim::originAc, "alerta", "CODIGO", "linha 1\nlinha 2: a|b");

    const std::string text = satsim::serialize(s);
    const auto back = satsim::parseState(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(satsim::serialize(*back), text);
    EXPECT_EQ(back->activationCode, s.activationCode);
    EXPECT_EQ(back->signature, s.signature);
    EXPECT_EQ(back->answers.at(0).text, "000012|08000|a\tb|");
    EXPECT_EQ(back->answers.at(0).message, "msg\\n");
    EXPECT_EQ(back->fault.kind, satsim::Fault::Slow);
    EXPECT_EQ(back->fault.seconds, 90);
    EXPECT_EQ(back->fault.function, "BloquearSAT");
    ASSERT_EQ(back->sessions.size(), 1u);
    EXPECT_EQ(back->sessions[0].session, 4321);
    EXPECT_EQ(back->sessions[0].text, "004321|06000|x\ty|QUJD|");
    EXPECT_EQ(back->sessions[0].payloadField, 4u);
    EXPECT_TRUE(back->certificateReceived);
    ASSERT_EQ(back->log.size(), 2u);
    EXPECT_EQ(back->log[1], "20250102030405|AC-SAT|alerta|CODIGO:linha 1 linha 2: a|b");
}

TEST(DeviceState, FactoryDeviceIsNotActivatedAndLogsItsBirth)
{
    const satsim::DeviceState s = satsim::factoryState(1735787045);
    EXPECT_FALSE(s.activated);
    EXPECT_EQ(s.activationCode, "24681357");
    EXPECT_EQ(s.softwareVersion, "01.00.00");
    EXPECT_EQ(s.lockState, 0);
    ASSERT_EQ(s.log.size(), 1u);
    EXPECT_EQ(s.log[0], "20250102030405|SAT|info|FABRICA:Equipamento SAT 900004019 em estado "
                        "de fábrica");
}

TEST(DeviceState, LogKeepsTheNewestRecords)
{
    satsim::DeviceState s;
    for (int i = 0; i < 1005; ++i)
        satsim::addLog(s, 0, satsim::originSat, "info", "EVENTO", std::to_string(i));
    ASSERT_EQ(s.log.size(), satsim::maxLogRecords);
    EXPECT_NE(s.log.front().find("EVENTO:5"), std::string::npos);
    EXPECT_NE(s.log.back().find("EVENTO:1004"), std::string::npos);
}

TEST(DeviceState, TextsThatAreNotAStateAreRefused)
{
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
    void SetUp() override
    {
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

TEST_F(StateStoreTest, MissingFileGivesAFactoryDeviceThatIsThenKept)
{
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

TEST_F(StateStoreTest, ChangesByAnotherWriterAreSeenAtTheNextRefresh)
{
    store.refresh(path, 100);
    ASSERT_EQ(store.save(), "");

    satsim::StateStore satsimTool;
    satsimTool.refresh(path, 100).lockState = 2;
    ASSERT_EQ(satsimTool.save(), "");

    EXPECT_EQ(store.refresh(path, 100).lockState, 2);
}

TEST_F(StateStoreTest, RemovedFileMeansANewDevice)
{
    store.refresh(path, 100).activated = true;
    ASSERT_EQ(store.save(), "");
    fs::remove(path);
    EXPECT_FALSE(store.refresh(path, 100).activated);
}

TEST_F(StateStoreTest, UnreadableFileGivesAFactoryDeviceAndIsKeptAside)
{
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

TEST_F(StateStoreTest, UnwritableLocationKeepsTheDeviceInMemory)
{
    // A regular file where the folder should be: nothing can be written below it.
    writeAll(folder / "sub", "x");
    satsim::DeviceState& s = store.refresh(path, 100);
    s.activated = true;
    EXPECT_NE(store.save(), "");
    EXPECT_TRUE(store.refresh(path, 100).activated);
}

#if !defined(_WIN32)
mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// The state holds the activation code and the network passwords.
TEST_F(StateStoreTest, StateAndItsLockAreReadableByTheirOwnerOnly)
{
    const mode_t saved = ::umask(022);
    store.refresh(path, 100).activated = true;
    EXPECT_EQ(store.save(), "");
    EXPECT_EQ(modeOf(path), 0600u) << "a new state";

    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    store.refresh(path, 100).lockState = 2;
    EXPECT_EQ(store.save(), "");
    EXPECT_EQ(modeOf(path), 0600u) << "a state that had been opened to others";

    fs::path lockFile = path;
    lockFile += ".lock";
    {
        const satsim::StateLock lock(path);
        EXPECT_TRUE(lock.held());
    }
    EXPECT_EQ(modeOf(lockFile), 0600u);
    ::umask(saved);
}

TEST_F(StateStoreTest, UnreadableFileKeptAsideIsReadableByItsOwnerOnly)
{
    fs::create_directories(path.parent_path());
    writeAll(path, "codigo_ativacao=segredo\n");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    store.refresh(path, 100);
    fs::path aside = path;
    aside += ".bad";
    EXPECT_EQ(readAll(aside), "codigo_ativacao=segredo\n");
    EXPECT_EQ(modeOf(aside), 0600u);
}

TEST_F(StateStoreTest, LockInAPlaceThatCannotBeWrittenIsNotHeldAndTheDeviceGoesOn)
{
    writeAll(folder / "sub", "x"); // a file where the state's folder should be
    const satsim::StateLock lock(path);
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(store.refresh(path, 100).activated);
}

// Where the state lives, by the variables set; the rest unset. TMPDIR is the test's own.
class StateLocation : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        folder = fs::path(SIMULATOR_TEST_DIR) / "StateLocation" / name;
        fs::remove_all(folder);
        fs::create_directories(folder / "tmp");
        for (const char* variable : variables) {
            const char* value = std::getenv(variable);
            saved.emplace_back(variable, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(variable);
        }
        ::setenv("TMPDIR", (folder / "tmp").c_str(), 1);
    }
    void TearDown() override
    {
        for (const auto& [variable, value] : saved) {
            if (value)
                ::setenv(variable, value->c_str(), 1);
            else
                ::unsetenv(variable);
        }
        fs::remove_all(folder);
    }

    fs::path fallback() const
    {
        return folder / "tmp" / ("torval-vexor-" + std::to_string(::geteuid()));
    }

    // Every name below the temporary folder, links not followed, with each file's bytes.
    std::set<std::string> listing() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder / "tmp")) {
            std::string line = entry.path().lexically_relative(folder / "tmp").string();
            if (fs::is_regular_file(fs::symlink_status(entry.path())))
                line += " " + readAll(entry.path());
            names.insert(line);
        }
        return names;
    }

    static constexpr const char* variables[] = {"SATSIM_STATE", "XDG_STATE_HOME", "HOME", "TMPDIR"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    fs::path folder;
};

TEST_F(StateLocation, FallbackFolderIsMadeForThisUserOnly)
{
    const mode_t savedMask = ::umask(0);
    satsim::StateStore store;
    const fs::path path = satsim::StateStore::configuredPath();
    ASSERT_EQ(path, fallback() / "satsim-estado.txt");
    store.refresh(path, 100).activated = true;
    EXPECT_EQ(store.save(), "");
    ::umask(savedMask);
    EXPECT_EQ(modeOf(fallback()), 0700u);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_TRUE(satsim::StateStore().refresh(path, 100).activated);
}

// What someone else left at the fall-back folder's name.
struct PlantedCase {
    const char* name;
    std::function<void(const fs::path& fallback, const fs::path& temporary)> plant;
    std::string reason;
    bool asAdministrator = false; // needs the right to give a folder away
};

class PlantedFallback : public StateLocation, public testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedFallback, IsRefusedByNameAndNeitherReadNorWritten)
{
    if (GetParam().asAdministrator && ::geteuid() != 0)
        GTEST_SKIP() << "only the administrator can give a folder to another user";
    GetParam().plant(fallback(), folder / "tmp");
    // A device state waiting inside, as if it were ours.
    if (fs::is_directory(fallback())) {
        satsim::DeviceState planted = satsim::factoryState(100);
        planted.activated = true;
        writeAll(fallback() / "satsim-estado.txt", satsim::serialize(planted));
    }
    const auto before = listing();
    const std::string refusal = "A pasta do estado \"" + satsim::utf8Path(fallback()) +
                                "\" foi recusada: " + GetParam().reason +
                                "; o SAT simulado guarda o estado só na memória.";
    const fs::path path = satsim::StateStore::configuredPath();

    EXPECT_FALSE(satsim::StateLock(path).held());
    satsim::StateStore store;
    satsim::DeviceState& state = store.refresh(path, 100);
    EXPECT_EQ(store.problem(), refusal);
    EXPECT_FALSE(state.activated) << "the planted state is not read";
    state.lockState = 2;
    EXPECT_EQ(store.save(), refusal);
    EXPECT_EQ(store.refresh(path, 100).lockState, 2) << "the device goes on from memory";
    EXPECT_EQ(listing(), before);
}

void makeFolder(const fs::path& path, mode_t mode)
{
    ASSERT_EQ(::mkdir(path.c_str(), mode), 0);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

INSTANTIATE_TEST_SUITE_P(
    StateStore, PlantedFallback,
    testing::Values(
        PlantedCase{"linkToAnotherFolder",
                    [](const fs::path& fallback, const fs::path& temporary) {
                        makeFolder(temporary / "alheia", 0700);
                        fs::create_symlink(temporary / "alheia", fallback);
                    },
                    "é um link"},
        PlantedCase{"linkToNowhere",
                    [](const fs::path& fallback, const fs::path& temporary) {
                        fs::create_symlink(temporary / "nao-existe", fallback);
                    },
                    "é um link"},
        PlantedCase{"file",
                    [](const fs::path& fallback, const fs::path&) { writeAll(fallback, "x"); },
                    "não é uma pasta"},
        PlantedCase{"openToEveryone",
                    [](const fs::path& fallback, const fs::path&) { makeFolder(fallback, 0755); },
                    "tem as permissões 0755, e não 0700"},
        PlantedCase{"writableByTheGroup",
                    [](const fs::path& fallback, const fs::path&) { makeFolder(fallback, 0770); },
                    "tem as permissões 0770, e não 0700"},
        PlantedCase{"anotherUsersFolder",
                    [](const fs::path& fallback, const fs::path&) {
                        makeFolder(fallback, 0700);
                        ASSERT_EQ(::chown(fallback.c_str(), 4321, 4321), 0);
                    },
                    "pertence a outro usuário", true}),
    CaseName());
#endif

} // namespace
