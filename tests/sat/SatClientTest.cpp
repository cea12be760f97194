#include "SatClient.h"
#include "AppContext.h"
#include "Programs.h"
#include "TestDevice.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace {

using Args = std::vector<std::optional<std::string>>;

#if defined(_WIN32)
const std::string partialLibrary = "dllsat_partial.dll";
const std::string libraryFile = "dllsat.dll";
const std::string missingLibrary = "nosuchdevice.dll";
#else
const std::string partialLibrary = "libdllsat_partial.so";
const std::string libraryFile = "libdllsat.so";
const std::string missingLibrary = "libnosuchdevice.so";
#endif

class SatClientTest : public testing::Test {
protected:
    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
};

// "Código€1" as the stored code, already in Windows-1252.
const std::string storedCode = "C\xF3"
                               "digo\x80"
                               "1";

struct CallCase {
    const char* name;
    std::function<SatResponse(SatClient&)> call;
    const char* function;
    Args args; // what the library must receive, byte for byte
};

class EveryFunction : public SatClientTest, public testing::WithParamInterface<CallCase> {};

TEST_P(EveryFunction, SendsSession12TheRightCodeAndWindows1252Bytes)
{
    ASSERT_TRUE(context.setActivationCode(storedCode));
    device.script(GetParam().function, {"000012|00000|ok", 0, "", ""});

    const SatResponse response = GetParam().call(client);

    ASSERT_TRUE(response.reached()) << response.failure();
    EXPECT_EQ(response.text(), "000012|00000|ok");
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 1u) << "one library call per operation, no error query of its own";
    EXPECT_EQ(calls[0].function, GetParam().function);
    EXPECT_EQ(calls[0].args, GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    SatClient, EveryFunction,
    testing::Values(
        CallCase{"AtivarSAT",
                 [](SatClient& c) { return c.AtivarSAT(1, "ação€12", "48213907000165", 35); },
                 "AtivarSAT",
                 {"12", "1",
                  "a\xE7\xE3o\x80"
                  "12",
                  "48213907000165", "35"}},
        CallCase{"AssociarAssinatura",
                 [](SatClient& c) {
                     return c.AssociarAssinatura("1061528100014048213907000165", "SGR ç");
                 },
                 "AssociarAssinatura",
                 {"12", storedCode, "1061528100014048213907000165", "SGR \xE7"}},
        CallCase{"ConfigurarInterfaceDeRede",
                 [](SatClient& c) { return c.ConfigurarInterfaceDeRede("<config/>\n"); },
                 "ConfigurarInterfaceDeRede",
                 {"12", storedCode, "<config/>\n"}},
        CallCase{"ConsultarStatusOperacional",
                 [](SatClient& c) { return c.ConsultarStatusOperacional(); },
                 "ConsultarStatusOperacional",
                 {"12", storedCode}},
        CallCase{"ExtrairLogs",
                 [](SatClient& c) { return c.ExtrairLogs(); },
                 "ExtrairLogs",
                 {"12", storedCode}},
        // Documents go as the bytes given: a sale is re-encoded by its caller, a cancel is not.
        CallCase{"EnviarDadosVenda",
                 [](SatClient& c) { return c.EnviarDadosVenda("<CFe>\xE7</CFe>"); },
                 "EnviarDadosVenda",
                 {"12", storedCode, "<CFe>\xE7</CFe>"}},
        CallCase{"CancelarUltimaVenda",
                 [](SatClient& c) {
                     return c.CancelarUltimaVenda("CFe35150948213907000165599000001230000011234561",
                                                  "<CFeCanc>ç</CFeCanc>");
                 },
                 "CancelarUltimaVenda",
                 {"12", storedCode, "CFe35150948213907000165599000001230000011234561",
                  "<CFeCanc>ç</CFeCanc>"}},
        CallCase{"TesteFimAFim",
                 [](SatClient& c) { return c.TesteFimAFim("<CFe/>"); },
                 "TesteFimAFim",
                 {"12", storedCode, "<CFe/>"}},
        CallCase{
            "ConsultarSAT", [](SatClient& c) { return c.ConsultarSAT(); }, "ConsultarSAT", {"12"}},
        CallCase{"BloquearSAT",
                 [](SatClient& c) { return c.BloquearSAT(); },
                 "BloquearSAT",
                 {"12", storedCode}},
        CallCase{"DesbloquearSAT",
                 [](SatClient& c) { return c.DesbloquearSAT(); },
                 "DesbloquearSAT",
                 {"12", storedCode}},
        CallCase{"TrocarCodigoDeAtivacao",
                 [](SatClient& c) {
                     return c.TrocarCodigoDeAtivacao("emergência", 2, "novo€código", "novo€código");
                 },
                 "TrocarCodigoDeAtivacao",
                 {"12", "emerg\xEAncia", "2",
                  "novo\x80"
                  "c\xF3"
                  "digo",
                  "novo\x80"
                  "c\xF3"
                  "digo"}},
        CallCase{"AtualizarSoftwareSAT",
                 [](SatClient& c) { return c.AtualizarSoftwareSAT(); },
                 "AtualizarSoftwareSAT",
                 {"12", storedCode}}),
    CaseName());

