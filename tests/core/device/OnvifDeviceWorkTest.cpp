// The plain rules of the ONVIF side of discovery: reading service addresses
// and hardware addresses as cameras write them, and the bound on queued logins.
#include "OnvifDeviceWork.h"
#include "OnvifWorkerPool.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <vector>

TEST(OnvifDeviceWork, ServiceAddressesAndHardwareAddressesAreReadAsCamerasWriteThem)
{
    EXPECT_EQ(DeviceServiceAddress("urn:x soap.udp://1.2.3.4 http://10.0.0.5:8080/onvif/device_service"),
              "http://10.0.0.5:8080/onvif/device_service");
    EXPECT_EQ(DeviceServiceAddress("urn:only"), "");
    std::string host;
    int port = 0;
    ASSERT_TRUE(ServiceHostAndPort("http://10.0.0.5:8080/onvif/device_service", host, port));
    EXPECT_EQ(host, "10.0.0.5");
    EXPECT_EQ(port, 8080);
    ASSERT_TRUE(ServiceHostAndPort("https://10.0.0.6/onvif/device_service", host, port));
    EXPECT_EQ(port, 443);
    EXPECT_FALSE(ServiceHostAndPort("http://camera.local/onvif/device_service", host, port));
    EXPECT_FALSE(ServiceHostAndPort("http://10.0.0.5:99999/", host, port));

    unsigned char mac[8] = {};
    ASSERT_TRUE(ParseOnvifMac("ac:1e:50:00:24:0F", mac));
    EXPECT_EQ(mac[0], 0xAC);
    EXPECT_EQ(mac[5], 0x0F);
    EXPECT_EQ(mac[6], 0);
    EXPECT_TRUE(ParseOnvifMac("AC-1E-50-00-24-0F", mac));
    EXPECT_FALSE(ParseOnvifMac("AC:1E:50:00:24", mac));
    EXPECT_FALSE(ParseOnvifMac("AC:1E:50:00:24:0G", mac));
}

TEST(OnvifWorkerPool, ReadsBeyondTheBoundAreTurnedAwayAndChangesRunFirst)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::mutex lock;
    std::vector<std::string> order;
    const auto record = [&](std::string name) {
        return [&, name](const std::atomic<bool>&) {
            std::lock_guard scope(lock);
            order.push_back(name);
        };
    };
    OnvifWorkerPool pool(1, 2);
    std::promise<void> started;
    pool.SubmitChange([&](const std::atomic<bool>&) {
        started.set_value();
        released.wait();
    });
    started.get_future().wait();
    EXPECT_TRUE(pool.SubmitRead(record("read 1")));
    EXPECT_TRUE(pool.SubmitRead(record("read 2")));
    EXPECT_FALSE(pool.SubmitRead(record("read 3")));
    pool.SubmitChange(record("change"));
    EXPECT_EQ(pool.TurnedAway(), 1U);
    release.set_value();
    ASSERT_TRUE(pool.WaitIdle(std::chrono::seconds(5)));
    EXPECT_EQ(order, (std::vector<std::string>{"change", "read 1", "read 2"}));
}
