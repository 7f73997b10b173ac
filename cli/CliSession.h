#pragma once
#include "Camera.h"
#include "DeviceTable.h"
#include "DiscoverySession.h"
#include "ModifyReport.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A camera as a command lists it: its record and the protocols it speaks.
struct ListedCamera
{
    tagVtIpcInfo info{};
    ProtocolMark protocol;
};

// Discovery for the terminal tool: the window's device table and discovery
// session, with the replies to changes of identity counted per camera and
// the table's result lines passed to a sink instead of a panel.
class CliSession : public DeviceTableListener
{
public:
    using LineSink = std::function<void(const std::wstring& text, bool stamped)>;

    explicit CliSession(LineSink lines);
    ~CliSession() override;

    // Opens the capture devices (all, or those named); false with a message
    // when none opened or a named one did not.
    bool Open(const std::vector<std::string>& interfaces, std::string& error);
    // The login ONVIF cameras are read with; without one they are listed
    // with what their announcements tell.
    void SetLogin(const LoginCredentials& login);
    // Probes every second for the given time, so one lost reply does not hide
    // a camera; then waits for the ONVIF cameras' logins.
    void Discover(std::chrono::milliseconds wait);
    // The cameras heard that the choice takes, by IP address (then MAC), one
    // per camera however many adapters heard it.
    std::vector<ListedCamera> Listed(ProtocolChoice choice) const;
    std::vector<tagVtIpcInfo> Cameras(ProtocolChoice choice) const;

    // Sends a change of identity; false when no adapter could send it.
    bool Modify(tagVtIpcInfo request);
    // Waits until every camera in macs ("AA:BB:...") has answered a change or
    // been given up, or until the time runs out. Returns per MAC: 0 changed,
    // -1 refused, 1 no answer (also for those still waiting at the end).
    std::map<std::string, int> WaitForOutcomes(const std::vector<std::string>& macs,
                                               std::chrono::milliseconds limit);

    // DeviceTableListener
    void PostDeviceMessage(DeviceEvent event, const DeviceRef& entry) override;
    void SendDeviceGone(const DeviceRef& entry, std::uint32_t holders) override;
    void AddPanelLine(const PanelLine& line) override;

private:
    static void Capture(int code, tagMsgInfo* msg, void* user);

    LineSink m_lines;
    DeviceTable m_table;
    DiscoverySession m_discovery;
    std::mutex m_lock;
    std::condition_variable m_answered;
    std::map<std::string, int> m_outcomes;
    std::mutex m_lineLock;
};