struct DefaultCodeCase {
    const char* name;
    std::function<SatResponse(SatClient&)> call;
    const char* expectedCode;
};

class WithoutStoredCode : public SatClientTest,
                          public testing::WithParamInterface<DefaultCodeCase> {};

TEST_P(WithoutStoredCode, OnlyLogsAndNetworkSendTheDefaultCode)
{
    GetParam().call(client);
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_GE(calls[0].args.size(), 2u);
    EXPECT_EQ(calls[0].args[1], std::optional<std::string>(GetParam().expectedCode));
}

INSTANTIATE_TEST_SUITE_P(
    SatClient, WithoutStoredCode,
    testing::Values(
        DefaultCodeCase{"ExtrairLogs", [](SatClient& c) { return c.ExtrairLogs(); }, "24681357"},
        DefaultCodeCase{"ConfigurarInterfaceDeRede",
                        [](SatClient& c) { return c.ConfigurarInterfaceDeRede("<config/>"); },
                        "24681357"},
        DefaultCodeCase{"BloquearSAT", [](SatClient& c) { return c.BloquearSAT(); }, ""},
        DefaultCodeCase{"DesbloquearSAT", [](SatClient& c) { return c.DesbloquearSAT(); }, ""},
        DefaultCodeCase{"ConsultarStatusOperacional",
                        [](SatClient& c) { return c.ConsultarStatusOperacional(); }, ""},
        DefaultCodeCase{"AssociarAssinatura",
                        [](SatClient& c) { return c.AssociarAssinatura("1", "s"); }, ""},
        DefaultCodeCase{"EnviarDadosVenda",
                        [](SatClient& c) { return c.EnviarDadosVenda("<CFe/>"); }, ""},
        DefaultCodeCase{"CancelarUltimaVenda",
                        [](SatClient& c) { return c.CancelarUltimaVenda("", "<CFeCanc/>"); }, ""},
        DefaultCodeCase{"TesteFimAFim", [](SatClient& c) { return c.TesteFimAFim("<CFe/>"); }, ""},
        DefaultCodeCase{"AtualizarSoftwareSAT",
                        [](SatClient& c) { return c.AtualizarSoftwareSAT(); }, ""}),
    CaseName());

TEST_F(SatClientTest, SessionNumberIs12OnEveryCall)
{
    ASSERT_TRUE(context.setActivationCode("12345678"));
    client.ConsultarSAT();
    client.BloquearSAT();
    client.ConsultarStatusOperacional();
    client.ConsultarSAT();
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 4u);
    for (const auto& call : calls)
        EXPECT_EQ(call.args.at(0), std::optional<std::string>("12")) << call.function;
}

TEST_F(SatClientTest, LibraryIsLoadedOnFirstUseAndKept)
{
    EXPECT_EQ(context.hDLLSat, nullptr);
    client.ConsultarSAT();
    void* handle = context.hDLLSat;
    EXPECT_NE(handle, nullptr);
    client.BloquearSAT();
    EXPECT_EQ(context.hDLLSat, handle);
}

TEST_F(SatClientTest, TypedTextsOf100CharactersOrMoreGoWhole)
{
    const std::string longCode(150, '7');
    client.TrocarCodigoDeAtivacao(longCode, 1, longCode + "ç", longCode);
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[1], std::optional<std::string>(longCode));
    EXPECT_EQ(calls[0].args[3], std::optional<std::string>(longCode + "\xE7"));
}

