#include "Cfe.h"

#include "Base64.h"
#include "Digits.h"
#include "Sha256.h"
#include "Texts.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <vector>

namespace satsim {

namespace {

constexpr std::string_view taxpayerName = "CONTRIBUINTE DE DEMONSTRACAO DO SIMULADOR";
constexpr std::string_view tradeName = "LOJA DEMONSTRACAO";
constexpr std::size_t maxItems = 500;

// Bytes that look like, and are as long as, an RSA-2048 value. Nothing checks them: the
// simulator holds no private key.
std::string pseudoSignature(std::string_view seed)
{
    std::string bytes;
    std::string block(seed);
    while (bytes.size() < 256) {
        const auto digest = sha256(block);
        bytes.append(reinterpret_cast<const char*>(digest.data()), digest.size());
        block.assign(reinterpret_cast<const char*>(digest.data()), digest.size());
    }
    bytes.resize(256);
    return base64::encode(bytes);
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
    removeChildren(ide, {"cUF", "cNF", "mod", "nserieSAT", "nCFe", "dEmi", "hEmi", "cDV",
                         "tpAmb", "assinaturaQRCODE"});
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

void addEmitterDetails(xmlNode* emit)
{
    removeChildren(emit, {"xNome", "xFant", "enderEmit"});
    xmlNode* cnpj = xml::child(emit, "CNPJ");
    xmlNode* name = xml::insertAfter(cnpj, "xNome", taxpayerName);
    xmlNode* trade = xml::insertAfter(name, "xFant", tradeName);
    xmlNode* address = xml::insertAfter(trade, "enderEmit", "");
    xml::append(address, "xLgr", "RUA DA DEMONSTRACAO");
    xml::append(address, "nro", "100");
    xml::append(address, "xBairro", "CENTRO");
    xml::append(address, "xMun", "SAO PAULO");
    xml::append(address, "CEP", "01001000");
}

void sign(xmlDoc* document, xmlNode* root, xmlNode* infCFe, const std::string& key)
{
    const auto digest = sha256(xml::serialize(document, infCFe));
    const std::string digestText = base64::encode(
        std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));

    xmlNode* signature = xml::appendEmpty(root, "Signature");
    xmlSetNs(signature, xmlNewNs(signature,
                                 reinterpret_cast<const xmlChar*>(
                                     "http://www.w3.org/2000/09/xmldsig#"),
                                 nullptr));
    xmlNode* info = xml::appendEmpty(signature, "SignedInfo");
    xml::setAttribute(xml::appendEmpty(info, "CanonicalizationMethod"), "Algorithm",
                      "http://www.w3.org/TR/2001/REC-xml-c14n-20010315");
    xml::setAttribute(xml::appendEmpty(info, "SignatureMethod"), "Algorithm",
                      "http://www.w3.org/2001/04/xmldsig-more#rsa-sha256");
    xmlNode* reference = xml::appendEmpty(info, "Reference");
    xml::setAttribute(reference, "URI", "#CFe" + key);
    xmlNode* transforms = xml::appendEmpty(reference, "Transforms");
    xml::setAttribute(xml::appendEmpty(transforms, "Transform"), "Algorithm",
                      "http://www.w3.org/2000/09/xmldsig#enveloped-signature");
    xml::setAttribute(xml::appendEmpty(transforms, "Transform"), "Algorithm",
                      "http://www.w3.org/TR/2001/REC-xml-c14n-20010315");
    xml::setAttribute(xml::appendEmpty(reference, "DigestMethod"), "Algorithm",
                      "http://www.w3.org/2001/04/xmlenc#sha256");
    xml::append(reference, "DigestValue", digestText);
    xml::append(signature, "SignatureValue", pseudoSignature(digestText + key));
    xmlNode* keyInfo = xml::appendEmpty(signature, "KeyInfo");
    xmlNode* data = xml::appendEmpty(keyInfo, "X509Data");
    xml::append(data, "X509Certificate",
                base64::encode("Certificado simulado do SAT " + std::string(serialNumber) +
                               " - sem valor fiscal"));
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
};

Amount amount(const xmlNode* parent, const char* name, bool required, const std::string& where)
{
    const auto text = xml::childText(parent, name);
    if (!text) {
        if (required)
            return {0, where + ": " + name + " ausente"};
        return {};
    }
    const auto value = parseDecimal(*text);
    if (!value || *value > 1e12)
        return {0, where + ": " + name + " \"" + printable(*text) + "\" não é um valor válido"};
    return {*value, {}};
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
    CancelInput cancel;
    cancel.keyToCancel = *key;
    cancel.softwareHouseCnpj = xml::childText(ide, "CNPJ").value_or("");
    cancel.signature = xml::childText(ide, "signAC").value_or("");
    cancel.cashier = xml::childText(ide, "numeroCaixa").value_or("");
    cancel.document = std::move(parsed.document);
    read.cancel = std::move(cancel);
    return read;
}

IssueResult issueSale(SaleInput& sale, const IssueParams& params)
{
    IssueResult result;
    xmlDoc* document = sale.document.get();
    xmlNode* root = xmlDocGetRootElement(document);
    xmlNode* infCFe = xml::child(root, "infCFe");
    xmlNode* ide = xml::child(infCFe, "ide");
    xmlNode* emit = xml::child(infCFe, "emit");

    std::vector<xmlNode*> items = xml::children(infCFe, "det");
    if (items.empty()) {
        result.error = "a venda não tem itens (det)";
        return result;
    }
    if (items.size() > maxItems) {
        result.error = "a venda tem " + std::to_string(items.size()) + " itens; o limite é " +
                       std::to_string(maxItems);
        return result;
    }

    double totalProducts = 0, totalDiscount = 0, totalOther = 0, totalItems = 0, totalIcms = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string where = "item " + std::to_string(i + 1);
        xmlNode* prod = xml::child(items[i], "prod");
        if (!prod) {
            result.error = where + ": elemento prod ausente";
            return result;
        }
        const Amount quantity = amount(prod, "qCom", true, where);
        const Amount unit = amount(prod, "vUnCom", true, where);
        const Amount discount = amount(prod, "vDesc", false, where);
        const Amount other = amount(prod, "vOutro", false, where);
        for (const Amount* a : {&quantity, &unit, &discount, &other})
            if (!a->error.empty()) {
                result.error = a->error;
                return result;
            }
        const double products = roundCents(quantity.value * unit.value);
        const double item = roundCents(products - discount.value + other.value);
        if (item < 0) {
            result.error = where + ": o desconto é maior que o valor do produto";
            return result;
        }
        xml::setAttribute(items[i], "nItem", std::to_string(i + 1));
        removeChildren(prod, {"vProd", "vItem"});
        xml::insertAfter(xml::child(prod, "vUnCom"), "vProd", formatDecimal(products, 2));
        xml::insertAfter(lastOf(prod, {"vProd", "indRegra", "vDesc", "vOutro"}), "vItem",
                         formatDecimal(item, 2));

        xmlNode* icms00 = xml::child(xml::child(xml::child(items[i], "imposto"), "ICMS"),
                                     "ICMS00");
        if (icms00) {
            const Amount rate = amount(icms00, "pICMS", true, where);
            if (!rate.error.empty()) {
                result.error = rate.error;
                return result;
            }
            const double icms = roundCents(item * rate.value / 100.0);
            removeChildren(icms00, {"vICMS"});
            xml::append(icms00, "vICMS", formatDecimal(icms, 2));
            totalIcms += icms;
        }
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
        if (!a->error.empty()) {
            result.error = a->error;
            return result;
        }
    const double cfeTotal =
        roundCents(totalItems - subtotalDiscount.value + subtotalIncrease.value);
    if (cfeTotal < 0) {
        result.error = "o desconto sobre o subtotal é maior que o total da venda";
        return result;
    }
    for (xmlNode* node : xml::elements(total))
        if (!xml::is(node, "DescAcrEntr") && !xml::is(node, "vCFeLei12741"))
            xml::remove(node);
    xmlNode* icmsTotal = total->children ? xml::insertBefore(total->children, "ICMSTot", "")
                                         : xml::append(total, "ICMSTot", "");
    xml::append(icmsTotal, "vICMS", formatDecimal(roundCents(totalIcms), 2));
    xml::append(icmsTotal, "vProd", formatDecimal(roundCents(totalProducts), 2));
    xml::append(icmsTotal, "vDesc", formatDecimal(roundCents(totalDiscount), 2));
    for (const char* zero : {"vPIS", "vCOFINS", "vPISST", "vCOFINSST"})
        xml::append(icmsTotal, zero, "0.00");
    xml::append(icmsTotal, "vOutro", formatDecimal(roundCents(totalOther), 2));
    xml::insertAfter(icmsTotal, "vCFe", formatDecimal(cfeTotal, 2));

    xmlNode* payment = xml::child(infCFe, "pgto");
    std::vector<xmlNode*> means = xml::children(payment, "MP");
    if (means.empty()) {
        result.error = "a venda não tem meio de pagamento (pgto/MP)";
        return result;
    }
    double paid = 0;
    for (std::size_t i = 0; i < means.size(); ++i) {
        const Amount value = amount(means[i], "vMP", true, "pagamento " + std::to_string(i + 1));
        if (!value.error.empty()) {
            result.error = value.error;
            return result;
        }
        paid += value.value;
    }
    paid = roundCents(paid);
    if (paid < cfeTotal) {
        result.error = "o pagamento de " + formatDecimal(paid, 2) + " é menor que o total de " +
                       formatDecimal(cfeTotal, 2);
        return result;
    }
    // The access key holds the emitter's 14 digits: any other text would give a key of another
    // length, with letters, or none at all. A sale always names the activated taxpayer; only
    // the end-to-end test's document gets here unchecked.
    if (sale.emitterCnpj.size() != 14 || !allDigits(sale.emitterCnpj)) {
        result.error =
            "CNPJ do emitente \"" + printable(sale.emitterCnpj) + "\" não tem 14 dígitos";
        return result;
    }
    removeChildren(payment, {"vTroco"});
    xml::append(payment, "vTroco", formatDecimal(roundCents(paid - cfeTotal), 2));

    Issued issued;
    issued.key = accessKey({padded(stateCode, 2), yearMonth4(params.now), sale.emitterCnpj,
                            params.serial, params.number, params.randomCode});
    issued.total = formatDecimal(cfeTotal, 2);
    issued.buyerId = buyerOf(infCFe);
    issued.emitterIE = xml::childText(emit, "IE").value_or("");
    issued.cashier = xml::childText(ide, "numeroCaixa").value_or("");
    issued.qrSignature = pseudoSignature(issued.key + stamp14(params.now) + issued.total +
                                         issued.buyerId);

    xml::setAttribute(infCFe, "Id", "CFe" + issued.key);
    xml::setAttribute(infCFe, "versao", "0.07");
    if (!xml::attribute(infCFe, "versaoDadosEnt"))
        xml::setAttribute(infCFe, "versaoDadosEnt", "0.07");
    xml::setAttribute(infCFe, "versaoSB", versionDigits(params.softwareVersion));
    addIdentification(ide, issued.key, params, true);
    if (xmlNode* signAC = xml::child(ide, "signAC"))
        xml::insertAfter(signAC, "assinaturaQRCODE", issued.qrSignature);
    else
        xml::append(ide, "assinaturaQRCODE", issued.qrSignature);
    addEmitterDetails(emit);

    sign(document, root, infCFe, issued.key);
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
    issued.qrSignature = pseudoSignature(issued.key + stamp14(params.now) + sale.total);

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

    sign(document.get(), root, infCFe, issued.key);
    issued.document = xml::serialize(document.get());
    return issued;
}

namespace {

// Where the document can be changed, at or before a byte, without changing what it says: a
// character of text content (written again as a character reference) or the space between
// a tag and a following start tag (given a line break). Returns where it changed.
std::optional<std::size_t> harmlessChange(std::string& document, std::size_t before)
{
    if (document.empty())
        return std::nullopt;
    std::size_t i = std::min(before, document.size() - 1);
    const std::size_t open = document.rfind('<', i);
    const std::size_t close = document.rfind('>', i);
    if (open != std::string::npos && (close == std::string::npos || close < open)) {
        // Inside a tag: a character of an attribute value, else the space before the tag.
        std::optional<std::size_t> inValue;
        char quote = 0;
        for (std::size_t j = open; j <= i; ++j) {
            const char c = document[j];
            if (quote == 0 && (c == '"' || c == '\''))
                quote = c;
            else if (c == quote)
                quote = 0;
            else if (quote != 0 && std::isalnum(static_cast<unsigned char>(c)))
                inValue = j;
        }
        if (inValue) {
            const auto byte = static_cast<unsigned char>(document[*inValue]);
            document.replace(*inValue, 1, "&#" + std::to_string(byte) + ";");
            return inValue;
        }
        if (open == 0)
            return std::nullopt;
        i = open - 1;
    }
    while (true) {
        const char c = document[i];
        if (c == '>') {
            std::size_t next = i + 1;
            while (next < document.size() && std::isspace(static_cast<unsigned char>(document[next])))
                ++next;
            const bool startTagFollows = next + 1 < document.size() && document[next] == '<' &&
                                         document[next + 1] != '/';
            const bool prologEnds = i > 0 && document[i - 1] == '?';
            if (i + 1 <= before && (startTagFollows || prologEnds)) {
                document.insert(i + 1, "\n");
                return i + 1;
            }
            const std::size_t tag = document.rfind('<', i);
            if (tag == std::string::npos || tag == 0)
                return std::nullopt;
            i = tag - 1;
            continue;
        }
        if (c == ';') {
            const std::size_t entity = document.rfind('&', i);
            if (entity == std::string::npos || entity == 0)
                return std::nullopt;
            i = entity - 1;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte)) {
            document.replace(i, 1, "&#" + std::to_string(byte) + ";");
            return i;
        }
        if (i == 0)
            return std::nullopt;
        --i;
    }
}

} // namespace

std::string base64WithoutKeyMarker(std::string document)
{
    // Encoded a piece at a time, so that a change only makes the encoding after it be redone.
    constexpr std::size_t piece = 48 * 1024;
    std::string encoded;
    std::size_t done = 0; // bytes of the document encoded, a multiple of 3 until the end
    // Each change takes one marker away; a text built to hold one every few bytes is all the
    // more work, so the work has a bound.
    const std::size_t maxChanges = document.size() / 4 + 16;
    for (std::size_t changes = 0;; ++changes) {
        std::size_t marker = std::string::npos;
        while (marker == std::string::npos && done < document.size()) {
            std::size_t length = std::min(piece, document.size() - done);
            if (done + length < document.size())
                length -= length % 3;
            const std::size_t from = encoded.size() >= 2 ? encoded.size() - 2 : 0;
            encoded += base64::encode(std::string_view(document).substr(done, length));
            done += length;
            marker = encoded.find("CFe", from);
        }
        if (marker == std::string::npos || changes == maxChanges)
            return encoded + base64::encode(std::string_view(document).substr(done));
        // A change at or before the first byte of the marker's group moves every later byte
        // to another place in the groups of three, and this marker is gone.
        const auto changed = harmlessChange(document, marker / 4 * 3);
        if (!changed) // nothing before it can change
            return encoded + base64::encode(std::string_view(document).substr(done));
        done = *changed / 3 * 3;
        encoded.resize(done / 3 * 4);
    }
}

} // namespace satsim
