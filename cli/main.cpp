#include "CliCommands.h"
#include "CliContext.h"
#include "VtIpcSDK.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        std::cout << HelpText(arguments.size() > 1 ? arguments[1] : std::string());
        return arguments.empty() ? kExitBadInput : kExitSuccess;
    }
    using Command = int (*)(const std::vector<std::string>&);
    const std::map<std::string, Command> commands = {
        {"discover", RunDiscover},
        {"set-ip", RunSetIp},
        {"inventory", RunInventory},
        {"get", RunGet},
        {"set", RunSet},
        {"upgrade", RunUpgrade},
        {"reboot", RunReboot},
        {"restore", RunRestore},
        {"log", RunLog},
        {"export-config", RunExportConfig},
        {"custom-download", RunCustomDownload},
        {"oem-upload", RunOemUpload},
        {"trust", RunTrust},
        {"report", RunReport}};
    const auto found = commands.find(arguments[0]);
    if (found == commands.end()) {
        std::cerr << "zendrix-cli: unknown command " << arguments[0] << "\n" << HelpText({});
        return kExitBadInput;
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        std::cout << HelpText(arguments[0]);
        return kExitSuccess;
    }
    Vt_Sdk_Init();
    const int status = found->second(rest);
    Vt_Sdk_Destroy();
    return status;
}
