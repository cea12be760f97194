// satsim works on the state file the loaded device library uses; the library sees each
// change at its next call.

#include "SimulatorFixture.h"

#include "Table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using SatsimTest = SimulatorTest;

TEST_F(SatsimTest, HelpNamesEveryCommand)
{
    const Run help = satsim({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"status",
                                "reset",
                                "unplug",
                                "plug",
                                "fault timeout|cts|unknown|busy",
                                "fault answer",
                                "fault slow",
                                "fault clear",
                                "clock set",
                                "clock advance",
                                "set lock",
                                "set link",
                                "set log header|plain",
                                "set tables 2016|2015",
                                "set code-block",
                                "set sefaz-block ready|none|held",
                                "set update ok|running|error|invalid",
                                "set regime auto|1|3",
                                "codes",
                                "transmit",
                                "log",
                                "24681357",
                                "13572468"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    EXPECT_EQ(satsim({}).exitCode, 2);
}

// The arguments, and the error they are refused with.
using Usage = Row<std::vector<std::string>, std::string>;

class SatsimUsage : public SimulatorTest, public testing::WithParamInterface<Usage> {};

TEST_P(SatsimUsage, IsRefusedAndTheStateIsLeftAlone)
{
    ASSERT_EQ(satsim({"status"}).exitCode, 0);
    const std::string before = readAll(statePath());
    const Run run = satsim(GetParam().input);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "satsim: " + GetParam().expected + "\nUse \"satsim --help\" para ver os comandos.\n");
    EXPECT_EQ(readAll(statePath()), before);
}

INSTANTIATE_TABLE(
    Satsim, SatsimUsage, {"unknownCommand", {"explode"}, "comando desconhecido: \"explode\""},
    {"lockOutOfRange", {"set", "lock", "5"}, "o estado de bloqueio vai de 0 a 4"},
    {"lockNotANumber",
     {"set", "lock", "x"},
     "o estado de bloqueio deve ser um número inteiro: \"x\""},
    {"impossibleDate",
     {"clock", "set", "20250230120000"},
     "data e hora inválidas: \"20250230120000\" (use AAAAMMDDhhmmss)"},
    {"durationWithoutUnit",
     {"clock", "advance", "30"},
     "duração inválida: \"30\" (exemplos: 90s, 31m, 2h, 1d)"},
    {"unknownFault", {"fault", "flood"}, "falha desconhecida: \"flood\""},
    {"unknownFunction", {"fault", "answer", "Vender", "x"}, "função desconhecida: \"Vender\""},
    {"zeroTimes", {"fault", "timeout", "--times", "0"}, "--times deve ser 1 ou mais"},
    {"extraArgument", {"unplug", "now"}, "número errado de argumentos para \"unplug\""},
    {"unknownTables", {"set", "tables", "2017"}, "use set tables 2016 ou set tables 2015"},
    {"negativeCodeBlock",
     {"set", "code-block", "-1m"},
     "a duração do bloqueio não pode ser negativa"},
    {"codeBlockWithoutUnit",
     {"set", "code-block", "10"},
     "duração inválida: \"10\" (exemplos: 90s, 31m, 2h, 1d)"},
    {"unknownSefazBlock", {"set", "sefaz-block", "off"}, "use set sefaz-block ready, none ou held"},
    {"unknownUpdate", {"set", "update", "done"}, "use set update ok, running, error ou invalid"},
    {"regimeTwo", {"set", "regime", "2"}, "use set regime auto, 1 ou 3"},
    {"slowWithoutDuration",
     {"fault", "slow"},
     "use fault slow DURACAO [--times N] [--only FUNCAO]"},
    {"slowForNoTime", {"fault", "slow", "0s"}, "a demora vai de 1 s a 10 min"},
    {"slowPastTenMinutes", {"fault", "slow", "601s"}, "a demora vai de 1 s a 10 min"});

TEST_F(SatsimTest, StatusShowsWhatTheLibraryDid)
{
    const Run fresh = satsim({"status"});
    EXPECT_EQ(fresh.exitCode, 0);
    EXPECT_NE(fresh.out.find("Ativação: não ativado (estado de fábrica)\n"), std::string::npos)
        << fresh.out;
    EXPECT_NE(fresh.out.find("Código de ativação: 24681357\n"), std::string::npos);

    activate();
    associate();
    const Run after = satsim({"status"});
    EXPECT_NE(after.out.find("Ativação: ativado para o CNPJ 48213907000165"), std::string::npos)
        << after.out;
    EXPECT_NE(after.out.find("Código de ativação: 12345678\n"), std::string::npos);
    EXPECT_NE(after.out.find("Assinatura: associada à software house 10615281000140, \"SGR-SAT "
                             "SISTEMA DE GESTAO E RETAGUARDA DO SAT\"\n"),
              std::string::npos);
}

TEST_F(SatsimTest, ResetGivesAFactoryDevice)
{
    activate();
    ASSERT_EQ(satsim({"reset"}).out, "SAT de volta ao estado de fábrica.\n");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10001");
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000");
    activate(); // activatable again
}

struct PortCase {
    const char* name;
    std::function<SatResponse(SatClient&)> call;
    std::string text;
};

class Unplugged : public SimulatorTest, public testing::WithParamInterface<PortCase> {};

TEST_P(Unplugged, EveryFunctionAnswersThePortFailure)
{
    activate();
    ASSERT_EQ(satsim({"unplug"}).exitCode, 0);
    const SatResponse response = GetParam().call(client);
    EXPECT_EQ(response.text(), GetParam().text);
    EXPECT_EQ(error().code, 1);
    EXPECT_EQ(client.decodedPayload().text(), "");

    ASSERT_EQ(satsim({"plug"}).exitCode, 0);
    GetParam().call(client);
    EXPECT_NE(error().code, 1);
}

const std::string port = "Erro ao tentar abrir a porta de comunicacao";

INSTANTIATE_TEST_SUITE_P(
    Satsim, Unplugged,
    testing::Values(
        PortCase{"AtivarSAT",
                 [](SatClient& c) { return c.AtivarSAT(1, demo::code, demo::taxpayer, 35); }, port},
        PortCase{"AssociarAssinatura",
                 [](SatClient& c) {
                     return c.AssociarAssinatura(demo::softwareHouse + demo::taxpayer,
                                                 demo::signature);
                 },
                 port},
        PortCase{"ConfigurarInterfaceDeRede",
                 [](SatClient& c) { return c.ConfigurarInterfaceDeRede("<config/>"); }, port},
        PortCase{"ConsultarStatusOperacional",
                 [](SatClient& c) { return c.ConsultarStatusOperacional(); }, port},
        PortCase{"ExtrairLogs", [](SatClient& c) { return c.ExtrairLogs(); },
                 "Erro ao tentar abrir a porta"},
        PortCase{"EnviarDadosVenda",
                 [](SatClient& c) { return c.EnviarDadosVenda(endToEndDocument); }, port},
        PortCase{"CancelarUltimaVenda",
                 [](SatClient& c) { return c.CancelarUltimaVenda("CFe1", "<CFeCanc/>"); }, port},
        PortCase{"TesteFimAFim", [](SatClient& c) { return c.TesteFimAFim(endToEndDocument); },
                 port},
        PortCase{"ConsultarSAT", [](SatClient& c) { return c.ConsultarSAT(); }, port},
        PortCase{"BloquearSAT", [](SatClient& c) { return c.BloquearSAT(); }, port},
        PortCase{"DesbloquearSAT", [](SatClient& c) { return c.DesbloquearSAT(); }, port},
        PortCase{"TrocarCodigoDeAtivacao",
                 [](SatClient& c) {
                     return c.TrocarCodigoDeAtivacao(demo::code, 1, "novocodigo", "novocodigo");
                 },
                 port},
        PortCase{"AtualizarSoftwareSAT", [](SatClient& c) { return c.AtualizarSoftwareSAT(); },
                 port}),
    CaseName());

TEST_F(SatsimTest, UnpluggedDeviceDoesNothing)
{
    activate();
    ASSERT_EQ(satsim({"unplug"}).exitCode, 0);
    client.BloquearSAT();
    client.AtualizarSoftwareSAT();
    ASSERT_EQ(satsim({"plug"}).exitCode, 0);
    const SatResponse status = client.ConsultarStatusOperacional();
    EXPECT_EQ(field(status, 28), "0");
    EXPECT_EQ(field(status, 19), "01.00.00");
}

struct FaultCase {
    const char* name;
    std::string kind;
    std::string textHolds;
    std::int32_t code;
};

class TransportFault : public SimulatorTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(TransportFault, LastsForItsCallsOfItsFunction)
{
    activate();
    ASSERT_EQ(
        satsim({"fault", GetParam().kind, "--times", "3", "--only", "consultarstatusoperacional"})
            .exitCode,
        0);
    // Another function is not affected and does not use up the fault.
    client.BloquearSAT();
    EXPECT_EQ(error().code, 16000);
    for (int i = 0; i < 3; ++i) {
        const SatResponse status = client.ConsultarStatusOperacional();
        EXPECT_NE(status.text().find(GetParam().textHolds), std::string::npos) << status.text();
        EXPECT_FALSE(status.contains("Sucesso"));
        EXPECT_EQ(error().code, GetParam().code);
    }
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000");
    EXPECT_NE(satsim({"status"}).out.find("Falha programada: nenhuma\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Satsim, TransportFault,
    testing::Values(
        FaultCase{"timeout", "timeout", "Timeout", 0x8000},
        FaultCase{"noCts", "cts", "Sem sinal CTS", 0x8001},
        FaultCase{"unrecognised", "unknown", "Comando recebido do equipamento não reconhecido", 4},
        FaultCase{"busy", "busy", "000012|10098|SAT em processamento. Tente novamente.", 10098}),
    CaseName());

TEST_F(SatsimTest, FaultWithoutCountLastsUntilCleared)
{
    activate();
    ASSERT_EQ(satsim({"fault", "busy"}).out,
              "Falha programada: SAT em processamento, em todas as funções, até \"satsim fault "
              "clear\".\n");
    for (int i = 0; i < 5; ++i) {
        client.BloquearSAT();
        EXPECT_EQ(error().code, 16098);
        EXPECT_EQ(error().msg, "SAT em processamento. Tente novamente.");
    }
    ASSERT_EQ(satsim({"fault", "clear"}).exitCode, 0);
    client.BloquearSAT();
    EXPECT_EQ(error().code, 16000);
}

TEST_F(SatsimTest, ChosenAnswerForTheNextCallsOfAFunction)
{
    ASSERT_EQ(satsim({"fault", "answer", "ConsultarSAT", "000012|08000|Resposta escolhida||",
                      "--times", "2"})
                  .exitCode,
              0);
    ASSERT_EQ(satsim({"fault", "answer", "BloquearSAT", "qualquer texto", "--code", "2",
                      "--message", "Mensagem própria"})
                  .exitCode,
              0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(client.ConsultarSAT().text(), "000012|08000|Resposta escolhida||");
        EXPECT_EQ(error().code, 8000);
        EXPECT_EQ(error().msg, "Resposta escolhida");
    }
    EXPECT_EQ(client.ConsultarSAT().text(), "000012|08000|SAT em operação.||");
    EXPECT_EQ(client.BloquearSAT().text(), "qualquer texto");
    EXPECT_EQ(error().code, 2);
    EXPECT_EQ(error().msg, "Mensagem própria");
}

TEST_F(SatsimTest, ClockCanBeSetAndMoved)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    ASSERT_EQ(satsim({"clock", "set", "20250102030405"}).out,
              "Relógio do SAT: 02/01/2025 03:04:05\n");
    const std::string clock = field(client.ConsultarStatusOperacional(), 18);
    EXPECT_EQ(clock.substr(0, 12), "202501020304") << clock;
    ASSERT_EQ(satsim({"clock", "advance", "-1d"}).exitCode, 0);
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 18).substr(0, 8), "20250101");
    ASSERT_EQ(satsim({"clock", "reset"}).exitCode, 0);
    EXPECT_EQ(satsim({"clock"}).out.substr(0, 8),
              field(client.ConsultarStatusOperacional(), 18).substr(0, 8));
}

