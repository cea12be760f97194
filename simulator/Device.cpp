#include "Device.h"

#include "Base64.h"
#include "Cfe.h"
#include "Digits.h"
#include "NetworkConfig.h"

namespace satsim {

namespace {

constexpr std::string_view notActivated = "SAT ainda não ativado";
constexpr std::string_view noLink = "SAT sem conexão de rede";

int reply(Function function, int last)
{
    return codeBase(function) * 1000 + last;
}

Function functionOf(int code)
{
    for (const Function f : allFunctions)
        if (codeBase(f) == code / 1000)
            return f;
    throw std::logic_error("reply code of no function: " + std::to_string(code));
}

bool isValidCode(const TextArg& code)
{
    if (!code.isText() || code.bytes.size() < 8 || code.bytes.size() > 32)
        return false;
    for (const char c : code.bytes)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F')
            return false;
    return true;
}

std::string certificateName(int kind)
{
    return kind == 1 ? "AC-SAT" : kind == 2 ? "ICP-Brasil" : "renovação ICP-Brasil";
}

std::string lockText(int state)
{
    switch (state) {
    case 1:
        return "Bloqueio SEFAZ";
    case 2:
        return "Bloqueio Contribuinte";
    case 3:
        return "Bloqueio Autônomo";
    case 4:
        return "Bloqueio para desativação";
    default:
        return "Desbloqueado";
    }
}

std::string documentProblem(const TextArg& document, std::string_view what)
{
    if (document.kind == TextArg::Kind::Unterminated)
        return std::string(what) + " maior que o limite ou sem terminador";
    return std::string(what) + " vazio";
}

std::string stampOrEmpty(DeviceTime time)
{
    return time ? stamp14(time) : std::string();
}

} // namespace

Device::Device(DeviceState& state, DeviceTime now, std::mt19937& random)
    : state_(state), now_(now), random_(random)
{
}

Reply Device::unexpected(Function function, int session, std::string_view reason)
{
    const int code = reply(function, 99);
    return answer(session, code,
                  withDetail(numbered(function, code, Tables::From2016).text, reason));
}

Reply Device::say(int session, int code, std::string_view detail,
                  const std::vector<std::string>& fields) const
{
    const Numbered n = numbered(functionOf(code), code, state_.tables);
    return answer(session, n.code, withDetail(n.text, detail), fields);
}

void Device::log(std::string_view level, std::string_view event, std::string_view message)
{
    // What went through the tax authority is told apart from what the device did alone.
    const bool sefaz = event == "ATIVACAO" || event == "ASSOCIACAO" || event == "TRANSMISSAO" ||
                       event == "TESTEFIMAFIM" || event == "CERTIFICADO";
    addLog(state_, now_, sefaz ? originSefaz : originSat, level, event, message);
}

std::optional<Reply> Device::checkSession(Function function, int session) const
{
    if (session >= 0 && session <= 999999)
        return std::nullopt;
    return say(session, reply(function, 97), std::to_string(session) + " (use de 0 a 999999)");
}

void Device::wrongCode(Function function)
{
    log("alerta", "CODIGO",
        "Código de ativação inválido em " + std::string(functionName(function)));
    // A block that has run out starts the count again.
    if (state_.codeBlockUntil != 0 && !codeBlocked()) {
        state_.codeBlockUntil = 0;
        state_.wrongCodes = 0;
    }
    if (++state_.wrongCodes < wrongCodesToBlock || state_.codeBlockSeconds == 0 || codeBlocked())
        return;
    state_.codeBlockUntil = now_ + state_.codeBlockSeconds;
    log("alerta", "BLOQUEIO",
        std::to_string(state_.wrongCodes) +
            " códigos de ativação incorretos seguidos: vendas e "
            "cancelamentos bloqueados até " +
            readable(state_.codeBlockUntil));
}

bool Device::codeBlocked() const
{
    return state_.codeBlockUntil != 0 && now_ < state_.codeBlockUntil;
}

std::optional<Reply> Device::admit(Function function, int session, const TextArg& code, Needs needs)
{
    if (auto refused = checkSession(function, session))
        return refused;
    if (needs == Needs::Activation && !state_.activated) {
        const bool ownCode = function == Function::EnviarDadosVenda ||
                             function == Function::TesteFimAFim ||
                             function == Function::ConsultarNumeroSessao;
        return ownCode ? say(session, reply(function, 2))
                       : say(session, reply(function, 99), notActivated);
    }
    const bool fiscal =
        function == Function::EnviarDadosVenda || function == Function::CancelarUltimaVenda;
    // Within the block even the right code is refused: guessing must not go on meanwhile.
    if (fiscal && codeBlocked())
        return say(session, reply(function, 9), "até " + readable(state_.codeBlockUntil));
    if (!code.isText() || code.bytes != state_.activationCode) {
        wrongCode(function);
        return say(session, reply(function, 1));
    }
    state_.wrongCodes = 0;
    return std::nullopt;
}

std::optional<Reply> Device::refuseWhenBlocked(Function function, int session)
{
    // Sales and cancels number their refusals alike: XX006 to XX008, XX011.
    const int base = codeBase(function) * 1000;
    switch (state_.lockState) {
    case 1:
        return say(session, base + 7);
    case 4:
        return say(session, base + 7, "bloqueio para desativação");
    case 2:
        return say(session, base + 6);
    case 3:
        return say(session, base + 8);
    default:
        break;
    }
    if (!state_.certificateExpires.empty() && date8(now_) > state_.certificateExpires)
        return say(session, base + 11, "certificado vencido em " + state_.certificateExpires);
    return std::nullopt;
}

int Device::nextNumber() const
{
    return state_.lastNumber % 999999 + 1;
}

void Device::recordIssued(const std::string& key, std::size_t size)
{
    state_.lastNumber = nextNumber();
    state_.lastCfeKey = key;
    if (state_.pendingCount == 0)
        state_.pendingFirst = key;
    state_.pendingLast = key;
    ++state_.pendingCount;
    state_.storedBytes += static_cast<std::int64_t>(size);
}

std::string Device::csr() const
{
    // Shaped like a request so that it can be shown and saved; it holds no real key.
    const std::string body =
        base64::encode("Requisicao de certificado simulada - CN=SAT " + std::string(serialNumber) +
                       ", CNPJ=" + state_.taxpayerCnpj + ", emitida em " + stamp14(now_));
    std::string pem = "-----BEGIN CERTIFICATE REQUEST-----\n";
    for (std::size_t i = 0; i < body.size(); i += 64)
        pem += body.substr(i, 64) + "\n";
    return pem + "-----END CERTIFICATE REQUEST-----";
}

Reply Device::ativarSAT(int session, int subcommand, const TextArg& code, const TextArg& cnpj,
                        int uf)
{
    const Function f = Function::AtivarSAT;
    if (auto refused = checkSession(f, session))
        return *refused;
    if (subcommand < 1 || subcommand > 3)
        return unexpected(f, session,
                          "Subcomando " + std::to_string(subcommand) +
                              " inválido: use 1 (AC-SAT), 2 (ICP-Brasil) ou 3 (renovação "
                              "ICP-Brasil)");
    if (subcommand == 3) {
        if (!state_.activated)
            return unexpected(f, session, "SAT ainda não ativado: não há certificado a renovar");
        if (!code.isText() || code.bytes != state_.activationCode) {
            wrongCode(f);
            return say(session, 4099, "Código de ativação inválido");
        }
        state_.wrongCodes = 0;
        log("info", "ATIVACAO", "Requisição de renovação do certificado ICP-Brasil");
        return say(session, 4006, {}, {"", "", csr()});
    }
    if (state_.lockState == 4)
        return say(session, 4004);
    if (state_.activated)
        return say(session, 4003);
    if (!isValidCode(code))
        return unexpected(f, session, "Código de ativação deve ter de 8 a 32 caracteres");
    if (!cnpj.isText() || !isValidCnpj(cnpj.bytes))
        return say(session, 4002, "\"" + printable(cnpj.bytes) + "\"");
    if (uf != stateCode)
        return unexpected(f, session,
                          "UF " + std::to_string(uf) + " inválida: este SAT é de São Paulo (35)");
    if (!state_.linkUp)
        return say(session, 4005, noLink);

    state_.activated = true;
    state_.activationCode = code.bytes;
    state_.taxpayerCnpj = cnpj.bytes;
    state_.certificateKind = subcommand;
    state_.certificateIssued = date8(now_);
    state_.certificateExpires = date8YearsLater(now_, certificateYears);
    state_.lastCommunication = now_;
    log("info", "ATIVACAO",
        "SAT ativado para o CNPJ " + cnpj.bytes + " (" + certificateName(subcommand) + ")");
    const std::string sefaz = "SAT ativado com Sucesso";
    if (subcommand == 2)
        return say(session, 4006, {}, {"", sefaz, csr()});
    return say(session, 4000, {}, {"", sefaz});
}

Reply Device::associarAssinatura(int session, const TextArg& code, const TextArg& cnpj,
                                 const TextArg& signature)
{
    if (auto refused = admit(Function::AssociarAssinatura, session, code, Needs::Activation))
        return *refused;
    if (!cnpj.isText() || cnpj.bytes.size() != 28 || !allDigits(cnpj.bytes))
        return say(session, 13004,
                   "são esperados 28 dígitos, o CNPJ da software house seguido do CNPJ do "
                   "contribuinte");
    const std::string softwareHouse = cnpj.bytes.substr(0, 14);
    const std::string taxpayer = cnpj.bytes.substr(14);
    if (!isValidCnpj(softwareHouse))
        return say(session, 13004, "CNPJ da software house " + softwareHouse + " inválido");
    if (taxpayer != state_.taxpayerCnpj)
        return say(session, 13007,
                   "CNPJ " + taxpayer + ", contribuinte ativado " + state_.taxpayerCnpj);
    if (signature.isEmpty())
        return say(session, 13003, "assinatura vazia");
    if (signature.bytes.size() > 512)
        return say(session, 13003, "mais de 512 caracteres");
    for (const char c : signature.bytes)
        if (static_cast<unsigned char>(c) < 0x20)
            return say(session, 13003, "contém quebra de linha ou caractere de controle");
    if (!state_.linkUp)
        return say(session, 13002, noLink);

    state_.associated = true;
    state_.softwareHouseCnpj = softwareHouse;
    state_.signature = signature.bytes;
    state_.lastCommunication = now_;
    log("info", "ASSOCIACAO",
        "Assinatura do AC associada: software house " + softwareHouse + ", contribuinte " +
            taxpayer);
    return say(session, 13000);
}

Reply Device::configurarInterfaceDeRede(int session, const TextArg& code, const TextArg& document)
{
    if (auto refused = admit(Function::ConfigurarInterfaceDeRede, session, code, Needs::Nothing))
        return *refused;
    const std::string failure = "Falha na leitura do arquivo XML: ";
    if (document.isEmpty())
        return say(session, 12002, failure + documentProblem(document, "documento"));
    const NetworkParse parsed = parseNetworkConfig(document.bytes);
    if (!parsed.network) {
        log("erro", "REDE", "Configuração de rede recusada: " + parsed.error);
        return say(session, 12002, failure + parsed.error);
    }
    state_.network = *parsed.network;
    const NetworkState& n = state_.network;
    log("info", "REDE",
        "Interface de rede configurada: " + n.interfaceType + " " + n.lanType +
            (n.lanType == "IPFIX" ? " " + n.ip : std::string()) + ", proxy " +
            std::to_string(n.proxy));
    return say(session, 12000);
}

Reply Device::consultarStatusOperacional(int session, const TextArg& code)
{
    if (auto refused = admit(Function::ConsultarStatusOperacional, session, code, Needs::Nothing))
        return *refused;
    const NetworkState& n = state_.network;
    const bool fixed = n.lanType == "IPFIX";
    // Addresses a DHCP server would lease; none while the cable is out.
    const std::string none = "000.000.000.000";
    const bool leased = state_.linkUp;
    const std::string ip = fixed ? n.ip : leased ? "192.168.001.100" : none;
    const std::string mask = fixed ? n.mask : leased ? "255.255.255.000" : none;
    const std::string gateway = fixed ? n.gateway : leased ? "192.168.001.001" : none;
    const std::string dns1 = fixed ? n.dns1 : leased ? "192.168.001.001" : none;
    const std::string dns2 = fixed ? n.dns2 : leased ? "008.008.008.008" : none;
    const std::int64_t usedMegabytes = 16 + (state_.storedBytes + 1048575) / 1048576;
    return say(session, 10000, {},
               {"", "", std::string(serialNumber), n.lanType, ip, "02:00:00:04:40:19", mask,
                gateway, dns1, dns2, state_.linkUp ? "CONECTADO" : "NAO_CONECTADO", state_.battery,
                "4096 MB", std::to_string(usedMegabytes) + " MB", stamp14(now_),
                state_.softwareVersion, std::string(layoutVersion), state_.lastCfeKey,
                state_.pendingCount ? state_.pendingFirst : std::string(),
                state_.pendingCount ? state_.pendingLast : std::string(),
                stampOrEmpty(state_.lastTransmission),
                // Before activation a device reports its factory certificate and the
                // factory's contact, never empty dates.
                state_.lastCommunication ? stamp14(state_.lastCommunication)
                                         : std::string(factoryLastContact),
                state_.certificateIssued.empty() ? std::string(factoryCertificateIssued)
                                                 : state_.certificateIssued,
                state_.certificateExpires.empty() ? std::string(factoryCertificateExpires)
                                                  : state_.certificateExpires,
                std::to_string(state_.lockState)});
}

IssueParams Device::issueParams(int number)
{
    if (state_.signingKey.empty() || state_.signingCertificate.empty()) {
        SigningIdentity made = makeSigningIdentity(serialNumber);
        state_.signingKey = std::move(made.keyPem);
        state_.signingCertificate = std::move(made.certificatePem);
    }
    signer_ = {state_.signingKey, state_.signingCertificate};
    return IssueParams{serialNumber,
                       number,
                       static_cast<int>(random_() % 1000000),
                       now_,
                       state_.softwareVersion,
                       state_.taxpayerCnpj,
                       &signer_,
                       state_.taxRegime};
}

Reply Device::cfeAnswer(int session, int code, const Issued& cfe,
                        const std::optional<Rejection>& alert)
{
    const std::string payload = base64WithoutKeyMarker(cfe.document);
    const Numbered n = numbered(functionOf(code), code, state_.tables);
    Reply reply = answer(
        session, n.code, n.text,
        {"", "", payload, stamp14(now_), "CFe" + cfe.key, cfe.total, cfe.buyerId, cfe.qrSignature},
        alert ? alert->code() : std::string("0000"));
    reply.payload = payload;
    return reply;
}

Reply Device::rejected(int session, int code, const Rejection& rejection)
{
    log("erro", code / 1000 == 6 ? "VENDA" : "CANCELAMENTO",
        "Rejeição " + rejection.code() + ": " + rejection.message());
    // The message is the rejection's: the reply code's own text says no more than its number.
    const Numbered n = numbered(functionOf(code), code, state_.tables);
    return answer(session, n.code, rejection.message(), {"", ""}, rejection.code());
}

void Device::logCommand(Function function, int session)
{
    addLog(state_, now_, originAc, "info", "COMANDO",
           "Comando " + std::string(functionName(function)) + " recebido, sessão " +
               (session >= 0 && session <= 999999 ? padded(session, 6) : std::to_string(session)));
}

Reply Device::extrairLogs(int session, const TextArg& code)
{
    if (auto refused = admit(Function::ExtrairLogs, session, code, Needs::Nothing))
        return *refused;
    const std::string text = logText(state_, now_);
    const std::string payload = base64::encode(text);
    Reply reply = say(session, 15000, {}, {"", "", payload});
    reply.payload = payload;
    return reply;
}

Reply Device::enviarDadosVenda(int session, const TextArg& code, const TextArg& document)
{
    const Function f = Function::EnviarDadosVenda;
    if (auto refused = admit(f, session, code, Needs::Activation))
        return *refused;
    if (auto refused = refuseWhenBlocked(f, session))
        return *refused;
    if (!state_.associated)
        return say(session, 6003);
    if (document.kind == TextArg::Kind::Unterminated)
        return say(session, 6005);
    if (document.isEmpty())
        return rejected(session, 6010, {Rule::Unidentified, "documento de venda vazio"});

    SaleRead read = readSale(document.bytes);
    if (!read.sale)
        return rejected(session, 6010, read.rejection());
    SaleInput& sale = *read.sale;
    if (sale.softwareHouseCnpj != state_.softwareHouseCnpj)
        return say(session, 6004,
                   "CNPJ da software house \"" + printable(sale.softwareHouseCnpj) +
                       "\" difere do associado " + state_.softwareHouseCnpj);
    if (sale.signature != toUtf8(state_.signature))
        return say(session, 6004, "signAC difere da assinatura associada");
    if (sale.emitterCnpj != state_.taxpayerCnpj)
        return rejected(session, 6010,
                        {Rule::EmitterNotTaxpayer, "emit/CNPJ " + printable(sale.emitterCnpj) +
                                                       ", contribuinte " + state_.taxpayerCnpj});

    const std::optional<Rejection> alert = saleAlert(
        xml::child(xmlDocGetRootElement(sale.document.get()), "infCFe"), state_.taxRegime);
    const int number = nextNumber();
    const IssueParams params = issueParams(number);
    IssueResult issued = issueSale(sale, params);
    if (!issued.cfe)
        return rejected(session, 6010, issued.rejection());
    const Issued& cfe = *issued.cfe;
    recordIssued(cfe.key, cfe.document.size());
    state_.lastSale = {"CFe" + cfe.key, now_,        cfe.total, cfe.buyerId,
                       cfe.emitterIE,   cfe.cashier, false};
    log("info", "VENDA",
        "CF-e " + padded(number, 6) + " emitido, valor " + cfe.total + ", chave CFe" + cfe.key);
    if (alert)
        log("alerta", "VENDA", "Alerta " + alert->code() + ": " + alert->message());

    return cfeAnswer(session, 6000, cfe, alert);
}

Reply Device::cancelarUltimaVenda(int session, const TextArg& code, const TextArg& key,
                                  const TextArg& document)
{
    const Function f = Function::CancelarUltimaVenda;
    if (auto refused = admit(f, session, code, Needs::Activation))
        return *refused;
    if (auto refused = refuseWhenBlocked(f, session))
        return *refused;
    if (key.isEmpty())
        return say(session, 7002, "chave do CF-e não informada");
    if (!isAccessKey(key.bytes))
        return say(session, 7002,
                   "a chave \"" + printable(key.bytes) +
                       "\" não é \"CFe\" seguido de 44 dígitos válidos");
    LastSale& sale = state_.lastSale;
    if (sale.key.empty())
        return say(session, 7002, "não há venda a cancelar");
    if (key.bytes != sale.key)
        return say(session, 7002, "a chave não é a da última venda (" + sale.key + ")");
    if (sale.cancelled)
        return rejected(session, 7010, {Rule::CancelDone, sale.key});
    if (now_ - sale.issued > cancelWindowSeconds)
        return rejected(session, 7010,
                        {Rule::CancelLate, "venda emitida em " + readable(sale.issued)});
    if (document.isEmpty())
        return rejected(
            session, 7010,
            {Rule::Unidentified, documentProblem(document, "documento de cancelamento")});
    CancelRead read = readCancel(document.bytes);
    if (!read.cancel)
        return rejected(session, 7010, read.rejection());
    const CancelInput& cancel = *read.cancel;
    if (cancel.keyToCancel != key.bytes)
        return rejected(session, 7010,
                        {Rule::CancelKey, "chCanc " + printable(cancel.keyToCancel) +
                                              ", chave informada " + key.bytes});
    if (cancel.softwareHouseCnpj != state_.softwareHouseCnpj ||
        cancel.signature != toUtf8(state_.signature))
        return say(session, 7004,
                   "CNPJ da software house ou signAC difere da assinatura associada");
    // An empty dest names the sale's buyer; one that is given must be that buyer.
    if (cancel.buyerCnpj && *cancel.buyerCnpj != sale.buyerId)
        return rejected(
            session, 7010,
            {Rule::CancelBuyerCnpj, "dest/CNPJ \"" + printable(*cancel.buyerCnpj) + "\""});
    if (cancel.buyerCpf && *cancel.buyerCpf != sale.buyerId)
        return rejected(session, 7010,
                        {Rule::CancelBuyerCpf, "dest/CPF \"" + printable(*cancel.buyerCpf) + "\""});

    const int number = nextNumber();
    const IssueParams params = issueParams(number);
    const Issued cfe = issueCancel(cancel, sale, params);
    recordIssued(cfe.key, cfe.document.size());
    sale.cancelled = true;
    log("info", "CANCELAMENTO", "Venda " + sale.key + " cancelada pelo CF-e " + padded(number, 6));

    return cfeAnswer(session, 7000, cfe);
}

Reply Device::testeFimAFim(int session, const TextArg& code, const TextArg& document)
{
    const Function f = Function::TesteFimAFim;
    if (auto refused = admit(f, session, code, Needs::Activation))
        return *refused;
    const std::string invalid = "Documento de teste inválido: ";
    if (document.isEmpty())
        return unexpected(f, session, invalid + documentProblem(document, "documento"));
    SaleRead read = readSale(document.bytes);
    if (!read.sale)
        return unexpected(f, session, invalid + read.rejection().message());
    if (!state_.linkUp)
        return unexpected(f, session, "Erro de comunicação com a SEFAZ: " + std::string(noLink));
    // A test coupon is numbered 000000, as a device numbers it, and leaves the sale
    // numbering where it was.
    const int number = 0;
    const IssueParams params = issueParams(number);
    IssueResult issued = issueSale(*read.sale, params);
    if (!issued.cfe)
        return unexpected(f, session, invalid + issued.rejection().message());
    transmit();
    log("info", "TESTEFIMAFIM", "Teste fim a fim com a SEFAZ concluído");
    const std::string payload = base64WithoutKeyMarker(issued.cfe->document);
    Reply reply = say(session, 9000, {},
                      {"", "", payload, stamp14(now_), padded(number, 6), "CFe" + issued.cfe->key});
    reply.payload = payload;
    return reply;
}

Reply Device::consultarSAT(int session)
{
    if (auto refused = checkSession(Function::ConsultarSAT, session))
        return *refused;
    return say(session, 8000);
}

Reply Device::bloquearSAT(int session, const TextArg& code)
{
    if (auto refused = admit(Function::BloquearSAT, session, code, Needs::Activation))
        return *refused;
    if (state_.lockState != 0)
        return say(session, 16002, lockText(state_.lockState));
    // The block is the one the taxpayer set up at the tax authority, fetched from it.
    if (!state_.linkUp)
        return say(session, 16003, noLink);
    if (state_.sefazBlock == SefazBlock::None)
        return say(session, 16004);
    state_.lockState = 2;
    state_.lastCommunication = now_;
    log("info", "BLOQUEIO", "SAT bloqueado pelo contribuinte");
    return say(session, 16000);
}

Reply Device::desbloquearSAT(int session, const TextArg& code)
{
    if (auto refused = admit(Function::DesbloquearSAT, session, code, Needs::Activation))
        return *refused;
    switch (state_.lockState) {
    case 0:
        return say(session, 17005);
    case 1:
        return say(session, 17003, "só a SEFAZ pode desbloquear este SAT");
    case 3:
        return say(session, 17006,
                   "o SAT se desbloqueia quando a comunicação com a SEFAZ for restabelecida");
    case 4:
        return say(session, 17007, "este SAT não pode ser desbloqueado");
    default:
        break;
    }
    // The taxpayer releases the block at the tax authority; the device asks it.
    if (!state_.linkUp)
        return say(session, 17004, noLink);
    if (state_.sefazBlock == SefazBlock::Held)
        return say(session, 17002);
    state_.lockState = 0;
    state_.lastCommunication = now_;
    log("info", "DESBLOQUEIO", "SAT desbloqueado pelo contribuinte");
    return say(session, 17000);
}

Reply Device::trocarCodigoDeAtivacao(int session, const TextArg& code, int option,
                                     const TextArg& newCode, const TextArg& confirmation)
{
    const Function f = Function::TrocarCodigoDeAtivacao;
    if (auto refused = checkSession(f, session))
        return *refused;
    if (!state_.activated)
        return unexpected(f, session, notActivated);
    if (option == 1) {
        if (auto refused = admit(f, session, code, Needs::Activation))
            return *refused;
    } else if (option == 2) {
        if (!code.isText() || code.bytes != emergencyCode) {
            log("alerta", "CODIGO", "Código de emergência incorreto");
            return say(session, 18002);
        }
    } else {
        return unexpected(f, session,
                          "Opção " + std::to_string(option) +
                              " inválida: use 1 (código de ativação) ou 2 (código de "
                              "emergência)");
    }
    if (!isValidCode(newCode))
        return unexpected(f, session, "Novo código de ativação deve ter de 8 a 32 caracteres");
    if (!confirmation.isText() || confirmation.bytes != newCode.bytes)
        return unexpected(f, session, "Novo código de ativação e confirmação não conferem");
    state_.activationCode = newCode.bytes;
    log("info", "TROCACODIGO",
        option == 1 ? "Código de ativação alterado com o código atual"
                    : "Código de ativação alterado com o código de emergência");
    return say(session, 18000);
}

Reply Device::atualizarSoftwareSAT(int session, const TextArg& code)
{
    if (auto refused = admit(Function::AtualizarSoftwareSAT, session, code, Needs::Nothing))
        return *refused;
    switch (state_.update) {
    case UpdateOutcome::Running:
        return say(session, 14002);
    case UpdateOutcome::Error:
        log("erro", "ATUALIZACAO", "Falha na atualização do software básico");
        return say(session, 14003, "software básico mantido na versão " + state_.softwareVersion);
    case UpdateOutcome::Invalid:
        log("erro", "ATUALIZACAO", "Arquivo de atualização recusado");
        return say(session, 14004, "software básico mantido na versão " + state_.softwareVersion);
    case UpdateOutcome::Ok:
        break;
    }
    if (state_.softwareVersion != updatedVersion) {
        log("info", "ATUALIZACAO",
            "Software básico atualizado de " + state_.softwareVersion + " para " +
                std::string(updatedVersion));
        state_.softwareVersion = updatedVersion;
    } else {
        log("info", "ATUALIZACAO",
            "Software básico já está na versão " + std::string(updatedVersion));
    }
    return say(session, 14000);
}

void Device::transmit()
{
    if (state_.pendingCount > 0)
        log("info", "TRANSMISSAO",
            std::to_string(state_.pendingCount) + " CF-e transmitidos à SEFAZ");
    state_.pendingCount = 0;
    state_.pendingFirst.clear();
    state_.pendingLast.clear();
    state_.lastTransmission = now_;
    state_.lastCommunication = now_;
    if (state_.lockState == 3) {
        state_.lockState = 0;
        log("info", "DESBLOQUEIO",
            "Bloqueio autônomo encerrado: comunicação com a SEFAZ restabelecida");
    }
}

Reply Device::comunicarCertificadoICPBRASIL(int session, const TextArg& code,
                                            const TextArg& certificate)
{
    const Function f = Function::ComunicarCertificadoICPBRASIL;
    if (auto refused = admit(f, session, code, Needs::Activation))
        return *refused;
    if (state_.certificateKind == 1)
        return unexpected(f, session,
                          "SAT ativado com certificado AC-SAT: não há requisição ICP-Brasil "
                          "aguardando certificado");
    if (!state_.linkUp)
        return say(session, 5002, noLink);
    // An X.509 certificate in PEM or bare Base64: its DER form opens with a SEQUENCE.
    std::string body = certificate.isText() ? certificate.bytes : std::string();
    const std::string begin = "-----BEGIN CERTIFICATE-----";
    const std::string end = "-----END CERTIFICATE-----";
    const std::size_t from = body.find(begin);
    if (from != std::string::npos) {
        const std::size_t to = body.find(end, from);
        body = to == std::string::npos ? std::string()
                                       : body.substr(from + begin.size(), to - from - begin.size());
    }
    const std::string der = base64::decode(body);
    const bool shaped = der.size() >= 64 && static_cast<unsigned char>(der[0]) == 0x30 &&
                        static_cast<unsigned char>(der[1]) >= 0x81 &&
                        static_cast<unsigned char>(der[1]) <= 0x83;
    if (!shaped) {
        log("erro", "CERTIFICADO", "Certificado ICP-Brasil recusado");
        return say(session, 5003);
    }
    state_.certificateReceived = true;
    state_.certificateIssued = date8(now_);
    state_.certificateExpires = date8YearsLater(now_, certificateYears);
    log("info", "CERTIFICADO", "Certificado ICP-Brasil instalado");
    return say(session, 5000);
}

Reply Device::kept(const SessionRecord& record)
{
    Reply reply;
    reply.text = record.text;
    reply.code = record.code;
    reply.message = record.message;
    if (record.payloadField > 0) {
        std::size_t start = 0;
        for (std::size_t field = 1; field < record.payloadField && start != std::string::npos;
             ++field) {
            const std::size_t bar = record.text.find('|', start);
            start = bar == std::string::npos ? bar : bar + 1;
        }
        if (start != std::string::npos)
            reply.payload = record.text.substr(start, record.text.find('|', start) - start);
    }
    return reply;
}

Reply Device::consultarNumeroSessao(int session, const TextArg& code, int wanted)
{
    const Function f = Function::ConsultarNumeroSessao;
    if (auto refused = admit(f, session, code, Needs::Activation))
        return *refused;
    if (wanted < 0 || wanted > 999999)
        return unexpected(f, session,
                          "Número de sessão a consultar inválido: " + std::to_string(wanted) +
                              " (use de 0 a 999999)");
    for (auto it = state_.sessions.rbegin(); it != state_.sessions.rend(); ++it)
        if (it->session == wanted)
            return kept(*it);
    return say(session, 11003, std::to_string(wanted));
}

Reply Device::consultarUltimaSessaoFiscal(int session, const TextArg& code)
{
    const Function f = Function::ConsultarUltimaSessaoFiscal;
    if (auto refused = admit(f, session, code, Needs::Activation))
        return *refused;
    for (auto it = state_.sessions.rbegin(); it != state_.sessions.rend(); ++it)
        if (isFiscal(*it))
            return kept(*it);
    return unexpected(f, session, "Nenhuma sessão fiscal (venda ou cancelamento) registrada");
}

} // namespace satsim
