#pragma once
#include <string>
#include <vector>

// The subcommands of zendrix-cli; each takes the arguments after its name and
// returns the exit status.
int RunDiscover(const std::vector<std::string>& arguments);
int RunSetIp(const std::vector<std::string>& arguments);
int RunInventory(const std::vector<std::string>& arguments);
// get|set SECTION ...
int RunGet(const std::vector<std::string>& arguments);
int RunSet(const std::vector<std::string>& arguments);
int RunUpgrade(const std::vector<std::string>& arguments);
int RunReboot(const std::vector<std::string>& arguments);
int RunRestore(const std::vector<std::string>& arguments);
int RunLog(const std::vector<std::string>& arguments);
int RunExportConfig(const std::vector<std::string>& arguments);
int RunCustomDownload(const std::vector<std::string>& arguments);
int RunOemUpload(const std::vector<std::string>& arguments);
// trust --mac MAC | --ip IP: accepts the changed certificate an https camera was refused for.
int RunTrust(const std::vector<std::string>& arguments);
// report --html FILE TARGETS: the site's record with every camera's picture as one HTML page.
int RunReport(const std::vector<std::string>& arguments);

// Help of one subcommand (or of the tool, for an empty or unknown name).
std::string HelpText(const std::string& command);
