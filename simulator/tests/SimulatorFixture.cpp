#include "SimulatorFixture.h"

#include "Base64.h"
#include "DeviceTest.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

// The manager's own end-to-end document, so the device is tried with what the manager sends.
const std::string endToEndDocument(DeviceTest::testSaleDocument);

std::string fixedNetwork()
{
    return "<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
           "<lanIP>192.168.001.010</lanIP><lanMask>255.255.255.000</lanMask>"
           "<lanGW>192.168.001.001</lanGW><lanDNS1>192.168.001.001</lanDNS1>"
           "<lanDNS2>000.000.000.000</lanDNS2><proxy>0</proxy><proxy_ip/><proxy_porta/>"
           "<proxy_user/><proxy_senha/></config>\n";
}

std::string pemCertificate()
{
    std::string der = "\x30\x82\x01\x00";
    der += std::string(256, '\x01');
    return "-----BEGIN CERTIFICATE-----\n" + satsim::base64::encode(der) +
           "\n-----END CERTIFICATE-----\n";
}

namespace {

void setEnvironment(const char* name, const std::string& value)
{
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#if defined(_WIN32)
// cmd.exe runs the command: double quotes, and a double quote inside doubled.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// A text-mode stream on Windows ends its lines in CR LF.
std::string withoutCarriageReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}
#else
std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string withoutCarriageReturns(std::string text)
{
    return text;
}
#endif

} // namespace

void SimulatorTest::SetUp()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    folder_ = fs::path(SIMULATOR_TEST_DIR) / name;
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    useStateFile(statePath());
}

void SimulatorTest::TearDown()
{
    if (!HasFailure())
        fs::remove_all(folder_);
}

void SimulatorTest::useStateFile(const fs::path& path)
{
    setEnvironment("SATSIM_STATE", path.string());
}

std::vector<std::string> SimulatorTest::fields(const SatResponse& response) const
{
    std::vector<std::string> parts;
    for (std::size_t n = 1; n <= response.fieldCount(); ++n)
        parts.emplace_back(*response.field(n));
    return parts;
}

std::string SimulatorTest::field(const SatResponse& response, std::size_t n) const
{
    const auto value = response.field(n);
    return value ? std::string(*value) : std::string("<none>");
}

void SimulatorTest::activate(const std::string& code)
{
    const SatResponse response = client.AtivarSAT(1, code, demo::taxpayer, 35);
    ASSERT_EQ(error().code, 4000) << response.text();
    ASSERT_TRUE(context.setActivationCode(code));
}

void SimulatorTest::associate()
{
    client.AssociarAssinatura(demo::softwareHouse + demo::taxpayer, demo::signature);
    ASSERT_EQ(error().code, 13000) << error().msg;
}

std::string SimulatorTest::sell(const std::string& document)
{
    const SatResponse response = client.EnviarDadosVenda(document);
    EXPECT_EQ(error().code, 6000) << response.text();
    const std::string key = field(response, 9);
    EXPECT_EQ(key.size(), 47u) << response.text();
    return key;
}

std::string SimulatorTest::cancelDocument(const std::string& key) const
{
    std::string document = sample("cancelamento.xml");
    const std::string placeholder = "\"CFe" + std::string(44, '0');
    const std::size_t at = document.find(placeholder);
    if (at != std::string::npos)
        document.replace(at + 1, key.size(), key);
    return document;
}

SimulatorTest::Run SimulatorTest::satsim(const std::vector<std::string>& args)
{
    std::string command = quoted(fs::path(SATSIM_PROGRAM).make_preferred().string()) + " --state " +
                          quoted(statePath().string());
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    const fs::path out = folder_ / "satsim.out";
    const fs::path err = folder_ / "satsim.err";
    command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
    Run run;
#if defined(_WIN32)
    // cmd /c takes away the first and the last quote of a line that starts with one.
    command = "\"" + command + "\"";
#endif
    const int status = std::system(command.c_str());
#if defined(_WIN32)
    run.exitCode = status;
#else
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.out = withoutCarriageReturns(readAll(out));
    run.err = withoutCarriageReturns(readAll(err));
    return run;
}

std::string SimulatorTest::sample(const std::string& name)
{
    return readAll(fs::path(SIMULATOR_SAMPLES) / name);
}
