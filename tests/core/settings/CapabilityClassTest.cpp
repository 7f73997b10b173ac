// The capability class: the digit rules in their order and the three lists
// of models the rules would misplace.
#include "CapabilityClass.h"

#include <gtest/gtest.h>

namespace {
const char* Name(CapabilityClass c)
{
    switch (c) {
    case CapabilityClass::Hd720:
        return "720P";
    case CapabilityClass::Mp13:
        return "1.3M";
    case CapabilityClass::Hd1080:
        return "1080P";
    case CapabilityClass::Mp3:
        return "3M";
    case CapabilityClass::Mp5:
        return "5M";
    }
    return "?";
}

void ExpectClass(int number, CapabilityClass expected)
{
    EXPECT_STREQ(Name(CapabilityClassOf(number)), Name(expected)) << "VT-C" << number;
}
} // namespace

TEST(CapabilityClass, ModelNumbersAndAModels)
{
    EXPECT_EQ(ModelNumber("VT-C6102"), 6102);
    EXPECT_EQ(ModelNumber("VT-C6121A"), 6121);
    EXPECT_EQ(ModelNumber("VT-1080P"), 0);
    EXPECT_EQ(ModelNumber(""), 0);
    EXPECT_EQ(ModelNumber("XVT-C6102"), 0);
    EXPECT_TRUE(IsAModel("VT-C6121A"));
    EXPECT_FALSE(IsAModel("VT-C6121"));
    EXPECT_FALSE(IsAModel("VT-C6121a")) << "only the capital letter";
    EXPECT_FALSE(IsAModel(""));
    EXPECT_STREQ(Name(CapabilityClassOfModel("no number")), "5M");
}

TEST(CapabilityClass, DigitRulesInTheirOrder)
{
    // 1: thousands 6 with units up to 3, before the hundreds-9 rule.
    ExpectClass(6100, CapabilityClass::Hd1080);
    ExpectClass(6993, CapabilityClass::Hd1080);
    ExpectClass(6104, CapabilityClass::Mp5);
    // 2: thousands 8 with units 6 or 7, before the hundreds-9 rule.
    ExpectClass(8906, CapabilityClass::Mp3);
    ExpectClass(8117, CapabilityClass::Mp3);
    ExpectClass(8118, CapabilityClass::Mp5);
    // 4: hundreds 9, before thousands 2 and the tens rules.
    ExpectClass(2951, CapabilityClass::Hd720);
    ExpectClass(1900, CapabilityClass::Hd720);
    // 5: thousands 2, whatever the tens.
    ExpectClass(2156, CapabilityClass::Mp13);
    ExpectClass(2000, CapabilityClass::Mp13);
    // 6: thousands 5 with units up to 3, before the tens rules.
    ExpectClass(5153, CapabilityClass::Mp13);
    ExpectClass(5156, CapabilityClass::Mp3);
    // 7: tens 5-7 with units 1-3.
    ExpectClass(1151, CapabilityClass::Hd1080);
    ExpectClass(3263, CapabilityClass::Hd1080);
    ExpectClass(7173, CapabilityClass::Hd1080);
    ExpectClass(1150, CapabilityClass::Mp5); // units 0 is not 1-3
    ExpectClass(1141, CapabilityClass::Mp5); // tens 4 is not 5-7
    // 8: tens 5-7 with units 6.
    ExpectClass(1156, CapabilityClass::Mp3);
    ExpectClass(4176, CapabilityClass::Mp3);
    ExpectClass(4196, CapabilityClass::Mp5); // tens 9 is not 5-7
    // 9: everything else.
    ExpectClass(0, CapabilityClass::Mp5);
    ExpectClass(1234, CapabilityClass::Mp5);
    EXPECT_LT(CapabilityClass::Hd720, CapabilityClass::Mp13);
    EXPECT_LT(CapabilityClass::Mp13, CapabilityClass::Hd1080);
    EXPECT_LT(CapabilityClass::Hd1080, CapabilityClass::Mp3);
    EXPECT_LT(CapabilityClass::Mp3, CapabilityClass::Mp5);
}

TEST(CapabilityClass, EveryListedModelGetsItsClassAgainstTheDigitRules)
{
    // Each list, entry by entry; none of these numbers gets that class
    // from the digit rules.
    for (int n : {1104, 1105, 1108, 1204, 1205, 1208, 1304, 1305, 1308, 3104, 3105, 3108, 3204, 3205,
                  3208, 4104, 4105, 4108, 4204, 4205, 4208, 7104, 7105, 7108, 7204, 7205, 7208}) {
        ExpectClass(n, CapabilityClass::Hd1080);
    }
    for (int n : {1186, 1187, 1286, 1287, 3186, 3187, 3286, 3287, 4186, 4187, 4286, 4287, 5186, 5187, 7186,
                  7187, 9186, 9187}) {
        ExpectClass(n, CapabilityClass::Mp3);
    }
    for (int n : {2958, 2959, 5958, 5959, 6958, 6959, 8958}) {
        ExpectClass(n, CapabilityClass::Mp5);
    }
    // Neighbours of listed models follow the digit rules.
    ExpectClass(1106, CapabilityClass::Mp5);
    ExpectClass(1188, CapabilityClass::Mp5);
    ExpectClass(2957, CapabilityClass::Hd720);
    ExpectClass(8959, CapabilityClass::Hd720);
}

TEST(CapabilityClass, TheReferenceCameraIsTheFirstOfTheLowestClass)
{
    // 5M, 1080P, 720P, 720P: the first 720P camera bounds the batch.
    EXPECT_EQ(ReferenceCamera({"VT-C1100", "VT-C6102", "VT-C1902", "VT-C2951"}), std::optional<std::size_t>(2));
    EXPECT_EQ(ReferenceCamera({"VT-C6102", "VT-C1100"}), std::optional<std::size_t>(0));
    // A model text without a number counts as 5M: it never wins over a known class.
    EXPECT_EQ(ReferenceCamera({"", "no number", "VT-C2156"}), std::optional<std::size_t>(2));
    EXPECT_EQ(ReferenceCamera({"", "no number"}), std::optional<std::size_t>(0));
    EXPECT_EQ(ReferenceCamera({}), std::nullopt);
}
