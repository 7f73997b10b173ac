// The process-wide operation log of this test program lives in a temporary
// folder of its own, made before the first test runs, so every trace any test
// causes lands there and never beside the test binary.
#include "OperationLog.h"
#include "SupportTestFiles.h"

#include <gtest/gtest.h>

namespace {
class TraceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        m_folder = std::make_unique<TempProgramFolder>();
        COperationLog::Process();
        PlatformSetProgramFolder(std::string());
    }
    void TearDown() override { m_folder.reset(); }

private:
    std::unique_ptr<TempProgramFolder> m_folder;
};

[[maybe_unused]] ::testing::Environment* const g_traceEnvironment =
    ::testing::AddGlobalTestEnvironment(new TraceEnvironment);
} // namespace
