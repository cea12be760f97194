#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The main window's groups and tiles as visible and enabled flags by control name. The
// access dialog and the status query change it; the window renders it.
class MenuState {
public:
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
