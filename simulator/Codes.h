#pragma once

#include "Reply.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every code the simulated device answers: the reply codes of its functions and the rejection
// and alert codes of the sale and cancel validation, with the standard's texts and the way to
// get each one. The simulator's README tables are written from these rows, and its tests
// provoke every row.
namespace satsim {

// Which numbering the device follows: the tables in force since 2016 renumbered the codes of
// CancelarUltimaVenda; point-of-sale programs written before may expect the older numbers.
enum class Tables { From2016, Until2015 };

std::string_view tablesName(Tables tables); // "2016", "2015"
std::optional<Tables> tablesByName(std::string_view name);

struct ReplyCode {
    // Empty for the rows every function has (XX097 to XX099); code then holds the last two
    // digits.
    std::optional<Function> function;
    int code;     // as the tables from 2016 number it
    int code2015; // as the older tables do; 0 where they have no code for it (XX099 is answered)
    std::string_view text;
    std::string_view text2015; // empty: the same text
    std::string_view howTo;    // Markdown
    bool rejection = false;    // the answer's message is the rejection's, with its code in CCCC
};

const std::vector<ReplyCode>& replyCodes();

// The code and text a device following `tables` answers for what the tables from 2016 number
// `code`: where the older tables have no number for it, XX099 with the newer text as its detail.
struct Numbered {
    int code = 0;
    std::string text;
};
Numbered numbered(Function function, int code, Tables tables);

// Why a sale or cancel document is refused, or issued with an alert.
enum class Rule {
    Unidentified,
    LayoutVersion,
    LayoutNotNewest,
    SoftwareHouseCnpj,
    CancelSoftwareHouseCnpj,
    Signature,
    EmitterCnpj,
    EmitterNotTaxpayer,
    EmitterIeMissing,
    EmitterIe,
    IssqnRegime,
    IssqnApportion,
    BuyerCnpj,
    BuyerCpf,
    ItemNumber,
    ProductCode,
    ProductDescription,
    Cfop,
    Gtin,
    Unit,
    Quantity,
    UnitPrice,
    CalculationRule,
    ItemDiscount,
    ItemOther,
    SubtotalDiscount,
    SubtotalIncrease,
    NegativeValue,
    PaymentCode,
    PaymentValue,
    PaymentShort,
    RegimeIcms00,
    RegimeIcms40,
    RegimeSn102,
    RegimeSn900,
    CancelBuyerCnpj,
    CancelBuyerCpf,
    CancelKey,
    CancelDone,
    CancelLate,
};

enum class Applies { Sale, Cancel, Both };

struct RuleInfo {
    Rule rule;
    int code;
    // The table's text, which the answer gives after "Rejeição: " (or "Alerta: "); "(N)" stands
    // for the item's number.
    std::string_view text;
    Applies applies;
    std::string_view howTo; // Markdown
    bool alert = false;     // the sale is issued, with the code in CCCC
};

const std::vector<RuleInfo>& allRules();
const RuleInfo& ruleInfo(Rule rule);

// A table's text with the device's detail after it: "Sessão não existe: 555". A final full
// stop of the text goes, as the tables themselves vary on it.
std::string withDetail(std::string_view text, std::string_view detail,
                       std::string_view separator = ": ");

// The README's code tables, in Markdown.
std::string replyCodesMarkdown();
std::string rejectionCodesMarkdown();

} // namespace satsim
