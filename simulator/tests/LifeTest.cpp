// The device's life, through the same client and loader the manager uses.

#include "SimulatorFixture.h"

#include "CaseName.h"
#include "CodePage.h"
#include "Xml.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <regex>

namespace {

namespace fs = std::filesystem;

const std::string invalidCode = "Código de ativação inválido";

std::string today()
{
    const std::time_t now = std::time(nullptr);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", std::gmtime(&now));
    return text;
}

// The sample sale as the manager sends it: re-encoded in Windows-1252.
std::string sampleSale()
{
    return codepage::toAnsi(SimulatorTest::sample("venda.xml"));
}

using LifeTest = SimulatorTest;

TEST_F(LifeTest, FactoryNewDeviceAnswersItsStatusToTheFactoryCode)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    const SatResponse status = client.ConsultarStatusOperacional();
    ASSERT_TRUE(status.reached()) << status.failure();
    const auto f = fields(status);
    ASSERT_EQ(f.size(), 28u) << status.text();
    EXPECT_EQ(f[0], "000012");
    EXPECT_EQ(f[1], "10000");
    EXPECT_EQ(f[2], "Resposta com Sucesso.");
    EXPECT_EQ(f[5], "900004019");
    EXPECT_EQ(f[6], "DHCP");
    EXPECT_EQ(f[13], "CONECTADO");
    EXPECT_EQ(f[14], "ALTO");
    EXPECT_TRUE(std::regex_match(f[17], std::regex("\\d{14}"))) << f[17];
    EXPECT_EQ(f[17].substr(0, 8), today());
    EXPECT_EQ(f[18], "01.00.00");
    EXPECT_EQ(f[19], "00.07");
    EXPECT_EQ(f[20], "") << "no CF-e yet";
    EXPECT_EQ(f[21], "");
    EXPECT_EQ(f[22], "");
    // A device before activation reports its factory certificate and contact, never empty
    // dates: clients read them as dates.
    EXPECT_EQ(f[24], "20250303101500");
    EXPECT_EQ(f[25], "20250303");
    EXPECT_EQ(f[26], "20300303");
    EXPECT_EQ(f[27], "0");
    EXPECT_EQ(error().code, 10000);
    EXPECT_EQ(error().msg, "Resposta com Sucesso.");
}

TEST_F(LifeTest, WrongCodeGetsTheExactTextTheStatusQueryLooksFor)
{
    ASSERT_TRUE(context.setActivationCode("99999999"));
    const SatResponse status = client.ConsultarStatusOperacional();
    EXPECT_EQ(status.text(), "000012|10001|Código de ativação inválido||");
    EXPECT_FALSE(status.contains("Sucesso"));
    EXPECT_FALSE(status.contains("sucesso"));
    EXPECT_EQ(error().code, 10001);
    EXPECT_EQ(error().msg, invalidCode);
}

struct CodeCase {
    const char* name;
    std::function<SatResponse(SatClient&)> call;
    int refusal;
};

class WrongCodeAfterActivation : public SimulatorTest,
                                 public testing::WithParamInterface<CodeCase> {};

// Once activated, the factory code is just a wrong code, also where the manager sends it by
// default.
TEST_P(WrongCodeAfterActivation, IsRefusedByEveryFunctionThatTakesOne)
{
    activate();
    associate();
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    GetParam().call(client);
    EXPECT_EQ(error().code, GetParam().refusal);
    // The tables word it two ways, with or without "de" and a full stop.
    EXPECT_TRUE(std::regex_match(error().msg, std::regex("Código (de )?ativação inválido\\.?")))
        << error().msg;
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, WrongCodeAfterActivation,
    testing::Values(
        CodeCase{"ConsultarStatusOperacional",
                 [](SatClient& c) { return c.ConsultarStatusOperacional(); }, 10001},
        CodeCase{"ConfigurarInterfaceDeRede",
                 [](SatClient& c) { return c.ConfigurarInterfaceDeRede(fixedNetwork()); }, 12001},
        CodeCase{"ExtrairLogs", [](SatClient& c) { return c.ExtrairLogs(); }, 15001},
        CodeCase{"AssociarAssinatura",
                 [](SatClient& c) {
                     return c.AssociarAssinatura(demo::softwareHouse + demo::taxpayer,
                                                 demo::signature);
                 },
                 13001},
        CodeCase{"EnviarDadosVenda", [](SatClient& c) { return c.EnviarDadosVenda(sampleSale()); },
                 6001},
        CodeCase{"CancelarUltimaVenda",
                 [](SatClient& c) { return c.CancelarUltimaVenda("CFe1", "<CFeCanc/>"); }, 7001},
        CodeCase{"TesteFimAFim", [](SatClient& c) { return c.TesteFimAFim(endToEndDocument); },
                 9001},
        CodeCase{"BloquearSAT", [](SatClient& c) { return c.BloquearSAT(); }, 16001},
        CodeCase{"DesbloquearSAT", [](SatClient& c) { return c.DesbloquearSAT(); }, 17001},
        CodeCase{"AtualizarSoftwareSAT", [](SatClient& c) { return c.AtualizarSoftwareSAT(); },
                 14001},
        CodeCase{"TrocarCodigoDeAtivacao",
                 [](SatClient& c) {
                     return c.TrocarCodigoDeAtivacao(demo::factoryCode, 1, "87654321", "87654321");
                 },
                 18001}),
    CaseName());

