#include "Access.h"
#include "CaseName.h"
#include "MenuState.h"

#include <gtest/gtest.h>

namespace {

class AccessTest : public testing::Test {
protected:
    AccessConfirmation::Outcome confirm(DeviceKind kind, std::string_view code,
                                        bool fieldEnabled = true)
    {
        AccessConfirmation::Outcome outcome = access.confirm(kind, code, fieldEnabled);
        if (outcome.message)
            shown.emplace_back(*outcome.message);
        return outcome;
    }

    AppContext context;
    MenuState menu;
    std::vector<std::string> shown;
    int statusQueries = 0;
    bool statusSucceeds = true;
    // Stands in for the status query: on success it opens the menu as the real one does.
    AccessConfirmation access{context, menu, [this] {
                                  ++statusQueries;
                                  if (statusSucceeds) {
                                      for (const char* c : {"GroupBox1", "GroupBox2", "GroupBox3",
                                                            "GroupBox4", "Panel7", "Panel8"})
                                          menu.show(c);
                                  }
                                  return statusSucceeds;
                              }};
};

TEST_F(AccessTest, KitWithEmptyCodeIsRefusedAfterTheMenuWasPrepared)
{
    ASSERT_TRUE(context.setActivationCode("old code"));
    const auto outcome = confirm(DeviceKind::Kit, "");
    EXPECT_FALSE(outcome.closeDialog);
    EXPECT_EQ(shown, std::vector<std::string>{"Necessário definir o código de ativação"});
    EXPECT_EQ(statusQueries, 0);
    EXPECT_EQ(context.activationCode(), "") << "the field replaces the stored code first";
    EXPECT_EQ(context.deviceKind, DeviceKind::Kit);
    EXPECT_FALSE(menu.isVisible("Panel4"));
    EXPECT_FALSE(menu.isEnabled("Panel4"));
    EXPECT_FALSE(menu.isVisible("Panel18"));
    EXPECT_FALSE(menu.isEnabled("Panel18"));
}

TEST_F(AccessTest, NotActivatedStoresTheDefaultCodeWithoutADeviceCallAndCloses)
{
    const auto outcome = confirm(DeviceKind::ProductionNotActivated, "whatever was typed");
    EXPECT_TRUE(outcome.closeDialog);
    EXPECT_FALSE(outcome.codeFieldEnabled);
    EXPECT_EQ(statusQueries, 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(context.activationCode(), "24681357");
    EXPECT_EQ(context.deviceKind, DeviceKind::ProductionNotActivated);

    // "Rede SAT", "Ativar SAT" and an empty "Assinatura" frame; "Logs" alone in " Operação ".
    for (const char* onScreen :
         {"Panel3", "Image2", "Panel4", "Image3", "Panel18", "Panel22", "Image13"})
        EXPECT_TRUE(menu.isOnScreen(onScreen)) << onScreen;
    for (const char* hidden : {"Image10", "Panel19", "Panel7", "Panel8", "GroupBox2", "GroupBox4",
                               "Panel24", "Panel5", "Panel20"})
        EXPECT_FALSE(menu.isOnScreen(hidden)) << hidden;
    EXPECT_FALSE(menu.isEnabled("Panel24"));
    EXPECT_FALSE(menu.isEnabled("Panel19"));
}

struct ProvedCase {
    const char* name;
    DeviceKind kind;
};

class ProvedCode : public AccessTest, public testing::WithParamInterface<ProvedCase> {};

TEST_P(ProvedCode, StoresTheFieldInWindows1252AndClosesOnlyOnSuccess)
{
    statusSucceeds = false;
    auto outcome = confirm(GetParam().kind, "código");
    EXPECT_FALSE(outcome.closeDialog);
    EXPECT_TRUE(outcome.codeFieldEnabled);
    EXPECT_EQ(context.activationCode(), "c\xF3"
                                        "digo");

    statusSucceeds = true;
    outcome = confirm(GetParam().kind, "código");
    EXPECT_TRUE(outcome.closeDialog);
    EXPECT_EQ(statusQueries, 2);
    EXPECT_TRUE(menu.isOnScreen("Panel24"));
    EXPECT_TRUE(menu.isEnabled("Panel24"));
    EXPECT_TRUE(menu.isVisible("GroupBox2"));
    EXPECT_TRUE(shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Access, ProvedCode,
                         testing::Values(ProvedCase{"Kit", DeviceKind::Kit},
                                         ProvedCase{"ProductionActivated",
                                                    DeviceKind::ProductionActivated}),
                         CaseName());

TEST_F(AccessTest, CodeIsTakenAsTypedWithoutTrimming)
{
    confirm(DeviceKind::ProductionActivated, " 1234 ");
    EXPECT_EQ(context.activationCode(), " 1234 ");
}

TEST_F(AccessTest, CodeOfMoreThan99CharactersIsRefusedWithoutAQuery)
{
    ASSERT_TRUE(context.setActivationCode("stored"));
    const auto outcome = confirm(DeviceKind::ProductionActivated, std::string(100, '1'));
    EXPECT_FALSE(outcome.closeDialog);
    EXPECT_EQ(shown,
              std::vector<std::string>{"O código de ativação deve ter no máximo 99 caracteres."});
    EXPECT_EQ(statusQueries, 0);
    EXPECT_EQ(context.activationCode(), "");

    shown.clear();
    EXPECT_TRUE(confirm(DeviceKind::ProductionActivated, std::string(99, '1')).closeDialog);
    EXPECT_EQ(context.activationCode(), std::string(99, '1'));
}

TEST_F(AccessTest, AfterNotActivatedAProvedCodeGivesTheSignatureTileItsImageBack)
{
    confirm(DeviceKind::ProductionNotActivated, "");
    menu.backToAccess();
    confirm(DeviceKind::ProductionActivated, "12345678");
    menu.show("Panel18"); // the status query shows the tile for this kind
    EXPECT_TRUE(menu.isOnScreen("Image10"));
    EXPECT_TRUE(menu.isOnScreen("Panel19"));
    EXPECT_TRUE(menu.isEnabled("Panel19"));
}

TEST_F(AccessTest, ClosingCheckEndsOnlyForActivatedWithoutCode)
{
    EXPECT_EQ(access.endOnClose(DeviceKind::ProductionActivated),
              std::optional<std::string_view>("Necessário definir o código de ativação"));
    EXPECT_FALSE(access.endOnClose(DeviceKind::Kit));
    EXPECT_FALSE(access.endOnClose(DeviceKind::ProductionNotActivated));
    ASSERT_TRUE(context.setActivationCode("12345678"));
    EXPECT_FALSE(access.endOnClose(DeviceKind::ProductionActivated));
}

} // namespace
