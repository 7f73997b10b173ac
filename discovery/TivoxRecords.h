#pragma once
// The records of the discovery library: fixed-size structures whose layout is
// part of the interface (the program stores and compares them byte by byte).
// Tivox.h declares them through this header; the frame codec and the pending
// table use them without the capture engine.

#include <cstddef>
#include <cstdint>

// One camera's identity and network settings. Text fields are NUL-terminated
// 8-bit strings; the bytes after the terminator are zero.
struct tagVtIpcInfo
{
    unsigned char mac[8]; // six address bytes, then two zero bytes
    char user[32];        // login user name, only in a modify request
    char password[16];    // login password, only in a modify request
    char devName[64];     // device name, UTF-8
    char ip[32];
    int32_t port; // port of the camera's web page
    char netmask[32];
    char gateway[32];
    char dns[32];
    char model[32];
    char version[32]; // firmware version
    char extra7[32];  // carried unchanged, never shown
    char extra9[32];  // carried unchanged, never shown
    int32_t upTime;   // seconds since the camera started
    int32_t viaUdp;   // 0: change by raw frame (the only transport that sends)
};

// What the capture callback receives: the camera and a result, 0 for a
// discovery reply or an accepted change, -1 for a refused change, 1 for a
// change that got no answer in time.
struct tagMsgInfo
{
    tagVtIpcInfo info;
    int32_t result;
};

// One capture device as listed by CTivox::SearchAdapter.
struct VtAdapter
{
    char name[256];
    char description[256];
    unsigned char mac[8]; // all zero when no network adapter matched the device
};

static_assert(sizeof(tagVtIpcInfo) == 388);
static_assert(offsetof(tagVtIpcInfo, user) == 8);
static_assert(offsetof(tagVtIpcInfo, password) == 40);
static_assert(offsetof(tagVtIpcInfo, devName) == 56);
static_assert(offsetof(tagVtIpcInfo, ip) == 120);
static_assert(offsetof(tagVtIpcInfo, port) == 152);
static_assert(offsetof(tagVtIpcInfo, netmask) == 156);
static_assert(offsetof(tagVtIpcInfo, gateway) == 188);
static_assert(offsetof(tagVtIpcInfo, dns) == 220);
static_assert(offsetof(tagVtIpcInfo, model) == 252);
static_assert(offsetof(tagVtIpcInfo, version) == 284);
static_assert(offsetof(tagVtIpcInfo, extra7) == 316);
static_assert(offsetof(tagVtIpcInfo, extra9) == 348);
static_assert(offsetof(tagVtIpcInfo, upTime) == 380);
static_assert(offsetof(tagVtIpcInfo, viaUdp) == 384);
static_assert(sizeof(tagMsgInfo) == 392);
static_assert(offsetof(tagMsgInfo, result) == 388);
static_assert(sizeof(VtAdapter) == 520);
static_assert(offsetof(VtAdapter, description) == 256);
static_assert(offsetof(VtAdapter, mac) == 512);
