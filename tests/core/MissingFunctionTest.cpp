// A device library that is loaded but lacks the function an operation needs, after an earlier
// call of that library left an error record: the operator is told which function is missing,
// never shown the earlier call's record as this call's, and the record is not read again.

#include "Activation.h"
#include "ActivationCodeChange.h"
#include "AppContext.h"
#include "DeviceLock.h"
#include "DeviceTest.h"
#include "DynamicLibrary.h"
#include "LogExtractor.h"
#include "NetworkConfigurator.h"
#include "Recorders.h"
#include "SaleTest.h"
#include "SatClient.h"
#include "SignatureAssociation.h"
#include "SoftwareUpdate.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

const std::string statusOnly = TestDevice::file("dllsat_status_only");

struct Case {
    const char* name;
    const char* function; // the one the library lacks
    std::function<Outcome(AppContext&, SatClient&)> run;
    // The network document is built with libxml2 before the device is called.
    bool needsXml = false;
};

std::string saleFile()
{
    const auto path = std::filesystem::temp_directory_path() / "vexor_missing_function_sale.xml";
    std::ofstream(path, std::ios::binary) << "<CFe><infCFe chCanc=\"CFe0\"/></CFe>";
    return path.string();
}

Outcome sendSale(SatClient& client, SaleTest::Operation operation)
{
    SaleTest sale(client);
    sale.load(saleFile());
    return sale.send(operation);
}

const Case cases[] = {
    {"block", "BloquearSAT", [](AppContext&, SatClient& c) { return DeviceLock(c).block(); }},
    {"unblock", "DesbloquearSAT",
     [](AppContext&, SatClient& c) { return DeviceLock(c).unblock(); }},
    {"association", "AssociarAssinatura",
     [](AppContext&, SatClient& c) {
         return SignatureAssociation(c).associate("48.213.907/0001-65", "00.000.000/0000-00",
                                                  "assinatura");
     }},
    {"endToEnd", "TesteFimAFim",
     [](AppContext&, SatClient& c) { return DeviceTest(c).perform(DeviceTest::Kind::EndToEnd); }},
    {"link", "ConsultarSAT",
     [](AppContext&, SatClient& c) { return DeviceTest(c).perform(DeviceTest::Kind::Link); }},
    {"update", "AtualizarSoftwareSAT",
     [](AppContext&, SatClient& c) {
         RecordedProgress progress;
         RecordedTicks ticks;
         return *SoftwareUpdate(c, progress, ticks).start();
     }},
    {"codeChange", "TrocarCodigoDeAtivacao",
     [](AppContext&, SatClient& c) {
         return ActivationCodeChange(c).change(
             {"12345678", ProofCode::ActivationCode, "87654321", "87654321"});
     }},
    {"network", "ConfigurarInterfaceDeRede",
     [](AppContext&, SatClient& c) -> Outcome {
         return NetworkConfigurator(c).apply(NetworkSettings{});
     },
     true},
    {"sale", "EnviarDadosVenda",
     [](AppContext&, SatClient& c) { return sendSale(c, SaleTest::Operation::Sale); }},
    {"cancel", "CancelarUltimaVenda",
     [](AppContext&, SatClient& c) { return sendSale(c, SaleTest::Operation::Cancel); }},
    {"activation", "AtivarSAT",
     [](AppContext& context, SatClient& c) -> Outcome {
         return Activation(context, c)
             .activate({"48.213.907/0001-65", "12345678", "12345678", CertificateKind::AcSat});
     }},
    {"logs", "ExtrairLogs",
     [](AppContext&, SatClient& c) -> Outcome { return LogExtractor(c).extract(); }},
};

class MissingFunction : public ::testing::TestWithParam<Case> {};

TEST_P(MissingFunction, isToldAndTheEarlierRecordIsNotShown)
{
    const Case& c = GetParam();
    if (c.needsXml && !dynlib::load(std::string(NetworkConfigurator::libraryXml)).handle)
        GTEST_SKIP() << NetworkConfigurator::libraryXml << " is not installed";
    TestDevice device{statusOnly};
    device.reset();
    AppContext context;
    context.setActivationCode("12345678");
    SatClient client{context, statusOnly};

    device.script("ConsultarStatusOperacional",
                  {"000012|10000|Resposta com Sucesso", 4321, "registro da consulta anterior"});
    ASSERT_TRUE(client.ConsultarStatusOperacional().reached());
    ASSERT_EQ(client.standardReport(), SatClient::detailText("registro da consulta anterior"));

    const Outcome outcome = c.run(context, client);
    const std::string missing = std::string("A função \"") + c.function +
                                "\" não foi encontrada na biblioteca do SAT \"" + statusOnly +
                                "\".";
    EXPECT_EQ(outcome.messages, std::vector<std::string>{missing});
    EXPECT_EQ(outcome.kind, Outcome::Kind::Transport);
    EXPECT_FALSE(outcome.record) << "the earlier call's record is not this call's";
    // Nothing after the status query and its report: no call reached the library.
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"ConsultarStatusOperacional", "CodigoErro"}));
}

INSTANTIATE_TEST_SUITE_P(Operations, MissingFunction, ::testing::ValuesIn(cases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
