#pragma once

#include "Codes.h"
#include "DeviceClock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Everything the simulated SAT remembers, as it is kept in the state file between runs.
namespace satsim {

inline constexpr std::string_view factoryActivationCode = "24681357";
inline constexpr std::string_view emergencyCode = "13572468";
inline constexpr std::string_view serialNumber = "900004019";
inline constexpr std::string_view factoryVersion = "01.00.00";
inline constexpr std::string_view updatedVersion = "01.01.00";
inline constexpr std::string_view layoutVersion = "00.07";
inline constexpr int stateCode = 35; // a São Paulo device
// What a device reports before its activation: the certificate it left the factory with and
// its last contact there.
inline constexpr std::string_view factoryCertificateIssued = "20250303";
inline constexpr std::string_view factoryCertificateExpires = "20300303";
inline constexpr std::string_view factoryLastContact = "20250303101500";
inline constexpr std::size_t maxLogRecords = 1000;
inline constexpr std::size_t maxSessionRecords = 20;
// Wrong activation codes in a row that block sales and cancels for a while.
inline constexpr int wrongCodesToBlock = 3;
inline constexpr std::int64_t defaultCodeBlockSeconds = 10 * 60;

// Where a log record comes from, as a device names it: the device itself, its link with the
// tax authority, its link with the point of sale.
inline constexpr std::string_view originSat = "SAT";
inline constexpr std::string_view originSefaz = "SAT-SEFAZ";
inline constexpr std::string_view originAc = "AC-SAT";

// How ExtrairLogs writes the log: a header line, then "timestamp|origin|level|EVENT:message";
// or, as many devices do, only "timestamp|origin|level|message" records.
enum class LogLayout { Header, Plain };

// Faults the device can be told to show, for tests and training.
// Slow: the device answers as always, but only after its time, holding back every other call
// meanwhile, as a device does over a call that reaches the tax authority.
enum class Fault { None, Timeout, NoCts, Unrecognised, Busy, Slow };

struct FaultSetting {
    Fault kind = Fault::None;
    int remaining = -1;   // calls still affected; -1 until cleared
    std::string function; // only this function; empty for every function
    int seconds = 0;      // how long a slow call takes
};

inline constexpr int maxSlowSeconds = 600;

// A chosen answer for the next calls of one function.
struct ScriptedAnswer {
    std::string function;
    std::string text;
    std::int32_t code = 0;
    std::string message;
    int remaining = 1;
};

// What the taxpayer set up at the tax authority for BloquearSAT and DesbloquearSAT: a block
// ready to apply and release, no block at all, or a block whose release was not given.
enum class SefazBlock { Ready, None, Held };

// How the next software update ends.
enum class UpdateOutcome { Ok, Running, Error, Invalid };

struct NetworkState {
    std::string interfaceType = "ETHE";
    std::string lanType = "DHCP";
    std::string ip, mask, gateway, dns1, dns2; // fixed addresses, zero-padded groups
    std::string user, password;                // DHCP or PPPoE credentials
    std::string ssid, security, wifiKey;
    int proxy = 0;
    std::string proxyIp, proxyPort, proxyUser, proxyPassword;
};

// The last sale, the only one a cancel may name.
struct LastSale {
    std::string key; // "CFe" + 44 digits; empty when there is none
    DeviceTime issued = 0;
    std::string total;
    std::string buyerId;
    std::string emitterIE;
    std::string cashier;
    bool cancelled = false;
};

// A device's answer to one session, kept so that a point of sale that lost it (a time-out)
// can ask for it again.
struct SessionRecord {
    int session = 0;
    std::string function;
    std::int32_t code = 0;
    std::string message;
    std::string text;
    std::size_t payloadField = 0; // the field of text that Base64ToAscii decodes, from 1; 0: none
};

// A sale's or a cancel's answer.
bool isFiscal(const SessionRecord& record);

struct DeviceState {
    bool activated = false;
    std::string activationCode{factoryActivationCode}; // bytes as received (Windows-1252)
    std::string taxpayerCnpj;
    int certificateKind = 0;
    std::string certificateIssued, certificateExpires; // YYYYMMDD
    bool associated = false;
    std::string softwareHouseCnpj, signature;
    NetworkState network;
    int lockState = 0;
    std::string softwareVersion{factoryVersion};
    bool linkUp = true;
    std::string battery = "ALTO";
    int lastNumber = 0;                    // number of the last CF-e issued, 0 when none
    std::string lastCfeKey;                // its 44 digits
    std::string pendingFirst, pendingLast; // CF-e not yet transmitted (44 digits each)
    int pendingCount = 0;
    DeviceTime lastTransmission = 0;  // 0: never
    DeviceTime lastCommunication = 0; // 0: never
    std::int64_t storedBytes = 0;     // CF-e kept in the working memory
    LastSale lastSale;
    std::int64_t clockOffset = 0;
    bool unplugged = false;
    FaultSetting fault;
    std::vector<ScriptedAnswer> answers;
    std::vector<std::string> log; // records without their line feed
    LogLayout logLayout = LogLayout::Header;
    std::vector<SessionRecord> sessions; // oldest first, at most maxSessionRecords
    bool certificateReceived = false;    // the ICP-Brasil certificate for the last request
    // The key and self-signed test certificate every CF-e is signed with (PEM), made at the
    // first signature and kept by a factory reset: they belong to the device, not to its use.
    std::string signingKey, signingCertificate;
    Tables tables = Tables::From2016;
    int wrongCodes = 0;            // wrong activation codes in a row
    DeviceTime codeBlockUntil = 0; // end of the block they started; 0: none
    std::int64_t codeBlockSeconds = defaultCodeBlockSeconds; // 0: wrong codes never block
    SefazBlock sefazBlock = SefazBlock::Ready;
    UpdateOutcome update = UpdateOutcome::Ok;
    int taxRegime = 0; // the taxpayer's cRegTrib, 1 or 3; 0: taken from each sale's items
};

DeviceState factoryState(DeviceTime now);

// One record of the event log, one line: "YYYYMMDDhhmmss|origin|level|EVENT:message". The
// level is "info", "alerta" or "erro".
void addLog(DeviceState& state, DeviceTime now, std::string_view origin, std::string_view level,
            std::string_view event, std::string_view message);

// The log as ExtrairLogs hands it over, in the state's layout, each record ended by a line feed.
std::string logText(const DeviceState& state, DeviceTime now);

std::string_view logLayoutName(LogLayout layout);
std::optional<LogLayout> logLayoutByName(std::string_view name);

std::string serialize(const DeviceState& state);
// nullopt when the text is not a state this version can read.
std::optional<DeviceState> parseState(std::string_view text);

std::string_view sefazBlockName(SefazBlock setting);
std::optional<SefazBlock> sefazBlockByName(std::string_view name);
std::string_view updateOutcomeName(UpdateOutcome outcome);
std::optional<UpdateOutcome> updateOutcomeByName(std::string_view name);

std::string_view faultName(Fault fault);
std::optional<Fault> faultByName(std::string_view name);

} // namespace satsim
