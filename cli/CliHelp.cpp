#include "CliCommands.h"

#include <map>

namespace {
const char* const kToolHelp = R"(zendrix-cli: find and configure the cameras of the family from a terminal.

Usage: zendrix-cli COMMAND [OPTIONS]

Commands:
  discover    list the cameras that answer on the capture devices
  set-ip      change the network identity of one camera, a CSV batch, or sequential addresses
  inventory   the as-built record of a site (never a password)

Run zendrix-cli COMMAND --help for the options of one command.
Exit status: 0 every target succeeded, 1 some failed, 2 bad input (nothing was sent).
Capturing raw frames needs root or the capabilities cap_net_raw,cap_net_admin on the program.
)";

const std::map<std::string, const char*>& CommandHelp()
{
    static const std::map<std::string, const char*> help = {
        {"discover", R"(Usage: zendrix-cli discover [--iface IF]... [--wait SECONDS] [--format table|csv|json]

Lists every camera that answers a discovery request on every capture device (or on the named ones),
with the columns of the network settings page. Requests are repeated every second within the wait,
so a lost reply does not hide a camera; a camera heard on two adapters is listed once.

  --iface IF        capture on IF only (repeatable)
  --wait SECONDS    how long to listen (default 3)
  --format F        table (default), csv or json

Example:
  zendrix-cli discover --iface eth1 --wait 5 --format csv > cameras.csv
)"},
        {"set-ip",
         R"(Usage: zendrix-cli set-ip (--new-ip IP TARGET | --csv FILE | --start-ip IP TARGETS) [OPTIONS]

Changes cameras' network identity by raw frames, so a camera outside this computer's subnet can be
readdressed. Every row is checked first (the network settings page's checks, the gateway inside the
subnet, no address twice, no address held by another camera); on any problem nothing is sent and the
exit status is 2. Each camera's result is printed as the window's operation panel prints it.

  --new-ip IP             one camera (chosen with --mac or --ip) gets IP
  --csv FILE              lines MAC,IP[,netmask,gateway,DNS,port,name]; empty fields keep the camera's value
  --start-ip IP           the chosen cameras get IP, IP+1, ... in IP order (the last number wraps 254 -> 1)
  --netmask, --gateway, --dns, --port, --name   values for --new-ip / --start-ip (default: the camera's)
  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --dry-run               print the plan and send nothing
  --iface IF, --wait S    discovery as for discover

Examples:
  zendrix-cli set-ip --mac 00:30:4F:12:34:56 --new-ip 192.168.1.20 --gateway 192.168.1.1
  zendrix-cli set-ip --csv site.csv --dry-run
  zendrix-cli set-ip --model VT-C6102 --start-ip 192.168.1.100 --netmask 255.255.255.0 --gateway 192.168.1.1
)"},
        {"inventory", R"(Usage: zendrix-cli inventory [--format csv|json|table] [--user U] [--password P]

The as-built record of a site: name, MAC, IP, netmask, gateway, port, model and firmware of every camera
found, with the time zone (row of the time-zone list) and the NTP server where the login succeeds.
Passwords are never printed. Cameras that refuse the login are named on stderr (exit status 1).

Example:
  ZENDRIX_PASSWORD=secret zendrix-cli inventory --format json > site.json
)"},
    };
    return help;
}
} // namespace

std::string HelpText(const std::string& command)
{
    const auto found = CommandHelp().find(command);
    return found != CommandHelp().end() ? found->second : kToolHelp;
}
