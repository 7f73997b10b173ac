// Time from StartDiscovery until every one of 1000 (and 2000) simulated
// cameras has reached the callback, over real libpcap on the lab's veth link.
#include "LabBench.h"
#include "Tivox.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace {


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
    std::string error;
    const pid_t sim = labbench::TheLab().StartCamSim({"--count", std::to_string(cameras)}, error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
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

} // namespace
