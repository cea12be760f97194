#include "NetworkConfig.h"

#include "Table.h"

#include <gtest/gtest.h>

namespace {

// The documents the manager builds: a declaration line, the config element, a line feed.
std::string fixed(const std::string& proxy = "<proxy>0</proxy><proxy_ip/><proxy_porta/>"
                                             "<proxy_user/><proxy_senha/>")
{
    return "<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
           "<lanIP>192.168.001.010</lanIP><lanMask>255.255.255.000</lanMask>"
           "<lanGW>192.168.001.001</lanGW><lanDNS1>192.168.001.001</lanDNS1>"
           "<lanDNS2>000.000.000.000</lanDNS2>" +
           proxy + "</config>\n";
}

TEST(NetworkConfig, FixedAddressesAsTheManagerSendsThem)
{
    const satsim::NetworkParse parsed = satsim::parseNetworkConfig(fixed());
    ASSERT_TRUE(parsed.network) << parsed.error;
    const satsim::NetworkState& n = *parsed.network;
    EXPECT_EQ(n.interfaceType, "ETHE");
    EXPECT_EQ(n.lanType, "IPFIX");
    EXPECT_EQ(n.ip, "192.168.001.010");
    EXPECT_EQ(n.mask, "255.255.255.000");
    EXPECT_EQ(n.gateway, "192.168.001.001");
    EXPECT_EQ(n.dns1, "192.168.001.001");
    EXPECT_EQ(n.dns2, "000.000.000.000");
    EXPECT_EQ(n.proxy, 0);
}

TEST(NetworkConfig, DhcpWithCredentialsAndAnAuthenticatedProxy)
{
    const satsim::NetworkParse parsed = satsim::parseNetworkConfig(
        "<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter><tipoLan>DHCP</tipoLan>"
        "<usuario>jo\xE3o</usuario><senha>a&amp;b&lt;c</senha><proxy>1</proxy>"
        "<proxy_ip>10.0.0.5</proxy_ip><proxy_porta>3128</proxy_porta><proxy_user>u</proxy_user>"
        "<proxy_senha></proxy_senha></config>\n");
    ASSERT_TRUE(parsed.network) << parsed.error;
    const satsim::NetworkState& n = *parsed.network;
    EXPECT_EQ(n.lanType, "DHCP");
    EXPECT_EQ(n.user, "joão");
    EXPECT_EQ(n.password, "a&b<c");
    EXPECT_EQ(n.proxy, 1);
    EXPECT_EQ(n.proxyIp, "010.000.000.005");
    EXPECT_EQ(n.proxyPort, "3128");
}

TEST(NetworkConfig, TransparentProxyNeedsNoAddress)
{
    const auto parsed = satsim::parseNetworkConfig(
        fixed("<proxy>2</proxy><proxy_ip/><proxy_porta></proxy_porta><proxy_user/>"
              "<proxy_senha/>"));
    ASSERT_TRUE(parsed.network) << parsed.error;
    EXPECT_EQ(parsed.network->proxy, 2);
    EXPECT_EQ(parsed.network->proxyIp, "");
}

struct Edit {
    std::string from;
    std::string to;
};

using RefusedConfig = TableTest<Edit, const char*>;

TEST_P(RefusedConfig, SaysWhy)
{
    std::string document = fixed();
    const std::size_t at = document.find(GetParam().input.from);
    ASSERT_NE(at, std::string::npos);
    document.replace(at, GetParam().input.from.size(), GetParam().input.to);
    const satsim::NetworkParse parsed = satsim::parseNetworkConfig(document);
    EXPECT_FALSE(parsed.network);
    EXPECT_EQ(parsed.error, GetParam().expected);
}

INSTANTIATE_TABLE(
    NetworkConfig, RefusedConfig,
    {"groupAbove255",
     {"192.168.001.010", "192.168.001.999"},
     "lanIP \"192.168.001.999\" não é um endereço IPv4 válido"},
    {"threeGroups",
     {"<lanGW>192.168.001.001", "<lanGW>192.168.001"},
     "lanGW \"192.168.001\" não é um endereço IPv4 válido"},
    {"zeroAddress",
     {"192.168.001.010", "000.000.000.000"},
     "lanIP \"000.000.000.000\" não é um endereço IPv4 válido"},
    {"maskWithHoles",
     {"255.255.255.000", "255.000.255.000"},
     "lanMask 255.000.255.000 não é uma máscara de rede válida"},
    {"noDns1", {"<lanDNS1>192.168.001.001</lanDNS1>", ""}, "elemento lanDNS1 ausente"},
    {"wifiWithoutSsid", {">ETHE<", ">WIFI<"}, "rede WIFI sem SSID"},
    {"unknownInterface", {">ETHE<", ">USB<"}, "tipoInter deve ser ETHE ou WIFI, não \"USB\""},
    {"noInterface", {"<tipoInter>ETHE</tipoInter>", ""}, "elemento tipoInter ausente"},
    {"unknownLanType",
     {">IPFIX<", ">STATIC<"},
     "tipoLan deve ser DHCP, IPFIX ou PPPoE, não \"STATIC\""},
    {"proxyMode3", {"<proxy>0</proxy>", "<proxy>3</proxy>"}, "proxy deve ser 0, 1 ou 2, não \"3\""},
    {"authenticatedProxyWithoutAddress",
     {"<proxy>0</proxy>", "<proxy>1</proxy>"},
     "proxy_ip \"\" não é um endereço IPv4 válido"},
    {"otherRoot",
     {"<config>", "<rede>"},
     "XML mal formado: a marca de fechamento não corresponde à de abertura (linha 2, "
     "coluna 297)"},
    {"rootNotConfig",
     {"<config>", "<rede/><config>"},
     "XML mal formado: há conteúdo depois do elemento raiz (linha 2, coluna 8)"});

TEST(NetworkConfig, PortOutOfRangeIsRefused)
{
    const auto parsed = satsim::parseNetworkConfig(
        fixed("<proxy>1</proxy><proxy_ip>10.0.0.5</proxy_ip><proxy_porta>65536</proxy_porta>"
              "<proxy_user/><proxy_senha/>"));
    EXPECT_EQ(parsed.error, "proxy_porta \"65536\" não é uma porta válida");
}

using Addresses = TableTest<const char*, std::optional<std::string>>;

TEST_P(Addresses, AreZeroPaddedGroups)
{
    EXPECT_EQ(satsim::normaliseAddress(GetParam().input), GetParam().expected);
}

INSTANTIATE_TABLE(NetworkConfig, Addresses, {"short", "10.0.0.1", "010.000.000.001"},
                  {"padded", "192.168.001.010", "192.168.001.010"},
                  {"maximum", "255.255.255.255", "255.255.255.255"},
                  {"fourDigits", "1000.0.0.1", std::nullopt},
                  {"emptyGroup", "10..0.1", std::nullopt},
                  {"fiveGroups", "1.2.3.4.5", std::nullopt}, {"blanks", " 10.0.0.1", std::nullopt},
                  {"sign", "+1.0.0.1", std::nullopt}, {"empty", "", std::nullopt});

} // namespace
