#include "ActivationCodeChange.h"
#include "AppContext.h"
#include "DeviceLock.h"
#include "Recorders.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

namespace {

using Arg = std::optional<std::string>;
using Messages = std::vector<std::string>;

const std::string blanks30(30, ' ');
const std::string tooShort = "Código de ativação deve ter no minimo 8 caracteres";
const std::string differ = "Código de ativação não é igual ao confirmação do código de ativação";
const std::string tooLong = "O código de ativação deve ter no máximo 99 caracteres.";
const std::string portFailure =
    "Erro ao Abrir Porta de Comunicação\n Verifique se: driver instalado, SAT conectado";

class CodeChangeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(context.setActivationCode("stored01"));
        device.setFallback({"000012|18000|Código alterado", 0, "Trocado"});
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    ActivationCodeChange change{client};
};

struct Typed {
    bool checked; // the dialog, or the full-screen screen
    ActivationCodeChange::Fields fields;
};

struct Answered {
    Messages messages;
    std::vector<Arg> sent; // empty: nothing sent
};

class CodeChange : public CodeChangeTest,
                   public testing::WithParamInterface<Row<Typed, Answered>> {};

TEST_P(CodeChange, ChecksAndArguments)
{
    const Typed& typed = GetParam().input;
    const Answered& expected = GetParam().expected;
    const Outcome outcome =
        typed.checked ? change.change(typed.fields) : change.changeWithoutChecks(typed.fields);
    EXPECT_EQ(outcome.messages, expected.messages);
    EXPECT_EQ(outcome.kind == Outcome::Kind::BadInput, expected.sent.empty());
    const auto calls = device.calls();
    if (expected.sent.empty()) {
        EXPECT_TRUE(calls.empty());
        return;
    }
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "TrocarCodigoDeAtivacao");
    EXPECT_EQ(calls[0].args, expected.sent);
    EXPECT_EQ(calls[1].function, "CodigoErro");
    EXPECT_EQ(context.activationCode(), "stored01");
}

constexpr auto activationCode = ProofCode::ActivationCode;
constexpr auto emergencyCode = ProofCode::EmergencyCode;
const std::string hundred(100, 'h');
const std::string ninetyNine(99, 'n');

INSTANTIATE_TABLE(
    ActivationCodeChange, CodeChange,
    {"dialogSevenCharacters",
     {true, {"whatever", activationCode, "1234567", "1234567"}},
     {{tooShort}, {}}},
    {"dialogShortBeforeDiffering", {true, {"", activationCode, "1234567", "x"}}, {{tooShort}, {}}},
    {"dialogSevenAccented", {true, {"", activationCode, "ççççççç", "ççççççç"}}, {{tooShort}, {}}},
    {"dialogDiffering", {true, {"cur", activationCode, "12345678", "12345679"}}, {{differ}, {}}},
    {"dialogTooLong", {true, {"cur", activationCode, hundred, hundred}}, {{tooLong}, {}}},
    {"dialogEightCharactersShortCurrentCode",
     {true, {"ab", activationCode, "12345678", "12345678"}},
     {{"Trocado" + blanks30}, {"12", "ab", "1", "12345678", "12345678"}}},
    {"dialogEmergencyCodeInWindows1252",
     {true, {"emergência", emergencyCode, "novoçódigo", "novoçódigo"}},
     {{"Trocado" + blanks30},
      {"12", "emerg\xEAncia", "2",
       "novo\xE7\xF3"
       "digo",
       "novo\xE7\xF3"
       "digo"}}},
    {"dialogNinetyNine",
     {true, {"cur", activationCode, ninetyNine, ninetyNine}},
     {{"Trocado" + blanks30}, {"12", "cur", "1", ninetyNine, ninetyNine}}},
    {"fullScreenShortAndDifferingAreSent",
     {false, {"cur", activationCode, "abc", "xyz"}},
     {{"Trocado" + blanks30}, {"12", "cur", "1", "abc", "xyz"}}},
    {"fullScreenEmergency",
     {false, {"EMERG", emergencyCode, "", ""}},
     {{"Trocado" + blanks30}, {"12", "EMERG", "2", "", ""}}},
    {"fullScreenTooLong", {false, {"cur", activationCode, hundred, "x"}}, {{tooLong}, {}}});