TEST_F(LifeTest, ActivationOnceThenAlreadyActivated)
{
    const SatResponse first = client.AtivarSAT(1, demo::code, demo::taxpayer, 35);
    EXPECT_EQ(first.text(), "000012|04000|Ativado corretamente||SAT ativado com Sucesso");
    EXPECT_EQ(error().code, 4000);
    EXPECT_EQ(error().msg, "Ativado corretamente");
    EXPECT_FALSE(first.contains("BEGIN"));

    const SatResponse second = client.AtivarSAT(1, "outrocodigo", demo::taxpayer, 35);
    EXPECT_EQ(error().code, 4003);
    EXPECT_EQ(error().msg, "SAT já ativado ou pendente a Vinculação do AC");
    EXPECT_FALSE(second.contains("Sucesso"));

    // The new code now opens the device; the factory code no longer does.
    ASSERT_TRUE(context.setActivationCode(demo::code));
    const SatResponse status = client.ConsultarStatusOperacional();
    EXPECT_EQ(field(status, 2), "10000");
    EXPECT_EQ(field(status, 26), today());
    EXPECT_EQ(field(status, 27),
              std::to_string(std::stoi(today().substr(0, 4)) + 5) + today().substr(4));
    EXPECT_EQ(field(status, 25).substr(0, 8), today()) << "activation talked to the tax authority";
}

struct ActivationCase {
    const char* name;
    int subcommand;
    std::string code;
    std::string cnpj;
    int uf;
    int refusal;
    std::string message;
};

class RefusedActivation : public SimulatorTest,
                          public testing::WithParamInterface<ActivationCase> {};

TEST_P(RefusedActivation, LeavesTheDeviceAsItWas)
{
    const ActivationCase& c = GetParam();
    const SatResponse response = client.AtivarSAT(c.subcommand, c.code, c.cnpj, c.uf);
    EXPECT_EQ(error().code, c.refusal);
    EXPECT_EQ(error().msg, c.message);
    EXPECT_FALSE(response.contains("Sucesso"));
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000") << "still a factory device";
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, RefusedActivation,
    testing::Values(
        ActivationCase{"wrongCheckDigit", 1, demo::code, "48213907000164", 35, 4002,
                       "SEFAZ não reconhece este SAT (CNPJ inválido): \"48213907000164\""},
        ActivationCase{"thirteenDigits", 1, demo::code, "4821390700016", 35, 4002,
                       "SEFAZ não reconhece este SAT (CNPJ inválido): \"4821390700016\""},
        ActivationCase{"fourteenZeros", 1, demo::code, "00000000000000", 35, 4002,
                       "SEFAZ não reconhece este SAT (CNPJ inválido): \"00000000000000\""},
        ActivationCase{"punctuatedCnpj", 1, demo::code, "48.213.907/0001-65", 35, 4002,
                       "SEFAZ não reconhece este SAT (CNPJ inválido): \"48.213.907/0001-65\""},
        ActivationCase{"sevenCharacterCode", 1, "1234567", demo::taxpayer, 35, 4099,
                       "Erro desconhecido na ativação: Código de ativação deve ter de 8 a 32 "
                       "caracteres"},
        ActivationCase{"thirtyThreeCharacterCode", 1, std::string(33, 'a'), demo::taxpayer, 35,
                       4099,
                       "Erro desconhecido na ativação: Código de ativação deve ter de 8 a 32 "
                       "caracteres"},
        ActivationCase{"otherState", 1, demo::code, demo::taxpayer, 33, 4099,
                       "Erro desconhecido na ativação: UF 33 inválida: este SAT é de São Paulo "
                       "(35)"},
        ActivationCase{"unknownSubcommand", 4, demo::code, demo::taxpayer, 35, 4099,
                       "Erro desconhecido na ativação: Subcomando 4 inválido: use 1 (AC-SAT), 2 "
                       "(ICP-Brasil) ou 3 (renovação ICP-Brasil)"},
        ActivationCase{"renewalBeforeActivation", 3, demo::code, demo::taxpayer, 35, 4099,
                       "Erro desconhecido na ativação: SAT ainda não ativado: não há certificado "
                       "a renovar"}),
    CaseName());

TEST_F(LifeTest, ActivationCodesOf8And32CharactersAreAccepted)
{
    activate(std::string(32, 'z'));
    ASSERT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000");
}

