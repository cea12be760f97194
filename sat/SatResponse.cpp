#include "SatResponse.h"

#include "CodePage.h"

#include <algorithm>

SatResponse SatResponse::notReached(std::string failureMessage)
{
    SatResponse response;
    response.failure_ = std::move(failureMessage);
    return response;
}

std::optional<std::string_view> SatResponse::field(std::size_t number) const
{
    if (number == 0)
        return std::nullopt;
    const std::string_view all(text_);
    std::size_t start = 0;
    for (std::size_t i = 1; i < number; ++i) {
        const std::size_t bar = all.find('|', start);
        if (bar == std::string_view::npos)
            return std::nullopt;
        start = bar + 1;
    }
    const std::size_t end = all.find('|', start);
    return all.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::size_t SatResponse::fieldCount() const
{
    return static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '|')) + 1;
}

std::string SatResponse::utf8() const
{
    return codepage::fromUtf8(text_);
}

std::string SatResponse::fromAnsi() const
{
    return codepage::fromAnsi(text_);
}
