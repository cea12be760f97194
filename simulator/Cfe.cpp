#include "Cfe.h"

#include "Base64.h"
#include "Digits.h"
#include "Sha256.h"
#include "Texts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace satsim {

namespace {

constexpr std::string_view taxpayerName = "CONTRIBUINTE DE DEMONSTRACAO DO SIMULADOR";
constexpr std::string_view tradeName = "LOJA DEMONSTRACAO";
constexpr std::size_t maxItems = 500;

// The QR code's signature: RSA-SHA256 of the fields the QR code shows, with the device's key.
std::string qrCodeSignature(const IssueParams& params, std::string_view fields)
{
    if (!params.signer)
        throw std::runtime_error("SAT sem chave de assinatura");
    return base64::encode(signSha256(params.signer->keyPem, fields));
}

std::string versionDigits(std::string_view version)
{
    std::string digits;
    for (const char c : version)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

void removeChildren(xmlNode* parent, std::initializer_list<std::string_view> names)
{
    for (xmlNode* node : xml::elements(parent))
        for (const std::string_view name : names)
            if (xml::is(node, name)) {
                xml::remove(node);
                break;
            }
}

xmlNode* lastOf(xmlNode* parent, std::initializer_list<std::string_view> names)
{
    xmlNode* found = nullptr;
    for (xmlNode* node : xml::elements(parent))
        for (const std::string_view name : names)
            if (xml::is(node, name))
                found = node;
    return found;
}

void addIdentification(xmlNode* ide, const std::string& key, const IssueParams& params,
                       bool withEnvironment)
{
    removeChildren(ide, {"cUF", "cNF", "mod", "nserieSAT", "nCFe", "dEmi", "hEmi", "cDV", "tpAmb",
                         "assinaturaQRCODE"});
    std::vector<std::pair<const char*, std::string>> generated = {
        {"cUF", std::to_string(stateCode)},
        {"cNF", padded(params.randomCode, 6)},
        {"mod", "59"},
        {"nserieSAT", std::string(params.serial)},
        {"nCFe", padded(params.number, 6)},
        {"dEmi", date8(params.now)},
        {"hEmi", time6(params.now)},
        {"cDV", key.substr(43, 1)},
    };
    if (withEnvironment)
        generated.emplace_back("tpAmb", "2"); // a simulator issues for tests, never production
    xmlNode* first = ide->children;
    for (const auto& [name, value] : generated) {
        if (first)
            xml::insertBefore(first, name, value);
        else
            xml::append(ide, name, value);
    }
}

// The taxpayer's regime as the tax authority has it registered: a sale whose ICMS is given
// by CSOSN comes from a Simples Nacional taxpayer (1), one given by CST from the normal
// regime (3).
void addEmitterDetails(xmlNode* emit, std::string_view regime = {})
{
    removeChildren(emit, {"xNome", "xFant", "enderEmit", "cRegTrib"});
    xmlNode* cnpj = xml::child(emit, "CNPJ");
    xmlNode* name = xml::insertAfter(cnpj, "xNome", taxpayerName);
    xmlNode* trade = xml::insertAfter(name, "xFant", tradeName);
    xmlNode* address = xml::insertAfter(trade, "enderEmit", "");
    xml::append(address, "xLgr", "RUA DA DEMONSTRACAO");
    xml::append(address, "nro", "100");
    xml::append(address, "xBairro", "CENTRO");
    xml::append(address, "xMun", "SAO PAULO");
    xml::append(address, "CEP", "01001000");
    if (regime.empty())
        return;
    if (xmlNode* before = lastOf(emit, {"IE", "IM"}))
        xml::insertAfter(before, "cRegTrib", regime);
    else
        xml::insertAfter(address, "cRegTrib", regime);
}

constexpr const char* dsigNamespace = "http://www.w3.org/2000/09/xmldsig#";

xmlNode* dsig(xmlNode* parent, xmlNs* ns, const char* name, std::string_view value = {})
{
    xmlNode* node = xml::append(parent, name, value);
    xmlSetNs(node, ns);
    return node;
}

xmlNode* dsigWithAlgorithm(xmlNode* parent, xmlNs* ns, const char* name, const char* algorithm)
{
    xmlNode* node = dsig(parent, ns, name);
    xml::setAttribute(node, "Algorithm", algorithm);
    return node;
}

// An enveloped XML signature of infCFe, after it: its canonical form is digested, and the
// canonical form of SignedInfo is signed with the device's key.
void sign(xmlDoc* document, xmlNode* root, xmlNode* infCFe, const std::string& key,
          const IssueParams& params)
{
    if (!params.signer)
        throw std::runtime_error("SAT sem chave de assinatura");
    // A signature sent with the sale is not the device's.
    removeChildren(root, {"Signature"});
    const std::string signedData = xml::canonical(document, infCFe);
    if (signedData.empty())
        throw std::runtime_error("forma canônica do CF-e não obtida");
    const auto digest = sha256(signedData);

    xmlNode* signature = xml::appendEmpty(root, "Signature");
    xmlNs* ns = xmlNewNs(signature, reinterpret_cast<const xmlChar*>(dsigNamespace), nullptr);
    xmlSetNs(signature, ns);
    xmlNode* info = dsig(signature, ns, "SignedInfo");
    dsigWithAlgorithm(info, ns, "CanonicalizationMethod",
                      "http://www.w3.org/TR/2001/REC-xml-c14n-20010315");
    dsigWithAlgorithm(info, ns, "SignatureMethod",
                      "http://www.w3.org/2001/04/xmldsig-more#rsa-sha256");
    xmlNode* reference = dsig(info, ns, "Reference");
    xml::setAttribute(reference, "URI", "#CFe" + key);
    xmlNode* transforms = dsig(reference, ns, "Transforms");
    dsigWithAlgorithm(transforms, ns, "Transform",
                      "http://www.w3.org/2000/09/xmldsig#enveloped-signature");
    dsigWithAlgorithm(transforms, ns, "Transform",
                      "http://www.w3.org/TR/2001/REC-xml-c14n-20010315");
    dsigWithAlgorithm(reference, ns, "DigestMethod", "http://www.w3.org/2001/04/xmlenc#sha256");
    dsig(reference, ns, "DigestValue",
         base64::encode(
             std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size())));

    const std::string signedInfo = xml::canonical(document, info);
    if (signedInfo.empty())
        throw std::runtime_error("forma canônica de SignedInfo não obtida");
    dsig(signature, ns, "SignatureValue",
         base64::encode(signSha256(params.signer->keyPem, signedInfo)));
    xmlNode* keyInfo = dsig(signature, ns, "KeyInfo");
    xmlNode* data = dsig(keyInfo, ns, "X509Data");
    dsig(data, ns, "X509Certificate",
         base64::encode(certificateDer(params.signer->certificatePem)));
}

std::string buyerOf(const xmlNode* infCFe)
{
    const xmlNode* dest = xml::child(infCFe, "dest");
    if (auto cpf = xml::childText(dest, "CPF"))
        return *cpf;
    return xml::childText(dest, "CNPJ").value_or("");
}

struct Amount {
    double value = 0;
    std::string error;
    Rule rule = Rule::Unidentified;
    int item = 0;
};

// A missing value is a schema failure; a value that is not a number breaks its field's rule.
Rule ruleForAmount(std::string_view name)
{
    if (name == "qCom")
        return Rule::Quantity;
    if (name == "vUnCom")
        return Rule::UnitPrice;
    if (name == "vDesc")
        return Rule::ItemDiscount;
    if (name == "vOutro")
        return Rule::ItemOther;
    if (name == "vDescSubtot")
        return Rule::SubtotalDiscount;
    if (name == "vAcresSubtot")
        return Rule::SubtotalIncrease;
    if (name == "vMP")
        return Rule::PaymentValue;
    return Rule::Unidentified;
}

// item: the item the value belongs to, from 1; 0 for the sale's own values.
Amount amount(const xmlNode* parent, const char* name, bool required, const std::string& where,
              int item = 0)
{
    const auto text = xml::childText(parent, name);
    if (!text) {
        if (required)
            return {0, where + ": " + name + " ausente", Rule::Unidentified};
        return {};
    }
    const auto value = parseDecimal(*text);
    if (!value || *value > 1e12)
        return {0, where + ": " + name + " \"" + printable(*text) + "\" não é um valor válido",
                ruleForAmount(name), item};
    return {*value, {}};
}

long long cents(double value)
{
    return std::llround(roundCents(value) * 100.0);
}

// A discount or surcharge on the subtotal, shared among the items in proportion to their
// values; the last item takes what rounding leaves, so that the shares add up to the whole.
std::vector<long long> apportion(long long whole, const std::vector<long long>& itemCents)
{
    std::vector<long long> shares(itemCents.size(), 0);
    long long base = 0;
    for (const long long item : itemCents)
        base += item;
    if (whole == 0 || base == 0 || itemCents.empty())
        return shares;
    long long given = 0;
    for (std::size_t i = 0; i + 1 < itemCents.size(); ++i) {
        shares[i] = static_cast<long long>(
            std::llround(static_cast<double>(whole) * static_cast<double>(itemCents[i]) /
                         static_cast<double>(base)));
        given += shares[i];
    }
    shares.back() = whole - given;
    return shares;
}

// PIS or COFINS of one item from the rates the sale gives: a base times a rate written as a
// fraction ("0.0165"), or a quantity times an amount per unit. The groups without a rate
// (NT, SN) owe nothing.
struct Contribution {
    double value = 0;
    std::string error;
};

Contribution contribution(xmlNode* group, std::string_view rateName, const std::string& where)
{
    if (!group)
        return {};
    const std::string rateElement(rateName);
    const bool byRate = xml::child(group, "vBC") || xml::child(group, rateElement);
    const bool byQuantity = xml::child(group, "qBCProd") || xml::child(group, "vAliqProd");
    if (!byRate && !byQuantity)
        return {};
    Amount first, second;
    if (byRate) {
        first = amount(group, "vBC", true, where);
        second = amount(group, rateElement.c_str(), true, where);
    } else {
        first = amount(group, "qBCProd", true, where);
        second = amount(group, "vAliqProd", true, where);
    }
    for (const Amount* a : {&first, &second})
        if (!a->error.empty())
            return {0, a->error};
    return {roundCents(first.value * second.value), {}};
}

struct ItemTaxes {
    double pis = 0, cofins = 0, pisSt = 0, cofinsSt = 0;
    std::string error;
};

ItemTaxes computeContributions(xmlNode* tax, const std::string& where)
{
    ItemTaxes taxes;
    struct Target {
        const char* parent;
        const char* rate;
        const char* result;
        double* total;
    };
    const Target targets[] = {{"PIS", "pPIS", "vPIS", &taxes.pis},
                              {"COFINS", "pCOFINS", "vCOFINS", &taxes.cofins},
                              {"PISST", "pPIS", "vPIS", &taxes.pisSt},
                              {"COFINSST", "pCOFINS", "vCOFINS", &taxes.cofinsSt}};
    for (const Target& target : targets) {
        xmlNode* parent = xml::child(tax, target.parent);
        // PIS and COFINS hold one group of a kind; PISST and COFINSST are the group themselves.
        xmlNode* group = parent;
        if (parent && (xml::is(parent, "PIS") || xml::is(parent, "COFINS"))) {
            const std::vector<xmlNode*> kinds = xml::elements(parent);
            group = kinds.empty() ? nullptr : kinds.front();
        }
        const Contribution value = contribution(group, target.rate, where);
        if (!value.error.empty()) {
            taxes.error = value.error;
            return taxes;
        }
        if (group && (xml::child(group, "vBC") || xml::child(group, "qBCProd"))) {
            removeChildren(group, {target.result});
            xml::append(group, target.result, formatDecimal(value.value, 2));
        }
        *target.total += value.value;
    }
    return taxes;
}

} // namespace

