#include "Churn.h"

#include <arpa/inet.h>

namespace camsim {
namespace {
// A reboot starts a moment after it is asked for; this much beyond the
// camera's reboot time it is surely over.
constexpr std::chrono::milliseconds kRebootMargin{2000};
// A moved camera is left alone this long, so that its announcement is not
// overtaken by another change at once.
constexpr std::chrono::milliseconds kMoveRest{1000};
constexpr int kDropMinMs = 2000;
constexpr int kDropMaxMs = 15000;
// Some vanishes outlast the program's 64 seconds of patience, some do not.
constexpr int kVanishMinMs = 10000;
constexpr int kVanishMaxMs = 100000;
constexpr std::chrono::milliseconds kPoll{100};
constexpr std::chrono::seconds kRebootWait{60};

std::uint32_t ParseIp(const std::string& text)
{
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 ? ntohl(address.s_addr) : 0;
}
} // namespace

Churn::Churn(CameraTable& cameras, ChurnActions actions, std::uint32_t seed, int rebootMs)
    : m_cameras(cameras), m_actions(std::move(actions)), m_random(seed), m_rebootMs(rebootMs)
{
    for (const SimCamera& camera : m_cameras.Snapshot()) {
        m_nextAddress = std::max(m_nextAddress, ParseIp(camera.ip) + 1);
    }
}

Churn::~Churn()
{
    Stop();
}

std::string Churn::NextAddress()
{
    in_addr address{};
    address.s_addr = htonl(m_nextAddress++);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof(text));
    return text;
}

bool Churn::Step(Clock::time_point now)
{
    EndDue(now);
    std::lock_guard lock(m_lock);
    std::vector<std::shared_ptr<LiveCamera>> idle;
    for (const auto& camera : m_cameras.Cameras()) {
        if (m_busy.count(camera.get()) != 0 || m_gone.count(camera.get()) != 0) {
            continue;
        }
        std::lock_guard cameraLock(camera->mutex);
        // A camera rebooted by someone else, or told by its configuration
        // never to answer, is left as it is.
        if (!camera->sim.silent && !camera->sim.Has(kFaultLostDiscovery)) {
            idle.push_back(camera);
        }
    }
    if (idle.empty()) {
        return false;
    }
    const auto& camera = idle[std::uniform_int_distribution<std::size_t>(0, idle.size() - 1)(m_random)];
    const auto event = static_cast<ChurnEvent>(std::uniform_int_distribution<int>(0, 3)(m_random));
    Apply(event, camera, now);
    return true;
}

void Churn::Apply(ChurnEvent event, const std::shared_ptr<LiveCamera>& camera, Clock::time_point now)
{
    const auto randomMs = [this](int low, int high) {
        return std::chrono::milliseconds(std::uniform_int_distribution<int>(low, high)(m_random));
    };
    Clock::time_point until = now;
    switch (event) {
    case ChurnEvent::Reboot:
        until = now + std::chrono::milliseconds(m_rebootMs) + kRebootMargin;
        ++m_counters.reboots;
        m_actions.reboot(camera);
        break;
    case ChurnEvent::DropReplies: {
        until = now + randomMs(kDropMinMs, kDropMaxMs);
        ++m_counters.drops;
        std::lock_guard cameraLock(camera->mutex);
        camera->sim.faults |= kFaultLostDiscovery;
        break;
    }
    case ChurnEvent::Move:
        until = now + kMoveRest;
        ++m_counters.moves;
        {
            std::lock_guard cameraLock(camera->mutex);
            camera->sim.ip = NextAddress();
        }
        m_actions.moved(camera);
        break;
    case ChurnEvent::Vanish:
        until = now + randomMs(kVanishMinMs, kVanishMaxMs);
        ++m_counters.vanishes;
        {
            std::lock_guard cameraLock(camera->mutex);
            camera->sim.silent = true;
        }
        m_actions.vanished(camera);
        break;
    }
    m_busy[camera.get()] = Busy{event, until};
}

void Churn::End(const std::shared_ptr<LiveCamera>& camera, ChurnEvent event)
{
    if (event == ChurnEvent::DropReplies) {
        std::lock_guard cameraLock(camera->mutex);
        camera->sim.faults &= ~static_cast<unsigned>(kFaultLostDiscovery);
    } else if (event == ChurnEvent::Vanish) {
        {
            std::lock_guard cameraLock(camera->mutex);
            camera->sim.silent = false;
            camera->sim.upSince = Clock::now();
        }
        ++m_counters.returns;
        m_actions.returned(camera);
    }
}

void Churn::EndDue(Clock::time_point now)
{
    std::lock_guard lock(m_lock);
    for (const auto& camera : m_cameras.Cameras()) {
        const auto found = m_busy.find(camera.get());
        if (found != m_busy.end() && found->second.until <= now) {
            const ChurnEvent event = found->second.event;
            m_busy.erase(found);
            End(camera, event);
        }
    }
}