TEST_F(LifeTest, IcpBrasilActivationReturnsACertificateRequest)
{
    const SatResponse response = client.AtivarSAT(2, demo::code, demo::taxpayer, 35);
    EXPECT_EQ(error().code, 4006);
    EXPECT_EQ(error().msg, "CSR ICP-BRASIL criado com sucesso");
    // The manager shows everything from the first "BEGIN": the request, the last field.
    const std::string request = field(response, 6);
    EXPECT_EQ(request.rfind("-----BEGIN CERTIFICATE REQUEST-----\n", 0), 0u) << request;
    EXPECT_TRUE(request.ends_with("\n-----END CERTIFICATE REQUEST-----"));
    EXPECT_EQ(response.text().find("BEGIN"), response.text().find(request) + 5);
}

TEST_F(LifeTest, AssociationNeedsTheActivatedTaxpayer)
{
    struct Step {
        std::string cnpj, signature;
        int code;
        std::string msg;
    };
    activate();
    const std::string signed_ = "CNPJ da Software House + CNPJ do emitente assinado no campo "
                                "\"signAC\" difere do informado no campo \"CNPJvalue\"";
    const std::vector<Step> refused = {
        {demo::softwareHouse + "11222333000181", demo::signature, 13007,
         "CNPJ do emitente difere daquele constante da parametrização de uso: CNPJ "
         "11222333000181, contribuinte ativado 48213907000165"},
        {"10615281000141" + demo::taxpayer, demo::signature, 13004,
         signed_ + ": CNPJ da software house 10615281000141 inválido"},
        {demo::softwareHouse + demo::taxpayer.substr(1), demo::signature, 13004,
         signed_ + ": são esperados 28 dígitos, o CNPJ da software house seguido do CNPJ do "
                   "contribuinte"},
        {demo::taxpayer + demo::softwareHouse, demo::signature, 13007,
         "CNPJ do emitente difere daquele constante da parametrização de uso: CNPJ "
         "10615281000140, contribuinte ativado 48213907000165"},
        {demo::softwareHouse + demo::taxpayer, "", 13003,
         "Assinatura fora do padrão informado: assinatura vazia"},
        {demo::softwareHouse + demo::taxpayer, std::string(513, 's'), 13003,
         "Assinatura fora do padrão informado: mais de 512 caracteres"},
    };
    for (const Step& step : refused) {
        client.AssociarAssinatura(step.cnpj, step.signature);
        EXPECT_EQ(error().code, step.code) << step.cnpj;
        EXPECT_EQ(error().msg, step.msg);
    }
    client.AssociarAssinatura(demo::softwareHouse + demo::taxpayer, demo::signature);
    EXPECT_EQ(error().code, 13000);
    EXPECT_EQ(error().msg, "Assinatura do AC Registrada");
}

TEST_F(LifeTest, AssociationBeforeActivationIsRefused)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    client.AssociarAssinatura(demo::softwareHouse + demo::taxpayer, demo::signature);
    EXPECT_EQ(error().code, 13099);
    EXPECT_EQ(error().msg, "Erro desconhecido: SAT ainda não ativado");
}

TEST_F(LifeTest, NewDeviceTakesTheDefaultCodeForNetworkAndLogs)
{
    // No stored code: the client sends the default code, the factory code of a new device.
    const SatResponse network = client.ConfigurarInterfaceDeRede(fixedNetwork());
    EXPECT_EQ(network.text(), "000012|12000|Rede Configurada com Sucesso||");
    EXPECT_EQ(error().code, 12000);
    const SatResponse logs = client.ExtrairLogs();
    EXPECT_TRUE(logs.contains("15000|Transfer")) << logs.text();
}

TEST_F(LifeTest, AcceptedNetworkIsWhatTheStatusReports)
{
    activate();
    const SatResponse network = client.ConfigurarInterfaceDeRede(fixedNetwork());
    EXPECT_TRUE(network.contains("Sucesso"));
    const auto f = fields(client.ConsultarStatusOperacional());
    ASSERT_EQ(f.size(), 28u);
    EXPECT_EQ(std::vector<std::string>(f.begin() + 6, f.begin() + 13),
              (std::vector<std::string>{"IPFIX", "192.168.001.010", "02:00:00:04:40:19",
                                        "255.255.255.000", "192.168.001.001", "192.168.001.001",
                                        "000.000.000.000"}));

    // A refused document changes nothing.
    const SatResponse refused = client.ConfigurarInterfaceDeRede(
        "<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP");
    EXPECT_EQ(error().code, 12002);
    EXPECT_FALSE(refused.contains("Sucesso"));
    EXPECT_EQ(error().msg.rfind(
                  "Dados fora do padrão a ser informado: Falha na leitura do arquivo XML: XML mal "
                  "formado",
                  0),
              0u)
        << error().msg;
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 8), "192.168.001.010");

    client.ConfigurarInterfaceDeRede(
        "<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan>"
        "<usuario></usuario><senha></senha><proxy>0</proxy><proxy_ip/><proxy_porta/>"
        "<proxy_user/><proxy_senha/></config>\n");
    EXPECT_EQ(error().code, 12000);
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 7), "DHCP");
}

