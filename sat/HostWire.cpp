#include "HostWire.h"

namespace hostwire {

namespace {

void putNumber(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void putText(std::string& out, std::string_view text)
{
    putNumber(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

std::string framed(const std::string& body)
{
    std::string out;
    putNumber(out, static_cast<std::uint32_t>(body.size()));
    return out + body;
}

// Reads the fields of a body in order; any read past its end, or a value out of place, makes
// the whole body unreadable.
class Cursor {
public:
    explicit Cursor(std::string_view body) : rest_(body) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && rest_.empty(); }

    char byte()
    {
        if (!take(1))
            return 0;
        const char c = rest_[0];
        rest_.remove_prefix(1);
        return c;
    }
    std::uint32_t number()
    {
        if (!take(4))
            return 0;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(rest_[static_cast<std::size_t>(i)]);
        rest_.remove_prefix(4);
        return value;
    }
    std::string text()
    {
        const std::uint32_t size = number();
        if (!take(size))
            return {};
        std::string value(rest_.substr(0, size));
        rest_.remove_prefix(size);
        return value;
    }
    void fail() { ok_ = false; }

private:
    bool take(std::size_t size)
    {
        if (ok_ && rest_.size() < size)
            ok_ = false;
        return ok_;
    }

    std::string_view rest_;
    bool ok_ = true;
};

bool isRequestKind(char c)
{
    return c == static_cast<char>(Request::Kind::Load) ||
           c == static_cast<char>(Request::Kind::Call);
}

bool isReplyKind(char c)
{
    for (const char kind : {'T', 'N', 'R', 'M', 'O', 'F', 'W', 'B'})
        if (c == kind)
            return true;
    return false;
}

} // namespace

std::string frame(const Request& request)
{
    std::string body(1, static_cast<char>(request.kind));
    putText(body, request.name);
    putNumber(body, static_cast<std::uint32_t>(request.arguments.size()));
    for (const Argument& argument : request.arguments) {
        body += static_cast<char>(argument.type);
        if (argument.type == Argument::Type::Number)
            putNumber(body, static_cast<std::uint32_t>(argument.number));
        else if (argument.type == Argument::Type::Text)
            putText(body, argument.text);
    }
    return framed(body);
}

std::string frame(const Reply& reply)
{
    std::string body(1, static_cast<char>(reply.kind));
    putNumber(body, static_cast<std::uint32_t>(reply.code));
    putText(body, reply.text);
    return framed(body);
}

std::optional<Request> readRequest(std::string_view body)
{
    Cursor in(body);
    Request request;
    const char kind = in.byte();
    if (!isRequestKind(kind))
        in.fail();
    request.kind = static_cast<Request::Kind>(kind);
    request.name = in.text();
    const std::uint32_t count = in.number();
    // Each argument takes at least its type byte: a larger count cannot be true.
    if (count > body.size())
        in.fail();
    for (std::uint32_t i = 0; in.ok() && i < count; ++i) {
        Argument argument;
        argument.type = static_cast<Argument::Type>(in.byte());
        if (argument.type == Argument::Type::Number)
            argument.number = static_cast<std::int32_t>(in.number());
        else if (argument.type == Argument::Type::Text)
            argument.text = in.text();
        else if (argument.type != Argument::Type::Null)
            in.fail();
        request.arguments.push_back(std::move(argument));
    }
    if (!in.atEnd())
        return std::nullopt;
    return request;
}

std::optional<Reply> readReply(std::string_view body)
{
    Cursor in(body);
    Reply reply;
    const char kind = in.byte();
    if (!isReplyKind(kind))
        in.fail();
    reply.kind = static_cast<Reply::Kind>(kind);
    reply.code = static_cast<std::int32_t>(in.number());
    reply.text = in.text();
    if (!in.atEnd())
        return std::nullopt;
    return reply;
}

void FrameReader::add(std::string_view bytes)
{
    // What the bodies handed out took is dropped before the buffer grows again.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<std::string> FrameReader::next()
{
    if (broken_ || pending() < 4)
        return std::nullopt;
    std::uint32_t size = 0;
    for (int i = 3; i >= 0; --i)
        size =
            size << 8 | static_cast<unsigned char>(buffer_[start_ + static_cast<std::size_t>(i)]);
    if (size > maxFrame) {
        broken_ = true;
        return std::nullopt;
    }
    if (pending() - 4 < size)
        return std::nullopt;
    std::string body = buffer_.substr(start_ + 4, size);
    start_ += 4 + size;
    return body;
}

} // namespace hostwire
