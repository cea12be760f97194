// The device's log in both layouts a technician meets, as the manager's log screen reads it.

#include "SimulatorFixture.h"

#include "LogExtractor.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class LogLayout : public SimulatorTest {
protected:
    // A short life: activation, a wrong code, then the extraction.
    std::string extracted()
    {
        activate();
        EXPECT_TRUE(context.setActivationCode("errado00"));
        client.BloquearSAT();
        EXPECT_TRUE(context.setActivationCode(demo::code));
        const SatResponse response = client.ExtrairLogs();
        EXPECT_TRUE(response.contains("15000|Transfer")) << response.text();
        return std::string(client.decodedPayload().text());
    }
};

TEST_F(LogLayout, HeaderLayoutIsTheDefault)
{
    const std::vector<std::string> lines = linesOf(extracted());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].substr(0, 31), "LOG SAT 900004019 - 6 registros");
    const std::regex record(
        "\\d{14}\\|(SAT|SAT-SEFAZ|AC-SAT)\\|(info|alerta|erro)\\|[A-Z]+:[^\n]*");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], record)) << lines[i];
    EXPECT_EQ(lines[1].substr(14),
              "|SAT|info|FABRICA:Equipamento SAT 900004019 em estado de fábrica");
    EXPECT_EQ(lines[2].substr(14),
              "|AC-SAT|info|COMANDO:Comando AtivarSAT recebido, sessão 000012");
    EXPECT_EQ(lines[4].substr(14),
              "|AC-SAT|info|COMANDO:Comando BloquearSAT recebido, sessão 000012");
    EXPECT_EQ(lines[5].substr(14), "|SAT|alerta|CODIGO:Código de ativação inválido em BloquearSAT");
}

TEST_F(LogLayout, PlainLayoutHasOnlyFourFieldRecords)
{
    const SimulatorTest::Run set = satsim({"set", "log", "plain"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "Log: só registros data|origem|nível|mensagem\n");
    const std::vector<std::string> lines = linesOf(extracted());
    ASSERT_EQ(lines.size(), 6u);
    const std::regex record("\\d{14}\\|(SAT|SAT-SEFAZ|AC-SAT)\\|(info|alerta|erro)\\|[^|\n]*");
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, record)) << line;
    EXPECT_EQ(lines[0].substr(14), "|SAT|info|Equipamento SAT 900004019 em estado de fábrica");
    EXPECT_EQ(lines[3].substr(14), "|AC-SAT|info|Comando BloquearSAT recebido, sessão 000012");
    EXPECT_EQ(lines[4].substr(14), "|SAT|alerta|Código de ativação inválido em BloquearSAT");

    ASSERT_EQ(satsim({"set", "log", "header"}).exitCode, 0);
    client.ExtrairLogs();
    EXPECT_EQ(std::string(client.decodedPayload().text()).rfind("LOG SAT 900004019", 0), 0u);
}

TEST_F(LogLayout, UnknownLayoutIsRefused)
{
    const SimulatorTest::Run set = satsim({"set", "log", "xml"});
    EXPECT_EQ(set.exitCode, 2);
    EXPECT_NE(set.err.find("use set log header ou set log plain"), std::string::npos) << set.err;
}

// The manager's log screen shows both: one display line per record, the header left out.
TEST_F(LogLayout, ManagerReadsBothLayouts)
{
    const std::string headed = extracted();
    ASSERT_EQ(satsim({"set", "log", "plain"}).exitCode, 0);
    client.ExtrairLogs();
    const std::string plain(client.decodedPayload().text());

    const LogExtractor::Lines fromHeaded = LogExtractor::formatLog(headed);
    const LogExtractor::Lines fromPlain = LogExtractor::formatLog(plain);
    EXPECT_EQ(fromHeaded.count, 6u);
    EXPECT_EQ(fromPlain.count, 7u); // and the second ExtrairLogs
    const std::vector<std::string> headedLines = linesOf(std::string(fromHeaded.text()));
    const std::vector<std::string> plainLines = linesOf(std::string(fromPlain.text()));
    ASSERT_EQ(headedLines.size(), 6u);
    ASSERT_EQ(plainLines.size(), 7u);
    const std::regex display("\\d+ \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d .*");
    for (const std::string& line : headedLines)
        EXPECT_TRUE(std::regex_match(line, display)) << line;
    for (const std::string& line : plainLines)
        EXPECT_TRUE(std::regex_match(line, display)) << line;
    EXPECT_EQ(headedLines[3].substr(22),
              "COMANDO info Comando BloquearSAT recebido, sessão 000012");
    EXPECT_EQ(plainLines[3].substr(22), " info Comando BloquearSAT recebido, sessão 000012");
    EXPECT_EQ(headedLines[4].substr(22),
              "CODIGO alerta Código de ativação inválido em BloquearSAT");
    EXPECT_EQ(plainLines[4].substr(22), " alerta Código de ativação inválido em BloquearSAT");
}

} // namespace
