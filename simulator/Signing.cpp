#include "Signing.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace satsim {

namespace {

struct OpenSslFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
};
template <typename T> using Owned = std::unique_ptr<T, OpenSslFree>;

[[noreturn]] void fail(const std::string& what)
{
    std::string message = what;
    if (const unsigned long code = ERR_get_error()) {
        char reason[256];
        ERR_error_string_n(code, reason, sizeof reason);
        message += ": ";
        message += reason;
    }
    ERR_clear_error();
    throw std::runtime_error(message);
}

Owned<BIO> readFrom(std::string_view text)
{
    Owned<BIO> bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    if (!bio)
        fail("sem memória para ler o PEM");
    return bio;
}

std::string drain(BIO* bio)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

void addName(X509_NAME* name, const char* field, const std::string& value)
{
    if (!X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                    reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1,
                                    0))
        fail(std::string("campo ") + field + " do certificado recusado");
}

void addExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    Owned<X509_EXTENSION> extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    if (!extension || !X509_add_ext(certificate, extension.get(), -1))
        fail(std::string("extensão do certificado recusada: ") + value);
}

} // namespace

std::string certificateCommonName(std::string_view serial)
{
    return "SAT " + std::string(serial) + " SIMULADO - SEM VALOR FISCAL";
}

SigningIdentity makeSigningIdentity(std::string_view serial)
{
    Owned<EVP_PKEY> key(EVP_RSA_gen(2048));
    if (!key)
        fail("chave RSA não gerada");

    Owned<X509> certificate(X509_new());
    if (!certificate || !X509_set_version(certificate.get(), 2))
        fail("certificado não criado");
    // A random serial, so that two devices' certificates never look like the same one.
    Owned<BIGNUM> number(BN_new());
    if (!number || !BN_rand(number.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) ||
        !BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(certificate.get())))
        fail("número de série do certificado não gerado");
    // The computer's clock, not the device's: a verifier checks the dates against its own
    // clock, and a device clock moved for training must not make the certificate look too new.
    constexpr long day = 24L * 60 * 60;
    if (!X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -day) ||
        !X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 20 * 365 * day))
        fail("validade do certificado recusada");
    X509_NAME* name = X509_get_subject_name(certificate.get());
    addName(name, "C", "BR");
    addName(name, "O", "TORVAL VEXOR - SAT SIMULADO");
    addName(name, "OU", "CERTIFICADO DE TESTE SEM VALOR FISCAL");
    addName(name, "serialNumber", std::string(serial));
    addName(name, "CN", certificateCommonName(serial));
    if (!X509_set_issuer_name(certificate.get(), name) ||
        !X509_set_pubkey(certificate.get(), key.get()))
        fail("certificado não preenchido");
    addExtension(certificate.get(), NID_basic_constraints, "critical,CA:FALSE");
    addExtension(certificate.get(), NID_subject_key_identifier, "hash");
    if (!X509_sign(certificate.get(), key.get(), EVP_sha256()))
        fail("certificado não assinado");

    Owned<BIO> keyOut(BIO_new(BIO_s_mem()));
    Owned<BIO> certificateOut(BIO_new(BIO_s_mem()));
    if (!keyOut || !certificateOut ||
        !PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) ||
        !PEM_write_bio_X509(certificateOut.get(), certificate.get()))
        fail("chave ou certificado não gravados em PEM");
    return {drain(keyOut.get()), drain(certificateOut.get())};
}

std::string signSha256(std::string_view keyPem, std::string_view bytes)
{
    Owned<BIO> in = readFrom(keyPem);
    Owned<EVP_PKEY> key(PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr));
    if (!key)
        fail("chave de assinatura do SAT ilegível");
    Owned<EVP_MD_CTX> context(EVP_MD_CTX_new());
    std::size_t size = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!context ||
        EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &size, data, bytes.size()) != 1)
        fail("assinatura RSA-SHA256 não iniciada");
    std::string signature(size, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       data, bytes.size()) != 1)
        fail("assinatura RSA-SHA256 não calculada");
    signature.resize(size);
    return signature;
}

std::string certificateDer(std::string_view certificatePem)
{
    Owned<BIO> in = readFrom(certificatePem);
    Owned<X509> certificate(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr));
    if (!certificate)
        fail("certificado do SAT ilegível");
    unsigned char* der = nullptr;
    const int size = i2d_X509(certificate.get(), &der);
    if (size <= 0)
        fail("certificado do SAT não convertido em DER");
    std::string bytes(reinterpret_cast<const char*>(der), static_cast<std::size_t>(size));
    OPENSSL_free(der);
    return bytes;
}

} // namespace satsim
