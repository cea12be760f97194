#include "AppContext.h"

#include <gtest/gtest.h>

TEST(AppContext, StartsEmpty)
{
    AppContext context;
    EXPECT_EQ(context.activationCode(), "");
    EXPECT_EQ(context.deviceKind, DeviceKind::Kit);
    EXPECT_EQ(context.hDLLSat, nullptr);
}

TEST(AppContext, DeviceKindCaptions)
{
    EXPECT_EQ(deviceKindCaption(DeviceKind::Kit), "VEXOR KIT");
    EXPECT_EQ(deviceKindCaption(DeviceKind::ProductionActivated), "VEXOR Produção (Ativado)");
    EXPECT_EQ(deviceKindCaption(DeviceKind::ProductionNotActivated),
              "VEXOR Produção (não ativado)");
}

TEST(AppContext, ActivationCodeHoldsAtMost99Characters)
{
    AppContext context;
    const std::string longest(99, 'x');
    EXPECT_TRUE(context.setActivationCode(longest));
    EXPECT_EQ(context.activationCode(), longest);

    // A longer code is refused whole and the stored one stays.
    EXPECT_FALSE(context.setActivationCode(std::string(100, 'y')));
    EXPECT_EQ(context.activationCode(), longest);

    EXPECT_TRUE(context.setActivationCode("\xE7odigo12"));
    EXPECT_EQ(context.activationCode(), "\xE7odigo12");
    context.clearActivationCode();
    EXPECT_EQ(context.activationCode(), "");
}
