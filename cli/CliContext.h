#pragma once
#include "CameraAccess.h"
#include "CliCommandLine.h"
#include "CliOutput.h"
#include "Tivox.h"

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses scripts can rely on.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitBadInput = 2;

// Options most subcommands share.
std::vector<CliOptionSpec> DiscoveryOptions();  // --iface --wait
std::vector<CliOptionSpec> TargetOptions();     // --mac --ip --model --targets --all
std::vector<CliOptionSpec> CredentialOptions(); // --user --password
std::vector<CliOptionSpec> Join(std::vector<std::vector<CliOptionSpec>> groups);

// The discovery wait in milliseconds from --wait SECONDS (default 3, 0.5-600).
bool DiscoveryWait(const CliCommandLine& line, long& milliseconds, std::string& error);

// The user name and password: --user (default admin), --password, else the
// environment (ZENDRIX_USER, ZENDRIX_PASSWORD), else a prompt on the terminal
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
