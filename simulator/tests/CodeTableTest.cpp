// Every row of the device's code table provoked as its "how to get it" says, answering its code
// and its text; and the README's tables are the table's: point-of-sale developers and trainers
// go by them.

#include "PointOfSale.h"

#include "CodePage.h"
#include "Codes.h"
#include "Texts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <utility>
#include <vector>

namespace {

using satsim::Rule;

using Edits = std::vector<std::pair<std::string, std::string>>;

// A document with each text replaced where it first appears, as the manager sends it.
std::string edited(std::string document, const Edits& edits)
{
    for (const auto& [from, to] : edits) {
        const std::size_t at = document.find(from);
        if (at == std::string::npos)
            return "<" + from + " not in the sample>";
        document.replace(at, from.size(), to);
    }
    return codepage::toAnsi(document);
}

std::string saleWith(const Edits& edits)
{
    return edited(SimulatorTest::sample("venda.xml"), edits);
}

const std::string icms00 = "<ICMS00>\n            <Orig>0</Orig>\n            <CST>00</CST>\n"
                           "            <pICMS>18.00</pICMS>\n          </ICMS00>";
const std::string wrong = "87654321";

// "04000", or "XX097" for the rows every function has.
std::string rowName(const satsim::ReplyCode& row)
{
    return row.function ? satsim::padded(row.code, 5) : "XX" + satsim::padded(row.code, 3);
}

std::vector<std::string> replyRows()
{
    std::vector<std::string> names;
    for (const satsim::ReplyCode& row : satsim::replyCodes())
        names.push_back(rowName(row));
    return names;
}

const satsim::ReplyCode& replyRow(const std::string& name)
{
    for (const satsim::ReplyCode& row : satsim::replyCodes())
        if (rowName(row) == name)
            return row;
    throw std::logic_error("no row " + name);
}

// The text alone, or the text (without a final full stop) and ": " with the device's detail.
bool saysTheText(const std::string& message, std::string_view text)
{
    if (message == text)
        return true;
    const std::string bare(text.ends_with('.') ? text.substr(0, text.size() - 1) : text);
    return message.rfind(bare + ": ", 0) == 0;
}

class CodeTable : public PointOfSale {
protected:
    // The code the device answered to the last call, in five digits.
    std::string replyCode() { return satsim::padded(error().code, 5); }