SaleRead readSale(std::string_view bytes)
{
    SaleRead read;
    xml::Parsed parsed = xml::parse(bytes);
    if (!parsed.document) {
        read.error = parsed.error;
        return read;
    }
    const xmlNode* root = xmlDocGetRootElement(parsed.document.get());
    if (!xml::is(root, "CFe")) {
        read.error = "o elemento raiz deve ser CFe";
        return read;
    }
    const xmlNode* infCFe = xml::child(root, "infCFe");
    if (!infCFe) {
        read.error = "elemento infCFe ausente";
        return read;
    }
    const xmlNode* ide = xml::child(infCFe, "ide");
    const xmlNode* emit = xml::child(infCFe, "emit");
    if (!ide || !emit) {
        read.error = !ide ? "elemento ide ausente" : "elemento emit ausente";
        return read;
    }
    SaleInput sale;
    sale.softwareHouseCnpj = xml::childText(ide, "CNPJ").value_or("");
    sale.signature = xml::childText(ide, "signAC").value_or("");
    sale.emitterCnpj = xml::childText(emit, "CNPJ").value_or("");
    if (!xml::child(emit, "CNPJ")) {
        read.error = "elemento emit/CNPJ ausente";
        return read;
    }
    if (auto rejected = checkSale(infCFe)) {
        read.error = rejected->detail;
        read.rule = rejected->rule;
        read.item = rejected->item;
        return read;
    }
    sale.document = std::move(parsed.document);
    read.sale = std::move(sale);
    return read;
}

