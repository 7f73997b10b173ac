#pragma once
// What the lab tests of zendrix-cli share: running the tool as a user runs it,
// in the lab's workstation namespace, against vtcamsim in the camera namespace.
#include "Lab.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace clilab {
struct CliRun
{
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::string Scratch(const std::string& name)
{
    return ::testing::TempDir() + "zendrix-cli-" + std::to_string(getpid()) + "-" + name;
}

// Runs the tool with arguments (already shell-quoted where needed).
inline CliRun Cli(const std::string& arguments)
{
    const std::string out = Scratch("out");
    const std::string err = Scratch("err");
    const std::string command = std::string("ZENDRIX_PASSWORD=admin ") + ZENDRIX_CLI_PATH + " " + arguments +
                                " </dev/null >" + out + " 2>" + err;
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

inline std::string Interface()
{
    return " --iface " + labkit::LabEnvironment::Current()->WsInterface();
}

// MAC -> IP of every camera discovered.
inline std::map<std::string, std::string> Discovered(const std::string& wait = "2")
{
    const CliRun run = Cli("discover --format json --wait " + wait + Interface());
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> cameras;
    for (const auto& camera : nlohmann::json::parse(run.out)) {
        cameras[camera["mac"].get<std::string>()] = camera["ip"].get<std::string>();
    }
    return cameras;
}

inline std::string Mac(int n)
{
    char text[32];
    std::snprintf(text, sizeof text, "02:5A:25:00:%02X:%02X", n / 256, n % 256);
    return text;
}

class CliLab : public ::testing::Test
{
protected:
    void Start(const std::vector<std::string>& args)
    {
        std::string error;
        sim_ = labkit::LabEnvironment::Current()->StartCamSim(args, error);
        ASSERT_GT(sim_, 0) << error;
    }
    void TearDown() override
    {
        if (sim_ > 0) {
            labkit::LabEnvironment::Current()->Stop(sim_);
        }
    }
    pid_t sim_ = -1;
};
} // namespace clilab
