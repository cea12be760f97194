#include "DeviceTest.h"
#include "AppContext.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// The test sale written out from its element table, independently of the program's constant:
// a leaf is <name>text</name>, an empty element <name />, neighbours one blank apart.
struct Element {
    std::string name;
    std::string attribute; // name='value', or empty
    std::string text;      // a leaf's text
    std::vector<Element> children;
    bool empty = false;
};

Element leaf(std::string name, std::string text)
{
    return {std::move(name), "", std::move(text), {}, false};
}

Element node(std::string name, std::vector<Element> children, std::string attribute = "")
{
    return {std::move(name), std::move(attribute), "", std::move(children), false};
}

Element emptyElement(std::string name)
{
    return {std::move(name), "", "", {}, true};
}

void serialise(const Element& e, std::vector<std::string>& items)
{
    const std::string start = "<" + e.name + (e.attribute.empty() ? "" : " " + e.attribute);
    if (e.empty) {
        items.push_back(start + " />");
    } else if (e.children.empty()) {
        items.push_back(start + ">" + e.text + "</" + e.name + ">");
    } else {
        items.push_back(start + ">");
        for (const Element& child : e.children)
            serialise(child, items);
        items.push_back("</" + e.name + ">");
    }
}

std::string expectedTestSale()
{
    const Element cfe = node(
        "CFe",
        {node("infCFe",
              {node("ide", {leaf("CNPJ", "10615281000140"),
                            leaf("signAC", "SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT"),
                            leaf("numeroCaixa", "000")}),
               node("emit", {leaf("CNPJ", "48213907000165"), leaf("IE", "111111111111"),
                             leaf("indRatISSQN", "S")}),
               emptyElement("dest"),
               node("det",
                    {node("prod", {leaf("cProd", "01.01.0002"), leaf("cEAN", "7893390800533"),
                                   leaf("xProd", "BOLSA VIAGEM"), leaf("NCM", "62041900"),
                                   leaf("CFOP", "5101"), leaf("uCom", "PC"), leaf("qCom", "1.0000"),
                                   leaf("vUnCom", "250.000"), leaf("indRegra", "T"),
                                   leaf("vDesc", "10.00"), leaf("vOutro", "10.00")}),
                     node("imposto",
                          {node("ICMS", {node("ICMS00", {leaf("Orig", "0"), leaf("CST", "00"),
                                                         leaf("pICMS", "18.00")})}),
                           node("PIS", {node("PISNT", {leaf("CST", "04")})}),
                           node("COFINS", {node("COFINSNT", {leaf("CST", "04")})})})},
                    "nItem='1'"),
               emptyElement("total"),
               node("pgto", {node("MP", {leaf("cMP", "01"), leaf("vMP", "250.00")})})},
              "versaoDadosEnt='0.06'")});
    std::vector<std::string> items = {"<?xml version='1.0' encoding='UTF-8'?>"};
    serialise(cfe, items);
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : " ") + item;
    return text;
}

TEST(TestSaleDocument, IsTheElementTableWrittenOutIn888AsciiBytesOnOneLine)
{
    const std::string_view sale = DeviceTest::testSaleDocument;
    EXPECT_EQ(sale.size(), 888u);
    EXPECT_EQ(sale, expectedTestSale());
    EXPECT_TRUE(
        sale.starts_with("<?xml version='1.0' encoding='UTF-8'?> <CFe> "
                         "<infCFe versaoDadosEnt='0.06'> <ide> <CNPJ>10615281000140</CNPJ>"));
    EXPECT_EQ(sale.substr(sale.find("<emit>"), 30), "<emit> <CNPJ>48213907000165</C");
    EXPECT_NE(sale.find("</emit> <dest /> <det nItem='1'> <prod> <cProd>01.01.0002</cProd>"),
              std::string_view::npos);
    EXPECT_NE(sale.find("<vUnCom>250.000</vUnCom>"), std::string_view::npos);
    EXPECT_NE(sale.find("</imposto> </det> <total /> <pgto>"), std::string_view::npos);
    EXPECT_TRUE(sale.ends_with("<vMP>250.00</vMP> </MP> </pgto> </infCFe> </CFe>"));
    for (const char c : sale) {
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(c);
        EXPECT_NE(c, '"');
    }
    EXPECT_EQ(sale.find("  "), std::string_view::npos);
}

struct Checked {
    bool endToEnd;
    bool link;
};

// The options checked, and the functions called.
class DeviceTestOptions : public TableTest<Checked, std::vector<std::string>> {
protected:
    void SetUp() override { ASSERT_TRUE(context.setActivationCode("12345678")); }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    DeviceTest test{client};
};

