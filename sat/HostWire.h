#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What travels between the manager and the host process that loads a device library of the
// other width: one request per library call, one reply each. A frame is a four-byte
// little-endian length and that many bytes; every field inside is one type byte and its value,
// numbers little-endian, texts with a four-byte length before their bytes. Nothing is
// interpreted on the way: the texts are the bytes the library gets and gives.
namespace hostwire {

// Longer than any document or log a device exchanges, and short enough that a garbled length
// is refused instead of allocated.
constexpr std::uint32_t maxFrame = 256u * 1024u * 1024u;

// One argument as the library receives it: a 32-bit number, a text (its pointer to a
// zero-terminated copy of these bytes) or a null pointer.
struct Argument {
    enum class Type : char { Number = 'i', Text = 's', Null = 'n' };
    Type type = Type::Null;
    std::int32_t number = 0;
    std::string text;

    static Argument of(std::int32_t value) { return {Type::Number, value, {}}; }
    static Argument of(std::string_view bytes) { return {Type::Text, 0, std::string(bytes)}; }
    bool operator==(const Argument&) const = default;
};

struct Request {
    enum class Kind : char {
        Load = 'L', // `name` is the library's file name
        Call = 'C', // `name` is the function; CodigoErro and Base64ToAscii are calls too
    };
    Kind kind = Kind::Call;
    std::string name;
    std::vector<Argument> arguments;
    bool operator==(const Request&) const = default;
};

struct Reply {
    enum class Kind : char {
        Text = 'T',       // a main call's result text, or Base64ToAscii's
        NoText = 'N',     // the function gave a null pointer
        Record = 'R',     // CodigoErro's record: `code`, and `text` the bytes up to the zero
        Missing = 'M',    // the library does not export the function
        Loaded = 'O',     // the library is loaded
        LoadFailed = 'F', // it could not be: `text` is the loader's explanation (UTF-8)
        WrongWidth = 'W', // the file is a library of yet another width
        BadRequest = 'B', // the request could not be read or names no known function
    };
    Kind kind = Kind::Text;
    std::int32_t code = 0;
    std::string text;
    bool operator==(const Reply&) const = default;
};

// A whole frame, its length included.
std::string frame(const Request& request);
std::string frame(const Reply& reply);

// A frame's body (what follows its length) read back; none when it is not exactly one well-
// formed request or reply.
std::optional<Request> readRequest(std::string_view body);
std::optional<Reply> readReply(std::string_view body);

// Collects bytes as they arrive and hands out the bodies of the frames they complete.
class FrameReader {
public:
    void add(std::string_view bytes);
    // The next complete body; none while more bytes are needed.
    std::optional<std::string> next();
    // A length beyond maxFrame arrived: the stream cannot be read on.
    bool broken() const { return broken_; }
    // Bytes held that do not make a frame yet.
    std::size_t pending() const { return buffer_.size() - start_; }

private:
    std::string buffer_;
    std::size_t start_ = 0;
    bool broken_ = false;
};

} // namespace hostwire
