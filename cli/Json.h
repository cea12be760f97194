#pragma once

#include <string>
#include <string_view>
#include <vector>

// The one JSON object a command prints with --json.
namespace json {

// The text as a JSON string, quotes included: valid UTF-8 passes through, quotes, backslashes
// and control characters are escaped, and each invalid sequence becomes U+FFFD.
std::string quoted(std::string_view bytes);

// Members are written in the order they are added.
class Object {
public:
    Object& text(std::string_view name, std::string_view value);
    Object& number(std::string_view name, long long value);
    Object& boolean(std::string_view name, bool value);
    Object& null(std::string_view name);
    Object& texts(std::string_view name, const std::vector<std::string>& values);
    // A value already written as JSON.
    Object& raw(std::string_view name, std::string_view json);
    std::string str() const { return body_ + "}"; }

private:
    void name(std::string_view name);
    std::string body_ = "{";
};

} // namespace json
