#include <gtest/gtest.h>

#include <string>

#include "DebugOutput.h"

TEST(DebugOutput, SinkReceivesNarrowAndWideTextAsUtf8)
{
    std::string seen;
    PlatformSetDebugSink([&seen](std::string_view text) { seen += text; });
    PlatformDebugOutput("Send Packet Failed.\n");
    PlatformDebugOutputW(L"\u4e2d\u6587 \u00e9\n");
    PlatformDebugOutput(nullptr);
    PlatformSetDebugSink({});
    PlatformDebugOutput("after the sink is gone\n");
    EXPECT_EQ(seen, "Send Packet Failed.\n\xe4\xb8\xad\xe6\x96\x87 \xc3\xa9\n");
}