struct ReportCase {
    const char* name;
    std::int32_t code;
    std::string msg;
    std::string expected;
};

class StandardReport : public SatClientTest, public testing::WithParamInterface<ReportCase> {};

TEST_P(StandardReport, ShowsTheFixedTextOrTheDevicesMessageWith30Blanks)
{
    device.script("BloquearSAT", {"000012|16000|x", GetParam().code, GetParam().msg, ""});
    client.BloquearSAT();
    EXPECT_EQ(client.standardReport(), GetParam().expected);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"BloquearSAT", "CodigoErro"}));
}

const std::string blanks30(30, ' ');

INSTANTIATE_TEST_SUITE_P(
    SatClient, StandardReport,
    testing::Values(
        ReportCase{"noError", 0, "Equipamento SAT bloqueado com sucesso.",
                   "Equipamento SAT bloqueado com sucesso." + blanks30},
        ReportCase{"noConnect", 1, "ignored", "   Porta de comunicação não conectada.   "},
        ReportCase{"code2IsNotTransport", 2, "Mensagem do SAT", "Mensagem do SAT" + blanks30},
        ReportCase{"unknownCommand", 4, "ignored",
                   "    Comando recebido do equipamento não reconhecido.  "},
        ReportCase{"timeout", 0x8000, "ignored",
                   "   TimeOut: Equipamento não está respondendo as mensagens."},
        ReportCase{"noCts", 0x8001, "Mensagem do SAT", "   Sem Sinal CTS.   "},
        ReportCase{"activated", 4000, "Ativado corretamente", "Ativado corretamente" + blanks30},
        ReportCase{"utf8Message", 8001, "Código de ativação inválido",
                   "Código de ativação inválido" + blanks30},
        ReportCase{"invalidUtf8Message", 8001,
                   "C\xF3"
                   "digo",
                   "C\xEF\xBF\xBD"
                   "digo" +
                       blanks30},
        ReportCase{"formatDirectivesAreText", 9, "%s %n %d %%", "%s %n %d %%" + blanks30},
        // A record filled to its last byte has no terminator: only 299 bytes are read.
        ReportCase{"unterminatedMessage", 77, std::string(300, 'm'),
                   std::string(299, 'm') + blanks30}),
    CaseName());

TEST(SatClientHelpers, TransportMessagesWithTheirBlanks)
{
    EXPECT_EQ(SatClient::transportMessage(1), "   Porta de comunicação não conectada.   ");
    EXPECT_EQ(SatClient::transportMessage(4),
              "    Comando recebido do equipamento não reconhecido.  ");
    EXPECT_EQ(SatClient::transportMessage(32768),
              "   TimeOut: Equipamento não está respondendo as mensagens.");
    EXPECT_EQ(SatClient::transportMessage(32769), "   Sem Sinal CTS.   ");
    for (const std::int32_t code : {0, 2, 3, 5, 4000, 32770, -1})
        EXPECT_EQ(SatClient::transportMessage(code), std::nullopt) << code;
}

TEST(SatClientHelpers, PortFailureIsTheWholeTextOnly)
{
    const std::string port = "Erro ao tentar abrir a porta de comunicacao";
    EXPECT_TRUE(SatClient::isPortFailure(SatResponse(port)));
    EXPECT_FALSE(SatClient::isPortFailure(SatResponse(port + "|")));
    EXPECT_FALSE(SatClient::isPortFailure(SatResponse(port + " ")));
    EXPECT_FALSE(SatClient::isPortFailure(SatResponse("000012|" + port)));
    EXPECT_FALSE(SatClient::isPortFailure(SatResponse("Erro ao tentar abrir a porta")));
    EXPECT_FALSE(
        SatClient::isPortFailure(SatResponse("erro ao tentar abrir a porta de comunicacao")));
    EXPECT_FALSE(SatClient::isPortFailure(SatResponse::notReached(port)));
}

