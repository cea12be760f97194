// What a point of sale may throw at the device: null pointers, texts that never end, huge
// and broken documents, unknown options. The device answers each; it never crashes.

#include "SimulatorFixture.h"

#include "CodePage.h"
#include "DynamicLibrary.h"
#include "SatLibrary.h"
#include "Table.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The device library's functions, called directly so that any pointer can be passed.
struct Raw {
    explicit Raw(dynlib::Handle library) : handle(library) {}
    template <typename Fn> Fn get(const char* name) const
    {
        return dynlib::function<Fn>(handle, name);
    }
    dynlib::Handle handle;
};

bool isUtf8(const std::string& text)
{
    return codepage::fromUtf8(text) == text;
}

class BadInput : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        const dynlib::LoadResult loaded = dynlib::load(std::string(SatClient::librarySAT));
        ASSERT_NE(loaded.handle, nullptr) << loaded.error;
        raw = std::make_unique<Raw>(loaded.handle);
    }

    // A call's result text and error record, checked for what every answer must be.
    std::string answered(const char* result)
    {
        EXPECT_NE(result, nullptr);
        const std::string text = result ? result : "";
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(isUtf8(text)) << text;
        return text;
    }

    std::unique_ptr<Raw> raw;
    char code[9] = "12345678";
};

struct NullCase {
    const char* name;
    std::function<char*(const Raw&, char* code)> call;
    int replyCode;
    std::string message;
};

class NullArguments : public BadInput, public testing::WithParamInterface<NullCase> {};

