#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One tile of the main menu: the group it sits in, its frame, its image button and its caption
// panel (control names), whether the frame shows at start, and the caption (UTF-8).
struct MenuTile {
    std::string_view group;
    std::string_view panel;
    bool panelVisible;
    std::string_view image;
    std::string_view caption;
    std::string_view text;
};

struct MenuGroup {
    std::string_view name;
    std::string_view caption;
};

// The main window's groups and tiles as visible and enabled flags by control name. The
// access dialog and the status query change it; the window renders it.
class MenuState {
public:
    // Every tile in the order the window shows them; the window adds pictures and handlers.
    static std::span<const MenuTile> tiles();
    // The three groups of tiles, then " Informações ", which holds the status instead.
    static std::span<const MenuGroup> groups();

    MenuState(); // the state at start: every group hidden

    void show(std::string_view control) { set(control, &Flags::visible, true); }
    void hide(std::string_view control) { set(control, &Flags::visible, false); }
    void enable(std::string_view control) { set(control, &Flags::enabled, true); }
    void disable(std::string_view control) { set(control, &Flags::enabled, false); }

    bool isVisible(std::string_view control) const;
    bool isEnabled(std::string_view control) const;
    // Visible itself and inside containers that are all visible.
    bool isOnScreen(std::string_view control) const;

    std::vector<std::string> controls() const;
    std::string container(std::string_view control) const; // empty for a group

    // Called after every change, so a window can render it.
    std::function<void()> changed;

    // The main window back to its title alone, with the access dialog to come in front.
    void backToAccess();

private:
    struct Flags {
        bool visible = true;
        bool enabled = true;
        std::string container;
    };
    void set(std::string_view control, bool Flags::*flag, bool value);
    const Flags& flags(std::string_view control) const;

    std::map<std::string, Flags, std::less<>> controls_;
};