TEST_F(SatsimTest, AutonomousBlockEndsWithTheNextTransmission)
{
    activate();
    associate();
    ASSERT_EQ(satsim({"set", "lock", "3"}).exitCode, 0);
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 28), "3");
    client.EnviarDadosVenda(endToEndDocument);
    EXPECT_EQ(error().code, 6008);
    EXPECT_EQ(error().msg, "SAT bloqueado por falta de comunicação");
    client.DesbloquearSAT();
    EXPECT_EQ(error().code, 17006);
    const Run transmit = satsim({"transmit"});
    EXPECT_EQ(transmit.out, "0 CF-e transmitidos à SEFAZ.\n");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 28), "0");
    sell(endToEndDocument);
}

struct LockCase {
    const char* name;
    std::string state;
    int saleRefusal;
    int unblockRefusal;
};

class OtherLocks : public SimulatorTest, public testing::WithParamInterface<LockCase> {};

TEST_P(OtherLocks, RefuseSalesAndCannotBeLiftedByTheTaxpayer)
{
    activate();
    associate();
    ASSERT_EQ(satsim({"set", "lock", GetParam().state}).exitCode, 0);
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 28), GetParam().state);
    client.EnviarDadosVenda(endToEndDocument);
    EXPECT_EQ(error().code, GetParam().saleRefusal);
    client.BloquearSAT();
    EXPECT_EQ(error().code, 16002);
    client.DesbloquearSAT();
    EXPECT_EQ(error().code, GetParam().unblockRefusal);
}

