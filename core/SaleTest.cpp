#include "SaleTest.h"

#include "CodePage.h"
#include "SatClient.h"
#include "TextFile.h"

#include <algorithm>

SaleTest::Loaded SaleTest::load(const std::optional<std::string>& path)
{
    Loaded loaded;
    input_.clear();
    inputCut_ = false;
    if (!path)
        return loaded;
    // One byte beyond the area tells a longer file from one that fills it exactly.
    textfile::ReadResult read = textfile::readText(*path, inputCapacity + 1);
    if (!read.ok) {
        // Without a word the operator would take the old text still shown for the document.
        loaded.message = std::move(read.error);
        return loaded;
    }
    input_ = std::move(read.text);
    input_.resize(std::min(input_.size(), input_.find('\0')));
    inputCut_ = input_.size() > inputCapacity;
    input_.resize(std::min(input_.size(), inputCapacity));
    loaded.entry = codepage::fromUtf8(input_);
    return loaded;
}

SaleTest::Reply SaleTest::send(Operation operation)
{
    Reply begun = begin(operation);
    if (!begun.ready)
        return begun;
    Reply reply = call(operation);
    reply.input = std::move(begun.input);
    return reply;
}

SaleTest::Reply SaleTest::begin(Operation operation)
{
    Reply reply;
    reply.kind = Outcome::Kind::BadInput;
    if (input_.empty()) {
        reply.messages.emplace_back(noInputMessage);
        return reply;
    }
    if (operation == Operation::Cancel) {
        substituteKey(input_, cfeKey_);
        reply.input = codepage::fromUtf8(input_);
        reply.ready = true;
        return reply;
    }
    reply.input = codepage::fromUtf8(input_);
    saleText_ = codepage::toAnsi(input_);
    // Only a document of the full 2 MiB, all in one-byte characters, can miss the buffer by
    // its terminator; cutting it would send a broken document.
    if (saleText_.size() >= saleTextCapacity) {
        reply.messages.emplace_back(saleTooLongMessage);
        return reply;
    }
    reply.ready = true;
    return reply;
}

SaleTest::Reply SaleTest::call(Operation operation)
{
    Reply reply;
    SatResponse result = operation == Operation::Sale
                             ? client_.EnviarDadosVenda(saleText_)
                             : client_.CancelarUltimaVenda(cfeKey_, input_);
    if (!result.reached()) {
        reply.kind = Outcome::Kind::Transport;
        reply.messages.push_back(result.failure());
        return reply;
    }
    reply.answer = result.utf8();
    if (operation == Operation::Sale) {
        if (const auto key = findKey(result.text())) {
            const std::size_t end =
                static_cast<std::size_t>(key->data() - result.text().data()) + key->size();
            cfeKey_ = std::string(*key);
            if (keyListener_)
                keyListener_(cfeKey_);
            // What follows the key is not tested for "sucesso".
            result.text().resize(end);
        }
    }
    handleResult(result, reply);
    return reply;
}

void SaleTest::handleResult(const SatResponse& result, Reply& reply)
{
    const bool portFailure = SatClient::isPortFailure(result);
    if (portFailure)
        reply.messages.emplace_back(SatClient::portFailureMessage);
    reply.messages.push_back(client_.standardReport());
    reply.record = client_.reportedError();
    reply.kind = Outcome::Kind::Transport;
    if (!result.contains("sucesso")) {
        if (!portFailure && reply.record && !SatClient::transportMessage(reply.record->code))
            reply.kind = Outcome::Kind::Refused;
        return;
    }
    const SatResponse document = client_.decodedPayload();
    if (!document.reached()) {
        reply.messages.push_back(document.failure());
        return;
    }
    reply.output = document.utf8();
    reply.kind = Outcome::Kind::Done;
}

bool SaleTest::holdsOutput(const std::vector<std::string>& lines)
{
    return std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); });
}

textfile::WriteResult SaleTest::saveOutput(const std::string& path,
                                           const std::vector<std::string>& lines)
{
    const textfile::Encoding encoding = !lines.empty() && textfile::declaresUtf8Xml(lines.front())
                                            ? textfile::Encoding::Utf8
                                            : textfile::Encoding::Windows1252;
    return textfile::writeLines(path, lines, encoding);
}

std::optional<std::string_view> SaleTest::findKey(std::string_view answer)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = answer.find('|', start);
        if (bar == std::string_view::npos)
            return std::nullopt;
        const std::string_view field = answer.substr(start, bar - start);
        if (isKey(field))
            return field;
        start = bar + 1;
    }
}

bool SaleTest::isKey(std::string_view text)
{
    // Compared byte by byte: the locale's digits or a signed char must not decide.
    return text.size() == keyLength && text.starts_with("CFe") &&
           std::all_of(text.begin() + 3, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool SaleTest::rememberKey(std::string_view key)
{
    if (!isKey(key))
        return false;
    cfeKey_ = std::string(key);
    return true;
}

void SaleTest::substituteKey(std::string& document, std::string_view key)
{
    if (key.empty())
        return;
    const std::size_t quote = document.find("\"CFe");
    if (quote == std::string::npos)
        return;
    const std::size_t at = quote + 1;
    const std::string_view written = key.substr(0, inputCapacity - at);
    if (at + written.size() > document.size())
        document.resize(at + written.size());
    document.replace(at, written.size(), written);
}
