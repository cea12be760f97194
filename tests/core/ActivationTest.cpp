#include "Activation.h"
#include "AppContext.h"
#include "Recorders.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"
#include "TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

const std::string validCnpj = "48.213.907/0001-65";
const std::string activated = "SAT Ativado com sucesso!\n"
                              "Prossiga para etapa de vinculação do AC ao contribuinte\n"
                              "através do menu \"Associar Assinatura\"";
const std::string blanks30(30, ' ');

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the activation screen makes of a reply, on recorders: the message box, the message
// window, the request window and the save dialog.
struct Shown {
    RecordedMessages messages;
    RecordedMessageWindow window;
    RecordedRequests requests;
    QueuedFiles files;

    void present(const Activation::Reply& reply)
    {
        for (const std::string& message : reply.messages)
            messages.showMessage(message);
        if (reply.windowText)
            window.fillAndShow(*reply.windowText);
        if (!reply.request)
            return;
        requests.appendRequest(*reply.request);
        if (const auto path = files.chooseFileToSave()) {
            const textfile::WriteResult written = textfile::writeLines(*path, requests.lines);
            if (!written.ok)
                messages.showMessage(written.error);
        }
    }
};

class ActivationTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(context.setActivationCode("old code"));
        folder = fs::temp_directory_path() /
                 ("vexor-activation-" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    Activation::Reply activate(std::string_view code = "12345678",
                               std::string_view cnpj = validCnpj)
    {
        Activation::Reply reply = activation.activate({cnpj, code, code, CertificateKind::AcSat});
        shown.present(reply);
        return reply;
    }
    std::size_t filesInFolder() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    Activation activation{context, client};
    Shown shown;
    RecordedMessages& messages = shown.messages;
    RecordedMessageWindow& window = shown.window;
    RecordedRequests& requests = shown.requests;
    QueuedFiles& files = shown.files;
    fs::path folder;
};

struct Typed {
    std::string cnpj;
    std::string code;
    std::string confirmation;
};

// The fields typed, and the one message shown.
class ActivationRefusal : public ActivationTest,
                          public testing::WithParamInterface<Row<Typed, std::string>> {};

TEST_P(ActivationRefusal, FirstFailingCheckWinsAndNothingIsSent)
{
    const Typed& c = GetParam().input;
    const Activation::Reply reply =
        activation.activate({c.cnpj, c.code, c.confirmation, CertificateKind::AcSat});
    shown.present(reply);
    EXPECT_EQ(reply.kind, Outcome::Kind::BadInput);
    EXPECT_EQ(messages.shown, std::vector<std::string>{GetParam().expected});
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(window.filled.empty());
    EXPECT_EQ(context.activationCode(), "old code");
}

const std::string invalidCnpj = "          CNPJ Inválido.         ";
const std::string tooShort = "Código de ativação deve conter no mínimo 8 caracteres";
const std::string differ = "Código de ativação e de confirmação não são identicos";
const std::string tooLong = "O código de ativação deve ter no máximo 99 caracteres.";

INSTANTIATE_TABLE(Activation, ActivationRefusal,
                  {"untouchedMask", {"  .   .   /    -  ", "12345678", "12345678"}, invalidCnpj},
                  {"cnpjBeforeCode", {"48.213.907/0001-64", "1234", "9"}, invalidCnpj},
                  {"thirteenDigits", {"48.213.907/0001-6 ", "12345678", "12345678"}, invalidCnpj},
                  {"sevenCharactersMatching", {validCnpj, "1234567", "1234567"}, tooShort},
                  {"shortBeforeDiffering", {validCnpj, "1234567", "7654321"}, tooShort},
                  // Seven characters that take fourteen bytes in UTF-8.
                  {"sevenAccentedCharacters", {validCnpj, "ççççççç", "ççççççç"}, tooShort},
                  {"hundredCharacters",
                   {validCnpj, std::string(100, 'a'), std::string(100, 'a')},
                   tooLong},
                  {"tooLongBeforeDiffering", {validCnpj, std::string(100, 'a'), "x"}, tooLong},
                  {"differing", {validCnpj, "12345678", "12345679"}, differ},
                  {"differingInCase", {validCnpj, "abcdefgh", "ABCDEFGH"}, differ},
                  // Both would reach the device as "?" but the operator typed different codes.
                  {"differingUnmappable", {validCnpj, "abcdefg\u4e00", "abcdefg\u4e8c"}, differ});

TEST_F(ActivationTest, SendsSubcommandCodeDigitsAndStateCodeInWindows1252)
{
    device.setFallback({"000012|04000|Ativado com Sucesso", 4000});
    activate("açãoç123");
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "AtivarSAT");
    using Arg = std::optional<std::string>;
    EXPECT_EQ(calls[0].args, (std::vector<Arg>{"12", "1",
                                               "a\xE7\xE3o\xE7"
                                               "123",
                                               "48213907000165", "35"}));
    EXPECT_EQ(calls[1].function, "CodigoErro");
    EXPECT_EQ(context.activationCode(), "a\xE7\xE3o\xE7"
                                        "123");
}