INSTANTIATE_TEST_SUITE_P(Satsim, OtherLocks,
                         testing::Values(LockCase{"sefaz", "1", 6007, 17003},
                                         LockCase{"deactivation", "4", 6007, 17007}),
                         CaseName());

TEST_F(SatsimTest, LinkAndBatteryShowInTheStatus)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    ASSERT_EQ(satsim({"set", "link", "down"}).exitCode, 0);
    ASSERT_EQ(satsim({"set", "battery", "BAIXO"}).exitCode, 0);
    const SatResponse status = client.ConsultarStatusOperacional();
    EXPECT_EQ(field(status, 14), "NAO_CONECTADO");
    EXPECT_EQ(field(status, 15), "BAIXO");
    EXPECT_EQ(field(status, 8), "000.000.000.000") << "no address leased without a cable";

    // Without a network the device cannot reach the tax authority to activate.
    client.AtivarSAT(1, demo::code, demo::taxpayer, 35);
    EXPECT_EQ(error().code, 4005);
    EXPECT_EQ(satsim({"transmit"}).exitCode, 2);
}

TEST_F(SatsimTest, LogPrintsTheRecords)
{
    activate();
    const Run log = satsim({"log"});
    EXPECT_EQ(log.exitCode, 0);
    EXPECT_NE(log.out.find("|SAT|info|FABRICA:"), std::string::npos) << log.out;
    EXPECT_NE(log.out.find("|AC-SAT|info|COMANDO:Comando AtivarSAT recebido, sessão 000012\n"),
              std::string::npos);
    EXPECT_NE(log.out.find("|SAT-SEFAZ|info|ATIVACAO:SAT ativado para o CNPJ 48213907000165 "
                           "(AC-SAT)\n"),
              std::string::npos);
}

