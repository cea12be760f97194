#include "Rejection.h"

#include "Digits.h"
#include "Texts.h"
#include "Xml.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <set>
#include <stdexcept>

namespace satsim {

std::string Rejection::code() const
{
    return padded(ruleInfo(rule).code, 4);
}

std::string Rejection::message() const
{
    const RuleInfo& info = ruleInfo(rule);
    std::string text = std::string(info.alert ? "Alerta: " : "Rejeição: ") + std::string(info.text);
    if (const std::size_t n = text.find("(N)"); n != std::string::npos && item > 0)
        text.replace(n + 1, 1, std::to_string(item));
    return withDetail(text, detail.empty() ? detail : "(" + detail + ")", " ");
}

std::size_t characters(std::string_view utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

namespace {

using Names = std::set<std::string_view>;

// The elements each group of the input layouts may hold; any other element is refused, and an
// element that is not a group may hold none.
const std::map<std::string_view, Names>& saleLayout()
{
    static const std::map<std::string_view, Names> layout = [] {
        std::map<std::string_view, Names> groups = {
            {"infCFe", {"ide", "emit", "dest", "entrega", "det", "total", "pgto", "infAdic"}},
            {"ide", {"CNPJ", "signAC", "numeroCaixa"}},
            {"emit", {"CNPJ", "IE", "IM", "cRegTribISSQN", "indRatISSQN"}},
            {"dest", {"CNPJ", "CPF", "xNome"}},
            {"entrega", {"xLgr", "nro", "xCpl", "xBairro", "xMun", "UF"}},
            {"det", {"prod", "imposto", "infAdProd"}},
            {"prod",
             {"cProd", "cEAN", "xProd", "NCM", "CEST", "cANP", "CFOP", "uCom", "qCom", "vUnCom",
              "indRegra", "vDesc", "vOutro", "obsFiscoDet"}},
            {"obsFiscoDet", {"xTextoDet"}},
            {"imposto", {"vItem12741", "ICMS", "PIS", "PISST", "COFINS", "COFINSST", "ISSQN"}},
            {"ICMS", {"ICMS00", "ICMS40", "ICMSSN102", "ICMSSN900"}},
            {"ICMS00", {"Orig", "CST", "pICMS"}},
            {"ICMS40", {"Orig", "CST"}},
            {"ICMSSN102", {"Orig", "CSOSN"}},
            {"ICMSSN900", {"Orig", "CSOSN", "pICMS"}},
            {"ISSQN",
             {"vDeducISSQN", "vAliq", "cMunFG", "cListServ", "cServTribMun", "cNatOp",
              "indIncFisc"}},
            {"total", {"DescAcrEntr", "vCFeLei12741"}},
            {"DescAcrEntr", {"vDescSubtot", "vAcresSubtot"}},
            {"pgto", {"MP"}},
            {"MP", {"cMP", "vMP", "cAdmC"}},
            {"infAdic", {"infCpl"}},
        };
        groups.insert({
            {"PIS", {"PISAliq", "PISQtde", "PISNT", "PISSN", "PISOutr"}},
            {"PISAliq", {"CST", "vBC", "pPIS"}},
            {"PISQtde", {"CST", "qBCProd", "vAliqProd"}},
            {"PISNT", {"CST"}},
            {"PISSN", {"CST"}},
            {"PISOutr", {"CST", "vBC", "pPIS", "qBCProd", "vAliqProd"}},
            {"PISST", {"vBC", "pPIS", "qBCProd", "vAliqProd"}},
            {"COFINS", {"COFINSAliq", "COFINSQtde", "COFINSNT", "COFINSSN", "COFINSOutr"}},
            {"COFINSAliq", {"CST", "vBC", "pCOFINS"}},
            {"COFINSQtde", {"CST", "qBCProd", "vAliqProd"}},
            {"COFINSNT", {"CST"}},
            {"COFINSSN", {"CST"}},
            {"COFINSOutr", {"CST", "vBC", "pCOFINS", "qBCProd", "vAliqProd"}},
            {"COFINSST", {"vBC", "pCOFINS", "qBCProd", "vAliqProd"}},
        });
        return groups;
    }();
    return layout;
}

const std::map<std::string_view, Names>& cancelLayout()
{
    static const std::map<std::string_view, Names> layout = {
        {"infCFe", {"dEmi", "hEmi", "ide", "emit", "dest", "total", "infAdic"}},
        {"ide", {"CNPJ", "signAC", "numeroCaixa"}},
        {"emit", {}},
        {"dest", {"CNPJ", "CPF"}},
        {"total", {}},
        {"infAdic", {"infCpl"}},
    };
    return layout;
}

std::optional<Rejection> reject(Rule rule, std::string detail = {}, int item = 0)
{
    return Rejection{rule, std::move(detail), item};
}

// Every element where its group allows it, and once only: the layout repeats det and MP alone.
std::optional<Rejection> checkLayout(const xmlNode* node,
                                     const std::map<std::string_view, Names>& layout,
                                     const std::string& path)
{
    const std::string_view name = reinterpret_cast<const char*>(node->name);
    const auto group = layout.find(name);
    std::set<std::string_view> seen;
    for (const xmlNode* child : xml::elements(node)) {
        const std::string_view childName = reinterpret_cast<const char*>(child->name);
        const std::string childPath = path + "/" + std::string(childName);
        if (group == layout.end() || !group->second.count(childName))
            return reject(Rule::Unidentified,
                          "elemento " + printable(childPath, 80) + " não previsto no leiaute");
        if (childName != "det" && childName != "MP" && !seen.insert(childName).second)
            return reject(Rule::Unidentified, "elemento " + childPath + " repetido");
        if (auto rejected = checkLayout(child, layout, childPath))
            return rejected;
    }
    return std::nullopt;
}

bool isCpf(std::string_view text)
{
    if (text.size() != 11 || !allDigits(text) ||
        std::all_of(text.begin(), text.end(), [&](char c) { return c == text[0]; }))
        return false;
    for (int length = 9; length <= 10; ++length) {
        int sum = 0;
        for (int i = 0; i < length; ++i)
            sum += (text[i] - '0') * (length + 1 - i);
        const int digit = sum * 10 % 11 % 10;
        if (digit != text[length] - '0')
            return false;
    }
    return true;
}

bool isGtin(std::string_view text)
{
    if (text == "SEM GTIN")
        return true;
    if ((text.size() != 8 && text.size() != 12 && text.size() != 13 && text.size() != 14) ||
        !allDigits(text))
        return false;
    int sum = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const std::size_t fromRight = text.size() - 1 - i; // 1 for the digit before the check
        sum += (text[i] - '0') * (fromRight % 2 == 1 ? 3 : 1);
    }
    return (10 - sum % 10) % 10 == text.back() - '0';
}

// Digits and at most one point, with at most maxDecimals digits after it.
bool isDecimal(std::string_view text, int maxDecimals)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view decimals =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    return !whole.empty() && whole.size() <= 11 && allDigits(whole) && allDigits(decimals) &&
           (point == std::string_view::npos || !decimals.empty()) &&
           decimals.size() <= static_cast<std::size_t>(maxDecimals);
}

std::string quoted(std::string_view text)
{
    return "\"" + printable(text) + "\"";
}

// "qCom \"2,0\"" or "qCom ausente".
std::string found(std::string_view name, const std::optional<std::string>& value)
{
    return std::string(name) + (value ? " " + quoted(*value) : " ausente");
}

std::optional<Rejection> checkIdentification(const xmlNode* ide, Applies document)
{
    const auto softwareHouse = xml::childText(ide, "CNPJ");
    if (!softwareHouse || !isValidCnpj(*softwareHouse))
        return reject(document == Applies::Cancel ? Rule::CancelSoftwareHouseCnpj
                                                  : Rule::SoftwareHouseCnpj,
                      softwareHouse ? "ide/CNPJ " + quoted(*softwareHouse) : "ide/CNPJ ausente");
    const auto signature = xml::childText(ide, "signAC");
    if (!signature || signature->empty())
        return reject(Rule::Signature, "ide/signAC ausente");
    if (characters(*signature) > 344)
        return reject(Rule::Signature, "ide/signAC com mais de 344 caracteres");
    const auto cashRegister = xml::childText(ide, "numeroCaixa");
    if (!cashRegister || cashRegister->size() != 3 || !allDigits(*cashRegister))
        return reject(Rule::Unidentified,
                      cashRegister ? "numeroCaixa " + quoted(*cashRegister) + " não tem 3 dígitos"
                                   : "numeroCaixa ausente");
    return std::nullopt;
}

std::optional<Rejection> checkBuyer(const xmlNode* dest, std::string_view emitter)
{
    const auto cpf = xml::childText(dest, "CPF");
    const auto cnpj = xml::childText(dest, "CNPJ");
    if (cpf && cnpj)
        return reject(Rule::BuyerCpf, "CPF e CNPJ informados em dest");
    if (cpf && !isCpf(*cpf))
        return reject(Rule::BuyerCpf, "dest/CPF " + quoted(*cpf));
    if (cnpj && !isValidCnpj(*cnpj))
        return reject(Rule::BuyerCnpj, "dest/CNPJ " + quoted(*cnpj));
    if (cnpj && *cnpj == emitter)
        return reject(Rule::BuyerCnpj, "dest/CNPJ é o do emitente");
    if (const auto name = xml::childText(dest, "xNome");
        name && (characters(*name) < 2 || characters(*name) > 60))
        return reject(Rule::Unidentified, "dest/xNome deve ter de 2 a 60 caracteres");
    return std::nullopt;
}

std::optional<Rejection> checkEmitter(const xmlNode* emit)
{
    const auto cnpj = xml::childText(emit, "CNPJ");
    if (!cnpj || !isValidCnpj(*cnpj))
        return reject(Rule::EmitterCnpj, cnpj ? "emit/CNPJ " + quoted(*cnpj) : "emit/CNPJ ausente");
    const auto ie = xml::childText(emit, "IE");
    if (!ie || ie->empty())
        return reject(Rule::EmitterIeMissing, "emit/IE");
    if (ie->size() < 2 || ie->size() > 14 || !allDigits(*ie))
        return reject(Rule::EmitterIe, "emit/IE " + quoted(*ie));
    if (const auto regime = xml::childText(emit, "cRegTribISSQN");
        regime && (regime->size() != 1 || (*regime)[0] < '1' || (*regime)[0] > '6'))
        return reject(Rule::IssqnRegime, "cRegTribISSQN " + quoted(*regime));
    if (const auto apportion = xml::childText(emit, "indRatISSQN");
        apportion && *apportion != "S" && *apportion != "N")
        return reject(Rule::IssqnApportion, "indRatISSQN " + quoted(*apportion));
    return std::nullopt;
}

std::optional<Rejection> checkItem(const xmlNode* det, std::size_t number)
{
    const std::string where = "item " + std::to_string(number);
    const int item = static_cast<int>(number);
    if (xml::attribute(det, "nItem") != std::to_string(number))
        return reject(Rule::ItemNumber,
                      where + ": " + found("nItem", xml::attribute(det, "nItem")));
    const xmlNode* prod = xml::child(det, "prod");
    if (!prod)
        return reject(Rule::Unidentified, where + ": elemento prod ausente");
    auto text = [&](const char* name) { return xml::childText(prod, name); };
    auto tooLong = [&](const char* name, std::size_t limit) {
        return reject(Rule::Unidentified, where + ": " + name + " com mais de " +
                                              std::to_string(limit) + " caracteres");
    };
    const auto code = text("cProd");
    if (!code || code->empty())
        return reject(Rule::ProductCode, where);
    if (characters(*code) > 60)
        return tooLong("cProd", 60);
    if (const auto gtin = text("cEAN"); gtin && !isGtin(*gtin))
        return reject(Rule::Gtin, "cEAN " + quoted(*gtin), item);
    const auto description = text("xProd");
    if (!description || description->empty())
        return reject(Rule::ProductDescription, where);
    if (characters(*description) > 120)
        return tooLong("xProd", 120);
    if (const auto ncm = text("NCM");
        ncm && !((ncm->size() == 2 || ncm->size() == 8) && allDigits(*ncm)))
        return reject(Rule::Unidentified, where + ": NCM " + quoted(*ncm));
    const auto cfop = text("CFOP");
    if (!cfop || cfop->empty())
        return reject(Rule::Unidentified, where + ": CFOP ausente");
    // A SAT issues sales to consumers inside the state: operations of the 5000 group only.
    if (cfop->size() != 4 || !allDigits(*cfop) || (*cfop)[0] != '5')
        return reject(Rule::Cfop, where + ": CFOP " + quoted(*cfop));
    const auto unit = text("uCom");
    if (!unit || unit->empty())
        return reject(Rule::Unit, where);
    if (characters(*unit) > 6)
        return tooLong("uCom", 6);
    const auto quantity = text("qCom");
    if (!quantity || !isDecimal(*quantity, 4) || parseDecimal(*quantity).value_or(0) <= 0)
        return reject(Rule::Quantity, found("qCom", quantity), item);
    const auto price = text("vUnCom");
    if (!price || !isDecimal(*price, 3))
        return reject(Rule::UnitPrice, found("vUnCom", price), item);
    const auto calculation = text("indRegra");
    if (!calculation || (*calculation != "A" && *calculation != "T"))
        return reject(Rule::CalculationRule, found("indRegra", calculation), item);
    if (const auto value = text("vDesc"); value && !isDecimal(*value, 2))
        return reject(Rule::ItemDiscount, "vDesc " + quoted(*value), item);
    if (const auto value = text("vOutro"); value && !isDecimal(*value, 2))
        return reject(Rule::ItemOther, "vOutro " + quoted(*value), item);

    const xmlNode* tax = xml::child(det, "imposto");
    const xmlNode* icms = xml::child(tax, "ICMS");
    if ((!icms || xml::elements(icms).empty()) && !xml::child(tax, "ISSQN"))
        return reject(Rule::Unidentified, where + ": grupo ICMS ou ISSQN ausente");
    for (const char* name : {"PIS", "COFINS"}) {
        const xmlNode* group = xml::child(tax, name);
        const std::vector<xmlNode*> kinds = xml::elements(group);
        if (kinds.size() != 1 || !xml::childText(kinds.front(), "CST"))
            return reject(Rule::Unidentified, where + ": grupo " + name + " ausente ou sem CST");
        for (const char* value : {"vBC", "qBCProd", "vAliqProd"})
            if (const auto v = xml::childText(kinds.front(), value); v && !isDecimal(*v, 4))
                return reject(Rule::Unidentified, where + ": " + value + " " + quoted(*v));
        const std::string rate = std::string("p") + name;
        if (const auto v = xml::childText(kinds.front(), rate); v && !isDecimal(*v, 4))
            return reject(Rule::Unidentified, where + ": " + rate + " " + quoted(*v));
    }
    if (const auto note = xml::childText(det, "infAdProd"); note && characters(*note) > 500)
        return reject(Rule::Unidentified, where + ": infAdProd com " +
                                              std::to_string(characters(*note)) + " caracteres");
    return std::nullopt;
}

std::optional<Rejection> checkAdditionalInformation(const xmlNode* infCFe)
{
    const auto note = xml::childText(xml::child(infCFe, "infAdic"), "infCpl");
    if (note && characters(*note) > 5000)
        return reject(Rule::Unidentified,
                      "infCpl com " + std::to_string(characters(*note)) + " caracteres");
    return std::nullopt;
}

constexpr std::string_view paymentCodes[] = {"01", "02", "03", "04", "05", "10", "11", "12",
                                             "13", "15", "16", "17", "18", "19", "99"};

std::optional<Rejection> checkPayments(const xmlNode* infCFe)
{
    const std::vector<xmlNode*> means = xml::children(xml::child(infCFe, "pgto"), "MP");
    if (means.empty())
        return reject(Rule::Unidentified, "nenhum meio de pagamento (pgto/MP)");
    if (means.size() > 10)
        return reject(Rule::Unidentified,
                      std::to_string(means.size()) + " meios de pagamento; o limite é 10");
    for (std::size_t i = 0; i < means.size(); ++i) {
        const std::string where = "pagamento " + std::to_string(i + 1);
        const auto code = xml::childText(means[i], "cMP");
        if (!code || std::find(std::begin(paymentCodes), std::end(paymentCodes), *code) ==
                         std::end(paymentCodes))
            return reject(Rule::PaymentCode, where + ": " + found("cMP", code));
        const auto value = xml::childText(means[i], "vMP");
        if (!value)
            return reject(Rule::Unidentified, where + ": vMP ausente");
        if (!isDecimal(*value, 2) || parseDecimal(*value).value_or(0) <= 0)
            return reject(Rule::PaymentValue, where + ": vMP " + quoted(*value));
    }
    return std::nullopt;
}

std::optional<Rejection> checkSubtotal(const xmlNode* infCFe)
{
    const xmlNode* adjustments = xml::child(xml::child(infCFe, "total"), "DescAcrEntr");
    const auto discount = xml::childText(adjustments, "vDescSubtot");
    const auto increase = xml::childText(adjustments, "vAcresSubtot");
    if (discount && increase)
        return reject(Rule::Unidentified, "desconto e acréscimo sobre o subtotal em DescAcrEntr");
    if (adjustments && !discount && !increase)
        return reject(Rule::Unidentified, "DescAcrEntr vazio");
    if (discount && !isDecimal(*discount, 2))
        return reject(Rule::SubtotalDiscount, "vDescSubtot " + quoted(*discount));
    if (increase && !isDecimal(*increase, 2))
        return reject(Rule::SubtotalIncrease, "vAcresSubtot " + quoted(*increase));
    return std::nullopt;
}

bool usesSimplesGroups(const xmlNode* det)
{
    const xmlNode* icms = xml::child(xml::child(det, "imposto"), "ICMS");
    return xml::child(icms, "ICMSSN102") || xml::child(icms, "ICMSSN900");
}

} // namespace

