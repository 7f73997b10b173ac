#include "CliSession.h"

#include "AddressRules.h"
#include "MacText.h"

#include <algorithm>
#include <thread>

namespace {
constexpr auto kOnvifReadLimit = std::chrono::seconds(10);
} // namespace

CliSession::CliSession(LineSink lines) : m_lines(std::move(lines))
{
    InitGlobalModifyInfo();
    m_table.SetListener(this);
}

CliSession::~CliSession()
{
    m_discovery.Close();
    m_table.SetListener(nullptr);
    DestroyGlobalModifyInfo();
}

bool CliSession::Open(const std::vector<std::string>& interfaces, std::string& error)
{
    std::vector<std::string> failed;
    m_discovery.SetOnvifTable(&m_table);
    const int opened = m_discovery.Open(&CliSession::Capture, this, interfaces, &failed);
    // Devices that cannot carry these frames (any, nflog, ...) are passed over
    // unless the caller named them.
    if (!interfaces.empty() && !failed.empty()) {
        error = "cannot capture on";
        for (const std::string& name : failed) {
            error += " " + name;
        }
        error += " (no such device, not Ethernet, or no capture permission: run as root or grant "
                 "cap_net_raw,cap_net_admin)";
        return false;
    }
    if (opened == 0) {
        error = "no capture device could be opened (run as root or grant cap_net_raw,cap_net_admin)";
        return false;
    }
    return true;
}

void CliSession::Discover(std::chrono::milliseconds wait)
{
    const auto end = std::chrono::steady_clock::now() + wait;
    // Open() sent the first probe; repeat it every second within the wait.
    for (auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1); next < end;
         next += std::chrono::seconds(1)) {
        std::this_thread::sleep_until(next);
        m_discovery.Probe();
    }
    std::this_thread::sleep_until(end);
    // ONVIF cameras heard late are still being read: their logins end within
    // a call's time, so the list shows them with what the login told.
    m_discovery.WaitOnvifIdle(kOnvifReadLimit);
}

void CliSession::SetLogin(const LoginCredentials& login)
{
    m_discovery.SetOnvifLogin(login.user, login.password);
}

std::vector<ListedCamera> CliSession::Listed(ProtocolChoice choice) const
{
    std::vector<ListedCamera> cameras;
    for (const DeviceRef& entry : m_table.Entries()) {
        ListedCamera camera{{}, entry->Mark()};
        if (ChoiceTakes(choice, camera.protocol) && m_table.Snapshot(*entry, camera.info)) {
            cameras.push_back(camera);
        }
    }
    std::sort(cameras.begin(), cameras.end(), [](const ListedCamera& left, const ListedCamera& right) {
        const tagVtIpcInfo& a = left.info;
        const tagVtIpcInfo& b = right.info;
        int pa[4];
        int pb[4];
        SplitAddress(a.ip, pa);
        SplitAddress(b.ip, pb);
        if (!std::equal(pa, pa + 4, pb)) {
            return std::lexicographical_compare(pa, pa + 4, pb, pb + 4);
        }
        return std::lexicographical_compare(a.mac, a.mac + 6, b.mac, b.mac + 6);
    });
    return cameras;
}

std::vector<tagVtIpcInfo> CliSession::Cameras(ProtocolChoice choice) const
{
    std::vector<tagVtIpcInfo> cameras;
    for (const ListedCamera& camera : Listed(choice)) {
        cameras.push_back(camera.info);
    }
    return cameras;
}

bool CliSession::Modify(tagVtIpcInfo request)
{
    {
        std::lock_guard lock(m_lock);
        m_outcomes.erase(FormatMac(request.mac));
    }
    return m_discovery.Modify(&request) == 0;
}

std::map<std::string, int> CliSession::WaitForOutcomes(const std::vector<std::string>& macs,
                                                       std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_lock);
    m_answered.wait_for(lock, limit, [&] {
        return std::all_of(macs.begin(), macs.end(),
                           [&](const std::string& mac) { return m_outcomes.count(mac); });
    });
    std::map<std::string, int> outcomes;
    for (const std::string& mac : macs) {
        const auto found = m_outcomes.find(mac);
        outcomes[mac] = found == m_outcomes.end() ? 1 : found->second;
    }
    return outcomes;
}

void CliSession::Capture(int code, tagMsgInfo* msg, void* user)
{
    auto* self = static_cast<CliSession*>(user);
    // The table writes the result lines first, so a caller that wakes on the
    // outcome finds its lines already printed.
    const auto captured = static_cast<CaptureCode>(code);
    self->m_table.OnCapture(captured, *msg);
    if (captured == CaptureCode::ModifyOutcome) {
        std::lock_guard lock(self->m_lock);
        self->m_outcomes[FormatMac(msg->info.mac)] = msg->result;
        self->m_answered.notify_all();
    }
}

void CliSession::PostDeviceMessage(DeviceEvent, const DeviceRef&) {}

void CliSession::SendDeviceGone(const DeviceRef&, std::uint32_t) {}

void CliSession::AddPanelLine(const PanelLine& line)
{
    std::lock_guard lock(m_lineLock);
    if (m_lines) {
        m_lines(line.text, line.stamped);
    }
}
