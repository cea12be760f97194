#pragma once

#include "SatResponse.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

class AppContext;
class LineSink;
class MenuState;
class MessageSink;
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

// Where the status query puts each value: the value label's control name and its text
// (UTF-8); the label is made visible.
class StatusLabelSink {
public:
    virtual ~StatusLabelSink();
    virtual void setStatusLabel(std::string_view control, std::string_view text) = 0;
};

// The information labels of a successful status answer, in the order they are set. A field
// the answer lacks empties its label; StatusSAT is left as it is for a state it does not name.
void setStatusLabels(const SatResponse& answer, StatusLabelSink& labels);

// Asks the device for its operational status: proves the activation code, opens the menu
// and fills the information labels.
class StatusQuery {
public:
    StatusQuery(AppContext& context, SatClient& client, MenuState& menu, MessageSink& messages,
                LineSink& statusLog, StatusLabelSink& labels);

    // True on a successful answer; every failure has been told to the operator.
    bool refreshStatus();

    // The two halves of it: the calls, retried as need be, which touch no screen and may run
    // off the user-interface thread; then, on it, the messages, the menu and the labels.
    struct Answer {
        SatResponse response;
        std::optional<std::string> failure; // the one message when no answer can be used
    };
    Answer ask();
    bool present(const Answer& answer);

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
    MessageSink& messages_;
    LineSink& statusLog_;
    StatusLabelSink& labels_;
};
