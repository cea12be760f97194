#include "OperationalStatus.h"
#include "AppContext.h"
#include "MenuState.h"
#include "Recorders.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <map>

#include <vector>

namespace {

// A successful answer of 28 fields; fields can be replaced or cut.
std::string statusAnswer(std::vector<std::pair<int, std::string>> changes = {}, int fields = 28)
{
    std::vector<std::string> f = {
        "000012",
        "10000",
        "Resposta com Sucesso",
        "0000",
        "",
        "900004019",
        "IPFIX",
        "192.168.001.010",
        "00:11:22:33:44:55",
        "255.255.255.000",
        "192.168.001.001",
        "008.008.008.008",
        "008.008.004.004",
        "CONECTADO",
        "ALTO",
        "4 GB",
        "12 MB",
        "20150901123456",
        "01.01.00",
        "0.07",
        "CFe35150948213907000165599000001230000011234561",
        "000122",
        "000123",
        "20150901120000",
        "20150901120500",
        "20150101",
        "20200101",
        "0",
    };
    for (const auto& [number, text] : changes)
        f.at(static_cast<std::size_t>(number - 1)) = text;
    std::string answer;
    for (int i = 0; i < fields; ++i)
        answer += (i ? "|" : "") + f.at(static_cast<std::size_t>(i));
    return answer;
}

struct Dates {
    std::string dateTime;
    std::string date;
};

using DeviceDates = TableTest<std::string, Dates>; // the device's field, and how it is shown

TEST_P(DeviceDates, KeepTheSeparatorsBeforeTheFirstMissingCharacter)
{
    EXPECT_EQ(formatDeviceDateTime(GetParam().input), GetParam().expected.dateTime);
    EXPECT_EQ(formatDeviceDate(GetParam().input), GetParam().expected.date);
}

INSTANTIATE_TABLE(OperationalStatus, DeviceDates,
                  {"full", "20150901123456", {"2015/09/01 12:34:56", "2015/09/01"}},
                  {"longer", "2015090112345699", {"2015/09/01 12:34:56", "2015/09/01"}},
                  {"dateOnly", "20150901", {"2015/09/01 ", "2015/09/01"}},
                  {"year", "2015", {"2015/", "2015/"}},
                  {"yearMonth", "201509", {"2015/09/", "2015/09/"}},
                  {"oneCharacter", "2", {"2", "2"}},
                  {"thirteen", "2015090112345", {"2015/09/01 12:34:5", "2015/09/01"}},
                  {"empty", "", {"", ""}});

TEST(OperationalStatus, StateTexts)
{
    EXPECT_EQ(operationStateText('0'), "Desbloqueado");
    EXPECT_EQ(operationStateText('1'), "Bloqueio SEFAZ");
    EXPECT_EQ(operationStateText('2'), "Bloqueio Contribuinte");
    EXPECT_EQ(operationStateText('3'), "Bloqueio Autônomo");
    EXPECT_EQ(operationStateText('4'), "Bloqueio para desativação");
    for (const char other : {'5', '7', 'x', ' ', '\0'})
        EXPECT_EQ(operationStateText(other), std::nullopt);
}

class StatusQueryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(context.setActivationCode("12345678")); }

    void answer(const std::string& text) { device.script("ConsultarStatusOperacional", {text}); }
    std::size_t statusCalls() const { return device.calls().size(); }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    MenuState menu;
    StatusQuery query{context, client, menu};

    // One query; what it leaves to show is gathered over the queries of a test.
    bool refreshStatus()
    {
        StatusQuery::Status status = query.refresh();
        shown.insert(shown.end(), status.messages.begin(), status.messages.end());
        if (status.line)
            statusLog.push_back(*status.line);
        for (const StatusLabel& label : status.labels) {
            labels.emplace_back(label.control, label.text);
            current[std::string(label.control)] = label.text;
        }
        if (status.warning)
            warnings.push_back(*status.warning);
        return status.ok();
    }
    std::vector<std::string> shown;
    std::vector<std::string> statusLog;
    std::vector<std::pair<std::string, std::string>> labels; // in the order they were set
    std::map<std::string, std::string> current;
    std::vector<std::string> warnings;
};

const char* const portMessage =
    "Erro ao Abrir Porta de Comunicação\n Verifique se: driver instalado, SAT conectado";

TEST_F(StatusQueryTest, ThreeRetryTextsThenSuccessIsANormalSuccessAfterFourCalls)
{
    answer("Timeout");
    answer("Erro ao tentar abrir a porta de comunicacao");
    answer("SAT não está pronta");
    answer(statusAnswer());
    EXPECT_TRUE(refreshStatus());
    EXPECT_EQ(statusCalls(), 4u);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(statusLog.size(), 1u);
}

