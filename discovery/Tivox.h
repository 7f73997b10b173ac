#pragma once
// The discovery library: finds cameras on the local Ethernet segment with raw
// frames of EtherType 0x0809 and changes their network identity the same way,
// so that a camera whose IP settings do not fit the workstation still answers.
//
// Records are plain fixed-size structures; their layout is part of the
// interface (the program stores and compares them byte by byte).

#include "TivoxRecords.h"
#include "ZxExport.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

struct pcap;

// Called from the capture thread (code 1: discovery reply; code 3: modify
// reply) and from the sweeper thread (code 3 with result 1: no answer). msg is
// valid only during the call. Calls may come from several threads at once.
using TivoxCallback = void (*)(int code, tagMsgInfo* msg, void* user);

// The process-wide table of unanswered modify requests. Call the first once
// before the first modify and the second once after every CTivox is closed;
// the second also forgets every request still pending.
ZX_EXPORT void InitGlobalModifyInfo();
ZX_EXPORT void DestroyGlobalModifyInfo();

// Drives one capture device. Results: 0 success, negative failure; diagnostics
// go to the debug output only. Not copyable.
class ZX_EXPORT CTivox
{
public:
    CTivox();
    explicit CTivox(const char* adapterName);
    virtual ~CTivox();
    CTivox(const CTivox&) = delete;
    CTivox& operator=(const CTivox&) = delete;

    // Lists the capture devices with the hardware address of their network
    // adapter. Outputs stay untouched on failure; free the list with
    // FreeSearchAdapter (null is ignored).
    static void SearchAdapter(VtAdapter** adapters, int* count);
    static void FreeSearchAdapter(VtAdapter* adapters);

    void SetAdapter(const char* adapterName);
    void SetAdapterMac(const unsigned char* mac);
    void SetFilter(const char* filter);

    // 0 opened (or already open), -1 no adapter name, -2 the device cannot be
    // opened or is not an Ethernet device.
    int InitTivox();
    // -1 while closed; else 0. A later call only replaces callback and user.
    int StartCapture(TivoxCallback callback, void* user);
    // -1 while closed; else 0, also when sending failed.
    int StartDiscovery();
    // Sends nothing; 0.
    int UdppDiscovery();
    // Broadcasts a change of identity for the camera info->mac and remembers
    // it until the camera answers or 15 s pass. -1 (nothing sent) while closed
    // or without user name or password; else 0.
    int ModifyIpcInfo(tagVtIpcInfo* info);
    // Sends nothing, records nothing; 0.
    int ModifyUdppInfo(tagVtIpcInfo* info);
    // Stops both threads and closes the device; it can be opened again.
    void UnInitTivox();

private:
    bool InstallFilter();
    void CaptureLoop();
    void SweepLoop();
    bool SendFrame(const unsigned char* frame);
    void Report(int code, tagMsgInfo* msg);

    std::atomic<bool> m_opened{false};
    pcap* m_handle = nullptr;
    char m_adapterName[256] = {};
    unsigned char m_adapterMac[8] = {};
    char m_filter[256] = {};
    std::atomic<bool> m_running{false};
    std::mutex m_callbackLock; // guards callback and user pointer, never held while calling
    TivoxCallback m_callback = nullptr;
    void* m_user = nullptr;
    std::mutex m_sendLock; // callers may send from several threads at once
    std::thread m_sweeper;
    std::thread m_capture;
    bool m_captureTried = false; // capture set up once per opening
};
