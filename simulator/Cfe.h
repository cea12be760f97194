#pragma once

#include "DeviceClock.h"
#include "DeviceState.h"
#include "Rejection.h"
#include "Signing.h"
#include "Xml.h"

#include <optional>
#include <string>
#include <string_view>

// Sale and cancel documents as a SAT reads them, and the CF-e it issues from them.
namespace satsim {

// What the device reads from a sale document before it decides to issue.
struct SaleInput {
    xml::Document document;
    std::string softwareHouseCnpj; // ide/CNPJ
    std::string signature;         // ide/signAC
    std::string emitterCnpj;       // emit/CNPJ
};

struct SaleRead {
    std::optional<SaleInput> sale;
    std::string error; // in Portuguese
    Rule rule = Rule::Unidentified;
    int item = 0;

    Rejection rejection() const { return {rule, error, item}; }
};

// Well-formed, root CFe with infCFe, ide and emit, and the fields as the input layout has them.
SaleRead readSale(std::string_view bytes);

struct CancelInput {
    xml::Document document;
    std::string keyToCancel; // infCFe/@chCanc
    std::string softwareHouseCnpj;
    std::string signature;
    std::string cashier;
    std::optional<std::string> buyerCnpj, buyerCpf; // dest/CNPJ, dest/CPF
};

struct CancelRead {
    std::optional<CancelInput> cancel;
    std::string error;
    Rule rule = Rule::Unidentified;

    Rejection rejection() const { return {rule, error}; }
};

// Well-formed, root CFeCanc with infCFe carrying chCanc, and ide, as the input layout has them.
CancelRead readCancel(std::string_view bytes);

// What the device adds to every CF-e it issues.
struct IssueParams {
    std::string_view serial;
    int number = 0;
    int randomCode = 0;
    DeviceTime now = 0;
    std::string_view softwareVersion;
    std::string_view taxpayerCnpj;
    const SigningIdentity* signer = nullptr; // the device's key and certificate; required
    int taxRegime = 0; // the taxpayer's cRegTrib, 1 or 3; 0: from the sale's items
};

struct Issued {
    std::string key;      // 44 digits
    std::string document; // the signed CF-e, UTF-8
    std::string total;    // vCFe, "250.00"
    std::string buyerId;  // CPF or CNPJ of the buyer, if any
    std::string emitterIE;
    std::string cashier;
    std::string qrSignature;
};

struct IssueResult {
    std::optional<Issued> cfe;
    std::string error; // why the sale's values were refused
    Rule rule = Rule::Unidentified;
    int item = 0;

    Rejection rejection() const { return {rule, error, item}; }
};

// Completes the sale into the signed CF-e: the device's fields, item values and totals, the
// QR code signature and an enveloped XML signature of infCFe. Throws std::runtime_error when
// the signer's key or certificate cannot be used.
IssueResult issueSale(SaleInput& sale, const IssueParams& params);

// The cancellation CF-e of the last sale.
Issued issueCancel(const CancelInput& cancel, const LastSale& sale, const IssueParams& params);

// Base64 of the document, changed in ways that keep its meaning (a line break after the XML
// declaration, a character of text written as a character reference) until the Base64 text holds
// no "CFe": a point of sale finds the key as the first "CFe" of the whole answer, and the
// document comes before the key.
std::string base64WithoutKeyMarker(std::string document);

} // namespace satsim