int saleRegime(const xmlNode* infCFe, int regime)
{
    if (regime == 1 || regime == 3)
        return regime;
    for (const xmlNode* det : xml::children(infCFe, "det"))
        if (usesSimplesGroups(det))
            return 1;
    return 3;
}

std::optional<Rejection> saleAlert(const xmlNode* infCFe, int regime)
{
    if (xml::attribute(infCFe, "versaoDadosEnt") == "0.06")
        return reject(Rule::LayoutNotNewest, "versaoDadosEnt \"0.06\"; a atual é 0.07");
    const int used = saleRegime(infCFe, regime);
    const std::vector<xmlNode*> items = xml::children(infCFe, "det");
    for (std::size_t i = 0; i < items.size(); ++i) {
        const xmlNode* icms = xml::child(xml::child(items[i], "imposto"), "ICMS");
        const std::string where =
            "item " + std::to_string(i + 1) + ", regime tributário " + std::to_string(used);
        if (used == 1 && xml::child(icms, "ICMS00"))
            return reject(Rule::RegimeIcms00, where);
        if (used == 1 && xml::child(icms, "ICMS40"))
            return reject(Rule::RegimeIcms40, where);
        if (used == 3 && xml::child(icms, "ICMSSN102"))
            return reject(Rule::RegimeSn102, where);
        if (used == 3 && xml::child(icms, "ICMSSN900"))
            return reject(Rule::RegimeSn900, where);
    }
    return std::nullopt;
}