TEST_P(NullArguments, GetARefusalWithAReason)
{
    activate();
    associate();
    const std::string text = answered(GetParam().call(*raw, code));
    EXPECT_EQ(field(SatResponse(text), 2), std::to_string(100000 + GetParam().replyCode).substr(1))
        << text;
    EXPECT_EQ(error().code, GetParam().replyCode);
    EXPECT_EQ(error().msg, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, NullArguments,
    testing::Values(
        NullCase{"statusCode",
                 [](const Raw& r, char*) {
                     return r.get<ConsultarStatusOperacionalFn>("ConsultarStatusOperacional")(
                         12, nullptr);
                 },
                 10001, "Código de ativação inválido"},
        NullCase{
            "logsCode",
            [](const Raw& r, char*) { return r.get<ExtrairLogsFn>("ExtrairLogs")(12, nullptr); },
            15001, "Código de ativação inválido"},
        NullCase{"associationCnpj",
                 [](const Raw& r, char* c) {
                     return r.get<AssociarAssinaturaFn>("AssociarAssinatura")(12, c, nullptr,
                                                                              nullptr);
                 },
                 13004,
                 "CNPJ da Software House + CNPJ do emitente assinado no campo \"signAC\" difere "
                 "do informado no campo \"CNPJvalue\": são esperados 28 dígitos, o CNPJ da "
                 "software house seguido do CNPJ do contribuinte"},
        NullCase{"associationSignature",
                 [](const Raw& r, char* c) {
                     char cnpj[] = "1061528100014048213907000165";
                     return r.get<AssociarAssinaturaFn>("AssociarAssinatura")(12, c, cnpj, nullptr);
                 },
                 13003, "Assinatura fora do padrão informado: assinatura vazia"},
        NullCase{"networkDocument",
                 [](const Raw& r, char* c) {
                     return r.get<ConfigurarInterfaceDeRedeFn>("ConfigurarInterfaceDeRede")(
                         12, c, nullptr);
                 },
                 12002,
                 "Dados fora do padrão a ser informado: Falha na leitura do arquivo XML: "
                 "documento vazio"},
        NullCase{"saleDocument",
                 [](const Raw& r, char* c) {
                     return r.get<EnviarDadosVendaFn>("EnviarDadosVenda")(12, c, nullptr);
                 },
                 6010, "Rejeição: Erro não identificado (documento de venda vazio)"},
        NullCase{"emptySaleDocument",
                 [](const Raw& r, char* c) {
                     char empty[] = "";
                     return r.get<EnviarDadosVendaFn>("EnviarDadosVenda")(12, c, empty);
                 },
                 6010, "Rejeição: Erro não identificado (documento de venda vazio)"},
        NullCase{"cancelKeyAndDocument",
                 [](const Raw& r, char* c) {
                     return r.get<CancelarUltimaVendaFn>("CancelarUltimaVenda")(12, c, nullptr,
                                                                                nullptr);
                 },
                 7002, "Cupom inválido: chave do CF-e não informada"},
        NullCase{"testDocument",
                 [](const Raw& r, char* c) {
                     return r.get<TesteFimAFimFn>("TesteFimAFim")(12, c, nullptr);
                 },
                 9099, "Erro desconhecido: Documento de teste inválido: documento vazio"},
        NullCase{
            "blockCode",
            [](const Raw& r, char*) { return r.get<BloquearSATFn>("BloquearSAT")(12, nullptr); },
            16001, "Código de ativação inválido."},
        NullCase{"unblockCode",
                 [](const Raw& r, char*) {
                     return r.get<DesbloquearSATFn>("DesbloquearSAT")(12, nullptr);
                 },
                 17001, "Código de ativação inválido."},
        NullCase{"updateCode",
                 [](const Raw& r, char*) {
                     return r.get<AtualizarSoftwareSATFn>("AtualizarSoftwareSAT")(12, nullptr);
                 },
                 14001, "Código de ativação inválido"},
        NullCase{"codeChangeEverything",
                 [](const Raw& r, char*) {
                     return r.get<TrocarCodigoDeAtivacaoFn>("TrocarCodigoDeAtivacao")(
                         12, nullptr, 1, nullptr, nullptr);
                 },
                 18001, "Código de ativação inválido."},
        NullCase{"codeChangeNewCodes",
                 [](const Raw& r, char* c) {
                     return r.get<TrocarCodigoDeAtivacaoFn>("TrocarCodigoDeAtivacao")(
                         12, c, 1, nullptr, nullptr);
                 },
                 18099, "Erro desconhecido: Novo código de ativação deve ter de 8 a 32 caracteres"},
        NullCase{"codeChangeOptionZero",
                 [](const Raw& r, char* c) {
                     return r.get<TrocarCodigoDeAtivacaoFn>("TrocarCodigoDeAtivacao")(12, c, 0, c,
                                                                                      c);
                 },
                 18099,
                 "Erro desconhecido: Opção 0 inválida: use 1 (código de ativação) ou 2 (código de "
                 "emergência)"},
        NullCase{"negativeSession",
                 [](const Raw& r, char*) { return r.get<ConsultarSATFn>("ConsultarSAT")(-1); },
                 8097, "Número de sessão inválido: -1 (use de 0 a 999999)"},
        NullCase{
            "sevenDigitSession",
            [](const Raw& r, char* c) { return r.get<BloquearSATFn>("BloquearSAT")(1000000, c); },
            16097, "Número de sessão inválido: 1000000 (use de 0 a 999999)"}),
    CaseName());

TEST_F(BadInput, NullActivationArgumentsLeaveTheDeviceNew)
{
    const auto ativar = raw->get<AtivarSATFn>("AtivarSAT");
    answered(ativar(12, 1, nullptr, nullptr, 35));
    EXPECT_EQ(error().code, 4099);
    EXPECT_EQ(error().msg,
              "Erro desconhecido na ativação: Código de ativação deve ter de 8 a 32 caracteres");
    answered(ativar(12, 1, code, nullptr, 35));
    EXPECT_EQ(error().code, 4002);
    EXPECT_EQ(error().msg, "SEFAZ não reconhece este SAT (CNPJ inválido): \"\"");
    answered(ativar(12, 0, code, nullptr, 35));
    EXPECT_EQ(error().code, 4099);
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 2), "10000");
}

TEST_F(BadInput, SessionNumberIsEchoedInSixDigits)
{
    const std::string text = answered(raw->get<ConsultarSATFn>("ConsultarSAT")(123));
    EXPECT_EQ(text, "000123|08000|SAT em operação.||");
    EXPECT_EQ(answered(raw->get<ConsultarSATFn>("ConsultarSAT")(999999)).substr(0, 7), "999999|");
}

