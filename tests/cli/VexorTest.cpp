#include "Vexor.h"

#include "Access.h"
#include "AppContext.h"
#include "DeviceTest.h"
#include "OperationalStatus.h"
#include "SaleTest.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A status answer of 28 fields; the firmware version is field 19 and the lock state field 28.
std::string statusAnswer(const std::string& firmware, const std::string& lockState) {
    return "000012|10000|Resposta com Sucesso|||900004019|DHCP|10.0.0.9|00:11:22:33:44:55|"
           "255.255.255.0|10.0.0.1|8.8.8.8|8.8.4.4|CONECTADO|ALTO|8 GB|1 GB|20150312093005|" +
           firmware + "|0.07|CFe1|CFe2|CFe3|20150312093006||20140101|20190101|" + lockState;
}

class Vexor : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("vexor_cli_" + caseName());
        fs::remove_all(folder);
        fs::create_directories(folder);
        variables["XDG_STATE_HOME"] = (folder / "state").string();
        variables["LOCALAPPDATA"] = (folder / "state").string();
        variables["VEXOR_CODE"] = "123456789";
    }
    void TearDown() override { fs::remove_all(folder); }

    int run(std::vector<std::string> arguments,
            std::string library = std::string(SatClient::librarySAT)) {
        out.str({});
        err.str({});
        CliEnvironment env{out, err};
        env.variable = [this](const char* name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            return found == variables.end() ? std::nullopt : std::optional(found->second);
        };
        env.readSecret = [this](std::string_view prompt) -> std::optional<std::string> {
            prompts.emplace_back(prompt);
            return secret;
        };
        env.libraryName = std::move(library);
        env.stdoutIsTerminal = terminal;
        env.stderrIsTerminal = errorTerminal;
        return vexorcli::run(arguments, env);
    }

    static std::string caseName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(info->name());
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    fs::path folder;
    std::map<std::string, std::string> variables;
    std::optional<std::string> secret;
    std::vector<std::string> prompts;
    bool terminal = false;
    bool errorTerminal = false;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(Vexor, statusShowsEveryValueWithItsCaptionAndCallsOnceWithTheCode) {
    device.script("ConsultarStatusOperacional", {statusAnswer("01.01.00", "2")});
    EXPECT_EQ(run({"status"}), 0);
    ASSERT_EQ(device.calls().size(), 1u);
    const auto call = device.calls()[0];
    EXPECT_EQ(call.function, "ConsultarStatusOperacional");
    EXPECT_EQ(call.args, (std::vector<std::optional<std::string>>{"12", "123456789"}));
    const std::string text = out.str();
    EXPECT_NE(text.find("Número de Série: 900004019\n"), std::string::npos);
    EXPECT_NE(text.find("Status: Bloqueio Contribuinte\n"), std::string::npos);
    EXPECT_NE(text.find("Data/Hora: 2015/03/12 09:30:05\n"), std::string::npos);
    EXPECT_NE(text.find("Vencimento Certificado: 2019/01/01\n"), std::string::npos);
    std::size_t shown = 0;
    for (const auto* column : {&statusLeftColumn, &statusRightColumn})
        for (const StatusCaption& c : *column)
            shown += text.find("\n" + std::string(c.caption) + " ") != std::string::npos ||
                     text.starts_with(std::string(c.caption) + " ");
    EXPECT_EQ(shown, 22u);
    EXPECT_EQ(err.str(), "");
}

TEST_F(Vexor, statusWarnsOfOldFirmwareOnTheErrorStream) {
    device.script("ConsultarStatusOperacional", {statusAnswer("01.00.00", "0")});
    EXPECT_EQ(run({"status"}), 0);
    EXPECT_EQ(err.str(), "vexor: " + std::string(StatusQuery::firmwareMessage) + "\n");
    EXPECT_NE(out.str().find("Status: Desbloqueado\n"), std::string::npos);
}

TEST_F(Vexor, statusRefusedCodeExitsOneWithTheDeviceText) {
    device.script("ConsultarStatusOperacional", {"000012|10001|Código de ativação inválido||"});
    EXPECT_EQ(run({"status"}), 1);
    EXPECT_EQ(err.str(), "000012|10001|Código de ativação inválido||\n");
    EXPECT_EQ(out.str(), "");
}