std::optional<Rejection> checkSale(const xmlNode* infCFe)
{
    const auto version = xml::attribute(infCFe, "versaoDadosEnt");
    if (!version)
        return reject(Rule::LayoutVersion, "versaoDadosEnt ausente");
    if (*version != "0.06" && *version != "0.07" && *version != "0.08")
        return reject(Rule::LayoutVersion, "versaoDadosEnt " + quoted(*version));
    if (auto rejected = checkLayout(infCFe, saleLayout(), "infCFe"))
        return rejected;
    if (auto rejected = checkIdentification(xml::child(infCFe, "ide"), Applies::Sale))
        return rejected;
    const xmlNode* emit = xml::child(infCFe, "emit");
    if (auto rejected = checkEmitter(emit))
        return rejected;
    if (auto rejected =
            checkBuyer(xml::child(infCFe, "dest"), xml::childText(emit, "CNPJ").value_or("")))
        return rejected;
    const std::vector<xmlNode*> items = xml::children(infCFe, "det");
    if (items.empty())
        return reject(Rule::Unidentified, "a venda não tem itens");
    if (items.size() > 500)
        return reject(Rule::Unidentified,
                      "a venda tem " + std::to_string(items.size()) + " itens; o limite é 500");
    for (std::size_t i = 0; i < items.size(); ++i)
        if (auto rejected = checkItem(items[i], i + 1))
            return rejected;
    if (auto rejected = checkSubtotal(infCFe))
        return rejected;
    if (auto rejected = checkPayments(infCFe))
        return rejected;
    return checkAdditionalInformation(infCFe);
}

std::optional<Rejection> checkCancel(const xmlNode* infCFe)
{
    if (auto rejected = checkLayout(infCFe, cancelLayout(), "infCFe"))
        return rejected;
    if (!xml::child(infCFe, "ide"))
        return reject(Rule::Unidentified, "elemento ide ausente");
    if (auto rejected = checkIdentification(xml::child(infCFe, "ide"), Applies::Cancel))
        return rejected;
    // The buyer is compared with the sale's when the cancel is issued.
    return checkAdditionalInformation(infCFe);
}

} // namespace satsim
