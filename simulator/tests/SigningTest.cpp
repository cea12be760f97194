#include "Signing.h"
#include "DeviceState.h"
#include "Xml.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace {

struct OpenSslFree {
    void operator()(X509* p) const { X509_free(p); }
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};

std::unique_ptr<X509, OpenSslFree> certificateOf(const satsim::SigningIdentity& identity)
{
    BIO* bio = BIO_new_mem_buf(identity.certificatePem.data(),
                               static_cast<int>(identity.certificatePem.size()));
    std::unique_ptr<X509, OpenSslFree> certificate(
        PEM_read_bio_X509(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    return certificate;
}

std::unique_ptr<EVP_PKEY, OpenSslFree> keyOf(const satsim::SigningIdentity& identity)
{
    BIO* bio = BIO_new_mem_buf(identity.keyPem.data(), static_cast<int>(identity.keyPem.size()));
    std::unique_ptr<EVP_PKEY, OpenSslFree> key(
        PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    return key;
}

std::string commonName(X509* certificate)
{
    char name[256] = {};
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, name,
                              sizeof name);
    return name;
}

bool verifies(X509* certificate, const std::string& signature, const std::string& bytes)
{
    EVP_MD_CTX* verifier = EVP_MD_CTX_new();
    const bool ok =
        EVP_DigestVerifyInit(verifier, nullptr, EVP_sha256(), nullptr,
                             X509_get0_pubkey(certificate)) == 1 &&
        EVP_DigestVerify(verifier, reinterpret_cast<const unsigned char*>(signature.data()),
                         signature.size(), reinterpret_cast<const unsigned char*>(bytes.data()),
                         bytes.size()) == 1;
    EVP_MD_CTX_free(verifier);
    return ok;
}

// Making an RSA key takes a noticeable moment: one for the whole program.
const satsim::SigningIdentity& identity()
{
    static const satsim::SigningIdentity made = satsim::makeSigningIdentity(satsim::serialNumber);
    return made;
}

TEST(Signing, IdentityIsAnRsa2048KeyAndItsSelfSignedCertificateWithoutFiscalValue)
{
    const auto certificate = certificateOf(identity());
    const auto key = keyOf(identity());
    ASSERT_TRUE(certificate);
    ASSERT_TRUE(key);
    EXPECT_EQ(EVP_PKEY_get_base_id(key.get()), EVP_PKEY_RSA);
    EXPECT_EQ(EVP_PKEY_get_bits(key.get()), 2048);
    EXPECT_EQ(X509_check_private_key(certificate.get(), key.get()), 1);
    EXPECT_EQ(X509_verify(certificate.get(), key.get()), 1) << "not signed by its own key";
    EXPECT_EQ(X509_NAME_cmp(X509_get_subject_name(certificate.get()),
                            X509_get_issuer_name(certificate.get())),
              0);
    EXPECT_EQ(commonName(certificate.get()), "SAT 900004019 SIMULADO - SEM VALOR FISCAL");
    // Valid now, by the computer's clock, which is what a verifier checks it against.
    EXPECT_LT(X509_cmp_current_time(X509_get0_notBefore(certificate.get())), 0);
    EXPECT_GT(X509_cmp_current_time(X509_get0_notAfter(certificate.get())), 0);
}

TEST(Signing, EveryIdentityIsANewKey)
{
    const satsim::SigningIdentity other = satsim::makeSigningIdentity(satsim::serialNumber);
    EXPECT_NE(other.keyPem, identity().keyPem);
    EXPECT_NE(other.certificatePem, identity().certificatePem);
    const auto a = certificateOf(identity());
    const auto b = certificateOf(other);
    EXPECT_NE(ASN1_INTEGER_cmp(X509_get0_serialNumber(a.get()), X509_get0_serialNumber(b.get())),
              0);
}

TEST(Signing, SignatureVerifiesWithTheCertificatesKeyOverTheSameBytesOnly)
{
    const std::string bytes = "<SignedInfo xmlns=\"http://www.w3.org/2000/09/xmldsig#\">";
    const std::string signature = satsim::signSha256(identity().keyPem, bytes);
    EXPECT_EQ(signature.size(), 256u);
    const auto certificate = certificateOf(identity());
    EXPECT_TRUE(verifies(certificate.get(), signature, bytes));
    EXPECT_FALSE(verifies(certificate.get(), signature, bytes + " "));
    // PKCS #1 v1.5 is deterministic: the same bytes, the same signature.
    EXPECT_EQ(satsim::signSha256(identity().keyPem, bytes), signature);
}

TEST(Signing, CertificateDerIsThePemsContent)
{
    const std::string der = satsim::certificateDer(identity().certificatePem);
    const auto* data = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<X509, OpenSslFree> parsed(
        d2i_X509(nullptr, &data, static_cast<long>(der.size())));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(X509_cmp(parsed.get(), certificateOf(identity()).get()), 0);
}

TEST(Signing, UnreadableKeyOrCertificateIsAnError)
{
    EXPECT_THROW(satsim::signSha256("não é uma chave", "x"), std::runtime_error);
    EXPECT_THROW(satsim::signSha256(identity().certificatePem, "x"), std::runtime_error);
    EXPECT_THROW(satsim::certificateDer(identity().keyPem), std::runtime_error);
}

TEST(Signing, KeyAndCertificateSurviveTheStateFile)
{
    satsim::DeviceState state = satsim::factoryState(1735787045);
    state.signingKey = identity().keyPem;
    state.signingCertificate = identity().certificatePem;
    const std::string text = satsim::serialize(state);
    // One line each: the file stays a list of key=value lines.
    EXPECT_EQ(text.find("-----\n"), std::string::npos);
    const auto back = satsim::parseState(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->signingKey, identity().keyPem);
    EXPECT_EQ(back->signingCertificate, identity().certificatePem);
}

struct Canonical {
    const char* name;
    const char* document;
    const char* element; // the first element of that name is canonicalized
    const char* expected;
};

class CanonicalForm : public testing::TestWithParam<Canonical> {};

xmlNode* find(xmlNode* node, std::string_view name)
{
    for (; node; node = node->next) {
        if (satsim::xml::is(node, name))
            return node;
        if (xmlNode* inside = find(node->children, name))
            return inside;
    }
    return nullptr;
}

TEST_P(CanonicalForm, IsC14nOfTheElementAlone)
{
    const Canonical& c = GetParam();
    satsim::xml::Parsed parsed = satsim::xml::parse(c.document);
    ASSERT_TRUE(parsed.document) << parsed.error;
    xmlNode* element = find(xmlDocGetRootElement(parsed.document.get()), c.element);
    ASSERT_TRUE(element);
    EXPECT_EQ(satsim::xml::canonical(parsed.document.get(), element), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Xml, CanonicalForm,
    testing::Values(
        // Inherited default namespace and xml: attribute go on the element; attributes without
        // a namespace sort before xml:lang.
        Canonical{"inheritedNamespaceAndXmlAttribute",
                  "<a xmlns=\"urn:x\" xml:lang=\"pt\"><b z=\"2\" y=\"1\">t</b><c/></a>", "b",
                  "<b xmlns=\"urn:x\" y=\"1\" z=\"2\" xml:lang=\"pt\">t</b>"},
        Canonical{"emptyElementIsWrittenOpenAndClosed", "<a xmlns=\"urn:x\"><b>t</b><c/></a>", "c",
                  "<c xmlns=\"urn:x\"></c>"},
        // Inclusive canonicalization: a prefix the element does not use is still written.
        Canonical{"unusedPrefixInScope", "<r xmlns:p=\"urn:p\"><s>1</s></r>", "s",
                  "<s xmlns:p=\"urn:p\">1</s>"},
        Canonical{"siblingsAndParentLeftOut", "<r k=\"v\"><s>1</s><t>2</t></r>", "s", "<s>1</s>"},
        Canonical{"textEscapes", "<r><s>a &amp; b &lt; c &gt; d \"e\"&#13;</s></r>", "s",
                  "<s>a &amp; b &lt; c &gt; d \"e\"&#xD;</s>"},
        Canonical{"attributeEscapes", "<r><s a=\"x&#9;y&#10;&quot;&lt;\"/></r>", "s",
                  "<s a=\"x&#x9;y&#xA;&quot;&lt;\"></s>"},
        Canonical{"nestedElementsKeepTheirOrder",
                  "<CFe><infCFe versao=\"0.07\" Id=\"CFe1\"><ide><cUF>35</cUF></ide><emit/>"
                  "</infCFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"/></CFe>",
                  "infCFe",
                  "<infCFe Id=\"CFe1\" versao=\"0.07\"><ide><cUF>35</cUF></ide><emit></emit>"
                  "</infCFe>"}),
    CaseName());

} // namespace
