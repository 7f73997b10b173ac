#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "CliCommandLine.h"
#include "CliOutput.h"
#include "CameraProtocol.h"
#include "LogRules.h"
#include "RebootQueue.h"
#include "Tivox.h"

#include <atomic>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class CliSession;

// Exit statuses scripts can rely on.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitBadInput = 2;

// Options most subcommands share.
std::vector<CliOptionSpec> DiscoveryOptions();  // --iface --wait --protocol
std::vector<CliOptionSpec> TargetOptions();     // --mac --ip --model --targets --all
std::vector<CliOptionSpec> CredentialOptions(); // --user --password --password-stdin --password-fd
std::vector<CliOptionSpec> Join(std::vector<std::vector<CliOptionSpec>> groups);

// The discovery wait in milliseconds from --wait SECONDS (default 3, 0.5-600).
bool DiscoveryWait(const CliCommandLine& line, long& milliseconds, std::string& error);

// The cameras --protocol chooses (family, onvif or all, the default).
bool ProtocolOption(const CliCommandLine& line, ProtocolChoice& choice, std::string& error);

// The user name and password: --user (default admin), --password,
// --password-stdin or --password-fd N (CliPassword.h), else the environment (ZENDRIX_USER, ZENDRIX_PASSWORD), else a prompt on the terminal
// that does not echo. False with a message when none can be had or they are
// too long for the cameras (31 and 15 bytes).
bool ResolveCredentials(const CliCommandLine& line, LoginCredentials& login, std::string& error);

// The cameras the target options pick out of those discovered, in IP order;
// false with a message naming what matched nothing, or when no target option
// was given.
bool SelectTargets(const CliCommandLine& line, const std::vector<tagVtIpcInfo>& cameras,
                   std::vector<tagVtIpcInfo>& targets, std::string& error);

// Asks "question [y/N]" on the terminal; false without a terminal.
bool Confirm(const std::string& question);

// "AA:BB:CC:DD:EE:FF 10.0.0.5" for messages.
std::string CameraLabel(const tagVtIpcInfo& camera);
std::string Utf8(const std::wstring& text);

// Prints "zendrix-cli: message" on stderr, sets status to 2 and returns false.
bool FailInput(int& status, const std::string& message);
// One line of the operation panel on stdout, stamped as the window stamps it.
void PrintPanelLine(const std::wstring& text, bool stamped);
// The English (or current language's) text of a message key, in UTF-8.
std::string KeyText(unsigned key);

bool ParseLine(CliCommandLine& line, const std::vector<std::string>& arguments,
               const std::vector<CliOptionSpec>& specs, int& status);
bool ParseFormat(const CliCommandLine& line, OutputFormat& format, int& status, const char* fallback = "table");
// A whole decimal number from low to high; false with a message naming the option.
bool ParseNumber(const CliCommandLine& line, const std::string& option, int low, int high, int& value,
                 std::string& error);
// "on"/"off" (also 1/0, yes/no).
bool ParseSwitch(const CliCommandLine& line, const std::string& option, bool& value, std::string& error);

// What a command on cameras starts from: the credentials, then the cameras
// discovered and those the target options chose.
struct CliTargets
{
    LoginCredentials login;
    std::vector<tagVtIpcInfo> targets;
    std::vector<ProtocolMark> protocols; // of each target
};
// keepSession, when given, receives the discovery session, for a command
// whose cameras are opened after this returns: an ONVIF camera is opened
// through the session that found it, for as long as that session lives.
bool PrepareTargets(const CliCommandLine& line, CliTargets& prepared, int& status,
                    std::unique_ptr<CliSession>* keepSession = nullptr);

// Runs the operation over the targets with the batch engine and prints every
// line in target order on stdout; a line whose text is none of successKeys'
// texts is a failure and goes to stderr too. 0 when every line succeeded, else 1.
int RunBatch(const std::vector<tagVtIpcInfo>& targets, const BatchEngine::Operation& operation,
             const std::vector<unsigned>& successKeys, int maxParallel = BatchEngine::kDefaultParallel);

// A reboot queue whose lines are printed as the cameras take their reboot; a
// failed reboot goes to stderr too and sets *failed.
std::shared_ptr<RebootQueue> PrintingRebootQueue(std::shared_ptr<std::atomic<bool>> failed);
// Waits until every camera queued has had its reboot call (the tool would
// otherwise end with them still queued).
void WaitForReboots(const RebootQueue& queue);

// "YYYY-MM-DD" and "hh:mm:ss" as the log page's pickers hold them: a day
// that exists, in 1970-2037, and a time of day.
bool ParseCalendarTime(const std::string& date, const std::string& time, LogDateTime& when);
