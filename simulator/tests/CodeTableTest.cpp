// Every code of the table in the simulator's README, provoked as the table says: the README is
// what point-of-sale developers and trainers go by.

#include "PointOfSale.h"

#include "CaseName.h"
#include "CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// The codes in the first cell of the README's table rows: five digits for reply codes, four
// for the rejection codes of sales and cancels.
std::vector<std::string> readmeCodes()
{
    std::ifstream in(SIMULATOR_README);
    std::vector<std::string> codes;
    const std::regex row(R"(^\| ((\d{4,5})(, \d{4,5})*) \|)");
    std::string line;
    while (std::getline(in, line)) {
        std::smatch match;
        if (!std::regex_search(line, match, row))
            continue;
        std::stringstream cell(match[1].str());
        std::string code;
        while (std::getline(cell, code, ','))
            codes.push_back(code.substr(code.find_first_not_of(' ')));
    }
    return codes;
}

using Edits = std::vector<std::pair<std::string, std::string>>;

const std::string icms40 =
    "<ICMS>\n          <ICMS40>\n            <Orig>0</Orig>\n            <CST>40</CST>\n"
    "          </ICMS40>\n        </ICMS>";

// The sample sale with each text replaced where it first appears, as the manager sends it.
std::string saleWith(const Edits& edits)
{
    std::string sale = SimulatorTest::sample("venda.xml");
    for (const auto& [from, to] : edits) {
        const std::size_t at = sale.find(from);
        if (at == std::string::npos)
            return "<" + from + " not in the sample>";
        sale.replace(at, from.size(), to);
    }
    return codepage::toAnsi(sale);
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// The sample's items replaced by the given ones.
std::string saleWithItems(const std::function<std::string(const std::string& item, int n)>& make,
                          int count)
{
    const std::string sale = SimulatorTest::sample("venda.xml");
    const std::size_t first = sale.find("<det ");
    const std::size_t end = sale.rfind("</det>") + 6;
    const std::string item = sale.substr(first, sale.find("</det>") + 6 - first);
    std::string items;
    for (int n = 1; n <= count; ++n)
        items += make(item, n);
    return codepage::toAnsi(sale.substr(0, first) + items + sale.substr(end));
}

// The rejection code each sale gets.
const std::map<std::string, std::function<std::string()>>& rejectedSales()
{
    static const std::map<std::string, std::function<std::string()>> sales = {
        {"1002", [] { return saleWith({{" versaoDadosEnt=\"0.07\"", ""}}); }},
        {"1003", [] { return saleWith({{"<uCom>UN</uCom>", "<uCom>UN</uCom><cor>azul</cor>"}}); }},
        {"1010", [] { return saleWith({{"<CNPJ>10615281000140", "<CNPJ>10615281000141"}}); }},
        {"1011",
         [] {
             return saleWith(
                 {{"<signAC>SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT</signAC>", ""}});
         }},
        {"1012", [] { return saleWith({{"<numeroCaixa>001", "<numeroCaixa>01"}}); }},
        {"1207", [] { return saleWith({{"<CNPJ>48213907000165", "<CNPJ>48213907000166"}}); }},
        {"1224", [] { return saleWith({{"<CNPJ>48213907000165", "<CNPJ>11222333000181"}}); }},
        {"1229", [] { return saleWith({{"<IE>111111111111</IE>", ""}}); }},
        {"1209", [] { return saleWith({{"<IE>111111111111</IE>", "<IE>ISENTO</IE>"}}); }},
        {"1234", [] { return saleWith({{"<indRatISSQN>N", "<indRatISSQN>X"}}); }},
        {"1208",
         [] { return saleWith({{"<CPF>11144477735</CPF>", "<CNPJ>11222333000180</CNPJ>"}}); }},
        {"1237", [] { return saleWith({{"<CPF>11144477735", "<CPF>11144477736"}}); }},
        {"1238",
         [] {
             return saleWith({{"<CPF>11144477735</CPF>",
                               "<CNPJ>11222333000181</CNPJ><CPF>11144477735</CPF>"}});
         }},
        {"1301", [] { return saleWithItems([](const std::string&, int) { return ""; }, 1); }},
        {"1302",
         [] {
             return saleWithItems(
                 [](const std::string& item, int n) {
                     return std::regex_replace(item, std::regex("nItem=\"1\""),
                                               "nItem=\"" + std::to_string(n) + "\"");
                 },
                 501);
         }},
        {"1303", [] { return saleWith({{"<det nItem=\"2\">", "<det nItem=\"3\">"}}); }},
        {"1304", [] { return saleWith({{"<cProd>0001</cProd>", ""}}); }},
        {"1305", [] { return saleWith({{"<xProd>CAFÉ TORRADO E MOÍDO 500 g</xProd>", ""}}); }},
        {"1306", [] { return saleWith({{"<CFOP>5102</CFOP>", ""}}); }},
        {"1307", [] { return saleWith({{"<CFOP>5102</CFOP>", "<CFOP>6102</CFOP>"}}); }},
        {"1611", [] { return saleWith({{"7891000100103", "7891000100104"}}); }},
        {"1308", [] { return saleWith({{"<uCom>UN</uCom>", ""}}); }},
        {"1309", [] { return saleWith({{"<qCom>2.0000</qCom>", "<qCom>2,0</qCom>"}}); }},
        {"1310", [] { return saleWith({{"<vUnCom>15.00</vUnCom>", ""}}); }},
        {"1311", [] { return saleWith({{"<indRegra>A</indRegra>", "<indRegra>R</indRegra>"}}); }},
        {"1312", [] { return saleWith({{"<vDesc>0.25</vDesc>", "<vDesc>11.26</vDesc>"}}); }},
        {"1313", [] { return saleWith({{icms40, "<ICMS/>"}}); }},
        {"1314",
         [] {
             return saleWith({{"<PISNT>\n            <CST>04</CST>\n          </PISNT>", ""}});
         }},
        {"1315",
         [] {
             return saleWith(
                 {{icms40, "<ICMS><ICMSSN102><Orig>0</Orig><CSOSN>102</CSOSN></ICMSSN102>"
                           "</ICMS>"}});
         }},
        {"1401",
         [] {
             return saleWith({{"<total/>", "<total><DescAcrEntr><vDescSubtot>1.00</vDescSubtot>"
                                           "<vAcresSubtot>1.00</vAcresSubtot></DescAcrEntr>"
                                           "</total>"}});
         }},
        {"1402",
         [] {
             return saleWith({{"<total/>", "<total><DescAcrEntr><vDescSubtot>48.81"
                                           "</vDescSubtot></DescAcrEntr></total>"}});
         }},
        {"1450",
         [] {
             return saleWith({{"<MP>\n        <cMP>01</cMP>\n        <vMP>50.00</vMP>\n      </MP>",
                               ""}});
         }},
        {"1451", [] { return saleWith({{"<cMP>01</cMP>", "<cMP>06</cMP>"}}); }},
        {"1452", [] { return saleWith({{"<vMP>50.00</vMP>", ""}}); }},
        {"1453", [] { return saleWith({{"<vMP>50.00</vMP>", "<vMP>40.00</vMP>"}}); }},
        {"1454",
         [] {
             return saleWith(
                 {{"</MP>", "</MP>" + repeated("<MP><cMP>01</cMP><vMP>0.01</vMP></MP>", 10)}});
         }},
        {"1461",
         [] {
             return saleWith(
                 {{"</prod>", "</prod><infAdProd>" + std::string(501, 'n') + "</infAdProd>"}});
         }},
        {"1460",
         [] {
             return saleWith({{"Venda de demonstração do SAT simulado - sem valor fiscal",
                               std::string(5001, 'x')}});
         }},
    };
    return sales;
}

class CodeTable : public PointOfSale, public testing::WithParamInterface<std::string> {
protected:
    // The code the device answered to the last call, in five digits.
    std::string replyCode() { return std::to_string(100000 + error().code).substr(1); }

    std::string activated(int certificateKind = 1)
    {
        client.AtivarSAT(certificateKind, demo::code, demo::taxpayer, 35);
        const std::string code = replyCode();
        context.setActivationCode(demo::code);
        return code;
    }

    std::string activatedThen(const std::function<void()>& call)
    {
        activate();
        call();
        return replyCode();
    }

    std::string factoryThen(const std::function<void()>& call)
    {
        context.setActivationCode(demo::factoryCode);
        call();
        return replyCode();
    }

    std::string setLock(const std::string& lock)
    {
        return satsim({"set", "lock", lock}).exitCode == 0 ? "" : "satsim failed";
    }

    std::string afterSale(const std::function<void(const std::string& key)>& then)
    {
        activate();
        associate();
        const std::string key = sell(sample("venda.xml"));
        then(key);
        return replyCode();
    }

    std::string saleCode(const std::function<void()>& before)
    {
        activate();
        associate();
        before();
        client.EnviarDadosVenda(sample("venda.xml"));
        return replyCode();
    }

    std::string cancelRejection(const std::function<std::string(const std::string& key)>& doc,
                                const std::string& advance = "")
    {
        activate();
        associate();
        const std::string key = sell(sample("venda.xml"));
        if (!advance.empty())
            satsim({"clock", "advance", advance});
        return field(client.CancelarUltimaVenda(key, doc(key)), 3);
    }

    // What the README row of the code describes, and the code the device then gave.
    std::string provoke(const std::string& code);
};

std::string CodeTable::provoke(const std::string& code)
{
    const std::string taxpayers = demo::softwareHouse + demo::taxpayer;
    const std::map<std::string, std::function<std::string()>> replies = {
        {"04000", [&] { return activated(); }},
        {"04002",
         [&] {
             client.AtivarSAT(1, demo::code, "48213907000166", 35);
             return replyCode();
         }},
        {"04003",
         [&] {
             activate();
             return activated();
         }},
        {"04005",
         [&] {
             satsim({"set", "link", "down"});
             return activated();
         }},
        {"04006", [&] { return activated(2); }},
        {"04099", [&] { return activated(4); }},
        {"05000",
         [&] {
             activated(2);
             return certificate(20, pemCertificate()).substr(7, 5);
         }},
        {"05002",
         [&] {
             activated(2);
             return certificate(20, "não é um certificado").substr(7, 5);
         }},
        {"05099",
         [&] {
             activate();
             return certificate(20, pemCertificate()).substr(7, 5);
         }},
        {"06000", [&] { return saleCode([] {}); }},
        {"06002",
         [&] {
             return factoryThen([&] {
                 client.EnviarDadosVenda(sample("venda.xml"));
             });
         }},
        {"06003",
         [&] {
             return activatedThen([&] {
                 client.EnviarDadosVenda(sample("venda.xml"));
             });
         }},
        {"06004",
         [&] {
             return activatedThen([&] {
                 associate();
                 client.EnviarDadosVenda(saleWith({{"RETAGUARDA DO SAT", "RETAGUARDA"}}));
             });
         }},
        {"06005",
         [&] {
             return activatedThen([&] {
                 associate();
                 client.EnviarDadosVenda(saleWith(
                 {{"</infCpl>", std::string(1500 * 1024, 'x') + "</infCpl>"}}));
             });
         }},
        {"06006", [&] { return saleCode([&] { setLock("2"); }); }},
        {"06007", [&] { return saleCode([&] { setLock("1"); }); }},
        {"06008", [&] { return saleCode([&] { setLock("3"); }); }},
        {"06010",
         [&] {
             return activatedThen([&] {
                 associate();
                 client.EnviarDadosVenda(saleWith({{"<CFOP>5102</CFOP>", ""}}));
             });
         }},
        {"07000",
         [&] {
             return afterSale([&](const std::string& key) {
                 client.CancelarUltimaVenda(key, cancelDocument(key));
             });
         }},
        {"07002",
         [&] {
             return activatedThen([&] {
                 associate();
                 client.CancelarUltimaVenda("", cancelDocument(""));
             });
         }},
        {"07003",
         [&] {
             return afterSale([&](const std::string& key) {
                 setLock("2");
                 client.CancelarUltimaVenda(key, cancelDocument(key));
             });
         }},
        {"07004",
         [&] {
             return afterSale([&](const std::string& key) {
                 setLock("1");
                 client.CancelarUltimaVenda(key, cancelDocument(key));
             });
         }},
        {"07005",
         [&] {
             return afterSale([&](const std::string& key) {
                 setLock("3");
                 client.CancelarUltimaVenda(key, cancelDocument(key));
             });
         }},
        {"07007",
         [&] {
             return afterSale([&](const std::string& key) {
                 satsim({"clock", "advance", "31m"});
                 client.CancelarUltimaVenda(key, cancelDocument(key));
             });
         }},
        {"07099",
         [&] {
             return factoryThen([&] {
                 client.CancelarUltimaVenda("CFe1", cancelDocument("CFe1"));
             });
         }},
        {"08000",
         [&] {
             client.ConsultarSAT();
             return replyCode();
         }},
        {"09000", [&] { return activatedThen([&] { client.TesteFimAFim(endToEndDocument); }); }},
        {"09002", [&] { return factoryThen([&] { client.TesteFimAFim(endToEndDocument); }); }},
        {"09099", [&] { return activatedThen([&] { client.TesteFimAFim("<CFe>"); }); }},
        {"10000", [&] { return factoryThen([&] { client.ConsultarStatusOperacional(); }); }},
        {"11002", [&] { return bySession(20, 1, demo::factoryCode).substr(7, 5); }},
        {"11003",
         [&] {
             activate();
             return bySession(20, 999).substr(7, 5);
         }},
        {"12000",
         [&] {
             return factoryThen([&] {
                 client.ConfigurarInterfaceDeRede(fixedNetwork());
             });
         }},
        {"12002", [&] { return factoryThen([&] { client.ConfigurarInterfaceDeRede(""); }); }},
        {"13000",
         [&] {
             return activatedThen([&] {
                 client.AssociarAssinatura(taxpayers, demo::signature);
             });
         }},
        {"13002",
         [&] {
             return activatedThen([&] {
                 satsim({"set", "link", "down"});
                 client.AssociarAssinatura(taxpayers, demo::signature);
             });
         }},
        {"13003", [&] { return activatedThen([&] { client.AssociarAssinatura(taxpayers, ""); }); }},
        {"13004",
         [&] {
             return activatedThen([&] {
                 client.AssociarAssinatura(demo::taxpayer, demo::signature);
             });
         }},
        {"13099",
         [&] {
             return factoryThen([&] {
                 client.AssociarAssinatura(taxpayers, demo::signature);
             });
         }},
        {"14000", [&] { return factoryThen([&] { client.AtualizarSoftwareSAT(); }); }},
        {"15000", [&] { return factoryThen([&] { client.ExtrairLogs(); }); }},
        {"16000", [&] { return activatedThen([&] { client.BloquearSAT(); }); }},
        {"16002",
         [&] {
             return activatedThen([&] {
                 client.BloquearSAT();
                 client.BloquearSAT();
             });
         }},
        {"16099", [&] { return factoryThen([&] { client.BloquearSAT(); }); }},
        {"17000",
         [&] {
             return activatedThen([&] {
                 client.BloquearSAT();
                 client.DesbloquearSAT();
             });
         }},
        {"17002", [&] { return activatedThen([&] { setLock("1"); client.DesbloquearSAT(); }); }},
        {"17003", [&] { return activatedThen([&] { setLock("3"); client.DesbloquearSAT(); }); }},
        {"17004", [&] { return activatedThen([&] { setLock("4"); client.DesbloquearSAT(); }); }},
        {"17005", [&] { return activatedThen([&] { client.DesbloquearSAT(); }); }},
        {"17099", [&] { return factoryThen([&] { client.DesbloquearSAT(); }); }},
        {"18000",
         [&] {
             return activatedThen([&] {
                 client.TrocarCodigoDeAtivacao(demo::code, 1, "87654321", "87654321");
             });
         }},
        {"18002",
         [&] {
             return activatedThen([&] {
                 client.TrocarCodigoDeAtivacao("11111111", 2, "87654321", "87654321");
             });
         }},
        {"18099",
         [&] {
             return activatedThen([&] {
                 client.TrocarCodigoDeAtivacao(demo::code, 3, "87654321", "87654321");
             });
         }},
        {"19001",
         [&] {
             activate();
             return lastFiscal(20, "87654321").substr(7, 5);
         }},
        {"19099",
         [&] {
             activate();
             return lastFiscal(20).substr(7, 5);
         }},
        {"1013",
         [&] {
             return cancelRejection([&](const std::string& key) {
                 std::string document = cancelDocument(key);
                 document.replace(document.find("RETAGUARDA DO SAT"), 17, "RETAGUARDA");
                 return document;
             });
         }},
        {"1216", [&] { return cancelRejection([&](const std::string&) {
                    return sample("cancelamento.xml");
                }); }},
        {"1412",
         [&] {
             return cancelRejection([&](const std::string& key) { return cancelDocument(key); },
                                    "31m");
         }},
    };
    if (const auto reply = replies.find(code); reply != replies.end())
        return reply->second();
    if (const auto sale = rejectedSales().find(code); sale != rejectedSales().end()) {
        activate();
        associate();
        return field(client.EnviarDadosVenda(sale->second()), 3);
    }
    return "no way to provoke it is known to the test";
}

TEST_P(CodeTable, CodeIsGivenAsTheReadmeSays)
{
    EXPECT_EQ(provoke(GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Simulator, CodeTable, testing::ValuesIn(readmeCodes()),
                         [](const testing::TestParamInfo<std::string>& code) {
                             return "code" + code.param;
                         });

TEST(CodeTableReadme, ListsReplyAndRejectionCodesOnce)
{
    const std::vector<std::string> codes = readmeCodes();
    const std::set<std::string> unique(codes.begin(), codes.end());
    EXPECT_EQ(unique.size(), codes.size());
    EXPECT_GE(std::count_if(codes.begin(), codes.end(),
                            [](const std::string& c) { return c.size() == 4; }),
              40);
    EXPECT_GE(std::count_if(codes.begin(), codes.end(),
                            [](const std::string& c) { return c.size() == 5; }),
              50);
}

} // namespace