class SaleTest : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        activate();
        associate();
    }
};

TEST_F(SaleTest, SaleAnswersTheSignedCfeAndItsKey)
{
    const SatResponse response = client.EnviarDadosVenda(sampleSale());
    EXPECT_EQ(error().code, 6000);
    EXPECT_EQ(error().msg, "Emitido com sucesso + conteúdo notas.");
    EXPECT_TRUE(response.contains("sucesso"));
    const auto f = fields(response);
    ASSERT_EQ(f.size(), 12u) << response.text();
    EXPECT_EQ(std::vector<std::string>(f.begin(), f.begin() + 6),
              (std::vector<std::string>{"000012", "06000", "0000",
                                        "Emitido com sucesso + conteúdo notas.", "", ""}));
    EXPECT_TRUE(std::regex_match(f[7], std::regex("\\d{14}"))) << f[7];
    EXPECT_EQ(f[7].substr(0, 8), today());

    // The manager takes the key from the first "CFe" to the next "|".
    const std::size_t first = response.text().find("CFe");
    const std::string key = response.text().substr(first, response.text().find('|', first) - first);
    EXPECT_EQ(key, f[8]);
    const std::string yearMonth = f[7].substr(2, 4);
    EXPECT_TRUE(std::regex_match(
        key, std::regex("CFe35" + yearMonth + "4821390700016559900004019000001\\d{7}")))
        << key;
    EXPECT_EQ(f[9], "48.80");
    EXPECT_EQ(f[10], "11144477735");
    EXPECT_EQ(f[11].size(), 344u);

    const SatResponse cfe = client.decodedPayload();
    EXPECT_EQ(cfe.text().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(cfe.text().find("Id=\"" + key + "\""), std::string::npos);
    EXPECT_NE(cfe.text().find("<xProd>CAFÉ TORRADO E MOÍDO 500 g</xProd>"), std::string::npos);
    EXPECT_NE(cfe.text().find("<vCFe>48.80</vCFe>"), std::string::npos);
}

TEST_F(SaleTest, CountersFollowTheSales)
{
    const std::string first = sell(sampleSale());
    const std::string second = sell(sampleSale());
    EXPECT_EQ(first.substr(34, 6), "000001");
    EXPECT_EQ(second.substr(34, 6), "000002");
    const auto f = fields(client.ConsultarStatusOperacional());
    EXPECT_EQ(f[20], second.substr(3)) << "last CF-e";
    EXPECT_EQ(f[21], first.substr(3)) << "first not transmitted";
    EXPECT_EQ(f[22], second.substr(3)) << "last not transmitted";
    EXPECT_EQ(f[23], "") << "nothing transmitted yet";
}

TEST_F(SaleTest, KeyIsTheFirstCfeOfTheAnswerWhateverTheDocumentHolds)
{
    // "d!^" is Base64 "ZCFe" when it falls on a group start; three copies cover every alignment.
    std::string document = sampleSale();
    const std::string name = "CAF\xC9 TORRADO E MO\xCD"
                             "DO 500 g";
    document.replace(document.find(name), name.size(), "d!^ d!^ d!^");
    const SatResponse response = client.EnviarDadosVenda(document);
    ASSERT_EQ(error().code, 6000) << response.text();
    const std::size_t first = response.text().find("CFe");
    EXPECT_EQ(response.text().substr(first, 48), field(response, 9) + "|");
    // The CF-e may write some characters as references to keep its Base64 clean; it still
    // says the same.
    satsim::xml::Parsed cfe = satsim::xml::parse(client.decodedPayload().text());
    ASSERT_TRUE(cfe.document) << cfe.error;
    const xmlNode* infCFe = satsim::xml::child(xmlDocGetRootElement(cfe.document.get()), "infCFe");
    const xmlNode* prod = satsim::xml::child(satsim::xml::child(infCFe, "det"), "prod");
    EXPECT_EQ(satsim::xml::childText(prod, "xProd"), "d!^ d!^ d!^");
}

struct SaleCase {
    const char* name;
    std::string from; // replaced in the sample sale
    std::string to;
    int refusal;
    std::string alert; // the rejection code after the reply code, when there is one
    std::string message;
};

class RefusedSale : public SaleTest, public testing::WithParamInterface<SaleCase> {};

TEST_P(RefusedSale, SaysWhyAndCountsNothing)
{
    std::string document = sampleSale();
    const std::size_t at = document.find(GetParam().from);
    ASSERT_NE(at, std::string::npos);
    document.replace(at, GetParam().from.size(), GetParam().to);
    const SatResponse response = client.EnviarDadosVenda(document);
    EXPECT_EQ(error().code, GetParam().refusal);
    EXPECT_EQ(error().msg, GetParam().message);
    if (!GetParam().alert.empty()) { // session|06010|CCCC|message|cod|mensagemSEFAZ
        EXPECT_EQ(response.text().substr(6), "|0" + std::to_string(GetParam().refusal) + "|" +
                                                 GetParam().alert + "|" + GetParam().message +
                                                 "||");
    }
    EXPECT_FALSE(response.contains("sucesso"));
    EXPECT_FALSE(response.contains("CFe"));
    EXPECT_EQ(client.decodedPayload().text(), "");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 21), "");
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, RefusedSale,
    testing::Values(
        SaleCase{"otherSoftwareHouse", "<CNPJ>10615281000140", "<CNPJ>11222333000181", 6004, "",
                 "Vinculação do AC não confere: CNPJ da software house \"11222333000181\" "
                 "difere do associado 10615281000140"},
        SaleCase{"otherSignature", "GESTAO E RETAGUARDA", "GESTAO E RETAGUARDAS", 6004, "",
                 "Vinculação do AC não confere: signAC difere da assinatura associada"},
        SaleCase{"otherEmitter", "<CNPJ>48213907000165", "<CNPJ>11222333000181", 6010, "1203",
                 "Rejeição: Emitente não autorizado para uso do SAT (emit/CNPJ "
                 "11222333000181, contribuinte 48213907000165)"},
        SaleCase{"malformed", "</ide>", "</idee>", 6010, "1999",
                 "Rejeição: Erro não identificado (XML mal formado: a marca de fechamento não "
                 "corresponde à de abertura (linha 8, coluna 12))"},
        SaleCase{"shortPayment", "<vMP>50.00</vMP>", "<vMP>40.00</vMP>", 6010, "1408",
                 "Rejeição: Valor total do CF-e-SAT maior que o somatório dos valores de Meio de "
                 "Pagamento empregados em seu pagamento (o pagamento de 40.00 é menor que o "
                 "total de 48.80)"}),
    CaseName());