TEST_F(StatusQueryTest, FourPortFailuresGiveThePortMessageOnce)
{
    device.setFallback({"Erro ao tentar abrir a porta"});
    EXPECT_FALSE(refreshStatus());
    EXPECT_EQ(statusCalls(), 4u);
    EXPECT_EQ(shown, std::vector<std::string>{portMessage});
    EXPECT_TRUE(statusLog.empty());
    EXPECT_TRUE(labels.empty());
    EXPECT_EQ(context.activationCode(), "12345678");
    EXPECT_FALSE(menu.isVisible("GroupBox1"));
}

TEST_F(StatusQueryTest, ThePortIsATransportFailureAndAnAnswerWithoutSuccessARefusal)
{
    for (int call = 0; call < StatusQuery::maxCalls; ++call)
        answer("Erro ao tentar abrir a porta");
    answer("000012|10099|falhou");
    answer(statusAnswer());
    for (const Outcome::Kind kind :
         {Outcome::Kind::Transport, Outcome::Kind::Refused, Outcome::Kind::Done})
        EXPECT_EQ(query.refresh().kind, kind);
}

TEST_F(StatusQueryTest, RetryTextsAreCaseSensitive)
{
    answer("TIMEOUT|Resposta com Sucesso");
    EXPECT_TRUE(refreshStatus());
    EXPECT_EQ(statusCalls(), 1u);
}

TEST_F(StatusQueryTest, AnswerWithoutSuccessIsShownDecodedAndChangesNothing)
{
    answer("000012|10099|Erro desconhecido \xE7|");
    EXPECT_FALSE(refreshStatus());
    EXPECT_EQ(shown, std::vector<std::string>{"000012|10099|Erro desconhecido \xEF\xBF\xBD|"});
    EXPECT_EQ(context.activationCode(), "12345678");
    EXPECT_TRUE(labels.empty());
    EXPECT_TRUE(statusLog.empty());
}

TEST_F(StatusQueryTest, RefusedCodeEmptiesTheCodeAndHidesWhatItOpened)
{
    for (const char* control :
         {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "Panel18", "Panel20", "Panel5"})
        menu.show(control);
    answer("000012|10001|Código de ativação inválido||");

    EXPECT_FALSE(refreshStatus());

    EXPECT_EQ(shown, std::vector<std::string>{"000012|10001|Código de ativação inválido||"});
    EXPECT_EQ(context.activationCode(), "");
    for (const char* hidden : {"GroupBox3", "GroupBox4", "Panel18", "Panel20", "Panel5"})
        EXPECT_FALSE(menu.isVisible(hidden)) << hidden;
    EXPECT_TRUE(menu.isVisible("GroupBox1"));
    EXPECT_TRUE(menu.isVisible("GroupBox2"));
    EXPECT_EQ(device.calls().at(0).args.at(1), std::optional<std::string>("12345678"));
}

TEST_F(StatusQueryTest, SuccessIsASubstringTestInEitherCase)
{
    answer("000012|10000|consulta feita com sucesso");
    EXPECT_TRUE(refreshStatus());
    answer("000012|10000|SUCESSO");
    EXPECT_FALSE(refreshStatus());
}

// The kind of device, and whether its signature tile is shown.
class MenuAfterSuccess : public StatusQueryTest,
                         public testing::WithParamInterface<Row<DeviceKind, bool>> {};

TEST_P(MenuAfterSuccess, OpensTheGroupsForTheKind)
{
    context.deviceKind = GetParam().input;
    menu.hide("Panel4"); // as an earlier confirmation as a kit leaves it
    menu.disable("Panel4");
    answer(statusAnswer());

    ASSERT_TRUE(refreshStatus());

    for (const char* onScreen : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "Panel7",
                                 "Panel8", "Panel20", "Panel5"})
        EXPECT_TRUE(menu.isOnScreen(onScreen)) << onScreen;
    EXPECT_EQ(menu.isOnScreen("Panel18"), GetParam().expected);
    EXPECT_EQ(menu.isEnabled("Panel18"), GetParam().expected);
    if (GetParam().input == DeviceKind::Kit) {
        EXPECT_FALSE(menu.isVisible("Panel4")) << "a kit has no activation tile";
    } else {
        EXPECT_TRUE(menu.isOnScreen("Panel4"));
        EXPECT_TRUE(menu.isEnabled("Panel4"));
    }
}

INSTANTIATE_TABLE(StatusQuery, MenuAfterSuccess, {"Kit", DeviceKind::Kit, false},
                  {"ProductionActivated", DeviceKind::ProductionActivated, true});

