#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Why a sale or cancel document is refused: the rule it breaks, whose four-digit rejection code
// the answer carries after its reply code (session|06010|CCCC|message|...), and what the device
// found.
namespace satsim {

enum class Rule {
    Unidentified,
    LayoutVersion,
    Schema,
    SoftwareHouseCnpj,
    SignatureMissing,
    CashRegister,
    Association,
    EmitterCnpj,
    EmitterNotTaxpayer,
    EmitterIeMissing,
    EmitterIe,
    IssqnRegime,
    BuyerCnpj,
    BuyerCpf,
    BuyerBoth,
    NoItems,
    TooManyItems,
    ItemNumber,
    ProductCode,
    ProductDescription,
    CfopMissing,
    Cfop,
    Gtin,
    Unit,
    Quantity,
    UnitPrice,
    CalculationRule,
    ItemDiscount,
    IcmsGroup,
    PisCofinsGroup,
    TaxRegimeMix,
    SubtotalBoth,
    SubtotalDiscount,
    PaymentMissing,
    PaymentCode,
    PaymentValue,
    PaymentShort,
    TooManyPayments,
    ItemNote,
    AdditionalInformation,
    CancelKey,
    CancelLate,
};

struct RuleInfo {
    Rule rule;
    int code;
    std::string_view text;
    bool cancel; // a rule a cancel document can break
};

const std::vector<RuleInfo>& allRules();
const RuleInfo& ruleInfo(Rule rule);

struct Rejection {
    Rule rule = Rule::Unidentified;
    std::string detail; // what was found, in Portuguese

    // "1207"
    std::string code() const;
    // The rule's text, then the detail in parentheses.
    std::string message() const;
};

// The sale document's fields against the input layout: required elements, widths, tables and
// no element the layout does not have. Values that need arithmetic are checked when the CF-e
// is computed.
std::optional<Rejection> checkSale(const xmlNode* infCFe);

// The cancel document's fields against its input layout.
std::optional<Rejection> checkCancel(const xmlNode* infCFe);

// Number of characters of a UTF-8 text.
std::size_t characters(std::string_view utf8);

} // namespace satsim
