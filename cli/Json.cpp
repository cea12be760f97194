#include "Json.h"

#include "CodePage.h"

namespace json {

std::string quoted(std::string_view bytes) {
    // Invalid UTF-8 becomes U+FFFD the same way the screens decode library text.
    const std::string text = codepage::fromUtf8(bytes);
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                static constexpr char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

void Object::name(std::string_view name) {
    if (body_.size() > 1)
        body_ += ',';
    body_ += quoted(name);
    body_ += ':';
}

Object& Object::text(std::string_view name, std::string_view value) {
    this->name(name);
    body_ += quoted(value);
    return *this;
}

Object& Object::number(std::string_view name, long long value) {
    this->name(name);
    body_ += std::to_string(value);
    return *this;
}

Object& Object::boolean(std::string_view name, bool value) {
    this->name(name);
    body_ += value ? "true" : "false";
    return *this;
}

Object& Object::null(std::string_view name) {
    this->name(name);
    body_ += "null";
    return *this;
}

Object& Object::texts(std::string_view name, const std::vector<std::string>& values) {
    this->name(name);
    body_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            body_ += ',';
        body_ += quoted(values[i]);
    }
    body_ += ']';
    return *this;
}

Object& Object::raw(std::string_view name, std::string_view json) {
    this->name(name);
    body_ += json;
    return *this;
}

} // namespace json