TEST_F(StatusQueryTest, SetsThe22LabelsInOrderWithTheirFormats)
{
    answer(statusAnswer({{28, "3"}, {6, "SER\xC7"}}));
    ASSERT_TRUE(refreshStatus());

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"MemUsada", "12 MB"},
        {"datahora", "2015/09/01 12:34:56"},
        {"Versao", "01.01.00"},
        {"VerLayout", "0.07"},
        {"UltimoCFEEmitido", "CFe35150948213907000165599000001230000011234561"},
        {"StatusSAT", "Bloqueio Autônomo"},
        {"TXSefaz", "2015/09/01 12:00:00"},
        {"DataEmissaoCert", "2015/01/01"},
        {"VencimentoCert", "2020/01/01"},
        {"PrimCFE", "000122"},
        {"UltimoCFENEmitido", "000123"},
        {"Serie", "SERÇ"}, // the labels read the answer as Windows-1252
        {"StatusLAN", "CONECTADO"},
        {"Bat", "ALTO"},
        {"MemTot", "4 GB"},
        {"tiporede", "IPFIX"},
        {"IpSAT", "192.168.001.010"},
        {"Mask", "255.255.255.000"},
        {"Gateway", "192.168.001.001"},
        {"DNS1", "008.008.008.008"},
        {"DNS2", "008.008.004.004"},
        {"mac", "00:11:22:33:44:55"},
    };
    EXPECT_EQ(labels, expected);
    EXPECT_TRUE(shown.empty());
}

TEST_F(StatusQueryTest, StatusLabelKeepsItsTextForAnUnknownState)
{
    answer(statusAnswer({{28, "1"}}));
    ASSERT_TRUE(refreshStatus());
    answer(statusAnswer({{28, "7"}}));
    ASSERT_TRUE(refreshStatus());
    EXPECT_EQ(current["StatusSAT"], "Bloqueio SEFAZ");
    EXPECT_EQ(labels.size(), 22u + 21u) << "the second answer does not set StatusSAT";
}

TEST_F(StatusQueryTest, ShortAnswerEmptiesTheLabelsOfTheFieldsItLacks)
{
    answer(statusAnswer());
    ASSERT_TRUE(refreshStatus());
    answer(statusAnswer({}, 12)); // fields 13 to 28 missing
    ASSERT_TRUE(refreshStatus());

    EXPECT_EQ(current["DNS1"], "008.008.008.008");
    for (const char* emptied :
         {"DNS2", "StatusLAN", "Bat", "MemTot", "MemUsada", "datahora", "Versao", "VerLayout",
          "UltimoCFEEmitido", "PrimCFE", "UltimoCFENEmitido", "TXSefaz", "DataEmissaoCert",
          "VencimentoCert", "StatusSAT"})
        EXPECT_EQ(current[emptied], "") << emptied;
}

TEST_F(StatusQueryTest, FieldsAfterThe28thAreIgnoredAndOnlyTheFirstStateCharacterCounts)
{
    answer(statusAnswer({{28, "2XYZ"}}) + "|extra|more");
    ASSERT_TRUE(refreshStatus());
    EXPECT_EQ(current["StatusSAT"], "Bloqueio Contribuinte");
}

TEST_F(StatusQueryTest, FactoryFirmwareIsReportedAfterASuccess)
{
    answer(statusAnswer({{19, "01.00.00"}}));
    EXPECT_TRUE(refreshStatus());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(warnings, std::vector<std::string>{
                            "Versão de Firmware desatualizada!\n"
                            "Atualize para versão 01.01.00 através do menu \"Atualizar Software\"\n"
                            "\n"
                            "Em caso de dúvidas consulte o manual de instalação e operação."});
    EXPECT_EQ(current["Versao"], "01.00.00");
}

TEST_F(StatusQueryTest, OtherVersionsAreNotReported)
{
    for (const char* version : {"01.01.00", "01.00.000", "01.00.0", " 01.00.00", ""}) {
        answer(statusAnswer({{19, version}}));
        EXPECT_TRUE(refreshStatus());
    }
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(warnings.empty());
}

TEST_F(StatusQueryTest, EverySuccessAddsOneLineToTheStatusLog)
{
    const std::string same = statusAnswer({{6, "N\xBA"
                                               "1"}});
    answer(same);
    answer(same);
    answer("000012|10099|falhou");
    ASSERT_TRUE(refreshStatus());
    ASSERT_TRUE(refreshStatus());
    ASSERT_FALSE(refreshStatus());
    ASSERT_EQ(statusLog.size(), 2u);
    EXPECT_EQ(statusLog[0], statusLog[1]);
    EXPECT_NE(statusLog[0].find("|Nº1|"), std::string::npos) << statusLog[0];
}

TEST(StatusQueryLoading, MissingLibraryIsReportedOnceWithoutRetrying)
{
    AppContext context;
    ASSERT_TRUE(context.setActivationCode("12345678"));
    SatClient client(context, "libnosuchdevice.so");
    MenuState menu;
    StatusQuery query(context, client, menu);

    const StatusQuery::Status status = query.refresh();
    EXPECT_FALSE(status.ok());
    ASSERT_EQ(status.messages.size(), 1u);
    EXPECT_NE(status.messages[0].find("libnosuchdevice.so"), std::string::npos);
    EXPECT_EQ(context.activationCode(), "12345678");
}

} // namespace
