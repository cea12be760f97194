#include "Access.h"

#include "CodePage.h"
#include "MenuState.h"
#include "SatClient.h"

AccessConfirmation::AccessConfirmation(AppContext& context, MenuState& menu,
                                       std::function<bool()> refreshStatus)
    : context_(context), menu_(menu), refreshStatus_(std::move(refreshStatus))
{
}

AccessConfirmation::Outcome
AccessConfirmation::confirm(DeviceKind selected, std::string_view typedCode, bool codeFieldEnabled)
{
    context_.deviceKind = selected;
    Outcome outcome{false, codeFieldEnabled, std::nullopt};

    if (selected == DeviceKind::ProductionNotActivated) {
        context_.setActivationCode(SatClient::defaultActivationCode);
        menu_.disable("Panel24");
        menu_.hide("Panel24");
        menu_.disable("Panel19");
        menu_.hide("Panel19");
        menu_.hide("Image10");
        menu_.hide("GroupBox2");

        menu_.show("GroupBox1");
        menu_.show("GroupBox3");
        for (const char* tile : {"Panel5", "Panel20", "Panel7", "Panel8"})
            menu_.hide(tile);
        menu_.enable("Panel18");
        menu_.show("Panel18");
        menu_.enable("Panel4");
        menu_.show("Panel4");
        outcome.closeDialog = true;
        outcome.codeFieldEnabled = false;
        return outcome;
    }

    if (selected == DeviceKind::Kit) {
        menu_.disable("Panel4");
        menu_.disable("Panel18");
        menu_.hide("Panel18");
        menu_.hide("Panel4");
        outcome.codeFieldEnabled = true;
    }
    menu_.enable("Panel19");
    menu_.show("Panel19");
    // An earlier confirmation as not activated hid the tile's image, its only clickable part.
    menu_.show("Image10");

    const std::string code = codepage::toAnsi(typedCode);
    if (!context_.setActivationCode(code)) {
        context_.clearActivationCode();
        outcome.message = AppContext::codeTooLong;
        return outcome;
    }
    if (context_.activationCode().empty()) {
        outcome.message = codeRequired;
        return outcome;
    }
    if (refreshStatus_()) {
        outcome.closeDialog = true;
        menu_.enable("Panel24");
        menu_.show("Panel24");
        menu_.show("GroupBox2");
    }
    outcome.codeFieldEnabled = true;
    return outcome;
}

std::optional<std::string_view> AccessConfirmation::endOnClose(DeviceKind selected) const
{
    if (selected != DeviceKind::ProductionActivated || !context_.activationCode().empty())
        return std::nullopt;
    return codeRequired;
}
