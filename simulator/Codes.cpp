#include "Codes.h"

#include "Texts.h"

#include <stdexcept>

namespace satsim {

std::string_view tablesName(Tables tables)
{
    return tables == Tables::Until2015 ? "2015" : "2016";
}

std::optional<Tables> tablesByName(std::string_view name)
{
    if (name == "2016")
        return Tables::From2016;
    if (name == "2015")
        return Tables::Until2015;
    return std::nullopt;
}

namespace {

using F = Function;

// A row numbered alike in both tables.
ReplyCode same(std::optional<Function> f, int code, std::string_view text, std::string_view how)
{
    return {f, code, code, text, {}, how};
}

ReplyCode renumbered(Function f, int code, int code2015, std::string_view text,
                     std::string_view how)
{
    return {f, code, code2015, text, {}, how};
}

ReplyCode wrongCode(Function f, std::string_view text)
{
    return same(f, codeBase(f) * 1000 + 1, text, "a wrong activation code");
}

ReplyCode refusal(ReplyCode row)
{
    row.rejection = true;
    return row;
}

} // namespace

const std::vector<ReplyCode>& replyCodes()
{
    static const std::vector<ReplyCode> rows = {
        same(F::AtivarSAT, 4000, "Ativado corretamente",
             "`AtivarSAT` 1 on a new device, valid CNPJ, state 35, code of 8 to 32 characters"),
        same(F::AtivarSAT, 4002, "SEFAZ não reconhece este SAT (CNPJ inválido)",
             "`AtivarSAT` with a CNPJ whose check digits are wrong"),
        {F::AtivarSAT, 4003, 4003, "SAT já ativado ou pendente a Vinculação do AC",
         "SAT já ativado", "`AtivarSAT` 1 or 2 on an activated device"},
        same(F::AtivarSAT, 4004, "SAT com uso cessado",
             "`AtivarSAT` 1 or 2 after `satsim set lock 4` (blocked for deactivation)"),
        same(F::AtivarSAT, 4005, "Erro de comunicação com a SEFAZ",
             "`AtivarSAT` after `satsim set link down`"),
        same(F::AtivarSAT, 4006, "CSR ICP-BRASIL criado com sucesso",
             "`AtivarSAT` 2 on a new device, or 3 on an activated one: a certificate request"),
        same(F::AtivarSAT, 4099, "Erro desconhecido na ativação",
             "subcommand not 1 to 3, state not 35, code length; a renewal (3) before "
             "activation or with a wrong code"),

        same(F::ComunicarCertificadoICPBRASIL, 5000, "Certificado transmitido com Sucesso",
             "`ComunicarCertificadoICPBRASIL` on a device activated with 2, with a PEM or "
             "Base64 certificate"),
        wrongCode(F::ComunicarCertificadoICPBRASIL, "Código de ativação inválido"),
        same(F::ComunicarCertificadoICPBRASIL, 5002, "Erro de comunicação com a SEFAZ",
             "the same after `satsim set link down`"),
        same(F::ComunicarCertificadoICPBRASIL, 5003, "Certificado Inválido",
             "the same with a text that is not a certificate"),
        same(F::ComunicarCertificadoICPBRASIL, 5099, "Erro desconhecido",
             "the same on a device activated with 1 (AC-SAT), or before activation"),

        same(F::EnviarDadosVenda, 6000, "Emitido com sucesso + conteúdo notas.",
             "`EnviarDadosVenda` with `samples/venda.xml` after activation and association: "
             "CCCC is 0000, or the code of an alert (table below)"),
        wrongCode(F::EnviarDadosVenda, "Código de ativação inválido."),
        same(F::EnviarDadosVenda, 6002, "SAT ainda não ativado.", "a sale before activation"),
        same(F::EnviarDadosVenda, 6003, "SAT não vinculado ao AC", "a sale before association"),
        same(F::EnviarDadosVenda, 6004, "Vinculação do AC não confere",
             "a sale whose software-house CNPJ or `signAC` is not the association's"),
        same(F::EnviarDadosVenda, 6005, "Tamanho do CF-e-SAT superior a 1.500KB",
             "a sale over 1,500 KB"),
        same(F::EnviarDadosVenda, 6006, "SAT bloqueado pelo contribuinte",
             "a sale after `BloquearSAT` or `satsim set lock 2`"),
        same(F::EnviarDadosVenda, 6007, "SAT bloqueado pela SEFAZ",
             "a sale after `satsim set lock 1` or `4`"),
        same(F::EnviarDadosVenda, 6008, "SAT bloqueado por falta de comunicação",
             "a sale after `satsim set lock 3`"),
        same(F::EnviarDadosVenda, 6009, "SAT bloqueado, código de ativação incorreto",
             "a sale, with any code, during the temporary block that 3 wrong activation codes "
             "in a row start (10 minutes; `satsim set code-block DURATION`)"),
        refusal(same(F::EnviarDadosVenda, 6010, "Erro de validação do conteúdo.",
                     "a sale that breaks a rule of the input layout: "
                     "`session\\|06010\\|CCCC\\|Rejeição: text\\|\\|`, CCCC and text from the "
                     "table below")),
        renumbered(F::EnviarDadosVenda, 6011, 0,
                   "SAT bloqueado por vencimento do certificado digital.",
                   "a sale after the certificate's expiry, 5 years after the activation "
                   "(`satsim clock advance 1827d`)"),

        same(F::CancelarUltimaVenda, 7000,
             "Cupom cancelado com sucesso + conteúdo CF-eSAT cancelado.",
             "`CancelarUltimaVenda` with the last sale's key and `samples/cancelamento.xml` "
             "within 30 minutes"),
        wrongCode(F::CancelarUltimaVenda, "Código ativação inválido"),
        same(F::CancelarUltimaVenda, 7002, "Cupom inválido",
             "key missing or malformed, not the last sale's, or no sale to cancel"),
        renumbered(F::CancelarUltimaVenda, 7004, 0, "Vinculação do AC não confere",
                   "a cancel with another software-house CNPJ or `signAC` than the "
                   "association's"),
        renumbered(F::CancelarUltimaVenda, 7006, 7003, "SAT bloqueado pelo contribuinte",
                   "a cancel after `satsim set lock 2`"),
        renumbered(F::CancelarUltimaVenda, 7007, 7004, "SAT bloqueado pela SEFAZ",
                   "a cancel after `satsim set lock 1` or `4`"),
        renumbered(F::CancelarUltimaVenda, 7008, 7005, "SAT bloqueado por falta de comunicação",
                   "a cancel after `satsim set lock 3`"),
        renumbered(F::CancelarUltimaVenda, 7009, 7006,
                   "SAT bloqueado, código de ativação incorreto",
                   "a cancel during the temporary block of wrong activation codes"),
        refusal(renumbered(F::CancelarUltimaVenda, 7010, 7007, "Erro de validação do conteúdo",
                           "a cancel that breaks a rule (rows marked C below)")),
        renumbered(F::CancelarUltimaVenda, 7011, 0,
                   "SAT bloqueado por vencimento do certificado digital.",
                   "a cancel after the certificate's expiry"),
        same(F::CancelarUltimaVenda, 7099, "Erro desconhecido", "a cancel before activation"),

        same(F::ConsultarSAT, 8000, "SAT em operação.", "`ConsultarSAT`"),

        same(F::TesteFimAFim, 9000, "Emitido com sucesso",
             "`TesteFimAFim` with the manager's test document on an activated device"),
        wrongCode(F::TesteFimAFim, "Código ativação inválido"),
        same(F::TesteFimAFim, 9002, "SAT ainda não ativado.", "the test before activation"),
        same(F::TesteFimAFim, 9099, "Erro desconhecido",
             "a malformed test document, or `satsim set link down`"),

        same(F::ConsultarStatusOperacional, 10000, "Resposta com Sucesso.",
             "`ConsultarStatusOperacional` with the code (the factory code before activation)"),
        wrongCode(F::ConsultarStatusOperacional, "Código de ativação inválido"),

        wrongCode(F::ConsultarNumeroSessao, "Código ativação inválido"),
        same(F::ConsultarNumeroSessao, 11002, "SAT ainda não ativado.",
             "`ConsultarNumeroSessao` before activation"),
        same(F::ConsultarNumeroSessao, 11003, "Sessão não existe.",
             "`ConsultarNumeroSessao` naming a session the device does not keep (it keeps the "
             "answers of the last 20 sessions and always the last sale or cancel; "
             "consultations are not kept)"),
        same(F::ConsultarNumeroSessao, 11099, "Erro desconhecido",
             "a session to look up outside 0 to 999999"),

        same(F::ConfigurarInterfaceDeRede, 12000, "Rede Configurada com Sucesso",
             "`ConfigurarInterfaceDeRede` with a valid document"),
        wrongCode(F::ConfigurarInterfaceDeRede, "Código ativação inválido"),
        same(F::ConfigurarInterfaceDeRede, 12002, "Dados fora do padrão a ser informado",
             "a document that is empty, malformed or holds a wrong value (the detail says "
             "which)"),

        same(F::AssociarAssinatura, 13000, "Assinatura do AC Registrada",
             "`AssociarAssinatura` with software house + taxpayer CNPJ (28 digits) and a "
             "signature"),
        wrongCode(F::AssociarAssinatura, "Código ativação inválido"),
        same(F::AssociarAssinatura, 13002, "Erro de comunicação com a SEFAZ",
             "the same after `satsim set link down`"),
        same(F::AssociarAssinatura, 13003, "Assinatura fora do padrão informado",
             "signature empty, over 512 characters or with control characters"),
        same(F::AssociarAssinatura, 13004,
             "CNPJ da Software House + CNPJ do emitente assinado no campo \"signAC\" difere do "
             "informado no campo \"CNPJvalue\"",
             "a CNPJ value that is not 28 digits, or a software-house CNPJ with wrong check "
             "digits"),
        same(F::AssociarAssinatura, 13007,
             "CNPJ do emitente difere daquele constante da parametrização de uso.",
             "a taxpayer CNPJ other than the activated one"),
        same(F::AssociarAssinatura, 13099, "Erro desconhecido", "association before activation"),

        same(F::AtualizarSoftwareSAT, 14000, "Software Atualizado com Sucesso",
             "`AtualizarSoftwareSAT` (01.00.00 becomes 01.01.00)"),
        wrongCode(F::AtualizarSoftwareSAT, "Código de ativação inválido"),
        same(F::AtualizarSoftwareSAT, 14002, "Atualização em Andamento",
             "`AtualizarSoftwareSAT` after `satsim set update running`"),
        same(F::AtualizarSoftwareSAT, 14003, "Erro na atualização",
             "`AtualizarSoftwareSAT` after `satsim set update error`"),
        same(F::AtualizarSoftwareSAT, 14004, "Arquivo de atualização inválido",
             "`AtualizarSoftwareSAT` after `satsim set update invalid`"),

        same(F::ExtrairLogs, 15000, "Transferência completa", "`ExtrairLogs`"),
        wrongCode(F::ExtrairLogs, "Código de ativação inválido"),

        same(F::BloquearSAT, 16000, "Equipamento SAT bloqueado com sucesso.",
             "`BloquearSAT` on an unblocked device"),
        wrongCode(F::BloquearSAT, "Código de ativação inválido."),
        same(F::BloquearSAT, 16002, "Equipamento SAT já está bloqueado.",
             "`BloquearSAT` on a blocked one"),
        same(F::BloquearSAT, 16003, "Erro de comunicação com a SEFAZ",
             "`BloquearSAT` after `satsim set link down`: the block needs the tax authority"),
        same(F::BloquearSAT, 16004, "Não existe parametrização de bloqueio disponível.",
             "`BloquearSAT` after `satsim set sefaz-block none` (the taxpayer set no block up)"),
        same(F::BloquearSAT, 16099, "Erro desconhecido", "`BloquearSAT` before activation"),

        same(F::DesbloquearSAT, 17000, "Equipamento SAT desbloqueado com sucesso.",
             "`DesbloquearSAT` after `BloquearSAT` (or `satsim set lock 2`)"),
        wrongCode(F::DesbloquearSAT, "Código de ativação inválido."),
        same(F::DesbloquearSAT, 17002,
             "SAT bloqueado pelo contribuinte. Verifique configurações na SEFAZ",
             "the same after `satsim set sefaz-block held` (the taxpayer has not released "
             "the unblock at the tax authority)"),
        same(F::DesbloquearSAT, 17003, "SAT bloqueado pela SEFAZ",
             "`DesbloquearSAT` after `satsim set lock 1`"),
        same(F::DesbloquearSAT, 17004, "Erro de comunicação com a SEFAZ",
             "`DesbloquearSAT` of a taxpayer's block after `satsim set link down`"),
        same(F::DesbloquearSAT, 17005, "SAT ja desbloqueado",
             "`DesbloquearSAT` on an unblocked device"),
        same(F::DesbloquearSAT, 17006, "SAT com bloqueio autônomo",
             "`DesbloquearSAT` after `satsim set lock 3`"),
        same(F::DesbloquearSAT, 17007, "SAT bloqueado para desativação",
             "`DesbloquearSAT` after `satsim set lock 4`"),
        same(F::DesbloquearSAT, 17099, "Erro desconhecido", "`DesbloquearSAT` before activation"),

        same(F::TrocarCodigoDeAtivacao, 18000, "Código de ativação alterado com sucesso.",
             "`TrocarCodigoDeAtivacao` option 1 with the code, or 2 with `13572468`"),
        same(F::TrocarCodigoDeAtivacao, 18001, "Código de ativação inválido.",
             "option 1 with a wrong code"),
        same(F::TrocarCodigoDeAtivacao, 18002, "Código de ativação de emergência Incorreto.",
             "option 2 with another emergency code"),
        same(F::TrocarCodigoDeAtivacao, 18099, "Erro desconhecido",
             "option not 1 or 2, new code length, confirmation differs, not activated"),

        wrongCode(F::ConsultarUltimaSessaoFiscal, "Código de ativação inválido"),
        same(F::ConsultarUltimaSessaoFiscal, 19099, "Erro desconhecido",
             "`ConsultarUltimaSessaoFiscal` before activation or before any sale or cancel"),

        {std::nullopt,
         97,
         0,
         "Número de sessão inválido",
         {},
         "any function with a session number outside 0 to 999999"},
        same(std::nullopt, 98, "SAT em processamento. Tente novamente.", "`satsim fault busy`"),
        same(std::nullopt, 99, "Erro desconhecido",
             "a refusal the tables have no code for; the detail says why"),
    };
    return rows;
}

namespace {

const ReplyCode* findRow(Function function, int code)
{
    for (const ReplyCode& row : replyCodes())
        if (row.function == function && row.code == code)
            return &row;
    for (const ReplyCode& row : replyCodes())
        if (!row.function && row.code == code % 1000)
            return &row;
    return nullptr;
}

} // namespace

std::string withDetail(std::string_view text, std::string_view detail, std::string_view separator)
{
    if (detail.empty())
        return std::string(text);
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    return std::string(text) + std::string(separator) + std::string(detail);
}

Numbered numbered(Function function, int code, Tables tables)
{
    const ReplyCode* row = findRow(function, code);
    if (!row)
        throw std::logic_error("reply code without a table row: " + std::to_string(code));
    if (tables == Tables::From2016)
        return {code, std::string(row->text)};
    if (row->code2015 == 0) {
        const int unknown = codeBase(function) * 1000 + 99;
        return {unknown, withDetail(findRow(function, unknown)->text, row->text)};
    }
    const int older = row->function ? row->code2015 : codeBase(function) * 1000 + row->code2015;
    return {older, std::string(row->text2015.empty() ? row->text : row->text2015)};
}

const std::vector<RuleInfo>& allRules()
{
    using A = Applies;
    static const std::vector<RuleInfo> rules = {
        {Rule::Unidentified, 1999, "Erro não identificado", A::Both,
         "what the tables have no code for: malformed XML, another root, an element the "
         "layout does not have (`<cor>` in `prod`) or one it needs (no `CFOP`, no `det`, no "
         "`MP`, no `ICMS` or `PIS` group), a group twice, a text over its limit (`xProd` over "
         "120 characters, `infAdProd` over 500, `infCpl` over 5,000), over 500 items or 10 "
         "payments, `numeroCaixa` not three digits, both discount and surcharge on the "
         "subtotal, an empty document"},
        {Rule::LayoutVersion, 1004, "Versão do leiaute do arquivo de entrada do SAT não é válida",
         A::Sale, "no `versaoDadosEnt`, or not 0.06, 0.07 or 0.08"},
        {Rule::LayoutNotNewest, 1005,
         "Versão do leiaute do arquivo de entrada do SAT não é a mais atual", A::Sale,
         "`versaoDadosEnt=\"0.06\"`: the sale is issued (the device's layout is 0.07; 0.08 is "
         "taken without an alert)",
         true},
        {Rule::SoftwareHouseCnpj, 1224, "CNPJ da Software House inválido", A::Sale,
         "`ide/CNPJ` with wrong check digits"},
        {Rule::CancelSoftwareHouseCnpj, 1454, "CNPJ da Software House inválido", A::Cancel,
         "`ide/CNPJ` with wrong check digits"},
        {Rule::Signature, 1455, "Assinatura do Aplicativo Comercial não é válida.", A::Both,
         "no `signAC`, or one over 344 characters"},
        {Rule::EmitterCnpj, 1207, "CNPJ do emitente inválido", A::Sale,
         "`emit/CNPJ` with wrong check digits or punctuation"},
        {Rule::EmitterNotTaxpayer, 1203, "Emitente não autorizado para uso do SAT.", A::Sale,
         "a valid CNPJ of another taxpayer in `emit/CNPJ`"},
        {Rule::EmitterIeMissing, 1229, "IE do emitente não informada", A::Sale, "no `emit/IE`"},
        {Rule::EmitterIe, 1209, "IE do emitente inválida", A::Sale,
         "`IE` with letters, or not 2 to 14 digits"},
        {Rule::IssqnRegime, 1457, "Código de Natureza da Operação para ISSQN inválido", A::Sale,
         "`cRegTribISSQN` not 1 to 6"},
        {Rule::IssqnApportion, 1507, "Indicador de rateio para ISSQN inválido", A::Sale,
         "`indRatISSQN` not S or N"},
        {Rule::BuyerCnpj, 1235, "CNPJ do destinatário inválido", A::Sale,
         "`dest/CNPJ` with wrong check digits, or the issuer's own"},
        {Rule::BuyerCpf, 1237, "CPF do destinatário inválido", A::Sale,
         "`dest/CPF` with wrong check digits, or both CPF and CNPJ in `dest`"},
        {Rule::ItemNumber, 1019, "numeração dos itens não é sequencial crescente", A::Sale,
         "`nItem` missing or not 1, 2, 3…"},
        {Rule::ProductCode, 1459, "Código do produto ou serviço em branco", A::Sale,
         "no `cProd`, or an empty one"},
        {Rule::ProductDescription, 1461, "Descrição do produto ou serviço em branco", A::Sale,
         "no `xProd`, or an empty one"},
        {Rule::Cfop, 1462, "CFOP não é de Operação de saída prevista para CF-e-SAT", A::Sale,
         "`CFOP` not four digits, or not of the 5000 group (`6102`)"},
        {Rule::Gtin, 1460, "GTIN do item (N) inválido", A::Sale,
         "`cEAN` with a wrong check digit (`SEM GTIN` is accepted)"},
        {Rule::Unit, 1463, "Unidade Comercial do produto ou serviço em branco", A::Sale,
         "no `uCom`, or an empty one"},
        {Rule::Quantity, 1464, "Quantidade Comercial do item (N) inválido", A::Sale,
         "`qCom` missing, zero, with a comma or over four decimals"},
        {Rule::UnitPrice, 1465, "Valor Unitário do item (N) inválido.", A::Sale,
         "`vUnCom` missing or over three decimals"},
        {Rule::CalculationRule, 1467,
         "Regra de cálculo do Item (N) inválido (diferente de \"A\" "
         "e \"T\")",
         A::Sale, "`indRegra` not A or T"},
        {Rule::ItemDiscount, 1468, "Valor do Desconto do item (N) inválido.", A::Sale,
         "`vDesc` negative or with a comma"},
        {Rule::ItemOther, 1469, "Valor de outras despesas acessórias do item (N) inválido.",
         A::Sale, "`vOutro` negative or with a comma"},
        {Rule::SubtotalDiscount, 1073, "Valor de Desconto sobre total não é maior ou igual a zero",
         A::Sale, "`vDescSubtot` negative or with a comma"},
        {Rule::SubtotalIncrease, 1074, "Valor de Acréscimo sobre total não é maior ou igual a zero",
         A::Sale, "`vAcresSubtot` negative or with a comma"},
        {Rule::NegativeValue, 1998,
         "Não é possível gerar o cupom com os dados de entrada informados, pois resultam "
         "valores negativos.",
         A::Sale, "`vDesc` above the item's value, or `vDescSubtot` above the total"},
        {Rule::PaymentCode, 1527, "Código do Meio de Pagamento inválido", A::Sale,
         "`cMP` not in 01–05, 10–13, 15–19, 99"},
        {Rule::PaymentValue, 1528, "Valor do Meio de Pagamento inválido.", A::Sale,
         "`vMP` zero, negative or with a comma"},
        {Rule::PaymentShort, 1408,
         "Valor total do CF-e-SAT maior que o somatório dos valores de Meio de Pagamento "
         "empregados em seu pagamento.",
         A::Sale, "`vMP` 40.00"},
        {Rule::RegimeIcms00, 1601,
         "Código de regime tributário é incompatível com o grupo de ICMS00", A::Sale,
         "an `ICMS00` item when the taxpayer's regime is 1 (after `satsim set regime 1`, or an "
         "`ICMSSN102` item before it): the sale is issued",
         true},
        {Rule::RegimeIcms40, 1602,
         "Código de regime tributário é incompatível com o grupo de ICMS40", A::Sale,
         "an `ICMS40` item when the regime is 1: the sale is issued", true},
        {Rule::RegimeSn102, 1603,
         "Código de regime tributário é incompatível com o grupo de ICMSSN102", A::Sale,
         "an `ICMSSN102` item after `satsim set regime 3`: the sale is issued", true},
        {Rule::RegimeSn900, 1604,
         "Código de regime tributário é incompatível com o grupo de ICMSSN900", A::Sale,
         "an `ICMSSN900` item after `satsim set regime 3`: the sale is issued", true},
        {Rule::CancelBuyerCnpj, 1232,
         "CNPJ do destinatário do CF-e de cancelamento diferente daquele do CF-e a ser "
         "cancelado.",
         A::Cancel, "a `dest/CNPJ` in the cancel that is not the sale's buyer"},
        {Rule::CancelBuyerCpf, 1233,
         "CPF do destinatário do CF-e de cancelamento diferente daquele do CF-e a ser "
         "cancelado.",
         A::Cancel, "a `dest/CPF` that is not the sale's buyer (an empty `dest` is the sale's)"},
        {Rule::CancelKey, 1270, "Chave de acesso do CFe a ser cancelado inválido", A::Cancel,
         "`chCanc` not the key given (left as the placeholder)"},
        {Rule::CancelDone, 1218, "Chave de acesso do CF-e-SAT já consta como cancelado", A::Cancel,
         "the last sale cancelled again"},
        {Rule::CancelLate, 1412,
         "CFe de cancelamento não corresponde a um CFe emitido nos 30 minutos anteriores ao "
         "pedido de cancelamento",
         A::Cancel, "after `satsim clock advance 31m`"},
    };
    return rules;
}

const RuleInfo& ruleInfo(Rule rule)
{
    for (const RuleInfo& info : allRules())
        if (info.rule == rule)
            return info;
    throw std::logic_error("rule without a table row");
}

namespace {

std::string fiveDigits(const ReplyCode& row, int code)
{
    return row.function ? padded(code, 5) : "XX" + padded(code, 3);
}

} // namespace

std::string replyCodesMarkdown()
{
    std::string out = "| Code | Text | How to get it |\n|---|---|---|\n";
    for (const ReplyCode& row : replyCodes()) {
        std::string code = fiveDigits(row, row.code);
        if (row.code2015 != row.code) {
            const int older = row.code2015   ? row.code2015
                              : row.function ? codeBase(*row.function) * 1000 + 99
                                             : 99;
            code += " (2015: " + fiveDigits(row, older) + ")";
        }
        std::string text(row.text);
        if (!row.text2015.empty())
            text += " (2015: " + std::string(row.text2015) + ")";
        out += "| " + code + " | " + text + " | " + std::string(row.howTo) + " |\n";
    }
    return out;
}

std::string rejectionCodesMarkdown()
{
    std::string out = "| CCCC | Text | Document | How to get it |\n|---|---|---|---|\n";
    for (const RuleInfo& rule : allRules()) {
        const char* document = rule.applies == Applies::Sale     ? "sale"
                               : rule.applies == Applies::Cancel ? "cancel"
                                                                 : "sale, cancel";
        out += "| " + padded(rule.code, 4) + " | " + (rule.alert ? "Alerta: " : "Rejeição: ") +
               std::string(rule.text) + " | " + document + " | " + std::string(rule.howTo) + " |\n";
    }
    return out;
}

} // namespace satsim
