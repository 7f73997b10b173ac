#pragma once
#include "Tivox.h"

#include <string>
#include <vector>

// The readdressing plan of the terminal tool: which camera gets which network
// identity, checked as a whole before anything is sent.

// One camera's new identity; empty fields keep the camera's value.
struct SetIpRow
{
    std::string mac; // "AA:BB:CC:DD:EE:FF", upper case
    std::string ip;
    std::string netmask;
    std::string gateway;
    std::string dns;
    std::string port;
    std::string name; // UTF-8
    int line = 0;     // line of the CSV file, 0 for rows from options
};

// A problem found in the input, with the line or camera it concerns.
struct PlanProblem
{
    int line = 0;
    std::string mac;
    std::string message;
};

// Reads "MAC,IP,netmask,gateway,DNS,port,name" lines. Blank lines and lines
// starting with # are skipped, and so is a first line whose first field is
// "mac" (a header). A field may be quoted with double quotes ("" inside for
// one quote). Malformed lines become problems naming their line.
std::vector<SetIpRow> ParseSetIpCsv(const std::string& text, std::vector<PlanProblem>& problems);

// "aa-bb-cc-dd-ee-ff", "aabbccddeeff" or "AA:BB:CC:DD:EE:FF" as
// "AA:BB:CC:DD:EE:FF"; empty when the text is not a hardware address.
std::string NormaliseMac(const std::string& text);

// Checks every row against the rules of the network settings form and the
// cameras discovered: the MAC must be a discovered camera, once; IP, netmask,
// gateway and DNS well formed; the gateway inside the subnet of IP and
// netmask; the port 1-65535; the name within the device-name rules; no two
// rows with the same address; no address already used by a discovered camera
// that keeps it. Fields left empty are filled from the camera.
std::vector<PlanProblem> CheckSetIpPlan(std::vector<SetIpRow>& rows,
                                        const std::vector<tagVtIpcInfo>& cameras);

// True when both addresses lie in the same subnet of netmask.
bool SameSubnet(const std::string& a, const std::string& b, const std::string& netmask);