void Churn::Settle()
{
    std::lock_guard lock(m_lock);
    for (const auto& camera : m_cameras.Cameras()) {
        const auto found = m_busy.find(camera.get());
        if (found == m_busy.end()) {
            continue;
        }
        if (found->second.event == ChurnEvent::Vanish) {
            m_gone[camera.get()] = camera;
            m_busy.erase(found);
        } else if (found->second.event != ChurnEvent::Reboot) {
            const ChurnEvent event = found->second.event;
            m_busy.erase(found);
            End(camera, event);
        }
    }
}

std::vector<SimCamera> Churn::Present() const
{
    std::lock_guard lock(m_lock);
    std::vector<SimCamera> present;
    for (const auto& camera : m_cameras.Cameras()) {
        const auto busy = m_busy.find(camera.get());
        if (m_gone.count(camera.get()) != 0 || (busy != m_busy.end() && busy->second.event == ChurnEvent::Vanish)) {
            continue;
        }
        std::lock_guard cameraLock(camera->mutex);
        present.push_back(camera->sim);
    }
    return present;
}

bool Churn::RebootsOver() const
{
    std::lock_guard lock(m_lock);
    for (const auto& [camera, busy] : m_busy) {
        if (busy.event == ChurnEvent::Reboot) {
            return false;
        }
    }
    for (const auto& camera : m_cameras.Cameras()) {
        if (m_gone.count(camera.get()) == 0) {
            std::lock_guard cameraLock(camera->mutex);
            if (camera->sim.silent) {
                return false;
            }
        }
    }
    return true;
}

ChurnCounters Churn::Counters() const
{
    std::lock_guard lock(m_lock);
    return m_counters;
}

void Churn::Start(std::chrono::milliseconds between, std::function<void(const std::string&)> report)
{
    m_thread = std::thread([this, between, report = std::move(report)] { Run(between, report); });
}

void Churn::Stop()
{
    {
        std::lock_guard lock(m_wakeLock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void Churn::Run(std::chrono::milliseconds between, const std::function<void(const std::string&)>& report)
{
    const auto pause = [this](Clock::time_point until) {
        std::unique_lock lock(m_wakeLock);
        m_wake.wait_until(lock, until, [this] { return m_stop.load(); });
    };
    auto next = Clock::now() + between;
    while (!m_stop && !m_reportWanted) {
        const auto now = Clock::now();
        if (now >= next) {
            Step(now);
            next += between;
        } else {
            EndDue(now);
        }
        pause(std::min(next, now + kPoll));
    }
    if (m_stop) {
        return;
    }
    Settle();
    const auto deadline = Clock::now() + kRebootWait;
    while (!m_stop && Clock::now() < deadline) {
        EndDue(Clock::now());
        if (RebootsOver()) {
            break;
        }
        pause(Clock::now() + kPoll);
    }
    const auto present = Present();
    for (const SimCamera& camera : present) {
        report("present " + FormatMac(camera.mac) + " " + camera.ip);
    }
    const ChurnCounters counters = Counters();
    report("churn events: " + std::to_string(counters.reboots) + " reboots, " + std::to_string(counters.drops) +
           " dropped-reply spells, " + std::to_string(counters.moves) + " moves, " +
           std::to_string(counters.vanishes) + " vanishes, " + std::to_string(counters.returns) + " returns");
    report("churn end " + std::to_string(present.size()));
}

} // namespace camsim

#include "CameraHttpService.h"
#include "InterfaceAddresses.h"
#include "RawFrameResponder.h"
#include "SimConfig.h"
#include "WsDiscovery.h"

#include <cstdio>

namespace camsim {

std::unique_ptr<Churn> StartChurn(const SimOptions& options, CameraTable& table, CameraHttpService& web,
                                  RawFrameResponder& responder, WsDiscoveryResponder& discovery)
{
    if (options.churnMs <= 0) {
        return nullptr;
    }
    const auto announce = [&responder, &discovery](const std::shared_ptr<LiveCamera>& camera) {
        SimCamera sim;
        {
            std::lock_guard lock(camera->mutex);
            sim = camera->sim;
        }
        responder.Announce(sim);
        discovery.Hello(camera);
    };
    ChurnActions actions;
    actions.reboot = [&web](const std::shared_ptr<LiveCamera>& camera) { web.Reboot(camera); };
    actions.vanished = [&web, &discovery](const std::shared_ptr<LiveCamera>& camera) {
        discovery.Bye(camera);
        web.Stop(camera);
    };
    actions.returned = [&web, announce](const std::shared_ptr<LiveCamera>& camera) {
        web.Start(camera);
        announce(camera);
    };
    actions.moved = [&web, announce, name = options.interfaceName](const std::shared_ptr<LiveCamera>& camera) {
        InterfaceAddress address;
        {
            std::lock_guard lock(camera->mutex);
            address = {camera->sim.ip, camera->sim.netmask};
        }
        std::string error;
        if (!AddInterfaceAddresses(name, {address}, error) || !web.Restart(camera)) {
            std::fprintf(stderr, "vtcamsim: churn cannot move a camera to %s %s\n", address.ip.c_str(),
                         error.c_str());
        }
        announce(camera);
    };
    auto churn = std::make_unique<Churn>(table, std::move(actions), options.seed, options.rebootMs);
    churn->Start(std::chrono::milliseconds(options.churnMs), [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    return churn;
}

} // namespace camsim