TEST_F(BadInput, TextWithoutItsEndWithinTheLimitIsNotACode)
{
    ASSERT_TRUE(context.setActivationCode(demo::factoryCode));
    std::string longCode = demo::factoryCode + std::string(5000, '7');
    const std::string text = answered(
        raw->get<ConsultarStatusOperacionalFn>("ConsultarStatusOperacional")(12, longCode.data()));
    EXPECT_EQ(field(SatResponse(text), 2), "10001");
}

TEST_F(BadInput, DocumentsBeyond1500KilobytesAreRefusedBySize)
{
    activate();
    associate();
    std::string huge = sample("venda.xml");
    huge.insert(huge.find("</infCpl>"), std::string(1500 * 1024, 'x'));
    client.EnviarDadosVenda(huge);
    EXPECT_EQ(error().code, 6005);
    EXPECT_EQ(error().msg, "Tamanho do CF-e-SAT superior a 1.500KB");
    EXPECT_EQ(field(client.ConsultarStatusOperacional(), 21), "");
}

// The largest sale the layout allows: 500 items, each with 500 characters of varied notes, and
// 5,000 more in the sale's notes. Its Base64 holds "CFe" here and there.
std::string largestSale(const std::string& sale)
{
    const std::size_t itemStart = sale.find("<det nItem=\"1\">");
    const std::size_t itemEnd = sale.find("</det>", itemStart);
    const std::size_t itemsEnd = sale.rfind("</det>") + 6;
    std::string item = sale.substr(itemStart, itemEnd - itemStart);
    item.replace(0, std::string("<det nItem=\"1\">").size(), "");
    long seed = 0;
    auto notes = [&](std::size_t size) {
        std::string note;
        while (note.size() < size)
            note += "Obs " + std::to_string(seed * 7919 % 100003) + " Lote " +
                    std::to_string(seed * seed % 9973) + "; ",
                ++seed;
        return note.substr(0, size);
    };
    std::string items;
    for (int n = 1; n <= 500; ++n)
        items += "<det nItem=\"" + std::to_string(n) + "\">" + item + "<infAdProd>" + notes(500) +
                 "</infAdProd></det>";
    std::string big = sale.substr(0, itemStart) + items + sale.substr(itemsEnd);
    big.replace(big.find("<vMP>50.00</vMP>"), 16, "<vMP>20000.00</vMP>");
    const std::size_t noteStart = big.find("<infCpl>") + 8;
    big.replace(noteStart, big.find("</infCpl>") - noteStart, notes(5000));
    return big;
}

TEST_F(BadInput, LargestSaleIsIssuedWithItsKeyFirst)
{
    activate();
    associate();
    const std::string big = largestSale(codepage::toAnsi(sample("venda.xml")));
    ASSERT_GT(big.size(), 300u * 1000u);
    const SatResponse response = client.EnviarDadosVenda(big);
    ASSERT_EQ(error().code, 6000) << error().msg;
    const std::size_t first = response.text().find("CFe");
    EXPECT_EQ(response.text().substr(first, 48), field(response, 9) + "|");
    EXPECT_EQ(field(response, 10), "18900.00");
    EXPECT_GT(client.decodedPayload().text().size(), 300u * 1000u);
}

// The document, and the reason the parser gives.
class MalformedSale : public BadInput, public testing::WithParamInterface<Row<std::string>> {};

TEST_P(MalformedSale, IsRefusedWithTheParsersReason)
{
    activate();
    associate();
    const SatResponse response = client.EnviarDadosVenda(GetParam().input);
    EXPECT_EQ(error().code, 6010);
    EXPECT_EQ(error().msg, "Rejeição: Erro não identificado (" + GetParam().expected + ")");
    EXPECT_EQ(field(response, 3), "1999");
    EXPECT_TRUE(isUtf8(error().msg));
}