CancelRead readCancel(std::string_view bytes)
{
    CancelRead read;
    xml::Parsed parsed = xml::parse(bytes);
    if (!parsed.document) {
        read.error = parsed.error;
        return read;
    }
    const xmlNode* root = xmlDocGetRootElement(parsed.document.get());
    if (!xml::is(root, "CFeCanc")) {
        read.error = "o elemento raiz deve ser CFeCanc";
        return read;
    }
    const xmlNode* infCFe = xml::child(root, "infCFe");
    if (!infCFe) {
        read.error = "elemento infCFe ausente";
        return read;
    }
    auto key = xml::attribute(infCFe, "chCanc");
    if (!key) {
        read.error = "atributo chCanc de infCFe ausente";
        return read;
    }
    const xmlNode* ide = xml::child(infCFe, "ide");
    if (!ide) {
        read.error = "elemento ide ausente";
        return read;
    }
    if (auto rejected = checkCancel(infCFe)) {
        read.error = rejected->detail;
        read.rule = rejected->rule;
        return read;
    }
    CancelInput cancel;
    cancel.keyToCancel = *key;
    cancel.softwareHouseCnpj = xml::childText(ide, "CNPJ").value_or("");
    cancel.signature = xml::childText(ide, "signAC").value_or("");
    cancel.cashier = xml::childText(ide, "numeroCaixa").value_or("");
    const xmlNode* dest = xml::child(infCFe, "dest");
    cancel.buyerCnpj = xml::childText(dest, "CNPJ");
    cancel.buyerCpf = xml::childText(dest, "CPF");
    cancel.document = std::move(parsed.document);
    read.cancel = std::move(cancel);
    return read;
}

