#include "MenuState.h"

#include <stdexcept>

namespace {

constexpr MenuGroup menuGroups[] = {
    {"GroupBox1", " Configuração "},
    {"GroupBox2", " Manutenção "},
    {"GroupBox3", " Operação "},
    {"GroupBox4", " Informações "},
};

constexpr MenuTile menuTiles[] = {
    {"GroupBox1", "Panel3", true, "Image2", "Panel12", "Rede SAT"},
    {"GroupBox1", "Panel4", true, "Image3", "AtivarSAT", "Ativar SAT"},
    {"GroupBox1", "Panel18", false, "Image10", "Panel19", "Assinatura"},
    {"GroupBox2", "Panel5", false, "Image4", "Panel6", "Atualizar SW"},
    {"GroupBox2", "Panel20", false, "Image12", "Panel21", "Teste"},
    {"GroupBox2", "Panel24", true, "Image14", "Panel25", "Trocar Cód Ativação"},
    {"GroupBox3", "Panel8", true, "Image7", "Panel13", "Bloqueio"},
    {"GroupBox3", "Panel7", true, "Image5", "Panel14", "Fiscal"},
    {"GroupBox3", "Panel22", true, "Image13", "Panel23", "Logs"},
};

} // namespace

std::span<const MenuTile> MenuState::tiles()
{
    return menuTiles;
}

std::span<const MenuGroup> MenuState::groups()
{
    return menuGroups;
}

MenuState::MenuState()
{
    for (const MenuGroup& group : menuGroups)
        controls_[std::string(group.name)] = Flags{false, true, {}};
    for (const MenuTile& tile : menuTiles) {
        controls_[std::string(tile.panel)] =
            Flags{tile.panelVisible, true, std::string(tile.group)};
        controls_[std::string(tile.image)] = Flags{true, true, std::string(tile.panel)};
        controls_[std::string(tile.caption)] = Flags{true, true, std::string(tile.panel)};
    }
}

const MenuState::Flags& MenuState::flags(std::string_view control) const
{
    const auto found = controls_.find(control);
    if (found == controls_.end())
        throw std::out_of_range("no menu control named " + std::string(control));
    return found->second;
}

void MenuState::set(std::string_view control, bool Flags::*flag, bool value)
{
    const auto found = controls_.find(control);
    if (found == controls_.end())
        throw std::out_of_range("no menu control named " + std::string(control));
    if (found->second.*flag == value)
        return;
    found->second.*flag = value;
    if (changed)
        changed();
}

bool MenuState::isVisible(std::string_view control) const
{
    return flags(control).visible;
}

bool MenuState::isEnabled(std::string_view control) const
{
    return flags(control).enabled;
}

bool MenuState::isOnScreen(std::string_view control) const
{
    for (std::string name(control); !name.empty(); name = flags(name).container) {
        if (!flags(name).visible)
            return false;
    }
    return true;
}

std::vector<std::string> MenuState::controls() const
{
    std::vector<std::string> names;
    for (const auto& entry : controls_)
        names.push_back(entry.first);
    return names;
}

std::string MenuState::container(std::string_view control) const
{
    return flags(control).container;
}

void MenuState::backToAccess()
{
    hide("Panel5");
    hide("Panel20");
    show("Panel4");
    for (const MenuGroup& group : menuGroups)
        hide(group.name);
}
