#include "Lab.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace labkit {
namespace {

std::unique_ptr<Lab> g_lab;

// Starts argv[0] with its standard output on a pipe, in the network namespace
// netns when that is not -1. Returns the pid (and the pipe's reading end in
// output), or -1.
pid_t Spawn(const std::vector<std::string>& argv, int netns, int& output)
{
    int pipeFds[2];
    if (argv.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (netns >= 0 && setns(netns, CLONE_NEWNET) != 0) {
            _exit(126);
        }
        dup2(pipeFds[1], STDOUT_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return -1;
    }
    output = pipeFds[0];
    return pid;
}

// Runs a program (in netns unless -1), returns its exit status and standard
// output.
int RunCapture(const std::vector<std::string>& argv, std::string& output, int netns = -1)
{
    int pipe = -1;
    const pid_t pid = Spawn(argv, netns, pipe);
    if (pid < 0) {
        return -1;
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(pipe, buffer, sizeof(buffer))) > 0) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipe);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::string> ParseVariables(const std::string& text)
{
    std::map<std::string, std::string> variables;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            variables[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return variables;
}

} // namespace

std::string CamlabPath()
{
    return LABKIT_CAMLAB_PATH;
}

std::string VtcamsimPath()
{
    const char* override = std::getenv("VTCAMSIM");
    return override != nullptr && *override != '\0' ? override : LABKIT_VTCAMSIM_PATH;
}

std::string VtfloodPath()
{
    return LABKIT_VTFLOOD_PATH;
}

std::unique_ptr<Lab> Lab::Create(std::string& error)
{
    if (geteuid() != 0) {
        error = "lab tests need root (network namespaces); run them as root, as CI does";
        return nullptr;
    }
    std::string output;
    const int status =
        RunCapture({"/bin/bash", CamlabPath(), "create", "--owner", std::to_string(getpid())}, output);
    auto variables = ParseVariables(output);
    if (status != 0 || variables["CAMLAB_ID"].empty()) {
        error = "scripts/camlab create failed with status " + std::to_string(status) + "; output: " + output;
        return nullptr;
    }
    std::unique_ptr<Lab> lab(new Lab);
    lab->m_id = variables["CAMLAB_ID"];
    lab->m_wsNamespace = variables["CAMLAB_WS_NS"];
    lab->m_camNamespace = variables["CAMLAB_CAM_NS"];
    lab->m_wsInterface = variables["CAMLAB_WS_IF"];
    lab->m_camInterface = variables["CAMLAB_CAM_IF"];
    lab->m_wsIp = variables["CAMLAB_WS_IP"];
    return lab;
}

Lab::~Lab()
{
    while (!m_children.empty()) {
        Stop(m_children.back().pid);
    }
    // camlab must run in the namespace the lab was made from.
    std::string output;
    RunCapture({"/bin/bash", CamlabPath(), "destroy", m_id}, output, m_homeNamespace);
    if (m_homeNamespace >= 0) {
        close(m_homeNamespace);
    }
}

bool Lab::EnterWorkstation(std::string& error)
{
    const int target = open(("/run/netns/" + m_wsNamespace).c_str(), O_RDONLY | O_CLOEXEC);
    if (target < 0) {
        error = "cannot open namespace " + m_wsNamespace + ": " + std::strerror(errno);
        return false;
    }
    if (m_homeNamespace < 0) {
        m_homeNamespace = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    }
    const bool entered = setns(target, CLONE_NEWNET) == 0;
    if (!entered) {
        error = "cannot enter namespace " + m_wsNamespace + ": " + std::strerror(errno);
    }
    close(target);
    return entered;
}

pid_t Lab::StartInCamera(const std::vector<std::string>& argv, const std::string& readyText,
                         std::string& error)
{
    if (argv.empty()) {
        error = "no program given";
        return -1;
    }
    const std::string nsPath = "/run/netns/" + m_camNamespace;
    const int netns = open(nsPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (netns < 0) {
        error = "cannot open " + nsPath + ": " + std::strerror(errno);
        return -1;
    }
    int output = -1;
    const pid_t pid = Spawn(argv, netns, output);
    close(netns);
    if (pid < 0) {
        error = std::string("cannot start ") + argv[0] + ": " + std::strerror(errno);
        return -1;
    }
    m_children.push_back({pid, output});
    if (readyText.empty()) {
        return pid;
    }
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.find(readyText) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waitFor{output, POLLIN, 0};
        if (left.count() <= 0 || poll(&waitFor, 1, static_cast<int>(left.count())) <= 0) {
            error = argv[0] + " did not say \"" + readyText + "\" within ten seconds";
            Stop(pid);
            return -1;
        }
        char buffer[512];
        const ssize_t got = read(output, buffer, sizeof(buffer));
        if (got <= 0) {
            Stop(pid);
            error = argv[0] + " ended before it was ready; output: " + seen;
            return -1;
        }
        seen.append(buffer, static_cast<std::size_t>(got));
    }
    return pid;
}

pid_t Lab::StartCamSim(const std::vector<std::string>& args, std::string& error)
{
    std::vector<std::string> argv = {VtcamsimPath(), "--interface", m_camInterface};
    argv.insert(argv.end(), args.begin(), args.end());
    return StartInCamera(argv, "vtcamsim ready", error);
}

pid_t Lab::StartFlood(const std::vector<std::string>& args, std::string& error)
{
    std::vector<std::string> argv = {VtfloodPath(), "--interface", m_camInterface};
    argv.insert(argv.end(), args.begin(), args.end());
    return StartInCamera(argv, "vtflood started", error);
}

std::string Lab::ReadOutput(pid_t pid, int timeoutMs)
{
    std::string text;
    for (const Child& child : m_children) {
        if (child.pid != pid) {
            continue;
        }
        pollfd waitFor{child.output, POLLIN, 0};
        int wait = timeoutMs;
        while (poll(&waitFor, 1, wait) > 0 && (waitFor.revents & POLLIN) != 0) {
            char buffer[4096];
            const ssize_t got = read(child.output, buffer, sizeof(buffer));
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(got));
            wait = 0;
        }
    }
    return text;
}