IssueResult issueSale(SaleInput& sale, const IssueParams& params)
{
    IssueResult result;
    auto refuse = [&result](Rule rule, std::string error, int item = 0) {
        result.rule = rule;
        result.error = std::move(error);
        result.item = item;
        return result;
    };
    auto refuseAmount = [&refuse](const Amount& a) { return refuse(a.rule, a.error, a.item); };
    xmlDoc* document = sale.document.get();
    xmlNode* root = xmlDocGetRootElement(document);
    xmlNode* infCFe = xml::child(root, "infCFe");
    xmlNode* ide = xml::child(infCFe, "ide");
    xmlNode* emit = xml::child(infCFe, "emit");

    std::vector<xmlNode*> items = xml::children(infCFe, "det");
    if (items.empty())
        return refuse(Rule::Unidentified, "a venda não tem itens (det)");
    if (items.size() > maxItems)
        return refuse(Rule::Unidentified, "a venda tem " + std::to_string(items.size()) +
                                              " itens; o limite é " + std::to_string(maxItems));

    // The item values first: the subtotal's discount or surcharge is shared in their proportion.
    struct ItemValues {
        xmlNode* prod;
        double products, discount, other;
        long long item; // cents
    };
    std::vector<ItemValues> values;
    double totalProducts = 0, totalDiscount = 0, totalOther = 0;
    long long totalItems = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string where = "item " + std::to_string(i + 1);
        xmlNode* prod = xml::child(items[i], "prod");
        if (!prod)
            return refuse(Rule::Unidentified, where + ": elemento prod ausente");
        const int number = static_cast<int>(i + 1);
        const Amount quantity = amount(prod, "qCom", true, where, number);
        const Amount unit = amount(prod, "vUnCom", true, where, number);
        const Amount discount = amount(prod, "vDesc", false, where, number);
        const Amount other = amount(prod, "vOutro", false, where, number);
        for (const Amount* a : {&quantity, &unit, &discount, &other})
            if (!a->error.empty())
                return refuseAmount(*a);
        const double products = roundCents(quantity.value * unit.value);
        const long long item = cents(products - discount.value + other.value);
        if (item < 0)
            return refuse(Rule::NegativeValue,
                          where + ": o desconto é maior que o valor do produto");
        values.push_back({prod, products, discount.value, other.value, item});
        totalProducts += products;
        totalDiscount += discount.value;
        totalOther += other.value;
        totalItems += item;
    }

    xmlNode* total = xml::child(infCFe, "total");
    if (!total)
        total = xml::insertAfter(items.back(), "total", "");
    const xmlNode* adjustments = xml::child(total, "DescAcrEntr");
    const Amount subtotalDiscount = amount(adjustments, "vDescSubtot", false, "total");
    const Amount subtotalIncrease = amount(adjustments, "vAcresSubtot", false, "total");
    for (const Amount* a : {&subtotalDiscount, &subtotalIncrease})
        if (!a->error.empty())
            return refuseAmount(*a);
    const long long cfeTotal =
        totalItems - cents(subtotalDiscount.value) + cents(subtotalIncrease.value);
    if (cfeTotal < 0)
        return refuse(Rule::NegativeValue,
                      "o desconto sobre o subtotal é maior que o total da venda");

    std::vector<long long> itemCents;
    for (const ItemValues& v : values)
        itemCents.push_back(v.item);
    const std::vector<long long> discountShares =
        apportion(cents(subtotalDiscount.value), itemCents);
    const std::vector<long long> increaseShares =
        apportion(cents(subtotalIncrease.value), itemCents);

    double totalIcms = 0, totalPis = 0, totalCofins = 0, totalPisSt = 0, totalCofinsSt = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string where = "item " + std::to_string(i + 1);
        const ItemValues& v = values[i];
        xml::setAttribute(items[i], "nItem", std::to_string(i + 1));
        removeChildren(v.prod, {"vProd", "vItem", "vRatDesc", "vRatAcr"});
        xml::insertAfter(xml::child(v.prod, "vUnCom"), "vProd", formatDecimal(v.products, 2));
        xmlNode* itemValue =
            xml::insertAfter(lastOf(v.prod, {"vProd", "indRegra", "vDesc", "vOutro"}), "vItem",
                             formatDecimal(static_cast<double>(v.item) / 100.0, 2));
        if (subtotalDiscount.value > 0)
            itemValue =
                xml::insertAfter(itemValue, "vRatDesc",
                                 formatDecimal(static_cast<double>(discountShares[i]) / 100.0, 2));
        if (subtotalIncrease.value > 0)
            xml::insertAfter(itemValue, "vRatAcr",
                             formatDecimal(static_cast<double>(increaseShares[i]) / 100.0, 2));

        xmlNode* tax = xml::child(items[i], "imposto");
        // The ICMS falls on what the item finally costs, its share of the subtotal included.
        const double taxed =
            static_cast<double>(v.item - discountShares[i] + increaseShares[i]) / 100.0;
        for (const char* group : {"ICMS00", "ICMSSN900"}) {
            xmlNode* icms = xml::child(xml::child(tax, "ICMS"), group);
            if (!icms || (xml::is(icms, "ICMSSN900") && !xml::child(icms, "pICMS")))
                continue;
            const Amount rate = amount(icms, "pICMS", true, where);
            if (!rate.error.empty())
                return refuseAmount(rate);
            const double value = roundCents(taxed * rate.value / 100.0);
            removeChildren(icms, {"vICMS"});
            xml::append(icms, "vICMS", formatDecimal(value, 2));
            totalIcms += value;
        }
        const ItemTaxes taxes = computeContributions(tax, where);
        if (!taxes.error.empty())
            return refuse(Rule::Unidentified, taxes.error);
        totalPis += taxes.pis;
        totalCofins += taxes.cofins;
        totalPisSt += taxes.pisSt;
        totalCofinsSt += taxes.cofinsSt;
    }

    for (xmlNode* node : xml::elements(total))
        if (!xml::is(node, "DescAcrEntr") && !xml::is(node, "vCFeLei12741"))
            xml::remove(node);
    xmlNode* icmsTotal = total->children ? xml::insertBefore(total->children, "ICMSTot", "")
                                         : xml::append(total, "ICMSTot", "");
    xml::append(icmsTotal, "vICMS", formatDecimal(roundCents(totalIcms), 2));
    xml::append(icmsTotal, "vProd", formatDecimal(roundCents(totalProducts), 2));
    xml::append(icmsTotal, "vDesc", formatDecimal(roundCents(totalDiscount), 2));
    xml::append(icmsTotal, "vPIS", formatDecimal(roundCents(totalPis), 2));
    xml::append(icmsTotal, "vCOFINS", formatDecimal(roundCents(totalCofins), 2));
    xml::append(icmsTotal, "vPISST", formatDecimal(roundCents(totalPisSt), 2));
    xml::append(icmsTotal, "vCOFINSST", formatDecimal(roundCents(totalCofinsSt), 2));
    xml::append(icmsTotal, "vOutro", formatDecimal(roundCents(totalOther), 2));
    const std::string totalText = formatDecimal(static_cast<double>(cfeTotal) / 100.0, 2);
    xml::insertAfter(icmsTotal, "vCFe", totalText);

    xmlNode* payment = xml::child(infCFe, "pgto");
    std::vector<xmlNode*> means = xml::children(payment, "MP");
    if (means.empty())
        return refuse(Rule::Unidentified, "a venda não tem meio de pagamento (pgto/MP)");
    long long paid = 0;
    for (std::size_t i = 0; i < means.size(); ++i) {
        const Amount value = amount(means[i], "vMP", true, "pagamento " + std::to_string(i + 1));
        if (!value.error.empty())
            return refuseAmount(value);
        paid += cents(value.value);
    }
    if (paid < cfeTotal)
        return refuse(Rule::PaymentShort, "o pagamento de " +
                                              formatDecimal(static_cast<double>(paid) / 100.0, 2) +
                                              " é menor que o total de " + totalText);
    // The access key holds the emitter's 14 digits: any other text would give a key of another
    // length, with letters, or none at all. A sale always names the activated taxpayer; only
    // the end-to-end test's document gets here unchecked.
    if (sale.emitterCnpj.size() != 14 || !allDigits(sale.emitterCnpj))
        return refuse(Rule::EmitterCnpj, "CNPJ do emitente \"" + printable(sale.emitterCnpj) +
                                             "\" não tem 14 dígitos");
    removeChildren(payment, {"vTroco"});
    xml::append(payment, "vTroco", formatDecimal(static_cast<double>(paid - cfeTotal) / 100.0, 2));

    Issued issued;
    issued.key = accessKey({padded(stateCode, 2), yearMonth4(params.now), sale.emitterCnpj,
                            params.serial, params.number, params.randomCode});
    issued.total = totalText;
    issued.buyerId = buyerOf(infCFe);
    issued.emitterIE = xml::childText(emit, "IE").value_or("");
    issued.cashier = xml::childText(ide, "numeroCaixa").value_or("");
    issued.qrSignature =
        qrCodeSignature(params, issued.key + stamp14(params.now) + issued.total + issued.buyerId);

    // The CF-e is written in the layout version the sale was written in.
    const std::string version = xml::attribute(infCFe, "versaoDadosEnt").value_or("0.07");
    xml::setAttribute(infCFe, "Id", "CFe" + issued.key);
    xml::setAttribute(infCFe, "versao", version);
    xml::setAttribute(infCFe, "versaoDadosEnt", version);
    xml::setAttribute(infCFe, "versaoSB", versionDigits(params.softwareVersion));
    addIdentification(ide, issued.key, params, true);
    if (xmlNode* signAC = xml::child(ide, "signAC"))
        xml::insertAfter(signAC, "assinaturaQRCODE", issued.qrSignature);
    else
        xml::append(ide, "assinaturaQRCODE", issued.qrSignature);
    addEmitterDetails(emit, std::to_string(saleRegime(infCFe, params.taxRegime)));

    sign(document, root, infCFe, issued.key, params);
    issued.document = xml::serialize(document);
    result.cfe = std::move(issued);
    return result;
}

