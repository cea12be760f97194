#pragma once

#include "AppContext.h"
#include "SatClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Demo values of the simulated device, as its README gives them.
namespace demo {
inline const std::string code = "12345678";
inline const std::string factoryCode = "24681357";
inline const std::string emergencyCode = "13572468";
inline const std::string taxpayer = "48213907000165";
inline const std::string softwareHouse = "10615281000140";
inline const std::string signature = "SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT";
} // namespace demo

// The end-to-end test's sale document, byte for byte as the manager sends it.
extern const std::string endToEndDocument;

// A network configuration the device accepts: fixed addresses, no proxy.
std::string fixedNetwork();

// A text with a certificate's shape: DER opening with a SEQUENCE of two length bytes.
std::string pemCertificate();

// Loads the simulated device as the manager does: SatClient, bare library name, the
// platform's search path. Each test has a state file of its own in a fresh folder.
class SimulatorTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path statePath() const { return folder_ / "estado.txt"; }
    // Points the device (and satsim) at another state file.
    void useStateFile(const std::filesystem::path& path);

    SatClient::Error error() { return client.lastError(); }
    std::vector<std::string> fields(const SatResponse& response) const;
    // Field n (from 1) of a response, or "<none>".
    std::string field(const SatResponse& response, std::size_t n) const;

    // The device's life up to each stage, asserting every step.
    void activate(const std::string& code = demo::code);
    void associate();
    std::string sell(const std::string& document); // the key, "CFe" + 44 digits
    std::string cancelDocument(const std::string& key) const;

    struct Run {
        int exitCode = -1;
        std::string out;
        std::string err;
    };
    // Runs the built satsim on this test's state file.
    Run satsim(const std::vector<std::string>& args);

public:
    static std::string sample(const std::string& name);

protected:
    AppContext context;
    SatClient client{context};

private:
    std::filesystem::path folder_;
};
