#pragma once

#include "Outcome.h"
#include "SatResponse.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class AppContext;
class MenuState;
class SatClient;

// YYYYMMDDhhmmss as "YYYY/MM/DD hh:mm:ss". A shorter field stops at its first missing
// character, after the separators that come before it.
std::string formatDeviceDateTime(std::string_view field);
// YYYYMMDD as "YYYY/MM/DD", shorter fields as above.
std::string formatDeviceDate(std::string_view field);
// The lock state named by the first character of the state field; nullopt for any other.
std::optional<std::string> operationStateText(char state);

// One value of the " Informações " group: the value label's control name and its caption.
struct StatusCaption {
    std::string_view control;
    std::string_view caption;
};
// The two columns of the group, each from top to bottom; every label the status query sets.
extern const std::array<StatusCaption, 11> statusLeftColumn;
extern const std::array<StatusCaption, 11> statusRightColumn;

// One value label of the group: its control name and its text (UTF-8).
struct StatusLabel {
    std::string_view control;
    std::string text;
    bool operator==(const StatusLabel&) const = default;
};

// The information labels of a successful status answer, in the order they are set. A field
// the answer lacks empties its label; StatusSAT is left out for a state it does not name, so
// that its label keeps what it shows.
std::vector<StatusLabel> statusLabels(const SatResponse& answer);

// Asks the device for its operational status: proves the activation code, opens the menu
// and gives the values of the information labels.
class StatusQuery {
public:
    StatusQuery(AppContext& context, SatClient& client, MenuState& menu);

    // The calls, retried as need be; they touch nothing but the client, so they may run off
    // the user-interface thread.
    struct Answer {
        SatResponse response;
        std::optional<std::string> failure; // the one message when no answer can be used
    };
    Answer ask();

    // What a query leaves to show: why it failed, or the answer. Texts are UTF-8.
    struct Status : Outcome {
        bool ok() const { return kind == Kind::Done; }
        std::optional<std::string> line;    // the answer, for the status log
        std::vector<StatusLabel> labels;    // in the order they are set
        std::optional<std::string> warning; // after the labels: the old firmware
    };
    // On the user-interface thread: the code and the menu follow the answer.
    Status settle(const Answer& answer);
    Status refresh() { return settle(ask()); }

    static constexpr int maxCalls = 4;
    // Shown after a successful answer from a device with the old firmware.
    static constexpr std::string_view firmwareMessage =
        "Versão de Firmware desatualizada!\n"
        "Atualize para versão 01.01.00 através do menu \"Atualizar Software\"\n"
        "\n"
        "Em caso de dúvidas consulte o manual de instalação e operação.";

private:
    AppContext& context_;
    SatClient& client_;
    MenuState& menu_;
};
