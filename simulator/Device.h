#pragma once

#include "Cfe.h"
#include "DeviceState.h"
#include "Rejection.h"
#include "Reply.h"
#include "Texts.h"

#include <optional>
#include <random>

// The SAT's behaviour: one operation per library function, working on the device's state at
// one moment of its clock. It answers every input; it never throws for bad input.
namespace satsim {

class Device {
public:
    Device(DeviceState& state, DeviceTime now, std::mt19937& random);

    Reply ativarSAT(int session, int subcommand, const TextArg& code, const TextArg& cnpj, int uf);
    Reply associarAssinatura(int session, const TextArg& code, const TextArg& cnpj,
                             const TextArg& signature);
    Reply configurarInterfaceDeRede(int session, const TextArg& code, const TextArg& document);
    Reply consultarStatusOperacional(int session, const TextArg& code);
    Reply extrairLogs(int session, const TextArg& code);
    Reply enviarDadosVenda(int session, const TextArg& code, const TextArg& document);
    Reply cancelarUltimaVenda(int session, const TextArg& code, const TextArg& key,
                              const TextArg& document);
    Reply testeFimAFim(int session, const TextArg& code, const TextArg& document);
    Reply consultarSAT(int session);
    Reply bloquearSAT(int session, const TextArg& code);
    Reply desbloquearSAT(int session, const TextArg& code);
    Reply trocarCodigoDeAtivacao(int session, const TextArg& code, int option,
                                 const TextArg& newCode, const TextArg& confirmation);
    Reply atualizarSoftwareSAT(int session, const TextArg& code);
    Reply comunicarCertificadoICPBRASIL(int session, const TextArg& code,
                                        const TextArg& certificate);
    Reply consultarNumeroSessao(int session, const TextArg& code, int wanted);
    Reply consultarUltimaSessaoFiscal(int session, const TextArg& code);

    // The CF-e waiting in the device go to the tax authority; an autonomous block, whose cause
    // is the lack of that communication, ends with it.
    void transmit();

    // The record of a command received from the point of sale.
    void logCommand(Function function, int session);

    // A device-side failure: the function's "unknown error" code with the reason.
    static Reply unexpected(Function function, int session, std::string_view reason);
    // The answer the tables from 2016 number `code`, numbered and worded as the device's tables
    // have it, the detail after the text.
    Reply say(int session, int code, std::string_view detail = {},
              const std::vector<std::string>& fields = {"", ""}) const;
    // A sale or cancel refused by a rule: its rejection code follows the reply code.
    Reply rejected(int session, int code, const Rejection& rejection);

    static constexpr DeviceTime cancelWindowSeconds = 30 * 60;
    static constexpr int certificateYears = 5;

private:
    enum class Needs { Nothing, Activation };
    std::optional<Reply> checkSession(Function function, int session) const;
    // Counts a wrong activation code; enough in a row block sales and cancels for a while.
    void wrongCode(Function function);
    bool codeBlocked() const;
    // Session number, activation and code, in the order a SAT checks them.
    std::optional<Reply> admit(Function function, int session, const TextArg& code, Needs needs);
    std::optional<Reply> refuseWhenBlocked(Function function, int session);
    void log(std::string_view level, std::string_view event, std::string_view message);
    int nextNumber() const;
    void recordIssued(const std::string& key, std::size_t size);
    // Makes the device's signing key and certificate the first time one is needed.
    IssueParams issueParams(int number);
    // A sale's or a cancel's answer, with the CF-e as its payload.
    Reply cfeAnswer(int session, int code, const Issued& cfe,
                    const std::optional<Rejection>& alert = std::nullopt);
    std::string csr() const;
    static Reply kept(const SessionRecord& record);

    DeviceState& state_;
    DeviceTime now_;
    std::mt19937& random_;
    SigningIdentity signer_;
};

} // namespace satsim