TEST_F(Vexor, statusJsonHasEnglishNamesAndTheRawAnswer) {
    device.script("ConsultarStatusOperacional", {statusAnswer("01.00.00", "1")});
    EXPECT_EQ(run({"--json", "status"}), 0);
    const std::string text = out.str();
    EXPECT_TRUE(
        text.starts_with("{\"command\":\"status\",\"exitCode\":0,\"ok\":true,\"messages\":[],"
                         "\"warning\":\"Versão de Firmware desatualizada!\\nAtualize"));
    EXPECT_NE(text.find("\"answer\":\"000012|10000|Resposta com Sucesso|||900004019|"),
              std::string::npos);
    EXPECT_NE(text.find("\"serialNumber\":\"900004019\""), std::string::npos);
    EXPECT_NE(text.find("\"lockState\":\"Bloqueio SEFAZ\"}"), std::string::npos);
    EXPECT_NE(text.find("\"certificateIssued\":\"2014/01/01\""), std::string::npos);
    EXPECT_TRUE(text.ends_with("}\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

TEST_F(Vexor, notActivatedUsesTheDefaultCodeWhateverIsGiven) {
    device.script("BloquearSAT", {"000012|16000|Equipamento SAT bloqueado com sucesso.||", 16000,
                                  "Equipamento SAT bloqueado com sucesso."});
    EXPECT_EQ(run({"block", "--kind", "not-activated"}), 0);
    ASSERT_EQ(device.calls().size(), 2u);
    EXPECT_EQ(device.calls()[0].args, (std::vector<std::optional<std::string>>{"12", "24681357"}));
    EXPECT_EQ(device.functions()[1], "CodigoErro");
    EXPECT_EQ(out.str(), SatClient::detailText("Equipamento SAT bloqueado com sucesso.") + "\n");
}

TEST_F(Vexor, codeOnTheCommandLineIsRefusedBeforeAnyCall) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"status", "--code", "1234"},
          std::vector<std::string>{"--code=1234", "block"}}) {
        EXPECT_EQ(run(args), 2);
        EXPECT_EQ(err.str(), std::string(vexorcli::codeOnCommandLine) + "\n");
        EXPECT_EQ(out.str().find("1234"), std::string::npos);
    }
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(Vexor, codeComesFromTheFileBeforeTheVariableAndIsSentInWindows1252) {
    writeBytes(folder / "code", "c\xc3\xb3"
                                "digo\r\nsecond line\r\n");
    EXPECT_EQ(run({"unblock", "--code-file", (folder / "code").string()}), 1);
    ASSERT_FALSE(device.calls().empty());
    EXPECT_EQ(device.calls()[0].function, "DesbloquearSAT");
    EXPECT_EQ(device.calls()[0].args[1], std::string("c\xf3"
                                                     "digo"));
}

// What is not a regular file is never read: /dev/zero was read until memory ran out, and a
// FIFO without a writer would block.
TEST_F(Vexor, codeFileThatIsNoRegularFileIsRefusedBeforeReading) {
    std::vector<fs::path> paths{folder};
#if defined(_WIN32)
    paths.emplace_back("NUL");
#else
    paths.emplace_back("/dev/zero");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    paths.push_back(folder / "fifo");
#endif
    for (const fs::path& path : paths) {
        EXPECT_EQ(run({"block", "--code-file", path.string()}), 2) << path;
        EXPECT_EQ(err.str(), "\"" + path.string() +
                                 "\" não é um arquivo comum: o código de ativação não foi lido.\n");
    }
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(prompts.empty());
}

#if !defined(_WIN32)
// The code file's mode, and whether it is warned about.
class VexorCodeFileMode : public Vexor,
                          public ::testing::WithParamInterface<Row<fs::perms, bool>> {};

