#include "HostCalls.h"

#include "SatLibrary.h"
#include "StackCall.h"

#include <cstring>
#include <string_view>

namespace {

using hostwire::Argument;
using hostwire::Reply;

enum class Gives { Text, Record };

// The functions of the device library: their arguments ('i' a number, 's' a text) and what
// they return.
struct Function {
    std::string_view name;
    std::string_view arguments;
    Gives gives;
};

constexpr Function functions[] = {
    {"AtivarSAT", "iissi", Gives::Text},
    {"AssociarAssinatura", "isss", Gives::Text},
    {"ConfigurarInterfaceDeRede", "iss", Gives::Text},
    {"ConsultarStatusOperacional", "is", Gives::Text},
    {"ExtrairLogs", "is", Gives::Text},
    {"EnviarDadosVenda", "iss", Gives::Text},
    {"CancelarUltimaVenda", "isss", Gives::Text},
    {"TesteFimAFim", "iss", Gives::Text},
    {"ConsultarSAT", "i", Gives::Text},
    {"BloquearSAT", "is", Gives::Text},
    {"DesbloquearSAT", "is", Gives::Text},
    {"TrocarCodigoDeAtivacao", "isiss", Gives::Text},
    {"AtualizarSoftwareSAT", "is", Gives::Text},
    {"CodigoErro", "", Gives::Record},
    {"Base64ToAscii", "", Gives::Text},
};

const Function* find(std::string_view name)
{
    for (const Function& function : functions)
        if (function.name == name)
            return &function;
    return nullptr;
}

// Texts may stand where the function takes one or a null pointer; numbers only as numbers.
bool fits(const Function& function, const std::vector<Argument>& arguments)
{
    if (arguments.size() != function.arguments.size())
        return false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const bool number = function.arguments[i] == 'i';
        if (number != (arguments[i].type == Argument::Type::Number))
            return false;
    }
    return true;
}

Reply bad(std::string why)
{
    return {Reply::Kind::BadRequest, 0, std::move(why)};
}

} // namespace

hostwire::Reply HostCalls::handle(const hostwire::Request& request)
{
    if (request.kind == hostwire::Request::Kind::Load)
        return load(request.name);
    return call(request);
}

hostwire::Reply HostCalls::load(const std::string& fileName)
{
    if (library_)
        return {Reply::Kind::Loaded, 0, {}};
    dynlib::LoadResult loaded = dynlib::load(fileName);
    if (!loaded.handle) {
        const Reply::Kind kind =
            loaded.wrongArchitecture ? Reply::Kind::WrongWidth : Reply::Kind::LoadFailed;
        return {kind, 0, std::move(loaded.error)};
    }
    library_ = loaded.handle;
    return {Reply::Kind::Loaded, 0, {}};
}

hostwire::Reply HostCalls::call(const hostwire::Request& request)
{
    const Function* function = find(request.name);
    if (!function)
        return bad("função desconhecida: " + request.name);
    if (!fits(*function, request.arguments))
        return bad("argumentos que não cabem em " + request.name);
    if (!library_)
        return bad("nenhuma biblioteca carregada");
    void* address = dynlib::symbol(library_, function->name.data());
    if (!address)
        return {Reply::Kind::Missing, 0, {}};

    // Zero-terminated copies that the library may write into, as it may into the manager's.
    std::vector<std::string> texts;
    texts.reserve(request.arguments.size());
    std::uintptr_t values[stackcall::maxArguments] = {};
    COMM_ERROR record{};
    std::size_t count = 0;
    if (function->gives == Gives::Record)
        values[count++] = reinterpret_cast<std::uintptr_t>(&record);
    for (const Argument& argument : request.arguments) {
        if (argument.type == Argument::Type::Number) {
            values[count++] = static_cast<std::uint32_t>(argument.number);
        } else if (argument.type == Argument::Type::Text) {
            texts.push_back(argument.text);
            values[count++] = reinterpret_cast<std::uintptr_t>(texts.back().data());
        } else {
            values[count++] = 0;
        }
    }
    const std::uintptr_t returned = stackcall::call(address, values, count);
    if (function->gives == Gives::Record)
        return {Reply::Kind::Record, record.code,
                std::string(record.msg, strnlen(record.msg, sizeof record.msg - 1))};
    const char* text = reinterpret_cast<const char*>(returned);
    if (!text)
        return {Reply::Kind::NoText, 0, {}};
    return {Reply::Kind::Text, 0, std::string(text)};
}
