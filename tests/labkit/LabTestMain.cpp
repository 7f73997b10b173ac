// The main of a lab test program: the lab environment makes the lab before the
// first test and removes it after the last.
#include "Lab.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new labkit::LabEnvironment);
    return RUN_ALL_TESTS();
}
