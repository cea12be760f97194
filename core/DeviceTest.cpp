#include "DeviceTest.h"

#include "SatClient.h"

const std::string_view DeviceTest::testSaleDocument =
    "<?xml version='1.0' encoding='UTF-8'?> <CFe> <infCFe versaoDadosEnt='0.06'> <ide> "
    "<CNPJ>10615281000140</CNPJ> <signAC>SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT</signAC> "
    "<numeroCaixa>000</numeroCaixa> </ide> <emit> <CNPJ>48213907000165</CNPJ> "
    "<IE>111111111111</IE> <indRatISSQN>S</indRatISSQN> </emit> <dest /> <det nItem='1'> "
    "<prod> <cProd>01.01.0002</cProd> <cEAN>7893390800533</cEAN> <xProd>BOLSA VIAGEM</xProd> "
    "<NCM>62041900</NCM> <CFOP>5101</CFOP> <uCom>PC</uCom> <qCom>1.0000</qCom> "
    "<vUnCom>250.000</vUnCom> <indRegra>T</indRegra> <vDesc>10.00</vDesc> "
    "<vOutro>10.00</vOutro> </prod> <imposto> <ICMS> <ICMS00> <Orig>0</Orig> <CST>00</CST> "
    "<pICMS>18.00</pICMS> </ICMS00> </ICMS> <PIS> <PISNT> <CST>04</CST> </PISNT> </PIS> "
    "<COFINS> <COFINSNT> <CST>04</CST> </COFINSNT> </COFINS> </imposto> </det> <total /> "
    "<pgto> <MP> <cMP>01</cMP> <vMP>250.00</vMP> </MP> </pgto> </infCFe> </CFe>";

std::vector<DeviceTest::Kind> DeviceTest::chosen(bool endToEndChecked, bool linkChecked)
{
    std::vector<Kind> kinds;
    if (endToEndChecked)
        kinds.push_back(Kind::EndToEnd);
    if (linkChecked)
        kinds.push_back(Kind::Link);
    return kinds;
}

Outcome DeviceTest::perform(Kind kind)
{
    if (kind == Kind::EndToEnd)
        return reportedOutcome(client_, client_.TesteFimAFim(testSaleDocument), endToEndCode);
    return reportedOutcome(client_, client_.ConsultarSAT(), linkCode);
}

std::vector<Outcome> DeviceTest::run(bool endToEndChecked, bool linkChecked)
{
    std::vector<Outcome> outcomes;
    for (const Kind kind : chosen(endToEndChecked, linkChecked))
        outcomes.push_back(perform(kind));
    return outcomes;
}
