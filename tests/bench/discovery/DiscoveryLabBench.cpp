// Time from StartDiscovery until every one of 1000 (and 2000) simulated
// cameras has reached the callback, over real libpcap on the lab's veth link;
// the program's own start-up path (opening the lab interface, the request,
// every camera in the device table); and, as the yardstick a site survey would
// use, arp-scan finding the same cameras' addresses on the same link.
#include "DeviceTable.h"
#include "DiscoverySession.h"
#include "LabBench.h"
#include "Tivox.h"

#include <algorithm>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace {

// The address vtcamsim numbers its cameras up from.
constexpr const char* kFirstCamera = "192.168.1.100";

// vtcamsim with that many cameras from kFirstCamera up; -1 with the
// benchmark marked failed when it does not start.
pid_t StartCameras(benchmark::State& state, std::size_t cameras)
{
    std::string error;
    const pid_t sim = labbench::TheLab().StartCamSim({"--count", std::to_string(cameras), "--base-ip", kFirstCamera}, error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
    }
    return sim;
}

struct Replies
{
    std::mutex lock;
    std::condition_variable changed;
    std::set<uint64_t> cameras;

    static void Callback(int code, tagMsgInfo* msg, void* user)
    {
        if (code != 1) {
            return;
        }
        auto* self = static_cast<Replies*>(user);
        uint64_t key = 0;
        std::memcpy(&key, msg->info.mac, 6);
        std::lock_guard guard(self->lock);
        self->cameras.insert(key);
        self->changed.notify_all();
    }
};

void BM_DiscoverCameras(benchmark::State& state)
{
    const auto cameras = static_cast<std::size_t>(state.range(0));
    const pid_t sim = StartCameras(state, cameras);
    if (sim < 0) {
        return;
    }
    VtAdapter* list = nullptr;
    int count = 0;
    CTivox::SearchAdapter(&list, &count);
    VtAdapter adapter{};
    for (int i = 0; i < count; ++i) {
        if (labbench::TheLab().WsInterface() == list[i].name) {
            adapter = list[i];
        }
    }
    CTivox::FreeSearchAdapter(list);
    char filter[160];
    std::snprintf(filter, sizeof(filter),
                  "(ether proto 0x0809 and len ==260) and ether src not %.2x:%.2x:%.2x:%.2x:%.2x:%.2x",
                  adapter.mac[0], adapter.mac[1], adapter.mac[2], adapter.mac[3], adapter.mac[4],
                  adapter.mac[5]);
    CTivox tivox;
    tivox.SetAdapter(labbench::TheLab().WsInterface().c_str());
    tivox.SetAdapterMac(adapter.mac);
    tivox.SetFilter(filter);
    Replies replies;
    if (tivox.InitTivox() != 0 || tivox.StartCapture(&Replies::Callback, &replies) != 0) {
        state.SkipWithError("cannot open the lab interface");
        labbench::MarkFailed();
        labbench::TheLab().Stop(sim);
        return;
    }
    std::size_t incomplete = 0;
    std::size_t fewest = cameras;
    for (auto _ : state) {
        {
            std::lock_guard guard(replies.lock);
            replies.cameras.clear();
        }
        const auto start = std::chrono::steady_clock::now();
        tivox.StartDiscovery();
        std::unique_lock guard(replies.lock);
        const bool all = replies.changed.wait_for(guard, std::chrono::seconds(10),
                                                  [&] { return replies.cameras.size() == cameras; });
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        incomplete += all ? 0 : 1;
        fewest = std::min(fewest, replies.cameras.size());
    }
    state.counters["cameras"] = static_cast<double>(cameras);
    state.counters["incomplete_rounds"] = static_cast<double>(incomplete);
    state.counters["fewest_heard"] = static_cast<double>(fewest);
    tivox.UnInitTivox();
    labbench::TheLab().Stop(sim);
    if (incomplete > 0) {
        const std::string message =
            "some cameras never reached the callback; fewest heard in a round: " + std::to_string(fewest);
        state.SkipWithError(message.c_str());
        labbench::MarkFailed();
    }
}
BENCHMARK(BM_DiscoverCameras)
    ->Arg(1000)
    ->Arg(2000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);


// The device table as the program fills it, and word when it holds them all.
struct ProgramTable
{
    DeviceTable table;
    std::size_t wanted = 0;
    std::mutex lock;
    std::condition_variable full;

