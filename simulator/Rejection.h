#pragma once

#include "Codes.h"

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Why a sale or cancel document is refused: the rule it breaks, whose four-digit rejection code
// the answer carries after its reply code (session|06010|CCCC|message|...), and what the device
// found; or the alert a sale is issued with.
namespace satsim {

struct Rejection {
    Rule rule = Rule::Unidentified;
    std::string detail; // what was found, in Portuguese
    int item = 0;       // the item the rule's text names, from 1

    // "1207"
    std::string code() const;
    // "Rejeição: " (or "Alerta: ") and the rule's text, then the detail in parentheses.
    std::string message() const;
};

// The sale document's fields against the input layout: required elements, widths, tables and
// no element the layout does not have. Values that need arithmetic are checked when the CF-e
// is computed.
std::optional<Rejection> checkSale(const xmlNode* infCFe);

// What a sale that passed its checks is issued with: the first alert it earns, if any. The
// taxpayer's regime is 1 (Simples Nacional) or 3; 0 takes it from the items (1 when any
// item's ICMS is given by CSOSN).
std::optional<Rejection> saleAlert(const xmlNode* infCFe, int regime);
// The regime a sale is issued under: the taxpayer's, or the items' when it is 0.
int saleRegime(const xmlNode* infCFe, int regime);

// The cancel document's fields against its input layout.
std::optional<Rejection> checkCancel(const xmlNode* infCFe);

// Number of characters of a UTF-8 text.
std::size_t characters(std::string_view utf8);

} // namespace satsim
