// How a point of sale gets back an answer it lost, and the ICP-Brasil certificate's return:
// the device functions the manager does not call, reached by name as a point of sale does.

#include "PointOfSale.h"

#include "Base64.h"
#include "CaseName.h"
#include "DynamicLibrary.h"
#include "SatLibrary.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class Recovery : public PointOfSale {};

TEST_F(Recovery, SaleLostToATimeOutIsAnsweredAgainBySessionNumber)
{
    activate();
    associate();
    ASSERT_EQ(satsim({"fault", "timeout", "--times", "1", "--only", "EnviarDadosVenda"}).exitCode,
              0);
    const std::string lost = sale(4321);
    EXPECT_NE(lost.find("Timeout"), std::string::npos) << lost;
    EXPECT_EQ(error().code, 0x8000);

    const std::string again = bySession(4322, 4321);
    EXPECT_EQ(again.rfind("004321|06000|0000|Emitido com sucesso + conteúdo notas.|", 0), 0u)
        << again;
    EXPECT_EQ(error().code, 6000);
    EXPECT_EQ(error().msg, "Emitido com sucesso + conteúdo notas.");
    const std::size_t keyAt = again.find("|CFe");
    ASSERT_NE(keyAt, std::string::npos);
    const std::string key = again.substr(keyAt + 1, 47);
    EXPECT_NE(decoded().find("Id=\"" + key + "\""), std::string::npos);

    // The device did sell: the sale is the last one and can be cancelled.
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 21), key.substr(3));
    client.CancelarUltimaVenda(key, cancelDocument(key));
    EXPECT_EQ(error().code, 7000) << error().msg;
}

TEST_F(Recovery, EachSessionKeepsItsOwnAnswer)
{
    activate();
    associate();
    const std::string first = sale(101);
    const std::string blocked = get<BloquearSATFn>("BloquearSAT")(102, codeText.data());
    ASSERT_EQ(blocked.substr(0, 12), "000102|16000");
    EXPECT_EQ(bySession(103, 101), first);
    EXPECT_EQ(bySession(104, 102), blocked);
    EXPECT_EQ(error().code, 16000);
}

struct SessionRefusal {
    const char* name;
    bool activated;
    std::string code;
    int wanted;
    std::string answer;
};

class SessionQueryRefusals : public Recovery, public testing::WithParamInterface<SessionRefusal> {};

TEST_P(SessionQueryRefusals, AnswerWithTheirCode)
{
    if (GetParam().activated)
        activate();
    EXPECT_EQ(bySession(7, GetParam().wanted, GetParam().code), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, SessionQueryRefusals,
    testing::Values(SessionRefusal{"unknownSession", true, demo::code, 555,
                                   "000007|11003|Sessão não existe: 555||"},
                    SessionRefusal{"wrongCode", true, "87654321", 12,
                                   "000007|11001|Código ativação inválido||"},
                    SessionRefusal{"notActivated", false, demo::factoryCode, 12,
                                   "000007|11002|SAT ainda não ativado.||"},
                    SessionRefusal{
                        "sessionOutOfRange", true, demo::code, 1000000,
                        "000007|11099|Erro desconhecido: Número de sessão a consultar inválido: "
                        "1000000 (use de 0 a 999999)||"}),
    CaseName());

TEST_F(Recovery, ConsultationsAreNotKeptAsSessions)
{
    activate();
    EXPECT_EQ(bySession(20, 555).substr(0, 12), "000020|11003");
    EXPECT_EQ(bySession(21, 20).substr(0, 12), "000021|11003");
}

TEST_F(Recovery, LastFiscalSessionIsTheLastSaleOrCancel)
{
    activate();
    associate();
    EXPECT_EQ(lastFiscal(30),
              "000030|19099|Erro desconhecido: Nenhuma sessão fiscal (venda ou cancelamento) "
              "registrada||");

    const std::string sold = sale(31);
    for (int session = 40; session < 70; ++session) // more sessions than the device keeps
        get<ConsultarSATFn>("ConsultarSAT")(session);
    EXPECT_EQ(lastFiscal(32), sold);
    EXPECT_EQ(error().code, 6000);
    EXPECT_NE(decoded().find("<CFe>"), std::string::npos);
    EXPECT_EQ(bySession(33, 40).substr(0, 12), "000033|11003") << "the oldest others are gone";

    const std::string key = sold.substr(sold.find("|CFe") + 1, 47);
    client.CancelarUltimaVenda(key, cancelDocument(key));
    ASSERT_EQ(error().code, 7000) << error().msg;
    const std::string cancelled = lastFiscal(34);
    EXPECT_EQ(cancelled.rfind("000012|07000|", 0), 0u) << cancelled;

    EXPECT_EQ(lastFiscal(35, "87654321"), "000035|19001|Código de ativação inválido||");
}

TEST_F(Recovery, IcpBrasilCertificateAfterItsRequest)
{
    const SatResponse activated = client.AtivarSAT(2, demo::code, demo::taxpayer, 35);
    ASSERT_EQ(error().code, 4006) << activated.text();
    ASSERT_TRUE(context.setActivationCode(demo::code));

    EXPECT_EQ(certificate(50, "não é um certificado"), "000050|05003|Certificado Inválido||");
    EXPECT_EQ(certificate(51, pemCertificate(), "87654321"),
              "000051|05001|Código de ativação inválido||");
    EXPECT_EQ(certificate(52, pemCertificate()),
              "000052|05000|Certificado transmitido com Sucesso||");
    EXPECT_EQ(error().code, 5000);
}

TEST_F(Recovery, AcSatDeviceWaitsForNoCertificate)
{
    activate();
    EXPECT_EQ(certificate(53, pemCertificate()),
              "000053|05099|Erro desconhecido: SAT ativado com certificado AC-SAT: não há "
              "requisição ICP-Brasil aguardando certificado||");
}

} // namespace
