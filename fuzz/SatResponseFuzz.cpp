// A device answer as a maker's library may return it: any bytes, any number of "|".

#include "FuzzCheck.h"
#include "SatResponse.h"

#include <algorithm>

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzzcheck::bytesOf(data, size);
    const SatResponse answer{std::string(bytes)};
    const std::string& text = answer.text();
    require(answer.reached() && text == bytes, "the answer keeps its bytes");
    require(answer.equals(bytes), "equals the whole text");

    const std::size_t count = answer.fieldCount();
    require(count >= 1, "an answer has at least one field");
    require(!answer.field(0), "fields are numbered from 1");
    require(!answer.field(count + 1), "no field past the last");

    // Every field lies inside the text, holds no bar and starts right after the previous
    // field's bar. A long answer is checked at a stride: each field is found from the start.
    const std::size_t stride = std::max<std::size_t>(1, count / 64);
    for (std::size_t number = 1; number <= count;
         number = number < count && number + stride > count ? count : number + stride) {
        const auto field = answer.field(number);
        require(field.has_value(), "each field up to fieldCount exists");
        require(field->data() >= text.data() &&
                    field->data() + field->size() <= text.data() + text.size(),
                "a field lies inside the answer");
        require(field->find('|') == std::string_view::npos, "a field holds no bar");
        const auto offset = static_cast<std::size_t>(field->data() - text.data());
        require(offset == 0 || text[offset - 1] == '|', "a field starts after a bar");
        const std::size_t end = offset + field->size();
        require(end == text.size() || text[end] == '|', "a field ends at a bar or the end");
        require(number < count || end == text.size(), "the last field runs to the end");
        require(answer.contains(*field), "the answer contains each field");
    }

    const std::string utf8 = answer.utf8();
    require(utf8 == fuzzcheck::utf8Replaced(text), "UTF-8 reading replaces each invalid sequence");
    require(fuzzcheck::isUtf8(utf8), "UTF-8 reading gives valid UTF-8");

    const std::string ansi = answer.fromAnsi();
    require(fuzzcheck::isUtf8(ansi), "Windows-1252 reading gives valid UTF-8");
    require(fuzzcheck::characters(ansi) == text.size(), "each Windows-1252 byte is one character");
    return 0;
}