TEST_F(ActivationTest, NinetyNineCharactersAreSentAndKept)
{
    device.setFallback({"Sucesso", 4000});
    activate(std::string(99, 'z'));
    EXPECT_EQ(context.activationCode(), std::string(99, 'z'));
    EXPECT_EQ(messages.shown, std::vector<std::string>{activated});
}

using Kind = Outcome::Kind;

struct Seen {
    Outcome::Kind kind;
    std::string storedAfter;
    std::vector<std::string> messages;
    std::vector<std::string> window;
};

class ActivationOutcome : public ActivationTest,
                          public testing::WithParamInterface<Row<TestDevice::Answer, Seen>> {};

TEST_P(ActivationOutcome, StoredCodeAndWhatTheOperatorSees)
{
    const Seen& seen = GetParam().expected;
    device.setFallback(GetParam().input);
    EXPECT_EQ(activate("new code").kind, seen.kind);
    EXPECT_EQ(context.activationCode(), seen.storedAfter);
    EXPECT_EQ(messages.shown, seen.messages);
    EXPECT_EQ(window.filled, seen.window);
    EXPECT_EQ(requests.appended, 0);
}

INSTANTIATE_TABLE(
    Activation, ActivationOutcome,
    {"successAndActivated",
     {"000012|04000|Ativado com Sucesso", 4000, "ok"},
     {Kind::Done, "new code", {activated}, {}}},
    {"activatedWithoutSucesso",
     {"000012|04000|SAT ja ativado", 4000, ""},
     {Kind::Done, "old code", {activated}, {}}},
    {"sucessoWithTransportCode",
     {"Sucesso", 1, "ignored"},
     {Kind::Transport, "new code", {"   Porta de comunicação não conectada.   "}, {}}},
    {"timeout",
     {"", 0x8000, "ignored"},
     {Kind::Transport,
      "old code",
      {"   TimeOut: Equipamento não está respondendo as mensagens."},
      {}}},
    {"deviceMessageInWindows1252",
     {"000012|04003|SAT ja ativado", 4003, "Ativa\xE7\xE3o n\xE3o permitida"},
     {Kind::Refused, "old code", {}, {"Ativação não permitida" + blanks30}}},
    // Devices that answer in UTF-8, as the simulated one does, read right too.
    {"deviceMessageInUtf8",
     {"000012|04003|SAT j\xC3\xA1 ativado", 4003, "SAT j\xC3\xA1 ativado"},
     {Kind::Refused, "old code", {}, {"SAT já ativado" + blanks30}}},
    {"sucessoWithOtherCode",
     {"x Sucesso", 4001, "falha"},
     {Kind::Refused, "new code", {}, {"falha" + blanks30}}},
    {"lowerCaseSucesso", {"sucesso", 4001, ""}, {Kind::Refused, "old code", {}, {blanks30}}},
    {"capitalSucesso", {"SUCESSO", 4001, ""}, {Kind::Refused, "old code", {}, {blanks30}}},
    {"portFailure",
     {"Erro ao tentar abrir a porta de comunicacao", 4000, ""},
     {Kind::Transport, "old code", {"Erro ao Abrir Porta de Comunicação"}, {}}},
    {"portFailureInsideALongerText",
     {"Erro ao tentar abrir a porta de comunicacao.", 2, "msg"},
     {Kind::Refused, "old code", {}, {"msg" + blanks30}}});

TEST_F(ActivationTest, PortFailureEndsBeforeTheErrorRecord)
{
    device.setFallback({"Erro ao tentar abrir a porta de comunicacao", 0});
    activate();
    EXPECT_EQ(device.functions(), std::vector<std::string>{"AtivarSAT"});
}

TEST_F(ActivationTest, RequestAfterATransportFailureIsNotKept)
{
    device.setFallback({"Sucesso|BEGIN CERTIFICATE REQUEST", 0x8001});
    files.answers = {(folder / "csr.txt").string()};
    activate();
    EXPECT_EQ(messages.shown, std::vector<std::string>{"   Sem Sinal CTS.   "});
    EXPECT_EQ(requests.appended, 0);
    EXPECT_EQ(files.asked, 0);
    EXPECT_EQ(filesInFolder(), 0u);
}

