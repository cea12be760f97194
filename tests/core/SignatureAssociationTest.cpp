#include "SignatureAssociation.h"
#include "AppContext.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

namespace {

using Arg = std::optional<std::string>;

const std::string taxpayer = "48.213.907/0001-65";
const std::string softwareHouse = "11.222.333/0001-81";
const std::string blanks30(30, ' ');
const std::string invalidTaxpayer =
    std::string(10, ' ') + "CNPJ Contribuinte Inválido." + std::string(9, ' ');
const std::string invalidSoftwareHouse =
    std::string(10, ' ') + "CNPJ Software House Inválido." + std::string(9, ' ');

class SignatureAssociationTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(context.setActivationCode("12345678")); }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    SignatureAssociation association{client};
};

struct Cnpjs {
    std::string taxpayer;
    std::string softwareHouse;
};

// The two CNPJ fields, and the one message shown.
class SignatureRefusal : public SignatureAssociationTest,
                         public testing::WithParamInterface<Row<Cnpjs, std::string>> {};

TEST_P(SignatureRefusal, TaxpayerFirstAndNothingSent)
{
    const Cnpjs& typed = GetParam().input;
    const Outcome outcome = association.associate(typed.taxpayer, typed.softwareHouse, "sig");
    EXPECT_EQ(outcome.messages, std::vector<std::string>{GetParam().expected});
    EXPECT_EQ(outcome.kind, Outcome::Kind::BadInput);
    EXPECT_TRUE(device.calls().empty());
}

INSTANTIATE_TABLE(
    SignatureAssociation, SignatureRefusal,
    {"untouchedTaxpayer", {"  .   .   /    -  ", softwareHouse}, invalidTaxpayer},
    {"bothInvalid", {"48.213.907/0001-64", "  .   .   /    -  "}, invalidTaxpayer},
    {"optionalPositionBlank", {"48.213.9 7/0001-65", softwareHouse}, invalidTaxpayer},
    {"softwareHouseCheckDigit", {taxpayer, "11.222.333/0001-80"}, invalidSoftwareHouse},
    {"softwareHouseUntouched", {taxpayer, "  .   .   /    -  "}, invalidSoftwareHouse});

TEST_F(SignatureAssociationTest, MessagesKeepTheirBlanks)
{
    EXPECT_EQ(SignatureAssociation::invalidTaxpayer, invalidTaxpayer);
    EXPECT_EQ(SignatureAssociation::invalidSoftwareHouse, invalidSoftwareHouse);
}

struct SentCase {
    const char* name;
    std::string taxpayer;
    std::string softwareHouse;
    std::string signature;
    std::string cnpjArgument;
    std::string signatureArgument;
};

class SignatureSent : public SignatureAssociationTest,
                      public testing::WithParamInterface<SentCase> {};

TEST_P(SignatureSent, ExactArguments)
{
    const SentCase& c = GetParam();
    device.setFallback({"ignored", 13000, "Assinatura associada"});
    const Outcome outcome = association.associate(c.taxpayer, c.softwareHouse, c.signature);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Assinatura associada" + blanks30});
    EXPECT_EQ(outcome.kind, Outcome::Kind::Done);
    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "AssociarAssinatura");
    EXPECT_EQ(calls[0].args,
              (std::vector<Arg>{"12", "12345678", c.cnpjArgument, c.signatureArgument}));
    EXPECT_EQ(calls[1].function, "CodigoErro");
}

INSTANTIATE_TEST_SUITE_P(
    SignatureAssociation, SignatureSent,
    testing::Values(
        SentCase{"softwareHouseFirst", taxpayer, softwareHouse, "abc",
                 "1122233300018148213907000165", "abc"},
        SentCase{"swappedFieldsSwapHalves", softwareHouse, taxpayer, "abc",
                 "4821390700016511222333000181", "abc"},
        SentCase{"crLfRemovedBlanksKept", taxpayer, softwareHouse, "ab c\r\nde\r\n",
                 "1122233300018148213907000165", "ab cde"},
        SentCase{"loneAndRunsOfLineEnds", taxpayer, softwareHouse, "\na\rb\n\n\r\r\nc \r",
                 "1122233300018148213907000165", "abc "},
        SentCase{"empty", taxpayer, softwareHouse, "", "1122233300018148213907000165", ""},
        SentCase{"windows1252", taxpayer, softwareHouse, "assinatura ção",
                 "1122233300018148213907000165", "assinatura \xE7\xE3o"},
        SentCase{"longerThan499IsSentWhole", taxpayer, softwareHouse, std::string(2000, 'Q'),
                 "1122233300018148213907000165", std::string(2000, 'Q')}),
    CaseName());

TEST_F(SignatureAssociationTest, EmptyStoredCodeIsSentEmpty)
{
    context.clearActivationCode();
    association.associate(taxpayer, softwareHouse, "s");
    ASSERT_FALSE(device.calls().empty());
    EXPECT_EQ(device.calls()[0].args.at(1), Arg(""));
}

TEST_F(SignatureAssociationTest, TransportCodeShowsItsMessageNeverTheResult)
{
    device.setFallback({"000012|13000|Assinatura associada com Sucesso", 4, "device text"});
    const Outcome outcome = association.associate(taxpayer, softwareHouse, "s");
    EXPECT_EQ(outcome.messages,
              std::vector<std::string>{"    Comando recebido do equipamento não reconhecido.  "});
    EXPECT_EQ(outcome.kind, Outcome::Kind::Transport);
}

TEST(SignatureAssociationWithoutLibrary, IsToldWithoutACrash)
{
    AppContext context;
    SatClient client(context, "libnosuchdevice.so");
    SignatureAssociation association(client);
    const Outcome outcome = association.associate(taxpayer, softwareHouse, "s");
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages[0].find("libnosuchdevice.so"), std::string::npos);
    EXPECT_EQ(outcome.kind, Outcome::Kind::Transport);
}

} // namespace
