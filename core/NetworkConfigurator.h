#pragma once

#include "Outcome.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class SatClient;

// What one press of the send button reads from the network screen, every field whether its
// control is enabled or not. Texts are UTF-8 as typed; address fields keep their mask's dots
// and blanks.
struct NetworkSettings {
    enum class AddressMode { DHCP, IPFIX };

    AddressMode addressMode = AddressMode::DHCP;
    std::string user;
    std::string password;
    std::string ipSat;
    std::string mask;
    std::string gateway;
    std::string dns1;
    std::string dns2;
    int proxyIndex = 0; // the selected proxy item; -1 when none is selected
    std::string ipProxy;
    std::string port;
    std::string userProxy;
    std::string passProxy;
};

// Builds the device's network configuration document with libxml2, sends it with
// ConfigurarInterfaceDeRede and gives what the screen shows of it. libxml2 is loaded by name on
// first use and kept until exit; the program is not linked with it.
class NetworkConfigurator {
public:
#if defined(_WIN32)
    static constexpr std::string_view libraryXml = "libxml2.dll";
#else
    static constexpr std::string_view libraryXml = "libxml2.so.2";
#endif
    static constexpr std::string_view successWord = "Sucesso";
    static constexpr std::int32_t configuredCode = 12000;

    explicit NetworkConfigurator(SatClient& client,
                                 std::string xmlLibrary = std::string(libraryXml));
    ~NetworkConfigurator();
    NetworkConfigurator(const NetworkConfigurator&) = delete;
    NetworkConfigurator& operator=(const NetworkConfigurator&) = delete;

    // An address field as four groups of at least three digits: "10 .0  .0  .1  " gives
    // "010.000.000.001". No range check; a group without digits, or a missing one, is 0.
    static std::string formatAddress(std::string_view field);

    struct Document {
        std::string text;    // the serialised document, when built
        std::string failure; // why it could not be built, ready to show
        bool built() const { return failure.empty(); }
    };
    Document buildDocument(const NetworkSettings& settings);

    // The one message of a press, and what the screen's text area shows of it.
    struct Sent : Outcome {
        std::string document;             // what the device was sent; empty when nothing was
        std::optional<std::string> entry; // the document, when the device took it
    };
    // Builds and sends the document. Touches nothing but the client and libxml2, so it may run
    // off the user-interface thread.
    Sent apply(const NetworkSettings& settings);

    // The document as the text area shows it: without its closing line feed, and with the
    // character references libxml2 writes for non-ASCII characters shown as the characters.
    static std::string displayText(std::string_view document);

private:
    struct Xml;

    SatClient& client_;
    std::unique_ptr<Xml> xml_;
};