    static void Callback(int code, tagMsgInfo* msg, void* user)
    {
        auto* self = static_cast<ProgramTable*>(user);
        DeviceTable::CaptureCallback(code, msg, &self->table);
        if (self->table.Count() >= self->wanted) {
            std::lock_guard guard(self->lock);
            self->full.notify_all();
        }
    }
};

// From opening the lab interface (which sends the discovery request, as the
// program does at start) until the device table lists every camera.
void BM_ProgramDiscoversCameras(benchmark::State& state)
{
    const auto cameras = static_cast<std::size_t>(state.range(0));
    const pid_t sim = StartCameras(state, cameras);
    if (sim < 0) {
        return;
    }
    std::size_t fewest = cameras;
    for (auto _ : state) {
        ProgramTable heard;
        heard.wanted = cameras;
        DiscoverySession session;
        const auto start = std::chrono::steady_clock::now();
        if (session.Open(&ProgramTable::Callback, &heard, {labbench::TheLab().WsInterface()}) != 1) {
            state.SkipWithError("cannot open the lab interface");
            break;
        }
        {
            std::unique_lock guard(heard.lock);
            heard.full.wait_for(guard, std::chrono::seconds(10), [&] { return heard.table.Count() >= cameras; });
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        fewest = std::min(fewest, heard.table.Count());
        session.Close();
    }
    state.counters["cameras"] = static_cast<double>(cameras);
    state.counters["fewest_listed"] = static_cast<double>(fewest);
    labbench::TheLab().Stop(sim);
    if (fewest < cameras) {
        state.SkipWithError("the device table did not list every camera within 10 s");
        labbench::MarkFailed();
    }
}
BENCHMARK(BM_ProgramDiscoversCameras)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

std::string NthAddress(const char* first, std::size_t n)
{
    in_addr address{};
    inet_pton(AF_INET, first, &address);
    address.s_addr = htonl(ntohl(address.s_addr) + static_cast<uint32_t>(n));
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// arp-scan over exactly the cameras' addresses, from the workstation side of
// the lab; the camera namespace's kernel answers for every address vtcamsim
// put on its interface. Arg 1: its default pace (256 kbit/s) or 0: at
// 100 Mbit/s (--interval=0 alone still keeps the default pace).
void BM_ArpScanCameras(benchmark::State& state)
{
    const auto cameras = static_cast<std::size_t>(state.range(0));
    const bool paced = state.range(1) != 0;
    const pid_t sim = StartCameras(state, cameras);
    if (sim < 0) {
        return;
    }
    const std::string command = "arp-scan --plain --quiet --interface=" + labbench::TheLab().WsInterface() +
                                (paced ? "" : " --bandwidth=100M") + " " + kFirstCamera + "-" +
                                NthAddress(kFirstCamera, cameras - 1) + " 2>&1";
    std::size_t fewest = cameras;
    std::string failure;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        FILE* scan = ::popen(command.c_str(), "r");
        if (scan == nullptr) {
            failure = "arp-scan could not be started";
            break;
        }
        std::set<std::string> hosts;
        std::string unexpected;
        char line[512];
        while (std::fgets(line, sizeof line, scan) != nullptr) {
            const std::string text(line);
            const std::string ip = text.substr(0, text.find('\t'));
            in_addr parsed{};
            if (text.find('\t') != std::string::npos && inet_pton(AF_INET, ip.c_str(), &parsed) == 1) {
                hosts.insert(ip);
            } else if (unexpected.empty()) {
                unexpected = text;
            }
        }
        const int status = ::pclose(scan);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        fewest = std::min(fewest, hosts.size());
        if (status != 0) {
            failure = "arp-scan failed (is it installed? scripts/setup): " + unexpected;
            break;
        }
    }
    state.counters["cameras"] = static_cast<double>(cameras);
    state.counters["fewest_found"] = static_cast<double>(fewest);
    labbench::TheLab().Stop(sim);
    if (!failure.empty()) {
        state.SkipWithError(failure.c_str());
        labbench::MarkFailed();
    }
}
BENCHMARK(BM_ArpScanCameras)
    ->ArgNames({"cameras", "paced"})
    ->Args({1000, 1})
    ->Args({1000, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