TEST_P(VexorCodeFileMode, warnsWhenOthersHaveAccessAndGoesOn) {
    const fs::path path = folder / "code";
    writeBytes(path, "\xEF\xBB\xBF"
                     "123456\r\n"); // as a Windows editor saves it
    fs::permissions(path, GetParam().input);
    EXPECT_EQ(run({"unblock", "--code-file", path.string()}), 1);
    ASSERT_FALSE(device.calls().empty());
    EXPECT_EQ(device.calls()[0].args[1], "123456");
    const std::string warning = "vexor: Outros usuários desta máquina têm acesso ao arquivo do "
                                "código de ativação \"" +
                                path.string() + "\"; restrinja-o com chmod 600.\n";
    EXPECT_EQ(err.str().starts_with(warning), GetParam().expected) << err.str();
    EXPECT_EQ(err.str().find("Outros usuários") != std::string::npos, GetParam().expected);
}

INSTANTIATE_TABLE(Modes, VexorCodeFileMode,
                  {"ownerOnly", fs::perms::owner_read | fs::perms::owner_write, false},
                  {"ownerReadOnly", fs::perms::owner_read, false},
                  {"groupRead", fs::perms::owner_read | fs::perms::group_read, true},
                  {"groupWrite", fs::perms::owner_read | fs::perms::group_write, true},
                  {"othersRead", fs::perms::owner_read | fs::perms::others_read, true});
#endif

TEST_F(Vexor, codeIsAskedWithoutEchoWhenNoneIsGiven) {
    variables.erase("VEXOR_CODE");
    secret = "typed";
    EXPECT_EQ(run({"block"}), 1);
    EXPECT_EQ(prompts,
              std::vector<std::string>{std::string(AccessConfirmation::codeCaption) + ": "});
    EXPECT_EQ(device.calls()[0].args[1], "typed");

    secret.reset(); // no terminal to ask on
    device.reset();
    EXPECT_EQ(run({"block"}), 2);
    EXPECT_EQ(err.str(), std::string(AccessConfirmation::codeRequired) + "\n");
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(Vexor, tooLongACodeIsRefused) {
    variables["VEXOR_CODE"] = std::string(100, '7');
    EXPECT_EQ(run({"block"}), 2);
    EXPECT_EQ(err.str(), std::string(AppContext::codeTooLong) + "\n");
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(Vexor, missingLibraryExitsTwoWithTheLoadersReason) {
    for (const char* command : {"status", "logs", "block", "update"}) {
        EXPECT_EQ(run({command}, "libno_such_sat_library.so"), 2) << command;
        EXPECT_NE(err.str().find("Não foi possível carregar a biblioteca do SAT"),
                  std::string::npos)
            << command;
    }
}

struct LockCase {
    const char* command;
    const char* function;
    std::int32_t code;
    int exit;
};

class VexorLock : public Vexor, public ::testing::WithParamInterface<LockCase> {};

TEST_P(VexorLock, callsOnceThenReadsTheErrorRecord) {
    const LockCase c = GetParam();
    device.script(c.function, {"ignored", c.code, "Resposta do SAT"});
    EXPECT_EQ(run({c.command, "--json"}), c.exit);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{c.function, "CodigoErro"}));
    const std::string shown =
        c.code == 1 ? *SatClient::transportMessage(1) : SatClient::detailText("Resposta do SAT");
    EXPECT_EQ(out.str(), "{\"command\":\"" + std::string(c.command) + "\",\"exitCode\":" +
                             std::to_string(c.exit) + ",\"ok\":" + (c.exit ? "false" : "true") +
                             ",\"messages\":[\"" + shown + "\"],\"warning\":null,\"errorCode\":" +
                             std::to_string(c.code) + ",\"errorMessage\":\"Resposta do SAT\"}\n");
}

INSTANTIATE_TEST_SUITE_P(Replies, VexorLock,
                         ::testing::Values(LockCase{"block", "BloquearSAT", 16000, 0},
                                           LockCase{"block", "BloquearSAT", 16001, 1},
                                           LockCase{"unblock", "DesbloquearSAT", 17000, 0},
                                           LockCase{"unblock", "DesbloquearSAT", 1, 1},
                                           LockCase{"update", "AtualizarSoftwareSAT", 14000, 0},
                                           LockCase{"update", "AtualizarSoftwareSAT", 14001, 1}),
                         [](const auto& p) {
                             return std::string(p.param.command) + std::to_string(p.param.code);
                         });