INSTANTIATE_TABLE(Simulator, MalformedSale,
                  {"truncated", endToEndDocument.substr(0, 400),
                   "XML mal formado: elemento não fechado (linha 1, coluna 401)"},
                  {"strayAmpersand", "<CFe><infCFe>A & B</infCFe></CFe>",
                   "XML mal formado: nome esperado depois de \"<\" ou \"&\" (um \"&\" no "
                   "texto se escreve &amp;) (linha 1, coluna 17)"},
                  {"billionLaughs",
                   "<?xml version=\"1.0\"?><!DOCTYPE CFe [<!ENTITY a \"aaaaaaaaaa\">"
                   "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                   "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><CFe>&c;</CFe>",
                   "XML mal formado: expansão de entidades sem fim (linha 1, coluna 4)"},
                  {"binary", std::string("\x01\x02\x03<CFe/>", 9),
                   "XML mal formado: o texto não começa com um elemento XML (linha 1, coluna "
                   "1)"},
                  {"notASale", "<config><tipoInter>ETHE</tipoInter></config>",
                   "o elemento raiz deve ser CFe"});

TEST_F(BadInput, SaleInWindows1252UnderAUtf8DeclarationIsReadAsWindows1252)
{
    activate();
    associate();
    const std::string utf8 = sample("venda.xml");
    ASSERT_NE(utf8.find("encoding=\"UTF-8\""), std::string::npos);
    const std::string ansi = codepage::toAnsi(utf8);
    ASSERT_NE(ansi.find("CAF\xC9"), std::string::npos);
    ASSERT_FALSE(isUtf8(ansi));

    const SatResponse response = client.EnviarDadosVenda(ansi);
    ASSERT_EQ(error().code, 6000) << error().msg;
    EXPECT_TRUE(isUtf8(response.text()));
    const std::string cfe = client.decodedPayload().text();
    EXPECT_TRUE(isUtf8(cfe));
    EXPECT_NE(cfe.find("<xProd>P\xC3\x83O FRANC\xC3\x8AS kg</xProd>"), std::string::npos);
    EXPECT_EQ(cfe.find("\xEF\xBF\xBD"), std::string::npos) << "no replacement characters";

    // The same document sent in UTF-8 (another point of sale) reads the same.
    sell(utf8);
    EXPECT_NE(client.decodedPayload().text().find("<xProd>PÃO FRANCÊS kg</xProd>"),
              std::string::npos);
}

TEST_F(BadInput, MessagesQuotingTheCallerStayUtf8AndOneField)
{
    // A Windows-1252 "ç", a bar and a line break in the CNPJ.
    char cnpj[] = "4\xE7|\n";
    const std::string text = answered(raw->get<AtivarSATFn>("AtivarSAT")(12, 1, code, cnpj, 35));
    EXPECT_EQ(text, "000012|04002|SEFAZ não reconhece este SAT (CNPJ inválido): \"4ç  \"||");
}

TEST_F(BadInput, ResultStaysReadableAndWritableUntilTheNextMainCall)
{
    activate();
    associate();
    char* result = raw->get<EnviarDadosVendaFn>("EnviarDadosVenda")(
        12, code, codepage::toAnsi(sample("venda.xml")).data());
    const std::string copy = result;
    raw->get<CodigoErroFn>("CodigoErro")();
    const char* decoded = raw->get<Base64ToAsciiFn>("Base64ToAscii")();
    EXPECT_EQ(std::string(decoded).rfind("<?xml", 0), 0u);
    EXPECT_EQ(std::string(result), copy);
    // The manager cuts the text in place after the key.
    const std::size_t bar = copy.find('|', copy.find("CFe"));
    result[bar] = '\0';
    EXPECT_EQ(std::string(result), copy.substr(0, bar));
}

TEST_F(BadInput, AnswerWithoutPayloadDecodesToAnEmptyText)
{
    client.ConsultarSAT();
    const char* decoded = raw->get<Base64ToAsciiFn>("Base64ToAscii")();
    ASSERT_NE(decoded, nullptr);
    EXPECT_STREQ(decoded, "");
    const COMM_ERROR record = raw->get<CodigoErroFn>("CodigoErro")();
    EXPECT_EQ(record.code, 8000);
    EXPECT_STREQ(record.msg, "SAT em operação.");
}

} // namespace
