#include "LabBench.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <string>

namespace {

std::unique_ptr<labkit::Lab> g_lab;
bool g_failed = false;

} // namespace

namespace labbench {

labkit::Lab& TheLab()
{
    return *g_lab;
}

void MarkFailed()
{
    g_failed = true;
}

} // namespace labbench

int main(int argc, char** argv)
{
    // The namespace is entered by the main thread, so it must come first.
    std::string error;
    g_lab = labkit::Lab::Create(error);
    if (!g_lab || !g_lab->EnterWorkstation(error)) {
        std::fprintf(stderr, "camera lab: %s\n", error.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_lab.reset();
    return g_failed ? 1 : 0;
}
