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
    std::function<void(AppContext&, SatClient&, RecordedMessages&)> run;
    // The network document is built with libxml2 before the device is called.
    bool needsXml = false;
};

std::string saleFile()
{
    const auto path = std::filesystem::temp_directory_path() / "vexor_missing_function_sale.xml";
    std::ofstream(path, std::ios::binary) << "<CFe><infCFe chCanc=\"CFe0\"/></CFe>";
    return path.string();
}

void sendSale(SatClient& client, RecordedMessages& messages, SaleTest::Operation operation)
{
    SaleTest sale(client);
    sale.load(saleFile());
    for (const std::string& message : sale.send(operation).messages)
        messages.showMessage(message);
}

void shown(RecordedMessages& messages, const Outcome& outcome)
{
    for (const std::string& message : outcome.messages)
        messages.showMessage(message);
}

const Case cases[] = {
    {"block", "BloquearSAT",
     [](AppContext&, SatClient& c, RecordedMessages& m) { shown(m, DeviceLock(c).block()); }},
    {"unblock", "DesbloquearSAT",
     [](AppContext&, SatClient& c, RecordedMessages& m) { shown(m, DeviceLock(c).unblock()); }},
    {"association", "AssociarAssinatura",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         shown(m, SignatureAssociation(c).associate("48.213.907/0001-65", "00.000.000/0000-00",
                                                    "assinatura"));
     }},
    {"endToEnd", "TesteFimAFim",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         shown(m, DeviceTest(c).perform(DeviceTest::Kind::EndToEnd));
     }},
    {"link", "ConsultarSAT",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         shown(m, DeviceTest(c).perform(DeviceTest::Kind::Link));
     }},
    {"update", "AtualizarSoftwareSAT",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         RecordedProgress progress;
         RecordedTicks ticks;
         shown(m, *SoftwareUpdate(c, progress, ticks).start());
     }},
    {"codeChange", "TrocarCodigoDeAtivacao",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         shown(m, ActivationCodeChange(c).change(
                      {"12345678", ProofCode::ActivationCode, "87654321", "87654321"}));
     }},
    {"network", "ConfigurarInterfaceDeRede",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         m.showMessage(NetworkConfigurator(c).apply(NetworkSettings{}).message);
     },
     true},
    {"sale", "EnviarDadosVenda",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         sendSale(c, m, SaleTest::Operation::Sale);
     }},
    {"cancel", "CancelarUltimaVenda",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         sendSale(c, m, SaleTest::Operation::Cancel);
     }},
    {"activation", "AtivarSAT",
     [](AppContext& context, SatClient& c, RecordedMessages& m) {
         const Activation::Reply reply =
             Activation(context, c)
                 .activate({"48.213.907/0001-65", "12345678", "12345678", CertificateKind::AcSat});
         if (reply.message)
             m.showMessage(*reply.message);
     }},
    {"logs", "ExtrairLogs",
     [](AppContext&, SatClient& c, RecordedMessages& m) {
         if (const auto message = LogExtractor(c).extract().message)
             m.showMessage(*message);
     }},
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

    RecordedMessages messages;
    c.run(context, client, messages);
    const std::string missing = std::string("A função \"") + c.function +
                                "\" não foi encontrada na biblioteca do SAT \"" + statusOnly +
                                "\".";
    EXPECT_EQ(messages.shown, std::vector<std::string>{missing});
    // Nothing after the status query and its report: no call reached the library.
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"ConsultarStatusOperacional", "CodigoErro"}));
}

INSTANTIATE_TEST_SUITE_P(Operations, MissingFunction, ::testing::ValuesIn(cases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
