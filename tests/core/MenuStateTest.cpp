#include "MenuState.h"

#include <gtest/gtest.h>

namespace {

TEST(MenuState, AtStartEveryGroupIsHiddenAndTheTilesKeepTheirOwnFlags)
{
    MenuState menu;
    for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"}) {
        EXPECT_FALSE(menu.isVisible(group)) << group;
        EXPECT_TRUE(menu.isEnabled(group)) << group;
    }
    for (const char* shown : {"Panel3", "Panel4", "Panel24", "Panel8", "Panel7", "Panel22"})
        EXPECT_TRUE(menu.isVisible(shown)) << shown;
    for (const char* hidden : {"Panel18", "Panel5", "Panel20"})
        EXPECT_FALSE(menu.isVisible(hidden)) << hidden;
    for (const std::string& control : menu.controls()) {
        EXPECT_TRUE(menu.isEnabled(control)) << control;
        EXPECT_FALSE(menu.isOnScreen(control)) << control << " shows only the title at start";
    }
}

TEST(MenuState, OnScreenNeedsEveryContainerVisible)
{
    MenuState menu;
    EXPECT_EQ(menu.container("Image10"), "Panel18");
    EXPECT_EQ(menu.container("Panel18"), "GroupBox1");
    EXPECT_EQ(menu.container("GroupBox1"), "");

    menu.show("GroupBox1");
    EXPECT_TRUE(menu.isOnScreen("Image2"));
    EXPECT_FALSE(menu.isOnScreen("Image10")) << "its tile is hidden";
    menu.show("Panel18");
    EXPECT_TRUE(menu.isOnScreen("Image10"));
    menu.hide("Image10");
    EXPECT_FALSE(menu.isOnScreen("Image10"));
    EXPECT_TRUE(menu.isOnScreen("Panel19"));
}

TEST(MenuState, ReportsEachRealChangeOnce)
{
    MenuState menu;
    int changes = 0;
    menu.changed = [&] { ++changes; };
    menu.show("GroupBox1");
    menu.show("GroupBox1");
    menu.disable("Panel4");
    menu.disable("Panel4");
    EXPECT_EQ(changes, 2);
}

TEST(MenuState, UnknownNamesAreRefused)
{
    MenuState menu;
    EXPECT_THROW(menu.show("GroupBox9"), std::out_of_range);
    EXPECT_THROW((void)menu.isVisible("Image99"), std::out_of_range);
}

TEST(MenuState, BackToAccessLeavesOnlyTheTitle)
{
    MenuState menu;
    for (const char* control :
         {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "Panel5", "Panel20"})
        menu.show(control);
    menu.hide("Panel4");

    menu.backToAccess();

    for (const std::string& control : menu.controls())
        EXPECT_FALSE(menu.isOnScreen(control)) << control;
    EXPECT_FALSE(menu.isVisible("Panel5"));
    EXPECT_FALSE(menu.isVisible("Panel20"));
    EXPECT_TRUE(menu.isVisible("Panel4"));
}

} // namespace