TEST_F(CodeChangeTest, PortFailureIsFollowedByTheReport)
{
    device.setFallback({"Erro ao tentar abrir a porta de comunicacao", 0x8000, "x"});
    const std::string timeout = "   TimeOut: Equipamento não está respondendo as mensagens.";
    for (const Outcome& outcome :
         {change.change({"cur", ProofCode::ActivationCode, "12345678", "12345678"}),
          change.changeWithoutChecks({"cur", ProofCode::ActivationCode, "1", "2"})}) {
        EXPECT_EQ(outcome.messages, (Messages{portFailure, timeout}));
        EXPECT_EQ(outcome.kind, Outcome::Kind::Transport);
    }
}

TEST_F(CodeChangeTest, PortFailureTextWithinALongerAnswerIsOnlyReported)
{
    device.setFallback({"Erro ao tentar abrir a porta de comunicacao ", 0, "resposta"});
    const Outcome outcome =
        change.change({"cur", ProofCode::ActivationCode, "12345678", "12345678"});
    EXPECT_EQ(outcome.messages, Messages{"resposta" + blanks30});
    EXPECT_EQ(outcome.kind, Outcome::Kind::Refused);
    ASSERT_TRUE(outcome.record);
    EXPECT_EQ(outcome.record->code, 0);
}

TEST_F(CodeChangeTest, LaterOperationsStillSendTheStoredCode)
{
    device.setFallback({"Código alterado com Sucesso", 0, "ok"});
    change.change({"stored01", ProofCode::ActivationCode, "brandnew", "brandnew"});
    DeviceLock(client).block();
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2].function, "BloquearSAT");
    EXPECT_EQ(calls[2].args, (std::vector<Arg>{"12", "stored01"}));
    EXPECT_EQ(context.activationCode(), "stored01");
}

TEST(CodeChangeWithoutLibrary, OneMessageSaysWhy)
{
    AppContext context;
    SatClient client(context, "libnosuchdevice.so");
    ActivationCodeChange change(client);
    const Outcome outcome =
        change.changeWithoutChecks({"cur", ProofCode::ActivationCode, "a", "a"});
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages[0].find("libnosuchdevice.so"), std::string::npos);
    EXPECT_EQ(outcome.kind, Outcome::Kind::Transport);
    EXPECT_FALSE(outcome.record);
}

struct LockCase {
    const char* name;
    bool block;
    std::string stored;
    TestDevice::Answer answer;
    std::string function;
    std::string message;
    Outcome::Kind kind;
};

class DeviceLockCalls : public testing::TestWithParam<LockCase> {
protected:
    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    DeviceLock lock{client};
};

TEST_P(DeviceLockCalls, ExactlyOneCallThenTheReport)
{
    const LockCase& c = GetParam();
    ASSERT_TRUE(context.setActivationCode(c.stored));
    device.setFallback(c.answer);
    const Outcome outcome = c.block ? lock.block() : lock.unblock();
    EXPECT_EQ(outcome.messages, Messages{c.message});
    EXPECT_EQ(outcome.kind, c.kind);
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, c.function);
    EXPECT_EQ(calls[0].args, (std::vector<Arg>{"12", c.stored}));
    EXPECT_EQ(calls[1].function, "CodigoErro");
}

INSTANTIATE_TEST_SUITE_P(DeviceLock, DeviceLockCalls,
                         testing::Values(LockCase{"block",
                                                  true,
                                                  "12345678",
                                                  {"ignored", 16000, "Bloqueado"},
                                                  "BloquearSAT",
                                                  "Bloqueado" + blanks30,
                                                  Outcome::Kind::Done},
                                         LockCase{"unblock",
                                                  false,
                                                  "12345678",
                                                  {"ignored", 0, "Desbloqueado"},
                                                  "DesbloquearSAT",
                                                  "Desbloqueado" + blanks30,
                                                  Outcome::Kind::Refused},
                                         LockCase{"notConnected",
                                                  false,
                                                  "12345678",
                                                  {"Sucesso", 1, "device text"},
                                                  "DesbloquearSAT",
                                                  "   Porta de comunicação não conectada.   ",
                                                  Outcome::Kind::Transport},
                                         LockCase{"emptyStoredCode",
                                                  true,
                                                  "",
                                                  {"", 2,
                                                   "C\xC3\xB3"
                                                   "digo inv\xC3\xA1lido"},
                                                  "BloquearSAT",
                                                  "Código inválido" + blanks30,
                                                  Outcome::Kind::Refused}),
                         CaseName());

} // namespace
