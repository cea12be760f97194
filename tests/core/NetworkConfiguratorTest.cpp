#include "NetworkConfigurator.h"
#include "AppContext.h"
#include "DynamicLibrary.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Mode = NetworkSettings::AddressMode;

const std::string untouched = "   .   .   .   ";
const std::string declaration = "<?xml version=\"1.0\"?>\n";
const std::string noProxy = "<proxy>0</proxy><proxy_ip/><proxy_porta/><proxy_user/><proxy_senha/>";

#if defined(_WIN32)
const char* const partialXml = "xml2_partial.dll";
const char* const absentXml = "libxml2-absent.dll";
#else
const char* const partialXml = "libxml2_partial.so";
const char* const absentXml = "libxml2-absent.so.2";
#endif

// Windows test machines have no libxml2: there the tests that build documents cannot run.
#define NEEDS_LIBXML2()                                                                            \
    do {                                                                                           \
        if (!libxml2Present())                                                                     \
            GTEST_SKIP() << NetworkConfigurator::libraryXml << " is not installed";                \
    } while (false)

bool libxml2Present()
{
#if defined(_WIN32)
    static const bool present =
        dynlib::load(std::string(NetworkConfigurator::libraryXml)).handle != nullptr;
    return present;
#else
    return true; // a run-time dependency of the program on every other platform
#endif
}

NetworkSettings ipfix(std::string ip, std::string mask, std::string gw, std::string dns1,
                      std::string dns2)
{
    NetworkSettings s;
    s.addressMode = Mode::IPFIX;
    s.ipSat = std::move(ip);
    s.mask = std::move(mask);
    s.gateway = std::move(gw);
    s.dns1 = std::move(dns1);
    s.dns2 = std::move(dns2);
    s.ipProxy = untouched;
    return s;
}

NetworkSettings dhcp(std::string user, std::string password)
{
    NetworkSettings s;
    s.user = std::move(user);
    s.password = std::move(password);
    s.ipSat = s.mask = s.gateway = s.dns1 = s.dns2 = s.ipProxy = untouched;
    return s;
}

NetworkSettings withProxy(NetworkSettings s, int index, std::string address, std::string port,
                          std::string user, std::string password)
{
    s.proxyIndex = index;
    s.ipProxy = std::move(address);
    s.port = std::move(port);
    s.userProxy = std::move(user);
    s.passProxy = std::move(password);
    return s;
}

// Child elements of the root: every element closes once, the root included.
std::size_t children(const std::string& document)
{
    std::size_t count = 0;
    for (std::size_t at = document.find("</"); at != std::string::npos;
         at = document.find("</", at + 2))
        ++count;
    for (std::size_t at = document.find("/>"); at != std::string::npos;
         at = document.find("/>", at + 2))
        ++count;
    return count - 1;
}

using FormatAddress = TableTest<std::string>; // the masked field, and the address sent

