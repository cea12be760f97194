#include "MenuState.h"

#include <stdexcept>

namespace {

struct Tile {
    const char* group;
    const char* panel;
    bool panelVisible;
    const char* image;
    const char* caption;
};

// Groups and tiles in the order the window shows them.
constexpr Tile tiles[] = {
    {"GroupBox1", "Panel3", true, "Image2", "Panel12"},
    {"GroupBox1", "Panel4", true, "Image3", "AtivarSAT"},
    {"GroupBox1", "Panel18", false, "Image10", "Panel19"},
    {"GroupBox2", "Panel5", false, "Image4", "Panel6"},
    {"GroupBox2", "Panel20", false, "Image12", "Panel21"},
    {"GroupBox2", "Panel24", true, "Image14", "Panel25"},
    {"GroupBox3", "Panel8", true, "Image7", "Panel13"},
    {"GroupBox3", "Panel7", true, "Image5", "Panel14"},
    {"GroupBox3", "Panel22", true, "Image13", "Panel23"},
};

} // namespace

MenuState::MenuState()
{
    for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"})
        controls_[group] = Flags{false, true, {}};
    for (const Tile& tile : tiles) {
        controls_[tile.panel] = Flags{tile.panelVisible, true, tile.group};
        controls_[tile.image] = Flags{true, true, tile.panel};
        controls_[tile.caption] = Flags{true, true, tile.panel};
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
    for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"})
        hide(group);
}