// Three wrong codes in a row block sales and cancels for a while, even with the right code; a
// right code before that, or the block's end, starts the count again.
TEST_F(SatsimTest, WrongCodesBlockSalesForAWhile)
{
    activate();
    associate();
    auto wrongCodes = [&](int count) {
        ASSERT_TRUE(context.setActivationCode("87654321"));
        for (int i = 0; i < count; ++i)
            client.ConsultarStatusOperacional();
        ASSERT_TRUE(context.setActivationCode(demo::code));
    };
    wrongCodes(2);
    client.ConsultarStatusOperacional();
    wrongCodes(2);
    sell(endToEndDocument);

    wrongCodes(3);
    client.EnviarDadosVenda(endToEndDocument);
    EXPECT_EQ(error().code, 6009);
    EXPECT_EQ(error().msg.rfind("SAT bloqueado, código de ativação incorreto: até ", 0), 0u)
        << error().msg;
    EXPECT_NE(satsim({"status"}).out.find("vendas e cancelamentos bloqueados até"),
              std::string::npos);
    client.ConsultarStatusOperacional();
    EXPECT_EQ(error().code, 10000) << "other functions take the right code";

    ASSERT_EQ(satsim({"clock", "advance", "9m"}).exitCode, 0);
    client.EnviarDadosVenda(endToEndDocument);
    EXPECT_EQ(error().code, 6009);
    ASSERT_EQ(satsim({"clock", "advance", "2m"}).exitCode, 0);
    wrongCodes(1);
    sell(endToEndDocument);

    ASSERT_EQ(satsim({"set", "code-block", "90s"}).exitCode, 0);
    wrongCodes(3);
    client.EnviarDadosVenda(endToEndDocument);
    EXPECT_EQ(error().code, 6009);
    ASSERT_EQ(satsim({"clock", "advance", "91s"}).exitCode, 0);
    sell(endToEndDocument);

    ASSERT_EQ(satsim({"set", "code-block", "0"}).exitCode, 0);
    wrongCodes(5);
    sell(endToEndDocument);
}

// A slow call answers as always, only after its time; other functions are not slowed.
TEST_F(SatsimTest, SlowCallAnswersAfterItsTime)
{
    const Run set = satsim({"fault", "slow", "1s", "--times", "1", "--only", "AtivarSAT"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(
        satsim({"status"})
            .out.find(
                "Falha programada: resposta demorada (1 s), em AtivarSAT, nas próximas 1 chamadas"),
        std::string::npos);
    auto timed = [](const std::function<void()>& call) {
        const auto start = std::chrono::steady_clock::now();
        call();
        return std::chrono::steady_clock::now() - start;
    };
    EXPECT_LT(timed([&] { client.ConsultarSAT(); }), std::chrono::milliseconds(900));
    EXPECT_GE(timed([&] { client.AtivarSAT(1, demo::code, demo::taxpayer, 35); }),
              std::chrono::seconds(1));
    EXPECT_EQ(error().code, 4000);
    EXPECT_LT(timed([&] { client.AtivarSAT(1, demo::code, demo::taxpayer, 35); }),
              std::chrono::milliseconds(900));
    EXPECT_EQ(error().code, 4003);
}

} // namespace
