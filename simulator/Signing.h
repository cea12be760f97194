#pragma once

#include <string>
#include <string_view>

// The simulated device's own key and certificate, made once and kept in its state, with which
// it signs every CF-e it issues. The certificate is self-signed and says in its subject that it
// has no fiscal value.
namespace satsim {

struct SigningIdentity {
    std::string keyPem;         // RSA 2048, PKCS#8, not encrypted
    std::string certificatePem; // X.509, self-signed
};

// The subject's common name of a device's certificate.
std::string certificateCommonName(std::string_view serial);

// A new key and its certificate. Throws std::runtime_error when OpenSSL cannot make them.
SigningIdentity makeSigningIdentity(std::string_view serial);

// RSA-SHA256 (PKCS #1 v1.5) of bytes with the PEM key; throws std::runtime_error on a bad key.
std::string signSha256(std::string_view keyPem, std::string_view bytes);

// The certificate in DER, as XML-DSig's X509Certificate carries it (Base64); throws on a bad PEM.
std::string certificateDer(std::string_view certificatePem);

} // namespace satsim