Issued issueCancel(const CancelInput& cancel, const LastSale& sale, const IssueParams& params)
{
    Issued issued;
    issued.key = accessKey({padded(stateCode, 2), yearMonth4(params.now), params.taxpayerCnpj,
                            params.serial, params.number, params.randomCode});
    issued.total = sale.total;
    issued.buyerId = sale.buyerId;
    issued.emitterIE = sale.emitterIE;
    issued.cashier = cancel.cashier;
    issued.qrSignature = qrCodeSignature(params, issued.key + stamp14(params.now) + sale.total);

    xml::Document document = xml::create("CFeCanc");
    xmlNode* root = xmlDocGetRootElement(document.get());
    xmlNode* infCFe = xml::appendEmpty(root, "infCFe");
    xml::setAttribute(infCFe, "Id", "CFe" + issued.key);
    xml::setAttribute(infCFe, "chCanc", sale.key);
    xml::setAttribute(infCFe, "versao", "0.07");
    xml::append(infCFe, "dEmi", date8(sale.issued));
    xml::append(infCFe, "hEmi", time6(sale.issued));
    xmlNode* ide = xml::appendEmpty(infCFe, "ide");
    addIdentification(ide, issued.key, params, false);
    xml::append(ide, "CNPJ", cancel.softwareHouseCnpj);
    xml::append(ide, "signAC", cancel.signature);
    xml::append(ide, "assinaturaQRCODE", issued.qrSignature);
    xml::append(ide, "numeroCaixa", cancel.cashier);
    xmlNode* emit = xml::appendEmpty(infCFe, "emit");
    xml::append(emit, "CNPJ", params.taxpayerCnpj);
    addEmitterDetails(emit);
    if (!sale.emitterIE.empty())
        xml::append(emit, "IE", sale.emitterIE);
    xmlNode* dest = xml::appendEmpty(infCFe, "dest");
    if (sale.buyerId.size() == 11)
        xml::append(dest, "CPF", sale.buyerId);
    else if (!sale.buyerId.empty())
        xml::append(dest, "CNPJ", sale.buyerId);
    xmlNode* total = xml::appendEmpty(infCFe, "total");
    xml::append(total, "vCFe", sale.total);

    sign(document.get(), root, infCFe, issued.key, params);
    issued.document = xml::serialize(document.get());
    return issued;
}

