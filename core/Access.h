#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "AppContext.h"

class MenuState;

// The access dialog's confirmation: stores the kind and the code, prepares the menu for that
// kind of device and proves the code with the status query.
class AccessConfirmation {
public:
    struct Outcome {
        bool closeDialog = false;
        bool codeFieldEnabled = true;
        // Why the code was refused before the status query, to show; the query shows its own.
        std::optional<std::string_view> message;
    };

    AccessConfirmation(AppContext& context, MenuState& menu, std::function<bool()> refreshStatus);

    // OK with the option selected at the moment of the click and the code field's text (UTF-8).
    // codeFieldEnabled is the field's state afterwards (unchanged: as passed in).
    Outcome confirm(DeviceKind selected, std::string_view typedCode, bool codeFieldEnabled);

    // The closing check: when the process must end now with status 1, the message to show
    // first.
    std::optional<std::string_view> endOnClose(DeviceKind selected) const;

    // The code field's caption.
    static constexpr std::string_view codeCaption = "Código de Ativação";
    static constexpr std::string_view codeRequired = "Necessário definir o código de ativação";

private:
    AppContext& context_;
    MenuState& menu_;
    std::function<bool()> refreshStatus_;
};