TEST_F(LifeTest, SaleNeedsActivationThenAssociation)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    client.EnviarDadosVenda(sampleSale());
    EXPECT_EQ(error().code, 6002);
    EXPECT_EQ(error().msg, "SAT ainda não ativado.");
    activate();
    client.EnviarDadosVenda(sampleSale());
    EXPECT_EQ(error().code, 6003);
    EXPECT_EQ(error().msg, "SAT não vinculado ao AC");
}

TEST_F(SaleTest, CancelOfTheLastSaleWithItsKey)
{
    const std::string key = sell(sampleSale());
    const SatResponse response = client.CancelarUltimaVenda(key, cancelDocument(key));
    EXPECT_EQ(error().code, 7000);
    EXPECT_EQ(error().msg, "Cupom cancelado com sucesso + conteúdo CF-eSAT cancelado.");
    EXPECT_TRUE(response.contains("sucesso"));
    const std::string cancelKey = field(response, 9);
    EXPECT_TRUE(std::regex_match(cancelKey, std::regex("CFe\\d{44}")));
    EXPECT_EQ(cancelKey.substr(34, 6), "000002") << "the cancel has a number of its own";
    EXPECT_EQ(field(response, 10), "48.80");
    const SatResponse cfe = client.decodedPayload();
    EXPECT_NE(cfe.text().find("<CFeCanc><infCFe Id=\"" + cancelKey + "\" chCanc=\"" + key + "\""),
              std::string::npos)
        << cfe.text();

    // Only once.
    const SatResponse again = client.CancelarUltimaVenda(key, cancelDocument(key));
    EXPECT_EQ(error().code, 7010);
    EXPECT_EQ(field(again, 3), "1218");
    EXPECT_EQ(error().msg,
              "Rejeição: Chave de acesso do CF-e-SAT já consta como cancelado (" + key + ")");
}

TEST_F(SaleTest, CancelOfAnyOtherKeyIsRefused)
{
    const std::string older = sell(sampleSale());
    const std::string last = sell(sampleSale());
    client.CancelarUltimaVenda(older, cancelDocument(older));
    EXPECT_EQ(error().code, 7002);
    EXPECT_EQ(error().msg, "Cupom inválido: a chave não é a da última venda (" + last + ")");

    std::string malformedKey = last;
    malformedKey.back() = malformedKey.back() == '9' ? '0' : static_cast<char>(last.back() + 1);
    client.CancelarUltimaVenda(malformedKey, cancelDocument(malformedKey));
    EXPECT_EQ(error().code, 7002);
    EXPECT_EQ(error().msg, "Cupom inválido: a chave \"" + malformedKey +
                               "\" não é \"CFe\" seguido de 44 dígitos válidos");

    // The key argument right, the document naming another one (placeholder left in place).
    client.CancelarUltimaVenda(last, sample("cancelamento.xml"));
    EXPECT_EQ(error().code, 7010);
    const SatResponse otherKey = client.CancelarUltimaVenda(last, sample("cancelamento.xml"));
    EXPECT_EQ(error().code, 7010);
    EXPECT_EQ(field(otherKey, 3), "1270");
    EXPECT_EQ(error().msg, "Rejeição: Chave de acesso do CFe a ser cancelado inválido (chCanc CFe" +
                               std::string(44, '0') + ", chave informada " + last + ")");

    // Still cancellable after all those refusals.
    client.CancelarUltimaVenda(last, cancelDocument(last));
    EXPECT_EQ(error().code, 7000);
}