TEST_F(Vexor, updateMovesTheBarOnATerminalWhileTheDeviceWorks) {
    terminal = true;
    device.script("AtualizarSoftwareSAT", {"x", 14000, "Software Atualizado com Sucesso"});
    device.delayNext("AtualizarSoftwareSAT", 2500);
    EXPECT_EQ(run({"update"}), 0);
    const std::string text = out.str();
    EXPECT_TRUE(text.starts_with("\r[" + std::string(40, ' ') + "] 0%")) << text;
    EXPECT_NE(text.find("\r[" + std::string(40, ' ') + "] 1%"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\r[" + std::string(40, '#') + "] 100%\n" +
                               SatClient::detailText("Software Atualizado com Sucesso") + "\n"))
        << text;
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"AtualizarSoftwareSAT", "CodigoErro"}));

    // JSON is never mixed with the bar.
    device.script("AtualizarSoftwareSAT", {"x", 14000, "Software Atualizado com Sucesso"});
    EXPECT_EQ(run({"update", "--json"}), 0);
    EXPECT_TRUE(out.str().starts_with("{\"command\":\"update\""));
}

struct ControlCase {
    const char* name;
    bool outputTerminal;
    bool errorTerminal;
};

class VexorControls : public Vexor, public ::testing::WithParamInterface<ControlCase> {};

// An answer holding escape sequences set the window title and cleared the screen.
TEST_P(VexorControls, inDeviceTextsAreEscapedOnATerminalOnly) {
    terminal = GetParam().outputTerminal;
    errorTerminal = GetParam().errorTerminal;
    const std::string hostile = "\x1b]0;pwned\x07\x1b[2J\xC2\x9b"
                                "1m ok\r\nfim";
    const std::string escaped = "\\x1b]0;pwned\\x07\\x1b[2J\\u009b1m ok\r\nfim";
    device.script("BloquearSAT", {"x", 16000, hostile});
    EXPECT_EQ(run({"block"}), 0);
    EXPECT_EQ(out.str(), SatClient::detailText(terminal ? escaped : hostile) + "\n");

    device.script("BloquearSAT", {"x", 16001, hostile});
    EXPECT_EQ(run({"block"}), 1);
    EXPECT_EQ(err.str(), SatClient::detailText(errorTerminal ? escaped : hostile) + "\n");

    // The status answer is printed as the device gave it, on the error stream when refused.
    device.script("ConsultarStatusOperacional", {"000012|10001|" + hostile + "||"});
    EXPECT_EQ(run({"status"}), 1);
    EXPECT_EQ(err.str(), "000012|10001|" + (errorTerminal ? escaped : hostile) + "||\n");

    // JSON escapes them its own way, terminal or not.
    device.script("BloquearSAT", {"x", 16000, "\x1b[2J"});
    EXPECT_EQ(run({"block", "--json"}), 0);
    EXPECT_NE(out.str().find("\"errorMessage\":\"\\u001b[2J\""), std::string::npos) << out.str();
}

