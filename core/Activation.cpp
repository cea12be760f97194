#include "Activation.h"

#include "AppContext.h"
#include "Cnpj.h"
#include "CodePage.h"
#include "Operator.h"
#include "SatClient.h"
#include "TextFile.h"

Activation::Activation(AppContext& context, SatClient& client, MessageSink& messages,
                       MessageWindow& messageWindow, RequestWindow& requests, FileChooser& files)
    : context_(context), client_(client), messages_(messages), messageWindow_(messageWindow),
      requests_(requests), files_(files)
{
}

void Activation::activate(const Fields& fields)
{
    std::string cnpj;
    if (!checkCnpj(fields.cnpj, cnpj)) {
        messages_.showMessage(invalidCnpj);
        return;
    }
    // One byte per character in the device's code page.
    const std::string code = codepage::toAnsi(fields.code);
    if (code.size() < minimumCodeLength) {
        messages_.showMessage(codeTooShort);
        return;
    }
    // A code the program could not keep would activate a device nobody can then open here.
    if (code.size() > AppContext::maxActivationCodeLength) {
        messages_.showMessage(AppContext::codeTooLong);
        return;
    }
    if (fields.code != fields.confirmation) {
        messages_.showMessage(codesDiffer);
        return;
    }

    const SatResponse response =
        client_.AtivarSAT(static_cast<int>(fields.certificate), fields.code, cnpj, stateCode);
    if (!response.reached()) {
        messages_.showMessage(response.failure());
        return;
    }
    if (SatClient::isPortFailure(response)) {
        messages_.showMessage(portFailure);
        return;
    }
    if (response.contains("Sucesso"))
        context_.setActivationCode(code);

    const SatClient::Error error = client_.lastError();
    if (!error.reached()) {
        // The device did answer: a request it returned is kept even when its record is lost.
        messages_.showMessage(error.failure);
        keepRequest(response.text());
        return;
    }
    if (const auto transport = SatClient::transportMessage(error.code)) {
        messages_.showMessage(*transport);
        return;
    }
    if (error.code == activatedCode)
        messages_.showMessage(activated);
    else
        messageWindow_.fillAndShow(SatClient::detailText(codepage::fromUtf8OrAnsi(error.msg)));

    keepRequest(response.text());
}

void Activation::keepRequest(std::string_view response)
{
    const std::size_t begin = response.find("BEGIN");
    if (begin == std::string_view::npos)
        return;
    std::string request;
    const std::string decoded = codepage::fromAnsi(response.substr(begin));
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] == '\r') {
            request += '\n';
            if (i + 1 < decoded.size() && decoded[i + 1] == '\n')
                ++i;
        } else {
            request += decoded[i];
        }
    }
    requests_.appendRequest(request);

    // A cancelled dialog writes nothing; the request stays in the window to copy.
    const std::optional<std::string> path = files_.chooseFileToSave();
    if (!path)
        return;
    const textfile::WriteResult written = textfile::writeLines(*path, requests_.requestLines());
    if (!written.ok)
        messages_.showMessage(written.error);
}
