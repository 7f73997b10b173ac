#pragma once
#include "DeviceTable.h"
#include "OnvifDeviceClient.h"
#include "ZxExport.h"

#include <string>

// What the program does with one ONVIF camera's device service for the
// device table: read what the lists show of it, and change its network
// identity as a raw-frame change of identity changes a family camera's.
// Plain functions over a client; they block, on the caller's worker.

// The first http or https address among the space-separated service
// addresses; empty when there is none.
ZX_EXPORT std::string DeviceServiceAddress(const std::string& xaddrs);

// The IPv4 host and port of the first service address
// ("http://10.0.0.5:8080/onvif/device_service": 80 for http, 443 for https
// when no port is written); false when it names no IPv4 host.
ZX_EXPORT bool ServiceHostAndPort(const std::string& xaddrs, std::string& host, int& port);

// "aa:bb:cc:dd:ee:ff" (or with dashes, any case) into six bytes; false for
// anything else.
ZX_EXPORT bool ParseOnvifMac(const std::string& text, unsigned char mac[8]);

// Logs in and reads the device information, the first enabled interface
// (MAC, address, prefix), the default gateway, DNS, hostname and the HTTP
// port into details.info. scopeName stands for the name when the camera has
// no hostname; servicePort for the port when it tells no HTTP port.
ZX_EXPORT onvif::OnvifResult ReadOnvifDetails(onvif::OnvifDeviceClient& client, const std::string& scopeName,
                                              int servicePort, OnvifDetails& details);

// Applies the fields of request that differ from before: hostname (the
// device name), DNS, gateway, the HTTP port and last the manual address with
// its prefix, then a reboot when the camera says the address needs one.
// The camera must be the one before names (its interface's MAC); otherwise
// BadAnswer and nothing is changed.
ZX_EXPORT onvif::OnvifResult ApplyOnvifIdentity(onvif::OnvifDeviceClient& client, const tagVtIpcInfo& before,
                                                const tagVtIpcInfo& request);