TEST_F(SaleTest, CancelWithoutAnySaleIsRefused)
{
    client.CancelarUltimaVenda("", cancelDocument(""));
    EXPECT_EQ(error().code, 7002);
    EXPECT_EQ(error().msg, "Cupom inválido: chave do CF-e não informada");
}

TEST_F(SaleTest, CancelWindowIsThirtyMinutes)
{
    const std::string inTime = sell(sampleSale());
    ASSERT_EQ(satsim({"clock", "advance", "29m"}).exitCode, 0);
    client.CancelarUltimaVenda(inTime, cancelDocument(inTime));
    EXPECT_EQ(error().code, 7000) << error().msg;

    const std::string late = sell(sampleSale());
    ASSERT_EQ(satsim({"clock", "advance", "31m"}).exitCode, 0);
    const SatResponse refused = client.CancelarUltimaVenda(late, cancelDocument(late));
    EXPECT_EQ(error().code, 7010);
    EXPECT_EQ(field(refused, 3), "1412");
    EXPECT_EQ(error().msg.rfind("Rejeição: CFe de cancelamento não corresponde a um CFe emitido "
                                "nos 30 minutos anteriores ao pedido de cancelamento (venda "
                                "emitida em ",
                                0),
              0u)
        << error().msg;
}

TEST_F(LifeTest, EndToEndTestIsNoSale)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    client.TesteFimAFim(endToEndDocument);
    EXPECT_EQ(error().code, 9002);

    activate(); // no association: the test document is not checked against it
    ASSERT_EQ(endToEndDocument.size(), 888u);
    const SatResponse response = client.TesteFimAFim(endToEndDocument);
    EXPECT_EQ(error().code, 9000);
    EXPECT_EQ(error().msg, "Emitido com sucesso");
    EXPECT_EQ(field(response, 8), "000000");
    EXPECT_TRUE(std::regex_match(field(response, 9), std::regex("CFe\\d{44}")));
    EXPECT_NE(client.decodedPayload().text().find("<xProd>BOLSA VIAGEM</xProd>"),
              std::string::npos);

    const auto f = fields(client.ConsultarStatusOperacional());
    EXPECT_EQ(f[20], "") << "not counted as a sale";
    EXPECT_EQ(f[23].substr(0, 8), today()) << "the test transmits to the tax authority";

    client.TesteFimAFim("<CFe><infCFe>");
    EXPECT_EQ(error().code, 9099);
    EXPECT_EQ(error().msg.rfind("Erro desconhecido: Documento de teste inválido: Rejeição: Erro "
                                "não identificado (XML mal formado",
                                0),
              0u)
        << error().msg;
}

TEST_F(SaleTest, EndToEndTestCouponIsNumberedZeroAndLeavesTheSaleNumbering)
{
    const std::string before = sell(sampleSale());
    EXPECT_EQ(before.substr(34, 6), "000001");

    const SatResponse test = client.TesteFimAFim(endToEndDocument);
    ASSERT_EQ(error().code, 9000) << test.text();
    EXPECT_EQ(field(test, 8), "000000");
    const std::string testKey = field(test, 9);
    ASSERT_EQ(testKey.size(), 47u) << test.text();
    EXPECT_EQ(testKey.substr(34, 6), "000000");
    EXPECT_NE(client.decodedPayload().text().find("<nCFe>000000</nCFe>"), std::string::npos);

    const std::string after = sell(sampleSale());
    EXPECT_EQ(after.substr(34, 6), "000002") << "the test coupon takes no sale number";
    EXPECT_NE(client.decodedPayload().text().find("<nCFe>000002</nCFe>"), std::string::npos);
}

TEST_F(SaleTest, BlockedDeviceRefusesSalesUntilUnblocked)
{
    client.BloquearSAT();
    EXPECT_EQ(error().code, 16000);
    EXPECT_EQ(error().msg, "Equipamento SAT bloqueado com sucesso.");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 28), "2");
    client.BloquearSAT();
    EXPECT_EQ(error().code, 16002);
    EXPECT_EQ(error().msg, "Equipamento SAT já está bloqueado: Bloqueio Contribuinte");

    client.EnviarDadosVenda(sampleSale());
    EXPECT_EQ(error().code, 6006);
    EXPECT_EQ(error().msg, "SAT bloqueado pelo contribuinte");

    client.DesbloquearSAT();
    EXPECT_EQ(error().code, 17000);
    EXPECT_EQ(error().msg, "Equipamento SAT desbloqueado com sucesso.");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 28), "0");
    client.DesbloquearSAT();
    EXPECT_EQ(error().code, 17005);
    sell(sampleSale());
}

