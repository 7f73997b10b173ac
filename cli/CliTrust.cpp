#include "CertificatePins.h"
#include "CliCommands.h"
#include "CliContext.h"
#include "SetIpPlan.h"

#include <iostream>

int RunTrust(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    if (!ParseLine(line, arguments, {{"mac", true}, {"ip", true}}, status)) {
        return status;
    }
    if (line.Has("mac") == line.Has("ip")) {
        FailInput(status, "name the camera with --mac MAC or --ip IP");
        return status;
    }
    const std::string key = line.Has("mac") ? NormaliseMac(line.Value("mac")) : line.Value("ip");
    if (key.empty()) {
        FailInput(status, "not a hardware address: " + line.Value("mac"));
        return status;
    }
    CertificatePin before;
    if (!AcceptRefusedCertificate(key, before)) {
        FailInput(status, "no changed certificate of " + key + " waits to be accepted");
        return status;
    }
    std::cout << key << ": certificate " << FingerprintText(before.refused) << " accepted (it replaces "
              << FingerprintText(before.pinned) << ")\n";
    return status;
}
