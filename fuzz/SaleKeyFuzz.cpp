// The key search in a sale answer and the key written into a cancel document.

#include "FuzzCheck.h"
#include "SaleTest.h"

#include <fuzzer/FuzzedDataProvider.h>

using fuzzcheck::require;

namespace {

// The first field that a bar ends and that is "CFe" and 44 digits.
std::optional<std::size_t> keyOffset(std::string_view answer)
{
    std::size_t start = 0;
    for (std::size_t bar; (bar = answer.find('|', start)) != std::string_view::npos;
         start = bar + 1) {
        const std::string_view field = answer.substr(start, bar - start);
        if (field.size() == 47 && field.substr(0, 3) == "CFe" &&
            field.find_first_not_of("0123456789", 3) == std::string_view::npos)
            return start;
    }
    return std::nullopt;
}

void checkKey(std::string_view answer)
{
    const auto key = SaleTest::findKey(answer);
    const auto offset = keyOffset(answer);
    require(key.has_value() == offset.has_value(), "a key is found exactly when a field holds one");
    if (!key)
        return;
    require(key->data() == answer.data() + *offset, "the key is the first such field");
    const std::size_t end = *offset + key->size();
    require(end < answer.size() && answer[end] == '|', "a bar ends the key");
    require(SaleTest::isKey(*key), "what is found is a key");
}

// What substituteKey does to the document, checked against a copy of it. Both are kept from
// run to run: a 2 MiB text allocated anew each time would take most of the run.
void checkSubstitution(const std::string& document, const std::string& key)
{
    static std::string changed;
    changed = document;
    SaleTest::substituteKey(changed, key);
    const std::size_t quote = document.find("\"CFe");
    if (key.empty() || quote == std::string::npos) {
        require(changed == document, "without a key or a placeholder the document is unchanged");
        return;
    }
    const std::size_t at = quote + 1;
    const std::size_t written = std::min(key.size(), SaleTest::inputCapacity - at);
    require(changed.size() == std::max(document.size(), at + written),
            "the document grows only by the key");
    require(changed.size() <= std::max(document.size(), SaleTest::inputCapacity),
            "the document never grows past its area");
    require(changed.compare(0, at, document, 0, at) == 0, "what comes before the key is kept");
    require(changed.compare(at, written, key, 0, written) == 0, "the key follows the quote");
    if (document.size() > at + written)
        require(changed.compare(at + written, std::string::npos, document, at + written) == 0,
                "what comes after the key is kept");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The whole input as an answer, from libFuzzer's exact buffer.
    checkKey(fuzzcheck::bytesOf(data, size));

    FuzzedDataProvider provider(data, size);
    const std::string key = provider.ConsumeRandomLengthString(SaleTest::maxKeyLength + 8);
    // Now and then (not by default: an exhausted input gives 0) a document that fills its area
    // almost to the end, where the key is cut.
    const bool nearTheEnd = provider.ConsumeIntegralInRange<int>(0, 7) == 7;
    const std::string text = provider.ConsumeRemainingBytesAsString();
    static std::string document;
    document.assign(nearTheEnd ? SaleTest::inputCapacity -
                                     std::min(text.size() + 20, SaleTest::inputCapacity)
                               : 0,
                    '<');
    document += text;
    checkSubstitution(document, key);
    return 0;
}