// The access key holds the emitter's CNPJ: another text once ended the test in "Erro interno
// do SAT" (the key came out shorter than its check digit's place).
TEST_F(LifeTest, EndToEndTestNamesAnEmitterCnpjThatIsNot14Digits)
{
    activate();
    const std::string taxpayer = "<CNPJ>48213907000165</CNPJ>"; // the emitter's
    for (const std::string emitter : {"1", "48.213.907/0001-65", "482139070001650"}) {
        std::string document = endToEndDocument;
        const std::size_t at = document.find(taxpayer);
        ASSERT_NE(at, std::string::npos);
        document.replace(at, taxpayer.size(), "<CNPJ>" + emitter + "</CNPJ>");
        client.TesteFimAFim(document);
        EXPECT_EQ(error().code, 9099) << emitter;
        EXPECT_EQ(error().msg, "Erro desconhecido: Documento de teste inválido: Rejeição: CNPJ do "
                               "emitente inválido (emit/CNPJ \"" +
                                   emitter + "\")");
    }
    client.TesteFimAFim(endToEndDocument);
    EXPECT_EQ(error().code, 9000);
}

TEST_F(LifeTest, CodeChangeWithTheCurrentCode)
{
    activate();
    client.TrocarCodigoDeAtivacao(demo::code, 1, "novocodigo", "novocodigo");
    EXPECT_EQ(error().code, 18000);
    EXPECT_EQ(error().msg, "Código de ativação alterado com sucesso.");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10001") << "old code refused";
    ASSERT_TRUE(context.setActivationCode("novocodigo"));
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000");
}

TEST_F(LifeTest, CodeChangeWithTheEmergencyCode)
{
    activate();
    client.TrocarCodigoDeAtivacao("00000000", 2, "esquecido1", "esquecido1");
    EXPECT_EQ(error().code, 18002);
    EXPECT_EQ(error().msg, "Código de ativação de emergência Incorreto.");
    client.TrocarCodigoDeAtivacao(demo::emergencyCode, 2, "esquecido1", "esquecido1");
    EXPECT_EQ(error().code, 18000);
    ASSERT_TRUE(context.setActivationCode("esquecido1"));
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000");
}

TEST_F(LifeTest, CodeChangeRefusals)
{
    struct Step {
        std::string code;
        int option;
        std::string replacement, confirmation;
        int refusal;
        std::string msg;
    };
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    client.TrocarCodigoDeAtivacao(demo::factoryCode, 1, "12345678", "12345678");
    EXPECT_EQ(error().code, 18099);
    EXPECT_EQ(error().msg, "Erro desconhecido: SAT ainda não ativado");
    activate();
    const std::vector<Step> steps = {
        {demo::code, 1, "1234567", "1234567", 18099,
         "Erro desconhecido: Novo código de ativação deve ter de 8 a 32 caracteres"},
        {demo::code, 1, "abcdefgh", "abcdefgH", 18099,
         "Erro desconhecido: Novo código de ativação e confirmação não conferem"},
        {demo::code, 3, "abcdefgh", "abcdefgh", 18099,
         "Erro desconhecido: Opção 3 inválida: use 1 (código de ativação) ou 2 (código de "
         "emergência)"},
        {demo::emergencyCode, 1, "abcdefgh", "abcdefgh", 18001, "Código de ativação inválido."},
    };
    for (const Step& s : steps) {
        client.TrocarCodigoDeAtivacao(s.code, s.option, s.replacement, s.confirmation);
        EXPECT_EQ(error().code, s.refusal) << s.msg;
        EXPECT_EQ(error().msg, s.msg);
    }
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000") << "code unchanged";
}

TEST_F(LifeTest, UpdateMovesTheSoftwareVersion)
{
    activate();
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 19), "01.00.00");
    client.AtualizarSoftwareSAT();
    EXPECT_EQ(error().code, 14000);
    EXPECT_EQ(error().msg, "Software Atualizado com Sucesso");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 19), "01.01.00");
}

#if !defined(_WIN32)
struct UpdateTimeCase {
    const char* name;
    const char* seconds;
    bool waits;
};

class UpdateTime : public LifeTest, public testing::WithParamInterface<UpdateTimeCase> {
protected:
    void TearDown() override
    {
        unsetenv("SATSIM_UPDATE_SECONDS");
        LifeTest::TearDown();
    }
};

TEST_P(UpdateTime, IsTheSecondsAskedForOrNone)
{
    activate();
    setenv("SATSIM_UPDATE_SECONDS", GetParam().seconds, 1);
    const auto start = std::chrono::steady_clock::now();
    client.AtualizarSoftwareSAT();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(error().code, 14000);
    if (GetParam().waits)
        EXPECT_GE(took, std::chrono::seconds(1));
    else
        EXPECT_LT(took, std::chrono::milliseconds(900));
}

