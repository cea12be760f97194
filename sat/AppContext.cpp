#include "AppContext.h"

std::string_view deviceKindCaption(DeviceKind kind)
{
    switch (kind) {
    case DeviceKind::Kit:
        return "VEXOR KIT";
    case DeviceKind::ProductionActivated:
        return "VEXOR Produção (Ativado)";
    case DeviceKind::ProductionNotActivated:
        return "VEXOR Produção (não ativado)";
    }
    return {};
}

bool AppContext::setActivationCode(std::string_view windows1252)
{
    if (windows1252.size() > maxActivationCodeLength)
        return false;
    activationCode_.assign(windows1252);
    return true;
}