TEST_P(FormatAddress, GivesFourGroupsOfAtLeastThreeDigits)
{
    EXPECT_EQ(NetworkConfigurator::formatAddress(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(NetworkConfigurator, FormatAddress, {"untouched", untouched, "000.000.000.000"},
                  {"typedIntoTheMask", "10 .0  .0  .1  ", "010.000.000.001"},
                  {"full", "192.168.1  .10 ", "192.168.001.010"},
                  {"group999StaysAbove255", "999.255.255.0  ", "999.255.255.000"},
                  {"group1", "1  .1  .1  .1  ", "001.001.001.001"},
                  {"leadingBlanks", "  1.  2.  3.  4", "001.002.003.004"},
                  {"digitsThenOther", "12x.3 4.5.6", "012.003.005.006"},
                  {"noDigits", "ab.1.1.1", "000.001.001.001"},
                  {"signTaken", "-5.+7.1.1", "-05.007.001.001"},
                  {"missingGroupsAreZero", "1.2", "001.002.000.000"},
                  {"empty", "", "000.000.000.000"},
                  {"textAfterTheFourthGroup", "1.2.3.4.5", "001.002.003.004"},
                  {"hugeGroupSaturates", "99999999999999999999.1.1.1", "2147483647.001.001.001"});

struct DocumentCase {
    const char* name;
    NetworkSettings settings;
    std::string config; // the line after the declaration
    std::size_t children;
};

class BuildDocument : public testing::TestWithParam<DocumentCase> {
protected:
    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    NetworkConfigurator configurator{client};
};

TEST_P(BuildDocument, SerialisesByteForByte)
{
    NEEDS_LIBXML2();
    const NetworkConfigurator::Document document = configurator.buildDocument(GetParam().settings);
    ASSERT_TRUE(document.built()) << document.failure;
    EXPECT_EQ(document.text, declaration + GetParam().config + "\n");
    EXPECT_EQ(children(document.text), GetParam().children);
    EXPECT_TRUE(device.calls().empty());
}

const std::string proxyFieldsFilled = "<proxy_porta>8080</proxy_porta><proxy_user>ana</proxy_user>"
                                      "<proxy_senha>s3nha</proxy_senha>";

INSTANTIATE_TEST_SUITE_P(
    NetworkConfigurator, BuildDocument,
    testing::Values(
        DocumentCase{"dhcpEmptyUserAndPassword", dhcp("", ""),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan><usuario></usuario>"
                     "<senha></senha>" +
                         noProxy + "</config>",
                     9},
        DocumentCase{"dhcpUserAndPassword", dhcp("tecnico", "segredo 1"),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan>"
                     "<usuario>tecnico</usuario><senha>segredo 1</senha>" +
                         noProxy + "</config>",
                     9},
        DocumentCase{"ipfixExample",
                     ipfix("192.168.1  .10 ", "255.255.255.0  ", "192.168.1  .1  ",
                           "192.168.1  .1  ", untouched),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
                     "<lanIP>192.168.001.010</lanIP><lanMask>255.255.255.000</lanMask>"
                     "<lanGW>192.168.001.001</lanGW><lanDNS1>192.168.001.001</lanDNS1>"
                     "<lanDNS2>000.000.000.000</lanDNS2>" +
                         noProxy + "</config>",
                     12},
        DocumentCase{"ipfixUntouched", ipfix(untouched, untouched, untouched, untouched, untouched),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
                     "<lanIP>000.000.000.000</lanIP><lanMask>000.000.000.000</lanMask>"
                     "<lanGW>000.000.000.000</lanGW><lanDNS1>000.000.000.000</lanDNS1>"
                     "<lanDNS2>000.000.000.000</lanDNS2>" +
                         noProxy + "</config>",
                     12},
        DocumentCase{"ipfixGroups999And1",
                     ipfix("999.1  .1  .1  ", untouched, untouched, untouched, untouched),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
                     "<lanIP>999.001.001.001</lanIP><lanMask>000.000.000.000</lanMask>"
                     "<lanGW>000.000.000.000</lanGW><lanDNS1>000.000.000.000</lanDNS1>"
                     "<lanDNS2>000.000.000.000</lanDNS2>" +
                         noProxy + "</config>",
                     12},
        DocumentCase{"noProxyIgnoresFilledProxyFields",
                     withProxy(dhcp("", ""), 0, "10 .0  .0  .9  ", "8080", "ana", "s3nha"),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan><usuario></usuario>"
                     "<senha></senha>" +
                         noProxy + "</config>",
                     9},
        DocumentCase{"authenticatedProxyUntouchedAddress",
                     withProxy(dhcp("", ""), 1, untouched, "8080", "ana", "s3nha"),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan><usuario></usuario>"
                     "<senha></senha><proxy>1</proxy><proxy_ip></proxy_ip>" +
                         proxyFieldsFilled + "</config>",
                     9},
        DocumentCase{"transparentProxyUntouchedAddress",
                     withProxy(dhcp("", ""), 2, untouched, "8080", "ana", "s3nha"),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan><usuario></usuario>"
                     "<senha></senha><proxy>2</proxy><proxy_ip></proxy_ip>" +
                         proxyFieldsFilled + "</config>",
                     9},
        DocumentCase{"typedProxyTextIsMode2WithAddress",
                     withProxy(ipfix(untouched, untouched, untouched, untouched, untouched), -1,
                               "10 .0  .0  .9  ", "", "", ""),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
                     "<lanIP>000.000.000.000</lanIP><lanMask>000.000.000.000</lanMask>"
                     "<lanGW>000.000.000.000</lanGW><lanDNS1>000.000.000.000</lanDNS1>"
                     "<lanDNS2>000.000.000.000</lanDNS2><proxy>2</proxy>"
                     "<proxy_ip>010.000.000.009</proxy_ip><proxy_porta></proxy_porta>"
                     "<proxy_user></proxy_user><proxy_senha></proxy_senha></config>",
                     12},
        DocumentCase{"portAsTyped", withProxy(dhcp("", ""), 1, untouched, "80a 0", "", ""),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan><usuario></usuario>"
                     "<senha></senha><proxy>1</proxy><proxy_ip></proxy_ip>"
                     "<proxy_porta>80a 0</proxy_porta><proxy_user></proxy_user>"
                     "<proxy_senha></proxy_senha></config>",
                     9},
        DocumentCase{"ampersandAndLessThanEscapedAndWhole",
                     withProxy(dhcp("a<b", "p&ss<w>rd"), 1, untouched, "", "", "x&y<z"),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan>"
                     "<usuario>a&lt;b</usuario><senha>p&amp;ss&lt;w&gt;rd</senha>"
                     "<proxy>1</proxy><proxy_ip></proxy_ip><proxy_porta></proxy_porta>"
                     "<proxy_user></proxy_user><proxy_senha>x&amp;y&lt;z</proxy_senha></config>",
                     9},
        DocumentCase{"nonAsciiAsCharacterReferences", dhcp("José", "Ção€"),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan>"
                     "<usuario>Jos&#xE9;</usuario><senha>&#xC7;&#xE3;o&#x20AC;</senha>" +
                         noProxy + "</config>",
                     9},
        DocumentCase{"invalidUtf8BecomesReplacementCharacter", dhcp("ab\xE9z", ""),
                     "<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan>"
                     "<usuario>ab&#xFFFD;z</usuario><senha></senha>" +
                         noProxy + "</config>",
                     9}),
    CaseName());

// What the presses of a test left on the screen: the text area's entries and the messages.
struct Presses {
    explicit Presses(NetworkConfigurator& pressed) : configurator(pressed) {}
    NetworkConfigurator& configurator;
    std::vector<std::string> memo;
    std::vector<std::string> shown;

    NetworkConfigurator::Sent operator()(const NetworkSettings& settings)
    {
        NetworkConfigurator::Sent sent = configurator.apply(settings);
        if (sent.entry)
            memo.push_back(*sent.entry);
        shown.insert(shown.end(), sent.messages.begin(), sent.messages.end());
        return sent;
    }
};

class ApplyTest : public testing::Test {
protected:
    void answer(const std::string& result, int code, const std::string& msg)
    {
        device.script("ConfigurarInterfaceDeRede", {result, code, msg});
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    NetworkConfigurator configurator{client};
    Presses apply{configurator};
};

const std::string accepted = "000345|12000|Rede Configurada com Sucesso||";
const std::string acceptedMsg = "Rede Configurada com Sucesso";
const std::string blanks30(30, ' ');

TEST_F(ApplyTest, SendsSessionDefaultCodeAndTheExactDocumentThenReadsTheErrorRecord)
{
    NEEDS_LIBXML2();
    answer(accepted, 0, acceptedMsg);
    const NetworkSettings settings = ipfix("192.168.1  .10 ", "255.255.255.0  ", "192.168.1  .1  ",
                                           "192.168.1  .1  ", untouched);
    const auto outcome = apply(settings);

    const std::string expected = configurator.buildDocument(settings).text;
    const auto calls = device.calls();
    ASSERT_EQ(device.functions(),
              (std::vector<std::string>{"ConfigurarInterfaceDeRede", "CodigoErro"}));
    ASSERT_EQ(calls[0].args.size(), 3u);
    EXPECT_EQ(calls[0].args[0], "12");
    EXPECT_EQ(calls[0].args[1], "24681357");
    EXPECT_EQ(calls[0].args[2], expected);
    EXPECT_EQ(outcome.document, expected);
    EXPECT_TRUE(outcome.entry);
    EXPECT_EQ(apply.memo, std::vector<std::string>{expected.substr(0, expected.size() - 1)});
    EXPECT_EQ(apply.shown, std::vector<std::string>{acceptedMsg + blanks30});
}

TEST_F(ApplyTest, SendsTheStoredCode)
{
    NEEDS_LIBXML2();
    ASSERT_TRUE(context.setActivationCode("12345678"));
    answer(accepted, 0, acceptedMsg);
    apply(dhcp("", ""));
    EXPECT_EQ(device.calls().at(0).args.at(1), "12345678");
}

struct Report {
    bool appended;
    std::string message;
};

class ApplyReport : public ApplyTest,
                    public testing::WithParamInterface<Row<TestDevice::Answer, Report>> {};

TEST_P(ApplyReport, AppendsOnSucessoAndShowsOneMessage)
{
    NEEDS_LIBXML2();
    const Report& report = GetParam().expected;
    device.script("ConfigurarInterfaceDeRede", GetParam().input);
    const auto outcome = apply(dhcp("u", "p"));
    EXPECT_EQ(outcome.entry.has_value(), report.appended);
    EXPECT_EQ(apply.memo.size(), report.appended ? 1u : 0u);
    EXPECT_EQ(apply.shown, std::vector<std::string>{report.message});
}

INSTANTIATE_TABLE(NetworkConfigurator, ApplyReport,
                  {"success", {accepted, 0, acceptedMsg}, {true, acceptedMsg + blanks30}},
                  {"sucessoAnywhere", {"xSucessox", 2, "outra"}, {true, "outra" + blanks30}},
                  {"lowerCaseIsNoSuccess",
                   {"000345|12000|Rede configurada com sucesso||", 0, "ok"},
                   {false, "ok" + blanks30}},
                  {"capitalsAreNoSuccess", {"SUCESSO", 0, "ok"}, {false, "ok" + blanks30}},
                  {"refused",
                   {"000345|12098|Erro||", 12098, "Erro na configuração"},
                   {false, "Erro na configuração" + blanks30}},
                  {"transportCodeWithSucessoStillAppends",
                   {accepted, 32769, acceptedMsg},
                   {true, "   Sem Sinal CTS.   "}},
                  {"transportCodeWithoutSucesso",
                   {"", 1, "x"},
                   {false, "   Porta de comunicação não conectada.   "}},
                  {"noResultText",
                   {std::nullopt, 0, "sem texto"},
                   {false, "sem texto" + blanks30}});

TEST_F(ApplyTest, TwoSuccessfulPressesLeaveTwoEntries)
{
    NEEDS_LIBXML2();
    answer(accepted, 0, acceptedMsg);
    answer(accepted, 0, acceptedMsg);
    apply(dhcp("first", ""));
    apply(dhcp("second", ""));
    ASSERT_EQ(apply.memo.size(), 2u);
    EXPECT_NE(apply.memo[0].find("<usuario>first</usuario>"), std::string::npos);
    EXPECT_NE(apply.memo[1].find("<usuario>second</usuario>"), std::string::npos);
    EXPECT_EQ(apply.shown.size(), 2u);
}

TEST_F(ApplyTest, NonAsciiReachesTheDeviceAsReferencesAndShowsAsTyped)
{
    NEEDS_LIBXML2();
    answer(accepted, 0, acceptedMsg);
    apply(dhcp("José", "Ção"));
    const std::string sent = *device.calls().at(0).args.at(2);
    EXPECT_NE(sent.find("<usuario>Jos&#xE9;</usuario><senha>&#xC7;&#xE3;o</senha>"),
              std::string::npos);
    for (const char c : sent)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80u);
    ASSERT_EQ(apply.memo.size(), 1u);
    EXPECT_NE(apply.memo[0].find("<usuario>José</usuario><senha>Ção</senha>"), std::string::npos);
}

TEST_F(ApplyTest, TextsOfAHundredCharactersOrMoreGoWhole)
{
    NEEDS_LIBXML2();
    answer(accepted, 0, acceptedMsg);
    const std::string user(150, 'u');
    const std::string password = std::string(120, 'p') + "&";
    apply(withProxy(dhcp(user, password), 1, untouched, std::string(100, '9'),
                    std::string(200, 'x'), ""));
    const std::string sent = *device.calls().at(0).args.at(2);
    EXPECT_NE(sent.find("<usuario>" + user + "</usuario>"), std::string::npos);
    EXPECT_NE(sent.find("<senha>" + std::string(120, 'p') + "&amp;</senha>"), std::string::npos);
    EXPECT_NE(sent.find("<proxy_porta>" + std::string(100, '9') + "</proxy_porta>"),
              std::string::npos);
    EXPECT_NE(sent.find("<proxy_user>" + std::string(200, 'x') + "</proxy_user>"),
              std::string::npos);
}

TEST(NetworkConfiguratorLibraries, MissingLibxml2SendsNothingAndNamesTheLibrary)
{
    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    NetworkConfigurator configurator{client, absentXml};
    Presses apply{configurator};

    const auto outcome = apply(dhcp("", ""));
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(apply.memo.empty());
    EXPECT_TRUE(outcome.document.empty());
    ASSERT_EQ(apply.shown.size(), 1u);
    EXPECT_EQ(apply.shown[0].rfind(
                  std::string("Não foi possível carregar a biblioteca \"") + absentXml + "\"", 0),
              0u)
        << apply.shown[0];
    EXPECT_NE(apply.shown[0].find("A configuração de rede não foi enviada ao SAT."),
              std::string::npos);

    // Each press tries again, and is told again.
    apply(dhcp("", ""));
    EXPECT_EQ(apply.shown.size(), 2u);
    EXPECT_TRUE(device.calls().empty());
}

TEST(NetworkConfiguratorLibraries, MissingFunctionSendsNothingBuildsNothingAndNamesIt)
{
    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    NetworkConfigurator configurator{client, partialXml};
    Presses apply{configurator};

    apply(dhcp("", ""));
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(apply.memo.empty());
    EXPECT_EQ(apply.shown,
              std::vector<std::string>{std::string("A função \"xmlDocDumpMemory\" não foi "
                                                   "encontrada na biblioteca \"") +
                                       partialXml +
                                       "\".\nA configuração de rede não foi "
                                       "enviada ao SAT."});
    dynlib::Handle fake = dynlib::load(partialXml).handle;
    ASSERT_NE(fake, nullptr);
    const auto callCount = dynlib::function<int (*)()>(fake, "FakeXml_CallCount");
    ASSERT_NE(callCount, nullptr);
    EXPECT_EQ(callCount(), 0);
}

TEST(NetworkConfiguratorLibraries, MissingDeviceLibraryIsToldAndNothingIsAppended)
{
    NEEDS_LIBXML2();
    AppContext context;
    SatClient client{context, "libdllsat-absent.so"};
    NetworkConfigurator configurator{client};
    Presses apply{configurator};

    const auto outcome = apply(dhcp("", ""));
    EXPECT_TRUE(apply.memo.empty());
    EXPECT_TRUE(outcome.document.empty());
    ASSERT_EQ(apply.shown.size(), 1u);
    EXPECT_NE(apply.shown[0].find("libdllsat-absent.so"), std::string::npos);
}

// The settings, and the field named.
class RefusedText : public ApplyTest,
                    public testing::WithParamInterface<Row<NetworkSettings, std::string>> {};

// libxml2 writes an element whose text holds such a character as an empty element, and a zero
// byte ends the text it is given: the device would get an empty or a cut password.
TEST_P(RefusedText, ATextXmlCannotCarryIsRefusedNamingItsFieldAndNothingIsSent)
{
    const NetworkConfigurator::Document document = configurator.buildDocument(GetParam().input);
    EXPECT_FALSE(document.built());
    EXPECT_TRUE(document.text.empty());
    const std::string message = "O campo \"" + GetParam().expected +
                                "\" contém um caractere que o documento de configuração de rede "
                                "não admite (um caractere de controle, por exemplo).\n"
                                "A configuração de rede não foi enviada ao SAT.";
    EXPECT_EQ(document.failure, message);

    const auto outcome = apply(GetParam().input);
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(outcome.document.empty());
    EXPECT_TRUE(apply.memo.empty());
    EXPECT_EQ(apply.shown, std::vector<std::string>{message});
}

INSTANTIATE_TABLE(NetworkConfigurator, RefusedText,
                  {"controlCharacterInThePassword", dhcp("tecnico", "sen\x01ha"), "Senha"},
                  {"zeroByteInThePassword", dhcp("", std::string("sen\0ha", 6)), "Senha"},
                  {"escapeInTheUser", dhcp("\x1B[1m", ""), "Usuário"},
                  {"nonCharacterFFFFInTheUser", dhcp("a\xEF\xBF\xBF", ""), "Usuário"},
                  {"nonCharacterFFFEInTheProxyPort",
                   withProxy(dhcp("", ""), 1, untouched, "80\xEF\xBF\xBE", "", ""), "Porta"},
                  {"controlCharacterInTheProxyUser",
                   withProxy(dhcp("", ""), 2, untouched, "", "ana\x7F\x1F", ""),
                   "Usuário do proxy"},
                  {"controlCharacterInTheProxyPassword",
                   withProxy(dhcp("", ""), -1, untouched, "", "", "\x08"), "Senha do proxy"},
                  {"theFirstFieldIsNamed",
                   withProxy(dhcp("\x02", "\x03"), 1, untouched, "", "", "\x04"), "Usuário"});

TEST_F(ApplyTest, TabLineFeedAndCarriageReturnGoWholeAndFieldsNotSentAreNotChecked)
{
    NEEDS_LIBXML2();
    // The fixed-address fields and the proxy's texts are not sent here: what they hold is not
    // checked.
    NetworkSettings settings =
        withProxy(dhcp("a\tb", "c\nd\re\x7F"), 0, untouched, "\x01", "\x01", std::string(1, '\0'));
    settings.ipSat = "\x01";
    const NetworkConfigurator::Document document = configurator.buildDocument(settings);
    ASSERT_TRUE(document.built()) << document.failure;
    EXPECT_NE(document.text.find("<usuario>a\tb</usuario><senha>c\nd&#xD;e\x7F</senha>"),
              std::string::npos)
        << document.text;
}

using DisplayText = TableTest<std::string>; // the document, and the text shown

TEST_P(DisplayText, ShowsNonAsciiReferencesAsCharacters)
{
    EXPECT_EQ(NetworkConfigurator::displayText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(NetworkConfigurator, DisplayText,
                  {"closingLineFeedDropped", "<a>\n<b/>\n", "<a>\n<b/>"},
                  {"latin", "<u>Jos&#xE9;</u>", "<u>José</u>"},
                  {"euroAndAstral", "&#x20AC;&#x1F600;", "€\xF0\x9F\x98\x80"},
                  {"entitiesStay", "a&amp;#xE9;b&lt;", "a&amp;#xE9;b&lt;"},
                  {"controlReferencesStay", "a&#xD;b&#x9F;", "a&#xD;b&#x9F;"},
                  {"surrogateStays", "&#xD800;", "&#xD800;"},
                  {"unterminatedStays", "&#xE9", "&#xE9"}, {"notHexStays", "&#xZZ;", "&#xZZ;"});

} // namespace