namespace {

// What each byte of the document allows without changing what the document says: the low bits
// give the length of a character of text or of an attribute value that can be written again as
// a character reference (the whole UTF-8 sequence it starts); lineBreakBefore marks the first
// byte after the XML declaration, where a line break may go.
constexpr unsigned char lengthBits = 0x07;
constexpr unsigned char lineBreakBefore = 0x08;
constexpr unsigned char taken = 0x80;

// The length of the UTF-8 character at i when it is well formed, else 0.
std::size_t utf8Length(std::string_view text, std::size_t i, char32_t& codePoint)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if ((byte & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

// Marks the character at i when a reference may stand for it; returns its length.
std::size_t markCharacter(std::string_view text, std::size_t i, std::vector<unsigned char>& spots)
{
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
        // Blanks stay as they are: a reference to one is not the same inside an attribute.
        if (byte > 0x20 && byte < 0x7F && byte != '<' && byte != '&')
            spots[i] = 1;
        return 1;
    }
    char32_t codePoint = 0;
    const std::size_t length = utf8Length(text, i, codePoint);
    if (length == 0)
        return 1;
    spots[i] = static_cast<unsigned char>(length);
    return length;
}

std::size_t after(std::string_view text, std::size_t from, std::string_view end)
{
    const std::size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

// One pass over the document: comments, processing instructions, CDATA sections, declarations,
// names and references are left alone.
std::vector<unsigned char> changeableSpots(std::string_view text)
{
    std::vector<unsigned char> spots(text.size(), 0);
    bool rootSeen = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '&') {
            i = after(text, i, ";");
            continue;
        }
        if (c != '<') {
            i += markCharacter(text, i, spots);
            continue;
        }
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("<!--")) {
            i = after(text, i + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            i = after(text, i + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            i = after(text, i + 2, "?>");
            if (!rootSeen && i < text.size())
                spots[i] |= lineBreakBefore;
        } else if (rest.starts_with("<!")) {
            i = after(text, i + 2, ">");
        } else {
            rootSeen = true;
            char quote = 0;
            for (++i; i < text.size();) {
                const char t = text[i];
                if (quote == 0) {
                    if (t == '"' || t == '\'')
                        quote = t;
                    ++i;
                    if (t == '>')
                        break;
                } else if (t == quote) {
                    quote = 0;
                    ++i;
                } else if (t == '&') {
                    i = after(text, i, ";");
                } else {
                    i += markCharacter(text, i, spots);
                }
            }
        }
    }
    return spots;
}

void appendReference(std::string& out, std::string_view text, std::size_t i, std::size_t length)
{
    char32_t codePoint = static_cast<unsigned char>(text[i]);
    if (length > 1)
        utf8Length(text, i, codePoint);
    out += "&#";
    out += std::to_string(static_cast<unsigned long>(codePoint));
    out += ';';
}

} // namespace

std::string base64WithoutKeyMarker(std::string document)
{
    // The document is written out once from start to end and encoded as it goes. When a
    // marker shows up, the writing goes back to the last changeable spot at or before the
    // first byte of the marker's group of three, changes it (which moves every later byte to
    // another place in the groups of three) and goes on from there. That spot is never more
    // than a few bytes back in a CF-e, and the work of going back has a bound proportional to
    // the document, so that no text can hold the device for long.
    const std::string_view source = document;
    std::vector<unsigned char> spots = changeableSpots(source);

    struct Spot {
        std::size_t out;    // where it was written
        std::size_t source; // where it is in the document
    };
    std::vector<Spot> open; // spots written unchanged, in order
    std::string out;
    out.reserve(source.size() + source.size() / 16 + 64);
    std::string encoded;
    encoded.reserve((out.capacity() + 2) / 3 * 4);
    std::size_t next = 0;
    std::size_t budget = 8 * source.size() + 4096;
    bool giveUp = false;

    while (true) {
        const std::size_t searchFrom = encoded.size() >= 2 ? encoded.size() - 2 : 0;
        if (next < source.size()) {
            const unsigned char spot = spots[next];
            const std::size_t length = std::max<std::size_t>(spot & lengthBits, 1);
            if ((spot & taken) != 0 && (spot & lineBreakBefore) != 0) {
                out += '\n';
                out.append(source.substr(next, length));
            } else if ((spot & taken) != 0) {
                appendReference(out, source, next, length);
            } else {
                if ((spot & (lengthBits | lineBreakBefore)) != 0)
                    open.push_back({out.size(), next});
                out.append(source.substr(next, length));
            }
            next += length;
            const std::size_t whole = next < source.size() ? out.size() / 3 * 3 : out.size();
            const std::size_t encodedBytes = encoded.size() / 4 * 3;
            if (whole < encodedBytes + 3)
                continue;
            base64::appendEncoded(encoded,
                                  std::string_view(out).substr(encodedBytes, whole - encodedBytes));
        } else if (encoded.size() < (out.size() + 2) / 3 * 4) {
            // The last group, padded.
            const std::size_t encodedBytes = encoded.size() / 4 * 3;
            base64::appendEncoded(encoded, std::string_view(out).substr(encodedBytes));
        }
        const std::size_t marker = giveUp ? std::string::npos : encoded.find("CFe", searchFrom);
        if (marker == std::string::npos) {
            if (next >= source.size() && encoded.size() == (out.size() + 2) / 3 * 4)
                return encoded;
            continue;
        }
        const std::size_t groupStart = marker / 4 * 3;
        auto back = open.end();
        while (back != open.begin() && std::prev(back)->out > groupStart)
            --back;
        if (back == open.begin()) {
            continue; // nothing before it can change
        }
        const Spot spot = *std::prev(back);
        const std::size_t redo = out.size() - spot.out;
        if (redo > budget) {
            giveUp = true;
            continue;
        }
        budget -= redo;
        open.erase(std::prev(back), open.end());
        spots[spot.source] |= taken;
        out.resize(spot.out);
        encoded.resize(spot.out / 3 * 4);
        next = spot.source;
    }
}

} // namespace satsim