int Lab::WorkstationAddressCount() const
{
    std::string shown;
    if (RunCapture({"/sbin/ip", "-4", "-o", "addr", "show", "dev", m_wsInterface}, shown) != 0) {
        return -1;
    }
    std::istringstream lines(shown);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        count += line.find(" inet ") != std::string::npos ? 1 : 0;
    }
    return count;
}

bool Lab::WaitExit(pid_t pid, int timeoutMs, int& status)
{
    for (auto it = m_children.begin(); it != m_children.end(); ++it) {
        if (it->pid != pid) {
            continue;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int raw = 0;
        while (waitpid(pid, &raw, WNOHANG) != pid) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        close(it->output);
        m_children.erase(it);
        return true;
    }
    return false;
}

void Lab::Stop(pid_t pid)
{
    for (auto it = m_children.begin(); it != m_children.end(); ++it) {
        if (it->pid != pid) {
            continue;
        }
        kill(pid, SIGTERM);
        int status = 0;
        bool reaped = false;
        for (int i = 0; i < 100 && !reaped; ++i) {
            reaped = waitpid(pid, &status, WNOHANG) == pid;
            if (!reaped) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        if (!reaped) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        close(it->output);
        m_children.erase(it);
        return;
    }
}

void LabEnvironment::SetUp()
{
    std::string error;
    std::unique_ptr<Lab> lab = Lab::Create(error);
    if (!lab) {
        GTEST_FAIL() << "camera lab: " << error;
    }
    if (!lab->EnterWorkstation(error)) {
        GTEST_FAIL() << "camera lab: " << error;
    }
    g_lab = std::move(lab);
}

void LabEnvironment::TearDown()
{
    g_lab.reset();
}

Lab* LabEnvironment::Current()
{
    return g_lab.get();
}

} // namespace labkit