INSTANTIATE_TEST_SUITE_P(Streams, VexorControls,
                         ::testing::Values(ControlCase{"pipes", false, false},
                                           ControlCase{"terminals", true, true},
                                           ControlCase{"outputOnTerminal", true, false},
                                           ControlCase{"errorsOnTerminal", false, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Vexor, fileNamesInMessagesAreEscapedOnATerminal) {
    errorTerminal = true;
    const std::string name = "venda\x1b[2J.xml";
    EXPECT_EQ(run({"sale", (folder / name).string()}), 2);
    EXPECT_NE(err.str().find("venda\\x1b[2J.xml"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos);
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(Vexor, endToEndTestSendsTheBuiltInSale) {
    device.script("TesteFimAFim", {"x", 9000, "Emitido com sucesso"});
    EXPECT_EQ(run({"test", "sefaz"}), 0);
    ASSERT_EQ(device.functions(), (std::vector<std::string>{"TesteFimAFim", "CodigoErro"}));
    EXPECT_EQ(device.calls()[0].args,
              (std::vector<std::optional<std::string>>{"12", "123456789",
                                                       std::string(DeviceTest::testSaleDocument)}));
    EXPECT_EQ(out.str(), SatClient::detailText("Emitido com sucesso") + "\n");
}

TEST_F(Vexor, linkTestSendsOnlyTheSession) {
    device.script("ConsultarSAT", {"x", 8001, "SAT ocupado"});
    EXPECT_EQ(run({"test", "sat"}), 1);
    EXPECT_EQ(device.calls()[0].args, (std::vector<std::optional<std::string>>{"12"}));
    EXPECT_EQ(err.str(), SatClient::detailText("SAT ocupado") + "\n");
}

TEST_F(Vexor, badUsageExitsTwoWithoutCallingTheDevice) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"test"},
                                                 {"test", "other"},
                                                 {"sale"},
                                                 {"frobnicate"},
                                                 {"block", "--kind", "other"},
                                                 {"status", "--bogus"},
                                                 {"block", "-o", "x"},
                                                 {"status", "--key", "CFe1"}}) {
        EXPECT_EQ(run(args), 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(err.str().empty());
    }
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(Vexor, everyCommandHasPortugueseHelp) {
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(out.str().starts_with("Uso: vexor [opções] COMANDO"));
    for (const char* command :
         {"status", "logs", "test", "sale", "cancel", "block", "unblock", "update"}) {
        EXPECT_EQ(run({command, "--help"}), 0);
        EXPECT_TRUE(out.str().starts_with(std::string("Uso: vexor ") + command)) << command;
    }
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(Vexor, logsPrintsTheDisplayLinesAndSavesThemAsTheScreenDoes) {
    const std::string log = "HEADER\n20150312093005|two|three|four:msg one\n"
                            "20150312093006|TWO|THREE|FOUR:msg \xc3\xa9\n";
    device.script("ExtrairLogs",
                  {"000012|15000|Transferência completa||", 0, "", TestDevice::base64(log)});
    variables.erase("VEXOR_CODE");
    const fs::path saved = folder / "log.txt";
    EXPECT_EQ(run({"logs", "--kind", "not-activated", "-o", saved.string()}), 0);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"ExtrairLogs", "Base64ToAscii"}));
    EXPECT_EQ(device.calls()[0].args, (std::vector<std::optional<std::string>>{"12", "24681357"}));
    EXPECT_EQ(out.str(), "1 12/03/2015 09:30:05 four three msg one\n"
                         "2 12/03/2015 09:30:06 FOUR THREE msg \xc3\xa9\n");
    EXPECT_EQ(readBytes(saved), "1 12/03/2015 09:30:05 four three msg one\r\n"
                                "2 12/03/2015 09:30:06 FOUR THREE msg \xe9\r\n");
}

TEST_F(Vexor, logsCountSecondsOnATerminalThenClearThem) {
    terminal = true;
    device.script("ExtrairLogs", {"000012|15000|Transferência completa||", 0, "",
                                  TestDevice::base64("H\n1|2|3|4:5\n")});
    device.delayNext("ExtrairLogs", 1500);
    EXPECT_EQ(run({"logs"}), 0);
    EXPECT_EQ(out.str(), "\r1 s\r" + std::string(50, ' ') + "\r1 1 4 3 5\n");
}

TEST_F(Vexor, logsRefusedShowsTheAnswerAndCallsNothingMore) {
    device.script("ExtrairLogs", {"000012|15001|Código de ativação inválido||"});
    EXPECT_EQ(run({"logs", "--json", "-o", (folder / "never").string()}), 1);
    EXPECT_EQ(device.functions(), std::vector<std::string>{"ExtrairLogs"});
    EXPECT_EQ(out.str(), "{\"command\":\"logs\",\"exitCode\":1,\"ok\":false,\"messages\":"
                         "[\"000012|15001|Código de ativação inválido||\"],\"warning\":null,"
                         "\"file\":null,\"lines\":[]}\n");
    EXPECT_FALSE(fs::exists(folder / "never"));
}

