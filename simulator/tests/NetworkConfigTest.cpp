#include "NetworkConfig.h"

#include "CaseName.h"

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

struct Refused {
    const char* name;
    std::string from;
    std::string to;
    const char* error;
};

class RefusedConfig : public testing::TestWithParam<Refused> {};

TEST_P(RefusedConfig, SaysWhy)
{
    std::string document = fixed();
    const std::size_t at = document.find(GetParam().from);
    ASSERT_NE(at, std::string::npos);
    document.replace(at, GetParam().from.size(), GetParam().to);
    const satsim::NetworkParse parsed = satsim::parseNetworkConfig(document);
    EXPECT_FALSE(parsed.network);
    EXPECT_EQ(parsed.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    NetworkConfig, RefusedConfig,
    testing::Values(
        Refused{"groupAbove255", "192.168.001.010", "192.168.001.999",
                "lanIP \"192.168.001.999\" não é um endereço IPv4 válido"},
        Refused{"threeGroups", "<lanGW>192.168.001.001", "<lanGW>192.168.001",
                "lanGW \"192.168.001\" não é um endereço IPv4 válido"},
        Refused{"zeroAddress", "192.168.001.010", "000.000.000.000",
                "lanIP \"000.000.000.000\" não é um endereço IPv4 válido"},
        Refused{"maskWithHoles", "255.255.255.000", "255.000.255.000",
                "lanMask 255.000.255.000 não é uma máscara de rede válida"},
        Refused{"noDns1", "<lanDNS1>192.168.001.001</lanDNS1>", "", "elemento lanDNS1 ausente"},
        Refused{"wifiWithoutSsid", ">ETHE<", ">WIFI<", "rede WIFI sem SSID"},
        Refused{"unknownInterface", ">ETHE<", ">USB<",
                "tipoInter deve ser ETHE ou WIFI, não \"USB\""},
        Refused{"noInterface", "<tipoInter>ETHE</tipoInter>", "", "elemento tipoInter ausente"},
        Refused{"unknownLanType", ">IPFIX<", ">STATIC<",
                "tipoLan deve ser DHCP, IPFIX ou PPPoE, não \"STATIC\""},
        Refused{"proxyMode3", "<proxy>0</proxy>", "<proxy>3</proxy>",
                "proxy deve ser 0, 1 ou 2, não \"3\""},
        Refused{"authenticatedProxyWithoutAddress", "<proxy>0</proxy>", "<proxy>1</proxy>",
                "proxy_ip \"\" não é um endereço IPv4 válido"},
        Refused{"otherRoot", "<config>", "<rede>",
                "XML mal formado: a marca de fechamento não corresponde à de abertura (linha 2, "
                "coluna 297)"},
        Refused{"rootNotConfig", "<config>", "<rede/><config>",
                "XML mal formado: há conteúdo depois do elemento raiz (linha 2, coluna 8)"}),
    CaseName());

TEST(NetworkConfig, PortOutOfRangeIsRefused)
{
    const auto parsed = satsim::parseNetworkConfig(
        fixed("<proxy>1</proxy><proxy_ip>10.0.0.5</proxy_ip><proxy_porta>65536</proxy_porta>"
              "<proxy_user/><proxy_senha/>"));
    EXPECT_EQ(parsed.error, "proxy_porta \"65536\" não é uma porta válida");
}

struct Address {
    const char* name;
    const char* text;
    std::optional<std::string> normal;
};

class Addresses : public testing::TestWithParam<Address> {};

TEST_P(Addresses, AreZeroPaddedGroups)
{
    EXPECT_EQ(satsim::normaliseAddress(GetParam().text), GetParam().normal);
}

INSTANTIATE_TEST_SUITE_P(NetworkConfig, Addresses,
                         testing::Values(Address{"short", "10.0.0.1", "010.000.000.001"},
                                         Address{"padded", "192.168.001.010", "192.168.001.010"},
                                         Address{"maximum", "255.255.255.255", "255.255.255.255"},
                                         Address{"fourDigits", "1000.0.0.1", std::nullopt},
                                         Address{"emptyGroup", "10..0.1", std::nullopt},
                                         Address{"fiveGroups", "1.2.3.4.5", std::nullopt},
                                         Address{"blanks", " 10.0.0.1", std::nullopt},
                                         Address{"sign", "+1.0.0.1", std::nullopt},
                                         Address{"empty", "", std::nullopt}),
                         CaseName());

} // namespace