INSTANTIATE_TEST_SUITE_P(Simulator, UpdateTime,
                         testing::Values(UpdateTimeCase{"oneSecond", "1", true},
                                         UpdateTimeCase{"zero", "0", false},
                                         UpdateTimeCase{"notANumber", "1s", false},
                                         UpdateTimeCase{"negative", "-1", false},
                                         UpdateTimeCase{"pastTenMinutes", "601", false}),
                         CaseName());
#endif

TEST_F(SaleTest, LogHoldsWellFormedRecordsOfWhatHappened)
{
    client.ConfigurarInterfaceDeRede(fixedNetwork());
    const std::string key = sell(sampleSale());
    client.CancelarUltimaVenda(key, cancelDocument(key));
    client.BloquearSAT();
    client.DesbloquearSAT();
    client.AtualizarSoftwareSAT();
    ASSERT_TRUE(context.setActivationCode("errado00"));
    client.ConsultarStatusOperacional();
    ASSERT_TRUE(context.setActivationCode(demo::code));

    const SatResponse response = client.ExtrairLogs();
    ASSERT_TRUE(response.contains("15000|Transfer")) << response.text();
    EXPECT_EQ(field(response, 3), "Transferência completa");
    const std::string log = client.decodedPayload().text();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');

    const std::size_t headerEnd = log.find('\n');
    EXPECT_EQ(log.substr(0, 32), "LOG SAT 900004019 - 20 registros");
    const std::regex record(
        "(\\d{14})\\|(SAT|SAT-SEFAZ|AC-SAT)\\|(info|alerta|erro)\\|([A-Z]+):(.*)");
    std::vector<std::string> events;
    std::vector<std::string> commands;
    std::size_t start = headerEnd + 1;
    while (start < log.size()) {
        const std::size_t end = log.find('\n', start);
        const std::string line = log.substr(start, end - start);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, record)) << line;
        if (m[4] == "COMANDO") {
            EXPECT_EQ(m[2], "AC-SAT") << line;
            commands.push_back(m[5]);
        } else {
            events.push_back(m[4]);
        }
        start = end + 1;
    }
    EXPECT_EQ(events, (std::vector<std::string>{"FABRICA", "ATIVACAO", "ASSOCIACAO", "REDE",
                                                "VENDA", "CANCELAMENTO", "BLOQUEIO", "DESBLOQUEIO",
                                                "ATUALIZACAO", "CODIGO"}));
    EXPECT_NE(log.find("|SAT|info|VENDA:CF-e 000001 emitido, valor 48.80, chave " + key + "\n"),
              std::string::npos);
    EXPECT_NE(log.find("|SAT-SEFAZ|info|ATIVACAO:"), std::string::npos);
    // One record for each command received, the extraction included.
    std::vector<std::string> expected;
    for (const char* function :
         {"AtivarSAT", "AssociarAssinatura", "ConfigurarInterfaceDeRede", "EnviarDadosVenda",
          "CancelarUltimaVenda", "BloquearSAT", "DesbloquearSAT", "AtualizarSoftwareSAT",
          "ConsultarStatusOperacional", "ExtrairLogs"})
        expected.push_back("Comando " + std::string(function) + " recebido, sessão 000012");
    EXPECT_EQ(commands, expected);
}

TEST_F(SaleTest, StateIsKeptInTheFileAcrossARestart)
{
    client.ConfigurarInterfaceDeRede(fixedNetwork());
    const std::string key = sell(sampleSale());
    client.BloquearSAT();
    const std::string before = client.ConsultarStatusOperacional().text();

    // Another file holding the same bytes: the device can only know it from the file.
    const fs::path copy = folder() / "copia.txt";
    fs::copy_file(statePath(), copy);
    ASSERT_EQ(satsim({"reset"}).exitCode, 0);
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10001") << "reset forgot the code";
    useStateFile(copy);
    const SatResponse after = client.ConsultarStatusOperacional();
    EXPECT_EQ(field(after, 8), "192.168.001.010");
    EXPECT_EQ(field(after, 21), key.substr(3));
    EXPECT_EQ(field(after, 28), "2");
    // Only the clock may have moved.
    EXPECT_EQ(after.text().substr(0, 100), before.substr(0, 100));
}

TEST_F(LifeTest, UnreadableStateFileGivesAFactoryDevice)
{
    {
        std::ofstream(statePath(), std::ios::binary) << "\x7F"
                                                        "ELF garbage\n";
    }
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    const SatResponse status = client.ConsultarStatusOperacional();
    EXPECT_EQ(field(status, 2), "10000");
    EXPECT_EQ(field(status, 21), "");
    fs::path aside = statePath();
    aside += ".bad";
    EXPECT_TRUE(fs::exists(aside));
}

} // namespace