TEST_F(Vexor, saleSendsTheFileKeepsTheKeyAndCancelWritesItIn) {
    const std::string key = "CFe35150312345678000190599000004010000012345678";
    writeBytes(folder / "sale.xml", "<CFe>venda ação</CFe>\r\n");
    device.script("EnviarDadosVenda",
                  {"000012|06000|0000|Emitido com sucesso|" + key + "|resto", 6000,
                   "Emitido com sucesso", TestDevice::base64("<CFe>assinado</CFe>")});
    const fs::path cfe = folder / "cfe.xml";
    EXPECT_EQ(run({"sale", (folder / "sale.xml").string(), "-o", cfe.string()}), 0);
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"EnviarDadosVenda", "CodigoErro", "Base64ToAscii"}));
    EXPECT_EQ(device.calls()[0].args,
              (std::vector<std::optional<std::string>>{
                  "12", "123456789", std::string("<CFe>venda a\xe7\xe3o</CFe>\n")}));
    EXPECT_EQ(readBytes(cfe), "<CFe>assinado</CFe>\r\n");
    EXPECT_EQ(readBytes(folder / "state" / "vexor" / std::string(vexorcli::lastKeyFile)),
              key + "\n");

    device.reset();
    writeBytes(folder / "cancel.xml", "<CFeCanc><infCFe chCanc=\"CFe0000\"/></CFeCanc>");
    device.script("CancelarUltimaVenda", {"000012|07000|0000|Cancelado com sucesso|", 7000,
                                          "Cancelado com sucesso", TestDevice::base64("<c/>")});
    EXPECT_EQ(run({"cancel", (folder / "cancel.xml").string()}), 0);
    ASSERT_EQ(device.functions(),
              (std::vector<std::string>{"CancelarUltimaVenda", "CodigoErro", "Base64ToAscii"}));
    EXPECT_EQ(device.calls()[0].args,
              (std::vector<std::optional<std::string>>{"12", "123456789", key,
                                                       "<CFeCanc><infCFe chCanc=\"" + key}));
    EXPECT_EQ(out.str(), "000012|07000|0000|Cancelado com sucesso|\n<c/>\n" +
                             SatClient::detailText("Cancelado com sucesso") + "\n");
}

const std::string givenKey = "CFe35150312345678000190599000004010000099999999";

#if GTEST_HAS_DEATH_TEST
class VexorCrash : public Vexor, public ::testing::WithParamInterface<const char*> {};

// The library dies after accepting the sale: the key it gave is kept all the same, and the
// next cancel goes with it rather than with the previous sale's key.
TEST_P(VexorCrash, afterTheSaleKeepsItsKeyForTheNextCancel) {
    // The child runs this test again from its start, without sharing the parent's threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string key = "CFe35150312345678000190599000004010000012345678";
    const fs::path kept = folder / "state" / "vexor" / std::string(vexorcli::lastKeyFile);
    fs::create_directories(kept.parent_path());
    writeBytes(kept, givenKey + "\n"); // an earlier sale's
    writeBytes(folder / "sale.xml", "<CFe>venda</CFe>");
    device.script("EnviarDadosVenda", {"000012|06000|0000|Emitido com sucesso|" + key + "|", 6000,
                                       "Emitido com sucesso", TestDevice::base64("<CFe/>")});
    device.crashIn(GetParam());
    EXPECT_DEATH(run({"sale", (folder / "sale.xml").string()}), "");
    EXPECT_EQ(readBytes(kept), key + "\n");

    writeBytes(folder / "cancel.xml", "<x chCanc=\"CFe" + std::string(44, '0') + "\"/>");
    device.reset();
    device.script("CancelarUltimaVenda", {"000012|07000|0000|Cancelado com sucesso|", 7000,
                                          "Cancelado com sucesso", TestDevice::base64("<c/>")});
    EXPECT_EQ(run({"cancel", (folder / "cancel.xml").string()}), 0);
    ASSERT_FALSE(device.calls().empty());
    EXPECT_EQ(device.calls()[0].args[2], key);
    EXPECT_EQ(device.calls()[0].args[3], "<x chCanc=\"" + key + "\"/>");
}