TEST_F(ActivationTest, RequestsAreAppendedAndBothSaved)
{
    const fs::path first = folder / "primeiro.csr";
    const fs::path second = folder / "segundo";
    files.answers = {first.string(), second.string()};

    // Everything before the first "BEGIN" is left out, the dashes of a PEM header included.
    device.script("AtivarSAT",
                  {"000012|04000|Sucesso|-----BEGIN REQ-----\r\nMIIB\xE7\r\n-----END", 4000});
    activate("code one");
    EXPECT_EQ(messages.shown, std::vector<std::string>{activated});
    EXPECT_EQ(requests.lines, (std::vector<std::string>{"BEGIN REQ-----", "MIIBç", "-----END"}));
    EXPECT_EQ(readBytes(first), "BEGIN REQ-----\r\nMIIB\xE7\r\n-----END\r\n");

    // A failed activation still keeps its request, below the first.
    device.script("AtivarSAT", {"x|BEGIN 2\nBEGIN again", 4005, "recusado"});
    activate("code two");
    EXPECT_EQ(window.filled, std::vector<std::string>{"recusado" + blanks30});
    EXPECT_EQ(readBytes(second),
              "BEGIN REQ-----\r\nMIIB\xE7\r\n-----END\r\nBEGIN 2\r\nBEGIN again\r\n");
    EXPECT_EQ(context.activationCode(), "code one");
    EXPECT_EQ(filesInFolder(), 2u);
}

TEST_F(ActivationTest, CancelledSaveWritesNothingAndKeepsTheRequest)
{
    device.setFallback({"Sucesso BEGIN X", 4000});
    files.answers = {std::nullopt};
    activate();
    EXPECT_EQ(files.asked, 1);
    EXPECT_EQ(requests.lines, std::vector<std::string>{"BEGIN X"});
    EXPECT_EQ(messages.shown, std::vector<std::string>{activated});
    EXPECT_EQ(filesInFolder(), 0u);
}

TEST_F(ActivationTest, FailedSaveIsToldAndTheRequestStays)
{
    device.setFallback({"Sucesso BEGIN X", 4000});
    const fs::path existing = folder / "existing";
    std::ofstream(existing, std::ios::binary) << "keep me";
    // A folder of that name cannot be replaced by the file.
    fs::create_directories(folder / "taken");
    files.answers = {(folder / "missing" / "csr.txt").string(), (folder / "taken").string()};
    activate();
    activate();
    ASSERT_EQ(messages.shown.size(), 4u);
    EXPECT_NE(messages.shown[1].find("csr.txt"), std::string::npos) << messages.shown[1];
    EXPECT_NE(messages.shown[3].find("taken"), std::string::npos) << messages.shown[3];
    EXPECT_EQ(requests.lines, (std::vector<std::string>{"BEGIN X", "BEGIN X"}));
    EXPECT_EQ(readBytes(existing), "keep me");
    EXPECT_TRUE(fs::is_directory(folder / "taken"));
}

// The device answered with a request, but its error record cannot be read: the operator is
// told why, and the request is still shown and saved.
TEST(ActivationWithoutErrorRecord, KeepsTheRequestTheDeviceReturned)
{
    const std::string noRecord = TestDevice::file("dllsat_no_record");
    TestDevice device{noRecord};
    device.reset();
    device.setFallback({"000012|04000|Sucesso|BEGIN REQ", 4000});
    AppContext context;
    SatClient client(context, noRecord);
    Shown shown;
    RecordedMessages& messages = shown.messages;
    RecordedRequests& requests = shown.requests;
    const fs::path saved = fs::temp_directory_path() / "vexor-activation-without-record.csr";
    fs::remove(saved);
    shown.files.answers = {saved.string()};
    Activation activation(context, client);
    shown.present(activation.activate({validCnpj, "12345678", "12345678", CertificateKind::AcSat}));
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{"A função \"CodigoErro\" não foi encontrada na biblioteca "
                                       "do SAT \"" +
                                       noRecord + "\"."});
    EXPECT_EQ(requests.lines, std::vector<std::string>{"BEGIN REQ"});
    EXPECT_EQ(readBytes(saved), "BEGIN REQ\r\n");
    EXPECT_EQ(context.activationCode(), "12345678");
    fs::remove(saved);
}

TEST(ActivationWithoutLibrary, IsToldAndKeepsTheCode)
{
    AppContext context;
    ASSERT_TRUE(context.setActivationCode("old code"));
    SatClient client(context, "libnosuchdevice.so");
    Activation activation(context, client);
    const Activation::Reply reply =
        activation.activate({validCnpj, "12345678", "12345678", CertificateKind::AcSat});
    ASSERT_EQ(reply.messages.size(), 1u);
    EXPECT_NE(reply.messages[0].find("libnosuchdevice.so"), std::string::npos);
    EXPECT_EQ(reply.kind, Outcome::Kind::Transport);
    EXPECT_FALSE(reply.windowText);
    EXPECT_EQ(context.activationCode(), "old code");
}

} // namespace
