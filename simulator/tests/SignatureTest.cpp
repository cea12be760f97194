// The signature of the CF-e the device answers, checked by xmlsec1 as any verifier would.

#include "SimulatorFixture.h"

#include "Base64.h"
#include "CodePage.h"
#include "TextFile.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string sampleSale()
{
    return codepage::toAnsi(SimulatorTest::sample("venda.xml"));
}

std::string between(const std::string& text, const std::string& open, const std::string& close)
{
    const std::size_t start = text.find(open);
    if (start == std::string::npos)
        return "<none>";
    const std::size_t end = text.find(close, start + open.size());
    return text.substr(start + open.size(), end - start - open.size());
}

// The document with its character references written as the characters they stand for (the
// device writes some that way to keep "CFe" out of the Base64 text), so that a test finds and
// changes values by their text. It says the same, so it verifies the same.
std::string withoutReferences(const std::string& document)
{
    std::string out;
    std::size_t i = 0;
    while (i < document.size()) {
        const std::size_t end = document.find(';', i);
        if (document.compare(i, 2, "&#") != 0 || end == std::string::npos) {
            out += document[i++];
            continue;
        }
        const unsigned long code = std::stoul(document.substr(i + 2, end - i - 2));
        codepage::appendUtf8(out, static_cast<char32_t>(code));
        i = end + 1;
    }
    return out;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Certificate = std::unique_ptr<X509, X509Free>;

Certificate fromPem(const std::string& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    Certificate certificate(PEM_read_bio_X509(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    return certificate;
}

// The certificate a CF-e carries in KeyInfo, in DER.
std::string carriedCertificate(const std::string& cfe)
{
    return satsim::base64::decode(between(cfe, "<X509Certificate>", "</X509Certificate>"));
}

std::string der(X509* certificate)
{
    unsigned char* bytes = nullptr;
    const int size = i2d_X509(certificate, &bytes);
    std::string out(reinterpret_cast<const char*>(bytes),
                    static_cast<std::size_t>(size > 0 ? size : 0));
    OPENSSL_free(bytes);
    return out;
}

std::string oneLineName(const X509_NAME* name)
{
    BIO* bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(size));
    BIO_free(bio);
    return text;
}

class CfeSignature : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        activate();
        associate();
    }

    // The device's certificate as satsim hands it over.
    std::string devicePem()
    {
        const Run run = satsim({"certificate"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }

    // The CF-e of a sale, as Base64ToAscii gives it.
    std::string saleCfe()
    {
        lastKey = sell(sampleSale());
        return withoutReferences(client.decodedPayload().text());
    }

    struct Verification {
        int exitCode = -1;
        std::string output;
    };

    // xmlsec1 --verify on the document, trusting only the given certificate.
    Verification verify(const std::string& cfe, const std::string& pem, const std::string& name)
    {
        const fs::path document = folder() / (name + ".xml");
        const fs::path trusted = folder() / (name + "-cert.pem");
        const fs::path output = folder() / (name + ".out");
        std::ofstream(document, std::ios::binary) << cfe;
        std::ofstream(trusted, std::ios::binary) << pem;
        const std::string command =
            std::string(XMLSEC1_PROGRAM) + " --verify --id-attr:Id infCFe --trusted-pem '" +
            trusted.string() + "' '" + document.string() + "' >'" + output.string() + "' 2>&1";
        Verification result;
        const int status = std::system(command.c_str());
#if defined(_WIN32)
        result.exitCode = status;
#else
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        result.output = readAll(output);
        return result;
    }

    static bool haveXmlsec1()
    {
        return fs::exists(XMLSEC1_PROGRAM);
    }

    std::string lastKey;
};

#define NEED_XMLSEC1()                                                                             \
    if (!haveXmlsec1())                                                                            \
    GTEST_SKIP() << "xmlsec1 is not installed (scripts/test installs it): the signature "          \
                    "cannot be checked by an outside verifier"

TEST_F(CfeSignature, SaleVerifiesWithXmlsec1AndTheDevicesCertificate)
{
    NEED_XMLSEC1();
    lastKey = sell(sampleSale());
    // Verified as the device hands it over; looked into without its character references.
    const std::string raw = client.decodedPayload().text();
    const std::string cfe = withoutReferences(raw);
    const std::string pem = devicePem();
    ASSERT_NE(pem.find("-----BEGIN CERTIFICATE-----"), std::string::npos) << pem;
    const Certificate certificate = fromPem(pem);
    ASSERT_TRUE(certificate);
    // satsim hands over the certificate the CF-e carries.
    EXPECT_EQ(carriedCertificate(cfe), der(certificate.get()));
    EXPECT_NE(cfe.find("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"),
              std::string::npos);
    EXPECT_NE(cfe.find("<Reference URI=\"#" + lastKey + "\">"), std::string::npos);

    const Verification verified = verify(raw, pem, "venda");
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(verified.output.rfind("OK\n", 0), 0u) << verified.output;
    EXPECT_NE(verified.output.find("SignedInfo References (ok/all): 1/1"), std::string::npos)
        << verified.output;
}

// The sale screen saves the CF-e with CR LF line ends, in the encoding the CF-e declares.
TEST_F(CfeSignature, CfeSavedAsTheSaleScreenSavesItVerifies)
{
    NEED_XMLSEC1();
    lastKey = sell(sampleSale());
    const std::string raw = client.decodedPayload().text();
    ASSERT_TRUE(textfile::declaresUtf8Xml(raw)) << raw.substr(0, 60);
    ASSERT_NE(std::find_if(raw.begin(), raw.end(), [](char c) { return c & 0x80; }), raw.end())
        << "the sample's accented names must be in the CF-e";
    const std::string pem = devicePem();

    const std::string saved = textfile::encodeLines({raw}, textfile::Encoding::Utf8);
    EXPECT_NE(saved.find("?>\r\n<CFe>"), std::string::npos);
    const Verification verified = verify(saved, pem, "salvo");
    EXPECT_EQ(verified.exitCode, 0) << verified.output;

    // What a Windows-1252 copy gives: no reader takes it.
    const Verification ansi = verify(textfile::encodeLines({raw}), pem, "salvo-1252");
    EXPECT_NE(ansi.exitCode, 0);
    EXPECT_NE(ansi.output.find("not proper UTF-8"), std::string::npos) << ansi.output;
}

TEST_F(CfeSignature, CancelVerifiesWithTheSameCertificate)
{
    NEED_XMLSEC1();
    const std::string sale = saleCfe();
    client.CancelarUltimaVenda(lastKey, cancelDocument(lastKey));
    ASSERT_EQ(error().code, 7000) << error().msg;
    const std::string cancel = withoutReferences(client.decodedPayload().text());
    ASSERT_NE(cancel.find("<CFeCanc>"), std::string::npos) << cancel;
    EXPECT_EQ(carriedCertificate(cancel), carriedCertificate(sale));

    const Verification verified = verify(cancel, devicePem(), "cancelamento");
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(verified.output.rfind("OK\n", 0), 0u) << verified.output;
}

TEST_F(CfeSignature, AnotherCertificateIsNotTrusted)
{
    NEED_XMLSEC1();
    const std::string cfe = saleCfe();
    const std::string pem = devicePem();
    // Another device, with a state file of its own, makes a key and certificate of its own.
    useStateFile(folder() / "outro.txt");
    activate();
    associate();
    const std::string other = saleCfe();
    ASSERT_NE(carriedCertificate(other), carriedCertificate(cfe));
    const Verification verified = verify(other, pem, "outro");
    EXPECT_NE(verified.exitCode, 0) << verified.output;
}

struct Tampering {
    const char* name;
    const char* from;
    const char* to;
};

class TamperedCfe : public CfeSignature, public testing::WithParamInterface<Tampering> {};

TEST_P(TamperedCfe, FailsVerification)
{
    NEED_XMLSEC1();
    std::string cfe = saleCfe();
    const std::string pem = devicePem();
    ASSERT_EQ(verify(cfe, pem, "intacto").exitCode, 0) << "the untouched CF-e must verify";

    const Tampering& t = GetParam();
    const std::size_t at = cfe.find(t.from);
    ASSERT_NE(at, std::string::npos) << t.from;
    cfe.replace(at, std::string_view(t.from).size(), t.to);
    const Verification verified = verify(cfe, pem, "alterado");
    EXPECT_NE(verified.exitCode, 0) << verified.output;
    EXPECT_EQ(verified.output.find("OK\n"), std::string::npos) << verified.output;
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, TamperedCfe,
    testing::Values(Tampering{"total", "<vCFe>48.80</vCFe>", "<vCFe>48.81</vCFe>"},
                    Tampering{"buyer", "<CPF>11144477735</CPF>", "<CPF>11144477736</CPF>"},
                    Tampering{"itemName", "MOÍDO", "MOIDO"},
                    Tampering{"digest", "<DigestValue>", "<DigestValue>A"},
                    Tampering{"signatureValue", "<SignatureValue>", "<SignatureValue>AAAA"}),
    [](const testing::TestParamInfo<Tampering>& tampering) {
        return std::string(tampering.param.name);
    });

TEST_F(CfeSignature, CertificateSurvivesARestartAndAFactoryReset)
{
    NEED_XMLSEC1();
    const std::string first = saleCfe();
    const std::string pem = devicePem();

    // A restart: the device knows the state only from another file holding the same bytes.
    const fs::path copy = folder() / "copia.txt";
    fs::copy_file(statePath(), copy);
    useStateFile(copy);
    const std::string second = saleCfe();
    EXPECT_EQ(carriedCertificate(second), carriedCertificate(first));
    const Verification afterRestart = verify(second, pem, "reinicio");
    EXPECT_EQ(afterRestart.exitCode, 0) << afterRestart.output;

    useStateFile(statePath());
    ASSERT_EQ(satsim({"reset"}).exitCode, 0);
    activate();
    associate();
    const std::string third = saleCfe();
    EXPECT_EQ(carriedCertificate(third), carriedCertificate(first));
    const Verification afterReset = verify(third, pem, "fabrica");
    EXPECT_EQ(afterReset.exitCode, 0) << afterReset.output;
}

TEST_F(CfeSignature, CertificateSaysItHasNoFiscalValue)
{
    const std::string cfe = saleCfe();
    const std::string bytes = carriedCertificate(cfe);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const Certificate certificate(d2i_X509(nullptr, &data, static_cast<long>(bytes.size())));
    ASSERT_TRUE(certificate);
    const std::string subject = oneLineName(X509_get_subject_name(certificate.get()));
    EXPECT_NE(subject.find("CN = SAT 900004019 SIMULADO - SEM VALOR FISCAL"), std::string::npos)
        << subject;
    EXPECT_EQ(oneLineName(X509_get_issuer_name(certificate.get())), subject);
    EVP_PKEY* key = X509_get0_pubkey(certificate.get());
    ASSERT_TRUE(key);
    EXPECT_EQ(EVP_PKEY_get_base_id(key), EVP_PKEY_RSA);
    EXPECT_EQ(EVP_PKEY_get_bits(key), 2048);
}

TEST_F(CfeSignature, QrCodeSignatureIsTheDevicesOverTheQrCodeFields)
{
    const SatResponse response = client.EnviarDadosVenda(sampleSale());
    ASSERT_EQ(error().code, 6000) << response.text();
    const std::string cfe = withoutReferences(client.decodedPayload().text());
    const std::string key = field(response, 9).substr(3);
    const std::string signed_ =
        key + field(response, 8) + field(response, 10) + field(response, 11);
    const std::string signature = satsim::base64::decode(field(response, 12));
    ASSERT_EQ(signature.size(), 256u);
    EXPECT_EQ(between(cfe, "<assinaturaQRCODE>", "</assinaturaQRCODE>"), field(response, 12));

    const std::string bytes = carriedCertificate(cfe);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const Certificate certificate(d2i_X509(nullptr, &data, static_cast<long>(bytes.size())));
    ASSERT_TRUE(certificate);
    auto verifies = [&](const std::string& text) {
        EVP_MD_CTX* verifier = EVP_MD_CTX_new();
        const bool ok =
            EVP_DigestVerifyInit(verifier, nullptr, EVP_sha256(), nullptr,
                                 X509_get0_pubkey(certificate.get())) == 1 &&
            EVP_DigestVerify(verifier, reinterpret_cast<const unsigned char*>(signature.data()),
                             signature.size(), reinterpret_cast<const unsigned char*>(text.data()),
                             text.size()) == 1;
        EVP_MD_CTX_free(verifier);
        return ok;
    };
    EXPECT_TRUE(verifies(signed_));
    EXPECT_FALSE(verifies(signed_ + "0"));
}

} // namespace
