#pragma once
// labkit: a camera lab for tests. A lab is two network namespaces joined by a
// veth pair (made by scripts/camlab); the test process moves into the
// workstation namespace and starts simulators in the camera namespace, so
// every frame a test sends stays inside the lab.
//
// Typical use, in a gtest main or through LabEnvironment below:
//
//   std::string error;
//   auto lab = labkit::Lab::Create(error);          // owner: this process
//   lab->EnterWorkstation(error);                   // main thread, no threads yet
//   pid_t sim = lab->StartCamSim({"--count", "3"}, error);
//   ... open CTivox on lab->WsInterface() ...
//   lab->Stop(sim);                                 // or leave it to ~Lab
//
// ~Lab stops every process it started and removes the lab. A lab left behind
// by a killed test is removed by the next camlab create, because its owner
// process is gone.

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace labkit {

class Lab
{
public:
    // Creates a lab through scripts/camlab; nullptr with a message when not
    // root or when camlab fails.
    static std::unique_ptr<Lab> Create(std::string& error);
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    // Moves the calling thread (and every thread it starts later) into the
    // workstation namespace. Call it on the main thread before any thread
    // exists, or threads started earlier stay outside the lab.
    bool EnterWorkstation(std::string& error);

    // Starts argv[0] (a path) in the camera namespace as a child of this
    // process. With readyText, waits up to ten seconds for a line of its
    // standard output that contains it. Returns the pid, or -1 with a message.
    pid_t StartInCamera(const std::vector<std::string>& argv, const std::string& readyText,
                        std::string& error);
    // vtcamsim on the camera interface with the given extra arguments, once it
    // is ready to answer.
    pid_t StartCamSim(const std::vector<std::string>& args, std::string& error);
    // vtflood on the camera interface with the given extra arguments, once it
    // is about to send its first frame.
    pid_t StartFlood(const std::vector<std::string>& args, std::string& error);
    // Waits up to timeoutMs (0: only looks) for a child started here to end;
    // true when it has, with its exit status (-1 when killed by a signal).
    // The child is forgotten then.
    bool WaitExit(pid_t pid, int timeoutMs, int& status);
    // What a child started here wrote to its standard output since the last
    // look (after its ready line), waiting up to timeoutMs for the first bytes.
    std::string ReadOutput(pid_t pid, int timeoutMs);
    // SIGTERM, then SIGKILL after five seconds; reaps the child.
    void Stop(pid_t pid);

    const std::string& Id() const { return m_id; }
    const std::string& WsNamespace() const { return m_wsNamespace; }
    const std::string& CamNamespace() const { return m_camNamespace; }
    const std::string& WsInterface() const { return m_wsInterface; }
    const std::string& CamInterface() const { return m_camInterface; }
    const std::string& WsIp() const { return m_wsIp; }
    // IPv4 addresses on the workstation's lab interface now (the lab's own is
    // one; a temporary address the program added is another); -1 when ip fails.
    int WorkstationAddressCount() const;

private:
    Lab() = default;

    struct Child
    {
        pid_t pid;
        int output;
    };

    std::string m_id;
    std::string m_wsNamespace;
    std::string m_camNamespace;
    std::string m_wsInterface;
    std::string m_camInterface;
    std::string m_wsIp;
    int m_homeNamespace = -1; // the namespace to return to for removing the lab
    std::vector<Child> m_children;
};

// The paths the build gave: scripts/camlab, vtcamsim (VTCAMSIM in the
// environment overrides it) and vtflood.
std::string CamlabPath();
std::string VtcamsimPath();
std::string VtfloodPath();

// A gtest environment that makes one lab for the whole test program and enters
// its workstation namespace; a test program registers it in main or with
// ::testing::AddGlobalTestEnvironment. When the lab cannot be made every test
// fails with the reason.
class LabEnvironment : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;
    // The lab of the running test program; nullptr before SetUp or on failure.
    static Lab* Current();
};

} // namespace labkit

// Use at the top of every lab test: fails it when there is no lab.
#define LABKIT_REQUIRE_LAB()                                                                                 \
    ASSERT_NE(::labkit::LabEnvironment::Current(), nullptr) << "the camera lab could not be made (see "      \
                                                               "above)"
