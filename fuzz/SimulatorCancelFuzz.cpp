// A cancel document as the simulated device reads it, and the cancellation CF-e it issues.

#include "Cfe.h"
#include "CodePage.h"
#include "Digits.h"
#include "SimulatorChecks.h"

#include <fuzzer/FuzzedDataProvider.h>

using fuzzcheck::require;

namespace {

// A text of the last sale as the device holds it: read from a sale document, so UTF-8 with
// only the characters XML has.
std::string fromSaleDocument(const std::string& bytes)
{
    const std::string utf8 = codepage::fromUtf8(bytes);
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        const fuzzcheck::Utf8Unit unit = fuzzcheck::nextUtf8(utf8, at);
        const char32_t cp = unit.cp;
        if ((cp >= 0x20 || cp == 0x09 || cp == 0x0A || cp == 0x0D) && cp != 0xFFFE && cp != 0xFFFF)
            text.append(utf8, at, unit.length);
        at += unit.length;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    // The sale being cancelled.
    satsim::LastSale sale;
    sale.key = "CFe35250148213907000165599000040190000071234564";
    sale.issued = 1735787045;
    sale.total = fromSaleDocument(provider.ConsumeRandomLengthString(16));
    sale.buyerId = fromSaleDocument(provider.ConsumeRandomLengthString(16));
    sale.emitterIE = fromSaleDocument(provider.ConsumeRandomLengthString(16));
    const std::string document = provider.ConsumeRemainingBytesAsString();

    const satsim::CancelRead read = satsim::readCancel(document);
    simulatorcheck::checkRefusal(read.cancel.has_value(), read.error, read.rule);
    if (!read.cancel)
        return 0;

    const satsim::IssueParams params{
        satsim::serialNumber,    8, 654321, 1735787100, "01.01.00", "48213907000165",
        simulatorcheck::signer()};
    const satsim::Issued cfe = satsim::issueCancel(*read.cancel, sale, params);
    require(cfe.key.size() == 44 && satsim::allDigits(cfe.key), "the key has 44 digits");
    require(fuzzcheck::isUtf8(cfe.document), "the CF-e is UTF-8");
    require(cfe.document.find("chCanc=\"" + sale.key + "\"") != std::string::npos,
            "the CF-e names the sale it cancels");
    simulatorcheck::checkPayload(cfe.document);
    return 0;
}