INSTANTIATE_TEST_SUITE_P(Library, VexorCrash, ::testing::Values("CodigoErro", "Base64ToAscii"),
                         [](const auto& p) { return std::string(p.param); });
#endif

TEST_F(Vexor, cancelTakesAGivenKey) {
    writeBytes(folder / "cancel.xml", "<x chCanc=\"CFe1\"/>");
    device.script("CancelarUltimaVenda", {"000012|07002|chave inválida|", 7002, "chave inválida"});
    EXPECT_EQ(run({"cancel", (folder / "cancel.xml").string(), "--key", givenKey}), 1);
    EXPECT_EQ(device.calls()[0].args[2], givenKey);
    EXPECT_EQ(device.calls()[0].args[3], "<x chCanc=\"" + givenKey);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"CancelarUltimaVenda", "CodigoErro"}));
}

TEST_F(Vexor, aGivenKeyThatIsNoCfeKeyIsRefusedBeforeAnyCall) {
    writeBytes(folder / "cancel.xml", "<x chCanc=\"CFe1\"/>");
    for (const std::string& bad : {std::string("CFe999"), std::string("CFe1\"/><evil a=\""),
                                   givenKey + "0", std::string()}) {
        EXPECT_EQ(run({"cancel", (folder / "cancel.xml").string(), "--key", bad}), 2) << bad;
        EXPECT_EQ(err.str(), "A chave \"" + bad +
                                 "\" não é uma chave de CF-e: \"CFe\" seguido de 44 dígitos.\n"
                                 "Use vexor --help.\n");
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(prompts.empty());
}

struct Cancelled {
    std::string sent; // the key the cancel goes with
    bool warned;
};

// The kept file's bytes, and what the cancel makes of them.
class VexorKeptKey : public Vexor,
                     public ::testing::WithParamInterface<Row<std::string, Cancelled>> {};

TEST_P(VexorKeptKey, isUsedOnlyWhenItIsACfeKey) {
    const fs::path kept = folder / "state" / "vexor" / std::string(vexorcli::lastKeyFile);
    fs::create_directories(kept.parent_path());
    writeBytes(kept, GetParam().input);
    const std::string document = "<x chCanc=\"CFe" + std::string(44, '0') + "\"/>";
    writeBytes(folder / "cancel.xml", document);
    device.script("CancelarUltimaVenda", {"000012|07002|chave inválida|", 7002, "chave inválida"});
    EXPECT_EQ(run({"cancel", (folder / "cancel.xml").string()}), 1);
    ASSERT_EQ(device.calls().size(), 2u);
    const Cancelled& cancelled = GetParam().expected;
    EXPECT_EQ(device.calls()[0].args[2], cancelled.sent);
    EXPECT_EQ(device.calls()[0].args[3],
              cancelled.sent.empty() ? document : "<x chCanc=\"" + cancelled.sent + "\"/>");
    const std::string warning = "vexor: A chave guardada em \"" + kept.string() +
                                "\" não é uma chave de CF-e e foi ignorada; o cancelamento vai "
                                "sem chave.\n";
    EXPECT_EQ(err.str().find(warning) != std::string::npos, cancelled.warned) << err.str();
    EXPECT_EQ(readBytes(kept), GetParam().input); // a cancel never changes it
}

INSTANTIATE_TABLE(Files, VexorKeptKey, {"key", givenKey + "\n", {givenKey, false}},
                  {"keyWithCrLf", givenKey + "\r\n", {givenKey, false}},
                  {"keyWithoutLineEnd", givenKey, {givenKey, false}},
                  {"markup", "CFe1\"/><evil a=\"\n", {"", true}},
                  {"shortKey", "CFe999\n", {"", true}}, {"empty", "", {"", true}});

struct Sent {
    const char* command;
    std::string file;
};

// The command and its file, and the refusal ("cut", or empty: sent).
class VexorLongFile : public Vexor, public ::testing::WithParamInterface<Row<Sent, std::string>> {};

TEST_P(VexorLongFile, isRefusedBeforeAnyCallWhenItWouldBeCut) {
    const fs::path path = folder / "documento.xml";
    writeBytes(path, GetParam().input.file);
    const int exit = run({GetParam().input.command, path.string()});
    if (GetParam().expected.empty()) {
        EXPECT_FALSE(device.calls().empty());
        return;
    }
    EXPECT_EQ(exit, 2);
    EXPECT_TRUE(device.calls().empty());
    const std::string refusal = GetParam().expected == "cut"
                                    ? "O arquivo \"" + path.string() +
                                          "\" passa de 2.097.152 bytes e não foi enviado: o SAT "
                                          "receberia o XML cortado.\nCarregue um arquivo menor."
                                    : GetParam().expected;
    EXPECT_EQ(err.str(), refusal + "\n");
    EXPECT_EQ(out.str(), "");
}

// "ç" is two bytes in the file and one once re-encoded: half the area's worth of them and one
// more is a file longer than the area whose re-encoded text would fit.
INSTANTIATE_TABLE(Files, VexorLongFile,
                  {"twoByteCharacters",
                   {"sale",
                    [] {
                        std::string text;
                        for (std::size_t i = 0; i <= SaleTest::inputCapacity / 2; ++i)
                            text += "ç";
                        return text;
                    }()},
                   "cut"},
                  {"oneByteTooMany",
                   {"sale", std::string(SaleTest::inputCapacity + 1, 'a')},
                   "cut"},
                  {"cancel", {"cancel", std::string(SaleTest::inputCapacity + 1, 'a')}, "cut"},
                  {"fullAreaHasNoRoomForTheTerminator",
                   {"sale", std::string(SaleTest::inputCapacity, 'a')},
                   std::string(SaleTest::saleTooLongMessage)},
                  {"oneByteShort", {"sale", std::string(SaleTest::inputCapacity - 1, 'a')}, ""});

struct OutputCase {
    const char* name;
    const char* command;
    const char* function;
    TestDevice::Answer answer;
    std::string told;    // what the device's outcome put before the write's failure
    std::string failure; // how the write's failure begins
};

class VexorOutput : public Vexor, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(VexorOutput, thatCannotBeWrittenExitsThreeAfterTheDevicesOutcome) {
    const OutputCase& c = GetParam();
    writeBytes(folder / "sale.xml", "<CFe/>");
    const fs::path target = folder / "no-such-folder" / "file.txt";
    std::vector<std::string> args{c.command};
    if (std::string(c.command) == "sale")
        args.push_back((folder / "sale.xml").string());
    args.insert(args.end(), {"-o", target.string()});

    device.script(c.function, c.answer);
    EXPECT_EQ(run(args), 3);
    EXPECT_TRUE(err.str().starts_with(c.told + c.failure)) << err.str();
    EXPECT_NE(err.str().find(target.string()), std::string::npos);
    EXPECT_FALSE(fs::exists(target.parent_path()));

    device.script(c.function, c.answer);
    args.push_back("--json");
    EXPECT_EQ(run(args), 3);
    EXPECT_TRUE(out.str().starts_with("{\"command\":\"" + std::string(c.command) +
                                      "\",\"exitCode\":3,\"ok\":false,"))
        << out.str();
}

INSTANTIATE_TEST_SUITE_P(
    Writes, VexorOutput,
    ::testing::Values(OutputCase{"logs",
                                 "logs",
                                 "ExtrairLogs",
                                 {"000012|15000|Transferência completa||", 0, "",
                                  TestDevice::base64("H\n1|2|3|4:5\n")},
                                 "",
                                 "Não foi possível salvar os logs em \""},
                      OutputCase{"sale",
                                 "sale",
                                 "EnviarDadosVenda",
                                 {"000012|06000|0000|Emitido com sucesso|", 6000,
                                  "Emitido com sucesso", TestDevice::base64("<CFe>assinado</CFe>")},
                                 SatClient::detailText("Emitido com sucesso") + "\n",
                                 "Não foi possível"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Vexor, saleOfAMissingFileIsBadUsage) {
    EXPECT_EQ(run({"sale", (folder / "absent.xml").string()}), 2);
    EXPECT_TRUE(device.calls().empty());
    EXPECT_NE(err.str().find(SaleTest::noInputMessage), std::string::npos);
}

} // namespace