TEST(SatClientHelpers, DetailTextAddsExactly30Blanks)
{
    EXPECT_EQ(SatClient::detailText("Bloqueado"), "Bloqueado                              ");
    EXPECT_EQ(SatClient::detailText(""), std::string(30, ' '));
    EXPECT_EQ(SatClient::detailText("a  "), "a  " + std::string(30, ' '));
}

TEST_F(SatClientTest, ResultTextsAreKeptByteForByte)
{
    const std::string raw = "000012|06000|Emitido com sucesso|\xE7\xFF|";
    device.script("EnviarDadosVenda", {raw, 6000, "", ""});
    const SatResponse response = client.EnviarDadosVenda("<CFe/>");
    EXPECT_EQ(response.text(), raw);
    EXPECT_EQ(response.field(4), std::optional<std::string_view>("\xE7\xFF"));
}

TEST_F(SatClientTest, NullResultIsAnEmptyText)
{
    device.script("ConsultarSAT", {std::nullopt, 0, "", ""});
    const SatResponse response = client.ConsultarSAT();
    EXPECT_TRUE(response.reached());
    EXPECT_EQ(response.text(), "");
    EXPECT_FALSE(response.contains("Sucesso"));
}

TEST_F(SatClientTest, DecodedPayloadIsThePayloadOfTheLastCall)
{
    const std::string log = "HEADER\n20150312093005|two|three|four:msg \xE7\n";
    device.script("ExtrairLogs",
                  {"000012|15000|Transferência completa|", 0, "", TestDevice::base64(log)});
    client.ExtrairLogs();
    const SatResponse payload = client.decodedPayload();
    ASSERT_TRUE(payload.reached());
    EXPECT_EQ(payload.text(), log);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"ExtrairLogs", "Base64ToAscii"}));
}

TEST_F(SatClientTest, LastErrorGivesTheRecordOfTheLastCall)
{
    device.script("AtivarSAT", {"000012|04000|Ativado corretamente|", 4000, "Ativado", ""});
    device.script("BloquearSAT", {"000012|16002|SAT já bloqueado|", 16002, "SAT já bloqueado", ""});
    client.AtivarSAT(1, "12345678", "48213907000165", 35);
    EXPECT_EQ(client.lastError().code, 4000);
    client.BloquearSAT();
    const SatClient::Error error = client.lastError();
    EXPECT_TRUE(error.reached());
    EXPECT_EQ(error.code, 16002);
    EXPECT_EQ(error.msg, "SAT já bloqueado");
}

TEST(SatClientLoading, MissingLibraryIsReportedByNameAndNothingIsCalled)
{
    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client(context, missingLibrary);

    const SatResponse response = client.BloquearSAT();
    EXPECT_FALSE(response.reached());
    EXPECT_NE(response.failure().find("Não foi possível carregar a biblioteca do SAT \"" +
                                      missingLibrary + "\"."),
              std::string::npos)
        << response.failure();
    EXPECT_EQ(context.hDLLSat, nullptr);
    EXPECT_NE(client.standardReport().find("\"" + missingLibrary + "\""), std::string::npos);
    EXPECT_FALSE(client.decodedPayload().reached());
    EXPECT_TRUE(device.calls().empty());
}

TEST(SatClientLoading, NextAttemptLoadsAgain)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "vexor-load-again";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path copy = folder / libraryFile;

    AppContext context;
    SatClient client(context, copy.string());
    EXPECT_FALSE(client.ConsultarSAT().reached());
    EXPECT_EQ(context.hDLLSat, nullptr);

    // The library appears (driver installed meanwhile): the next call finds it.
    fs::copy_file(programs::testDeviceFolder() / libraryFile, copy);
    EXPECT_TRUE(client.ConsultarSAT().reached());
    EXPECT_NE(context.hDLLSat, nullptr);
}

TEST(SatClientLoading, MissingFunctionIsReportedByNameAndOthersStillWork)
{
    AppContext context;
    SatClient client(context, partialLibrary);

    const SatResponse logs = client.ExtrairLogs();
    EXPECT_FALSE(logs.reached());
    EXPECT_EQ(logs.failure(),
              "A função \"ExtrairLogs\" não foi encontrada na biblioteca do SAT \"" +
                  partialLibrary + "\".");
    EXPECT_NE(context.hDLLSat, nullptr);

    EXPECT_TRUE(client.BloquearSAT().reached());
}

} // namespace
