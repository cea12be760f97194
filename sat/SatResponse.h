#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The result text of one device-library call, kept byte for byte as the library returned it.
class SatResponse {
public:
    SatResponse() = default;
    explicit SatResponse(std::string text) : text_(std::move(text)), reached_(true) {}

    // Nothing was called: the library or the function could not be found.
    static SatResponse notReached(std::string failureMessage);

    // False when the call could not be made; failure() then says why, ready to show.
    bool reached() const { return reached_; }
    const std::string& failure() const { return failure_; }

    // The raw bytes; empty when the library returned no text.
    const std::string& text() const { return text_; }
    std::string& text() { return text_; }

    // Case-sensitive tests on the raw bytes.
    bool equals(std::string_view whole) const { return text_ == whole; }
    bool contains(std::string_view part) const { return text_.find(part) != std::string::npos; }

    // Fields split on "|" and numbered from 1; nullopt past the last field.
    std::optional<std::string_view> field(std::size_t number) const;
    std::size_t fieldCount() const;

    // The text decoded as UTF-8 (invalid sequences as U+FFFD) or as Windows-1252.
    std::string utf8() const;
    std::string fromAnsi() const;

private:
    std::string text_;
    std::string failure_;
    bool reached_ = false;
};
