// A sale document as the simulated device reads it, and the CF-e it issues from it.

#include "Cfe.h"
#include "Digits.h"
#include "SimulatorChecks.h"

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    satsim::SaleRead read = satsim::readSale(fuzzcheck::bytesOf(data, size));
    simulatorcheck::checkRefusal(read.sale.has_value(), read.error, read.rule);
    if (!read.sale)
        return 0;

    // 2025-01-02 03:04:05 UTC, the seventh CF-e.
    const satsim::IssueParams params{
        satsim::serialNumber,    7, 123456, 1735787045, "01.01.00", "48213907000165",
        simulatorcheck::signer()};
    const satsim::IssueResult issued = satsim::issueSale(*read.sale, params);
    simulatorcheck::checkRefusal(issued.cfe.has_value(), issued.error, issued.rule);
    if (!issued.cfe)
        return 0;
    const satsim::Issued& cfe = *issued.cfe;
    require(cfe.key.size() == 44 && satsim::allDigits(cfe.key), "the key has 44 digits");
    require(fuzzcheck::isUtf8(cfe.document), "the CF-e is UTF-8");
    require(cfe.document.find("Id=\"CFe" + cfe.key + "\"") != std::string::npos,
            "the CF-e carries its key");
    simulatorcheck::checkPayload(cfe.document);
    return 0;
}
