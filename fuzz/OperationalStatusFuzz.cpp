// A status answer, read into the menu's information labels.

#include "FuzzCheck.h"
#include "OperationalStatus.h"
#include "SatResponse.h"

#include <algorithm>
#include <array>
#include <set>
#include <vector>

using fuzzcheck::require;

namespace {

const std::array<std::string_view, 22> controls = {"MemUsada",
                                                   "datahora",
                                                   "Versao",
                                                   "VerLayout",
                                                   "UltimoCFEEmitido",
                                                   "StatusSAT",
                                                   "TXSefaz",
                                                   "DataEmissaoCert",
                                                   "VencimentoCert",
                                                   "PrimCFE",
                                                   "UltimoCFENEmitido",
                                                   "Serie",
                                                   "StatusLAN",
                                                   "Bat",
                                                   "MemTot",
                                                   "tiporede",
                                                   "IpSAT",
                                                   "Mask",
                                                   "Gateway",
                                                   "DNS1",
                                                   "DNS2",
                                                   "mac"};

// What a date pattern keeps of a field: its characters in order, the separators between them.
void checkDate(const std::string& shown, std::string_view field, std::string_view pattern)
{
    require(shown.size() <= pattern.size(), "a date is no longer than its pattern");
    std::string taken;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (pattern[i] == 'd')
            taken += shown[i];
        else
            require(shown[i] == pattern[i], "a date keeps the pattern's separators");
    }
    require(field.substr(0, taken.size()) == taken, "a date shows the field's first characters");
    const std::size_t slots =
        static_cast<std::size_t>(std::count(pattern.begin(), pattern.end(), 'd'));
    require(taken.size() == std::min(slots, field.size()),
            "a date stops only where the field does");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzzcheck::bytesOf(data, size);

    checkDate(formatDeviceDateTime(bytes), bytes, "dddd/dd/dd dd:dd:dd");
    checkDate(formatDeviceDate(bytes), bytes, "dddd/dd/dd");

    const SatResponse answer{std::string(bytes)};
    const std::vector<StatusLabel> labels = statusLabels(answer);

    // Every label but StatusSAT is set once, in the screen's order; StatusSAT is left alone
    // only for a state it does not name.
    std::vector<std::string_view> expected(controls.begin(), controls.end());
    const auto state = answer.field(28);
    const bool stateKnown = state && !state->empty() && operationStateText(state->front());
    if (state && !stateKnown)
        expected.erase(std::find(expected.begin(), expected.end(), "StatusSAT"));
    require(labels.size() == expected.size(), "each label is set once");
    for (std::size_t i = 0; i < expected.size(); ++i)
        require(labels[i].control == expected[i], "labels are set in the screen's order");

    for (const auto& [control, text] : labels) {
        require(fuzzcheck::isUtf8(text), "a label's text is valid UTF-8");
        if (control == "StatusSAT") {
            require(state ? text == *operationStateText(state->front()) : text.empty(),
                    "StatusSAT names the state, or is empty when the answer has no 28th field");
        }
    }
    // A short answer empties the labels of the fields it lacks: the last label (the MAC
    // address, field 9) is empty exactly when there is no ninth field or it is empty.
    require(labels.back().text.empty() == answer.field(9).value_or("").empty(),
            "a missing field empties its label");
    return 0;
}