std::vector<std::string> shown(const std::vector<Outcome>& outcomes)
{
    std::vector<std::string> messages;
    for (const Outcome& outcome : outcomes)
        messages.insert(messages.end(), outcome.messages.begin(), outcome.messages.end());
    return messages;
}

TEST_P(DeviceTestOptions, MakeExactlyOneCallPerCheckedOptionEachWithItsReport)
{
    device.script("TesteFimAFim", {"000012|09000|Emitido com sucesso|||", 9000, "Teste concluído"});
    device.script("ConsultarSAT", {"000012|08000|SAT em operação||", 8000, "SAT em operação"});
    const Checked& checked = GetParam().input;
    const std::vector<Outcome> outcomes = test.run(checked.endToEnd, checked.link);

    EXPECT_EQ(device.functions(), GetParam().expected);
    std::vector<std::string> expected;
    if (checked.endToEnd)
        expected.push_back(SatClient::detailText("Teste concluído"));
    if (checked.link)
        expected.push_back(SatClient::detailText("SAT em operação"));
    EXPECT_EQ(shown(outcomes), expected);
    for (const Outcome& outcome : outcomes)
        EXPECT_EQ(outcome.kind, Outcome::Kind::Done);

    for (const TestDevice::Call& call : device.calls()) {
        if (call.function == "TesteFimAFim") {
            EXPECT_EQ(call.args, (std::vector<std::optional<std::string>>{
                                     "12", "12345678", std::string(DeviceTest::testSaleDocument)}));
        } else if (call.function == "ConsultarSAT") {
            EXPECT_EQ(call.args, std::vector<std::optional<std::string>>{"12"});
        }
    }
}

INSTANTIATE_TABLE(DeviceTest, DeviceTestOptions, {"neither", {false, false}, {}},
                  {"endToEnd", {true, false}, {"TesteFimAFim", "CodigoErro"}},
                  {"link", {false, true}, {"ConsultarSAT", "CodigoErro"}},
                  {"both",
                   {true, true},
                   {"TesteFimAFim", "CodigoErro", "ConsultarSAT", "CodigoErro"}});

class DeviceTestRun : public DeviceTestOptions {};

TEST_F(DeviceTestRun, ATransportFailureShowsItsFixedMessageNotTheDevicesOwn)
{
    device.script("ConsultarSAT", {"", 0x8001, "ignorada"});
    const Outcome outcome = test.perform(DeviceTest::Kind::Link);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"   Sem Sinal CTS.   "});
    EXPECT_EQ(outcome.kind, Outcome::Kind::Transport);
}

TEST_F(DeviceTestRun, TheSameDocumentGoesWhateverCodeTheDeviceHolds)
{
    test.run(true, false);
    ASSERT_TRUE(context.setActivationCode("outro código"));
    test.run(true, false);
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].args.at(2), calls[2].args.at(2));
    EXPECT_NE(calls[0].args.at(1), calls[2].args.at(1));
}

TEST_F(DeviceTestRun, ARefusedTestIsToldWithTheDevicesText)
{
    device.script("TesteFimAFim", {"000012|09001|Erro", 9001, "Código ativação inválido"});
    const Outcome outcome = test.perform(DeviceTest::Kind::EndToEnd);
    EXPECT_EQ(outcome.kind, Outcome::Kind::Refused);
    EXPECT_EQ(outcome.record->code, 9001);
    EXPECT_EQ(outcome.messages,
              std::vector<std::string>{SatClient::detailText("Código ativação inválido")});
}

TEST_F(DeviceTestRun, AMissingLibraryIsToldAndNoErrorRecordIsRead)
{
    AppContext empty;
    SatClient absent{empty, "vexor-no-such-library"};
    DeviceTest broken{absent};
    const std::vector<std::string> messages = shown(broken.run(true, false));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("vexor-no-such-library"), std::string::npos);
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(DeviceTestRun, ASlowTestRunsOnAWorkerAndIsReportedAfterwards)
{
    device.script("TesteFimAFim", {"", 0, "Teste concluído"});
    device.delayNext("TesteFimAFim", 300);

    std::atomic<bool> finished{false};
    Outcome outcome;
    std::thread worker([&] {
        outcome = test.perform(DeviceTest::Kind::EndToEnd);
        finished = true;
    });
    bool sawWaitingCall = false;
    while (!finished) {
        sawWaitingCall = sawWaitingCall || device.waitingCalls() == 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    EXPECT_TRUE(sawWaitingCall);
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"TesteFimAFim", "CodigoErro"}));
    EXPECT_EQ(outcome.messages, std::vector<std::string>{SatClient::detailText("Teste concluído")});
}

} // namespace
