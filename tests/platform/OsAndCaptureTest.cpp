#include "CapturePermission.h"
#include "OsVersion.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST(OsVersion, LinuxTakesTheModernPaths)
{
    EXPECT_GE(COsVersion().GetOsCode(), 24);
}

TEST(CapturePermission, EffectiveMaskNeedsBothCaptureCapabilities)
{
    EXPECT_TRUE(PlatformStatusHasCaptureCaps("Name:\tzendrix\nCapEff:\t000001ffffffffff\n"));
    EXPECT_TRUE(PlatformStatusHasCaptureCaps("CapInh:\t0\nCapEff:\t0000000000003000\n"));
    EXPECT_FALSE(PlatformStatusHasCaptureCaps("CapEff:\t0000000000002000\n")) << "raw without admin";
    EXPECT_FALSE(PlatformStatusHasCaptureCaps("CapEff:\t0000000000001000\n")) << "admin without raw";
    EXPECT_FALSE(PlatformStatusHasCaptureCaps("CapEff:\t0000000000000000\n"));
    EXPECT_FALSE(PlatformStatusHasCaptureCaps("CapEff:\tzz\n"));
    EXPECT_FALSE(PlatformStatusHasCaptureCaps("Name:\tx\n"));
}

TEST(CapturePermission, KernelAnswerFollowsTheProcessRights)
{
    // Root (as in CI) may open packet sockets; an ordinary user without the
    // file capabilities may not.
    EXPECT_EQ(PlatformCapturePermitted(), ::geteuid() == 0);
}