    void setLock(const std::string& lock) { ASSERT_EQ(satsim({"set", "lock", lock}).exitCode, 0); }
    void set(const std::string& what, const std::string& value)
    {
        const Run run = satsim({"set", what, value});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    void activateWith(int kind) { client.AtivarSAT(kind, demo::code, demo::taxpayer, 35); }
    void activated()
    {
        activate();
        associate();
    }
    void sale() { client.EnviarDadosVenda(sample("venda.xml")); }
    // A sale, then what comes before the cancel, then the cancel of that sale.
    void cancelAfter(const std::function<void()>& between,
                     const std::function<std::string(const std::string&)>& document = {})
    {
        activated();
        const std::string key = sell(sample("venda.xml"));
        between();
        answer = client.CancelarUltimaVenda(key, document ? document(key) : cancelDocument(key));
    }
    void withCode(const std::string& code) { context.setActivationCode(code); }
    void wrongCodes(int count)
    {
        withCode(wrong);
        for (int i = 0; i < count; ++i)
            client.ConsultarStatusOperacional();
        withCode(demo::code);
    }

    // The calls that give the row's answer, as its "how to get it" says.
    void provoke(const std::string& row);
    // The sale or cancel that breaks the rule (or earns its alert); the item the rule's text
    // then names.
    int provoke(Rule rule);

    SatResponse answer; // of the sale or cancel that provoked a rule
};

void CodeTable::provoke(const std::string& row)
{
    const std::string taxpayers = demo::softwareHouse + demo::taxpayer;
    // One row a provocation: the steps read best as one line each.
    // clang-format off
    const std::map<std::string, std::function<void()>> calls = {
        {"04000", [&] { activateWith(1); }},
        {"04002", [&] { client.AtivarSAT(1, demo::code, "48213907000166", 35); }},
        {"04003", [&] { activate(); activateWith(1); }},
        {"04004", [&] { setLock("4"); activateWith(1); }},
        {"04005", [&] { set("link", "down"); activateWith(1); }},
        {"04006", [&] { activateWith(2); }},
        {"04099", [&] { activateWith(4); }},
        {"05000", [&] { activateWith(2); certificate(20, pemCertificate()); }},
        {"05001", [&] { activateWith(2); certificate(20, pemCertificate(), wrong); }},
        {"05002", [&] { activateWith(2); set("link", "down"); certificate(20, pemCertificate()); }},
        {"05003", [&] { activateWith(2); certificate(20, "não é um certificado"); }},
        {"05099", [&] { activate(); certificate(20, pemCertificate()); }},
        {"06000", [&] { activated(); sale(); }},
        {"06001", [&] { activated(); withCode(wrong); sale(); }},
        {"06002", [&] { withCode(demo::factoryCode); sale(); }},
        {"06003", [&] { activate(); sale(); }},
        {"06004",
         [&] {
             activated();
             client.EnviarDadosVenda(saleWith({{"RETAGUARDA DO SAT", "RETAGUARDA"}}));
         }},
        {"06005",
         [&] {
             activated();
             client.EnviarDadosVenda(
                 saleWith({{"</infCpl>", std::string(1500 * 1024, 'x') + "</infCpl>"}}));
         }},
        {"06006", [&] { activated(); client.BloquearSAT(); sale(); }},
        {"06007", [&] { activated(); setLock("1"); sale(); }},
        {"06008", [&] { activated(); setLock("3"); sale(); }},
        {"06009", [&] { activated(); wrongCodes(3); sale(); }},
        {"06010",
         [&] { activated(); client.EnviarDadosVenda(saleWith({{"<CFOP>5102</CFOP>", ""}})); }},
        {"06011", [&] { activated(); satsim({"clock", "advance", "1827d"}); sale(); }},
        {"07000", [&] { cancelAfter([] {}); }},
        {"07001", [&] { cancelAfter([&] { withCode(wrong); }); }},
        {"07002", [&] { activated(); client.CancelarUltimaVenda("", cancelDocument("")); }},
        {"07004",
         [&] {
             cancelAfter(
                 [] {},
                 [&](const std::string& key) {
                     return edited(cancelDocument(key), {{"RETAGUARDA DO SAT", "RETAGUARDA"}});
                 });
         }},
        {"07006", [&] { cancelAfter([&] { setLock("2"); }); }},
        {"07007", [&] { cancelAfter([&] { setLock("1"); }); }},
        {"07008", [&] { cancelAfter([&] { setLock("3"); }); }},
        {"07009", [&] { cancelAfter([&] { wrongCodes(3); }); }},
        {"07010", [&] { cancelAfter([&] { satsim({"clock", "advance", "31m"}); }); }},
        {"07011", [&] { cancelAfter([&] { satsim({"clock", "advance", "1827d"}); }); }},
        {"07099",
         [&] {
             withCode(demo::factoryCode);
             client.CancelarUltimaVenda("CFe1", cancelDocument("CFe1"));
         }},
        {"08000", [&] { client.ConsultarSAT(); }},
        {"09000", [&] { activate(); client.TesteFimAFim(endToEndDocument); }},
        {"09001", [&] { activate(); withCode(wrong); client.TesteFimAFim(endToEndDocument); }},
        {"09002", [&] { withCode(demo::factoryCode); client.TesteFimAFim(endToEndDocument); }},
        {"09099", [&] { activate(); client.TesteFimAFim("<CFe>"); }},
        {"10000", [&] { withCode(demo::factoryCode); client.ConsultarStatusOperacional(); }},
        {"10001", [&] { withCode(wrong); client.ConsultarStatusOperacional(); }},
        {"11001", [&] { activate(); bySession(20, 1, wrong); }},
        {"11002", [&] { bySession(20, 1, demo::factoryCode); }},
        {"11003", [&] { activate(); bySession(20, 999); }},
        {"11099", [&] { activate(); bySession(20, 1000000); }},
        {"12000",
         [&] { withCode(demo::factoryCode); client.ConfigurarInterfaceDeRede(fixedNetwork()); }},
        {"12001", [&] { withCode(wrong); client.ConfigurarInterfaceDeRede(fixedNetwork()); }},
        {"12002", [&] { withCode(demo::factoryCode); client.ConfigurarInterfaceDeRede(""); }},
        {"13000", [&] { activate(); client.AssociarAssinatura(taxpayers, demo::signature); }},
        {"13001",
         [&] {
             activate();
             withCode(wrong);
             client.AssociarAssinatura(taxpayers, demo::signature);
         }},
        {"13002",
         [&] {
             activate();
             set("link", "down");
             client.AssociarAssinatura(taxpayers, demo::signature);
         }},
        {"13003", [&] { activate(); client.AssociarAssinatura(taxpayers, ""); }},
        {"13004", [&] { activate(); client.AssociarAssinatura(demo::taxpayer, demo::signature); }},
        {"13007",
         [&] {
             activate();
             client.AssociarAssinatura(demo::softwareHouse + "11222333000181", demo::signature);
         }},
        {"13099",
         [&] {
             withCode(demo::factoryCode);
             client.AssociarAssinatura(taxpayers, demo::signature);
         }},
        {"14000", [&] { withCode(demo::factoryCode); client.AtualizarSoftwareSAT(); }},
        {"14001", [&] { withCode(wrong); client.AtualizarSoftwareSAT(); }},
        {"14002",
         [&] {
             set("update", "running");
             withCode(demo::factoryCode);
             client.AtualizarSoftwareSAT();
         }},
        {"14003",
         [&] {
             set("update", "error");
             withCode(demo::factoryCode);
             client.AtualizarSoftwareSAT();
         }},
        {"14004",
         [&] {
             set("update", "invalid");
             withCode(demo::factoryCode);
             client.AtualizarSoftwareSAT();
         }},
        {"15000", [&] { withCode(demo::factoryCode); client.ExtrairLogs(); }},
        {"15001", [&] { withCode(wrong); client.ExtrairLogs(); }},
        {"16000", [&] { activate(); client.BloquearSAT(); }},
        {"16001", [&] { activate(); withCode(wrong); client.BloquearSAT(); }},
        {"16002", [&] { activate(); client.BloquearSAT(); client.BloquearSAT(); }},
        {"16003", [&] { activate(); set("link", "down"); client.BloquearSAT(); }},
        {"16004", [&] { activate(); set("sefaz-block", "none"); client.BloquearSAT(); }},
        {"16099", [&] { withCode(demo::factoryCode); client.BloquearSAT(); }},
        {"17000", [&] { activate(); client.BloquearSAT(); client.DesbloquearSAT(); }},
        {"17001",
         [&] {
             activate();
             setLock("2");
             withCode(wrong);
             client.DesbloquearSAT();
         }},
        {"17002",
         [&] {
             activate();
             client.BloquearSAT();
             set("sefaz-block", "held");
             client.DesbloquearSAT();
         }},
        {"17003", [&] { activate(); setLock("1"); client.DesbloquearSAT(); }},
        {"17004",
         [&] {
             activate();
             client.BloquearSAT();
             set("link", "down");
             client.DesbloquearSAT();
         }},
        {"17005", [&] { activate(); client.DesbloquearSAT(); }},
        {"17006", [&] { activate(); setLock("3"); client.DesbloquearSAT(); }},
        {"17007", [&] { activate(); setLock("4"); client.DesbloquearSAT(); }},
        {"17099", [&] { withCode(demo::factoryCode); client.DesbloquearSAT(); }},
        {"18000",
         [&] { activate(); client.TrocarCodigoDeAtivacao(demo::code, 1, "87654321", "87654321"); }},
        {"18001",
         [&] { activate(); client.TrocarCodigoDeAtivacao(wrong, 1, "11223344", "11223344"); }},
        {"18002",
         [&] { activate(); client.TrocarCodigoDeAtivacao("11111111", 2, "87654321", "87654321"); }},
        {"18099",
         [&] { activate(); client.TrocarCodigoDeAtivacao(demo::code, 3, "87654321", "87654321"); }},
        {"19001", [&] { activate(); lastFiscal(20, wrong); }},
        {"19099", [&] { activate(); lastFiscal(20); }},
        {"XX097", [&] { activate(); bySession(1000000, 1); }},
        {"XX098", [&] { satsim({"fault", "busy", "--times", "1"}); client.ConsultarSAT(); }},
        {"XX099", [&] { withCode(demo::factoryCode); client.BloquearSAT(); }},
    };
    // clang-format on
    const auto call = calls.find(row);
    ASSERT_NE(call, calls.end()) << "no way to provoke " << row << " is known to the test";
    call->second();
}

// A rule broken by an edit of the sample sale or cancel: the item its text then names, and
// the taxpayer's regime the sale is made under.
struct Breach {
    Rule rule;
    Edits edits;
    int item = 0;
    std::string regime = "";
};

const std::string csosn102 = "<ICMSSN102><Orig>0</Orig><CSOSN>102</CSOSN></ICMSSN102>";
const std::string csosn900 =
    "<ICMSSN900><Orig>0</Orig><CSOSN>900</CSOSN><pICMS>18.00</pICMS></ICMSSN900>";

const std::vector<Breach> saleBreaches = {
    {Rule::Unidentified, {{"<CFOP>5102</CFOP>", ""}}},
    {Rule::LayoutVersion, {{" versaoDadosEnt=\"0.07\"", ""}}},
    {Rule::LayoutNotNewest, {{"\"0.07\"", "\"0.06\""}}},
    {Rule::SoftwareHouseCnpj, {{"<CNPJ>10615281000140", "<CNPJ>10615281000141"}}},
    {Rule::Signature, {{"<signAC>SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT</signAC>", ""}}},
    {Rule::EmitterCnpj, {{"<CNPJ>48213907000165", "<CNPJ>48213907000166"}}},
    {Rule::EmitterNotTaxpayer, {{"<CNPJ>48213907000165", "<CNPJ>11222333000181"}}},
    {Rule::EmitterIeMissing, {{"<IE>111111111111</IE>", ""}}},
    {Rule::EmitterIe, {{"<IE>111111111111</IE>", "<IE>ISENTO</IE>"}}},
    {Rule::IssqnRegime, {{"<indRatISSQN>", "<cRegTribISSQN>7</cRegTribISSQN><indRatISSQN>"}}},
    {Rule::IssqnApportion, {{"<indRatISSQN>N", "<indRatISSQN>X"}}},
    {Rule::BuyerCnpj, {{"<CPF>11144477735</CPF>", "<CNPJ>11222333000180</CNPJ>"}}},
    {Rule::BuyerCpf, {{"<CPF>11144477735", "<CPF>11144477736"}}},
    {Rule::ItemNumber, {{"<det nItem=\"2\">", "<det nItem=\"3\">"}}},
    {Rule::ProductCode, {{"<cProd>0001</cProd>", ""}}},
    {Rule::ProductDescription, {{"<xProd>CAFÉ TORRADO E MOÍDO 500 g</xProd>", ""}}},
    {Rule::Cfop, {{"<CFOP>5102</CFOP>", "<CFOP>6102</CFOP>"}}},
    {Rule::Gtin, {{"7891000100103", "7891000100104"}}, 1},
    {Rule::Unit, {{"<uCom>UN</uCom>", ""}}},
    {Rule::Quantity, {{"<qCom>2.0000</qCom>", "<qCom>2,0</qCom>"}}, 1},
    {Rule::UnitPrice, {{"<vUnCom>15.00</vUnCom>", "<vUnCom>15.0001</vUnCom>"}}, 2},
    {Rule::CalculationRule, {{"<indRegra>A</indRegra>", "<indRegra>R</indRegra>"}}, 1},
    {Rule::ItemDiscount, {{"<vDesc>0.25</vDesc>", "<vDesc>0,25</vDesc>"}}, 2},
    {Rule::ItemOther, {{"<indRegra>A</indRegra>", "<indRegra>A</indRegra><vOutro>-1</vOutro>"}}, 1},
    {Rule::SubtotalDiscount,
     {{"<total/>", "<total><DescAcrEntr><vDescSubtot>-1.00</vDescSubtot></DescAcrEntr></total>"}}},
    {Rule::SubtotalIncrease,
     {{"<total/>", "<total><DescAcrEntr><vAcresSubtot>1,00</vAcresSubtot></DescAcrEntr></total>"}}},
    {Rule::NegativeValue, {{"<vDesc>0.25</vDesc>", "<vDesc>11.26</vDesc>"}}},
    {Rule::PaymentCode, {{"<cMP>01</cMP>", "<cMP>06</cMP>"}}},
    {Rule::PaymentValue, {{"<vMP>50.00</vMP>", "<vMP>0.00</vMP>"}}},
    {Rule::PaymentShort, {{"<vMP>50.00</vMP>", "<vMP>40.00</vMP>"}}},
    {Rule::RegimeIcms00, {}, 0, "1"},
    {Rule::RegimeIcms40, {{icms00, csosn102}}},
    {Rule::RegimeSn102, {{icms00, csosn102}}, 0, "3"},
    {Rule::RegimeSn900, {{icms00, csosn900}}, 0, "3"},
};

// Edits of the cancel document of the sample sale.
const std::vector<Breach> cancelBreaches = {
    {Rule::CancelSoftwareHouseCnpj, {{"<CNPJ>10615281000140", "<CNPJ>10615281000141"}}},
    {Rule::CancelBuyerCnpj, {{"<dest/>", "<dest><CNPJ>11222333000181</CNPJ></dest>"}}},
    {Rule::CancelBuyerCpf, {{"<dest/>", "<dest><CPF>11144477736</CPF></dest>"}}},
};

int CodeTable::provoke(Rule rule)
{
    for (const Breach& breach : saleBreaches) {
        if (breach.rule != rule)
            continue;
        if (!breach.regime.empty())
            set("regime", breach.regime);
        activated();
        answer = client.EnviarDadosVenda(saleWith(breach.edits));
        return breach.item;
    }
    for (const Breach& breach : cancelBreaches) {
        if (breach.rule == rule) {
            cancelAfter(
                [] {},
                [&](const std::string& key) { return edited(cancelDocument(key), breach.edits); });
            return 0;
        }
    }
    if (rule == Rule::CancelKey) {
        // The document left naming the placeholder key.
        cancelAfter([] {}, [&](const std::string&) { return sample("cancelamento.xml"); });
    } else if (rule == Rule::CancelDone) {
        activated();
        const std::string key = sell(sample("venda.xml"));
        client.CancelarUltimaVenda(key, cancelDocument(key));
        answer = client.CancelarUltimaVenda(key, cancelDocument(key));
    } else if (rule == Rule::CancelLate) {
        cancelAfter([&] { satsim({"clock", "advance", "31m"}); });
    } else {
        ADD_FAILURE() << "no document breaks rule " << satsim::ruleInfo(rule).code;
    }
    return 0;
}

class ReplyCodes : public CodeTable, public testing::WithParamInterface<std::string> {};

// The code and, at the start of the message, the table's text; the device's own detail may
// follow it after ": ". The rows every function has are checked on their last digits.
TEST_P(ReplyCodes, AreAnsweredWithTheTablesText)
{
    const satsim::ReplyCode& row = replyRow(GetParam());
    provoke(GetParam());
    const std::string code = replyCode();
    if (row.function)
        EXPECT_EQ(code, GetParam()) << error().msg;
    else
        EXPECT_EQ(code.substr(2), GetParam().substr(2)) << error().msg;
    const std::string message = error().msg;
    if (row.rejection)
        EXPECT_EQ(message.rfind("Rejeição: ", 0), 0u) << message;
    else
        EXPECT_TRUE(saysTheText(message, row.text)) << message;
}

INSTANTIATE_TEST_SUITE_P(Simulator, ReplyCodes, testing::ValuesIn(replyRows()),
                         [](const testing::TestParamInfo<std::string>& row) {
                             return "code" + row.param;
                         });

// Point-of-sale programs written against the tables in force until 2015 get their numbers.
class OlderTables : public CodeTable, public testing::WithParamInterface<std::string> {};

TEST_P(OlderTables, NumberTheRowsTheirWay)
{
    const satsim::ReplyCode& row = replyRow(GetParam());
    set("tables", "2015");
    provoke(GetParam());
    const std::string message = error().msg;
    if (row.code2015 == 0) {
        EXPECT_EQ(replyCode().substr(2), "099") << message;
        EXPECT_TRUE(saysTheText(message, "Erro desconhecido: " + std::string(row.text))) << message;
    } else {
        EXPECT_EQ(replyCode(), satsim::padded(row.code2015, 5)) << message;
        if (!row.rejection) {
            EXPECT_TRUE(saysTheText(message, row.text2015.empty() ? row.text : row.text2015))
                << message;
        }
    }
}

std::vector<std::string> renumberedRows()
{
    std::vector<std::string> names;
    for (const satsim::ReplyCode& row : satsim::replyCodes())
        if (row.code2015 != row.code || !row.text2015.empty())
            names.push_back(rowName(row));
    return names;
}

INSTANTIATE_TEST_SUITE_P(Simulator, OlderTables, testing::ValuesIn(renumberedRows()),
                         [](const testing::TestParamInfo<std::string>& row) {
                             return "code" + row.param;
                         });

TEST_F(CodeTable, OlderTablesStayAfterAReset)
{
    set("tables", "2015");
    ASSERT_EQ(satsim({"reset"}).exitCode, 0);
    activated();
    const std::string key = sell(sample("venda.xml"));
    setLock("2");
    client.CancelarUltimaVenda(key, cancelDocument(key));
    EXPECT_EQ(error().code, 7003) << error().msg;
    set("tables", "2016");
    client.CancelarUltimaVenda(key, cancelDocument(key));
    EXPECT_EQ(error().code, 7006) << error().msg;
}

class RejectionCodes : public CodeTable, public testing::WithParamInterface<Rule> {};

// A refusal: 06010 (07010 for a cancel), the code in CCCC and the table's text after
// "Rejeição: "; an alert: the sale issued with 06000 and the alert's code in CCCC.
TEST_P(RejectionCodes, AreAnsweredInTheirField)
{
    const satsim::RuleInfo& rule = satsim::ruleInfo(GetParam());
    const int item = provoke(GetParam());
    const std::string message = error().msg;
    if (rule.alert) {
        EXPECT_EQ(error().code, 6000) << message;
        EXPECT_EQ(message, "Emitido com sucesso + conteúdo notas.");
    } else {
        EXPECT_EQ(error().code, rule.applies == satsim::Applies::Cancel ? 7010 : 6010) << message;
        std::string text = "Rejeição: " + std::string(rule.text);
        if (item)
            text =
                std::regex_replace(text, std::regex("\\(N\\)"), "(" + std::to_string(item) + ")");
        EXPECT_TRUE(text == message ||
                    message.rfind(text.ends_with('.') ? text.substr(0, text.size() - 1) + " ("
                                                      : text + " (",
                                  0) == 0)
            << message;
    }
    EXPECT_EQ(field(answer, 3), satsim::padded(rule.code, 4)) << answer.text();
}

std::vector<Rule> everyRule()
{
    std::vector<Rule> rules;
    for (const satsim::RuleInfo& info : satsim::allRules())
        rules.push_back(info.rule);
    return rules;
}

INSTANTIATE_TEST_SUITE_P(Simulator, RejectionCodes, testing::ValuesIn(everyRule()),
                         [](const testing::TestParamInfo<Rule>& rule) {
                             return "code" + std::to_string(satsim::ruleInfo(rule.param).code);
                         });

TEST(CodeTableReadme, HoldsTheTablesOfTheCode)
{
    std::ifstream in(SIMULATOR_README, std::ios::binary);
    const std::string readme((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    for (const std::string& table :
         {satsim::replyCodesMarkdown(), satsim::rejectionCodesMarkdown()})
        EXPECT_NE(readme.find(table), std::string::npos)
            << "simulator/README.md must hold, as they are, the tables `satsim codes` prints:\n"
            << table;
}

} // namespace
