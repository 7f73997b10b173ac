#include "CliCommands.h"

#include <map>

namespace {
const char* const kToolHelp = R"(zendrix-cli: find and configure the cameras of the family from a terminal.

Usage: zendrix-cli COMMAND [OPTIONS]

Commands:
  discover    list the cameras that answer on the capture devices
  set-ip      change the network identity of one camera, a CSV batch, or sequential addresses
  inventory   the as-built record of a site (never a password)
  report      the site's record with every camera's current picture as one HTML page
  get         read system, network, video, osd or imaging settings of cameras
  set         write system, network, video, osd or imaging settings to cameras
  upgrade     send a firmware or kernel image to cameras, in parallel
  reboot      restart cameras (asks first unless --yes)
  restore     restore cameras' factory settings (asks first unless --yes)
  log         download a camera's log and show a page of it
  export-config    save a camera's configuration file
  custom-download  save a named file from a camera
  oem-upload  send a reseller's branding (vtoem.cfg and images) to cameras
  trust       accept the changed certificate of an https camera

Run zendrix-cli COMMAND --help for the options of one command.
Passwords: --password P shows the password to every user's process list; --password-stdin reads it as
one line from standard input and --password-fd N from an open descriptor (a pipe), which nobody else sees.
JSON output (--format json) is described by docs/cli-json-schema.json.
Exit status: 0 every target succeeded, 1 some failed, 2 bad input (nothing was sent).
Capturing raw frames needs root or the capabilities cap_net_raw,cap_net_admin on the program.
)";

const std::map<std::string, const char*>& CommandHelp()
{
    static const std::map<std::string, const char*> help = {
        {"discover", R"(Usage: zendrix-cli discover [--iface IF]... [--wait SECONDS] [--protocol P] [--user U] [--password P]
                         [--format table|csv|json]

Lists every camera that answers a discovery request on every capture device (or on the named ones),
with the columns of the network settings page. Requests are repeated every second within the wait,
so a lost reply does not hide a camera; a camera heard on two adapters is listed once.

  --iface IF        capture on IF only (repeatable)
  --wait SECONDS    how long to listen (default 3)
  --protocol P      family, onvif or all (default): the cameras of that protocol; the protocol
                    column says family, onvif or family+onvif (a family camera that speaks ONVIF too)
  --format F        table (default), csv or json
  --user U, --password P  the login ONVIF cameras are read with (MAC, netmask, gateway, model and
                    firmware come from it); ZENDRIX_USER / ZENDRIX_PASSWORD also serve, and without any
                    the ONVIF cameras show what their announcements tell. Never asked for here.

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
  --iface IF, --wait S, --protocol P   discovery as for discover

Examples:
  zendrix-cli set-ip --mac 00:30:4F:12:34:56 --new-ip 192.168.1.20 --gateway 192.168.1.1
  zendrix-cli set-ip --csv site.csv --dry-run
  zendrix-cli set-ip --model VT-C6102 --start-ip 192.168.1.100 --netmask 255.255.255.0 --gateway 192.168.1.1
)"},
        {"inventory", R"(Usage: zendrix-cli inventory [--format csv|json|table] [--user U] [--password P]

The as-built record of a site: name, MAC, IP, netmask, gateway, port, model and firmware of every camera
found, with the time zone (its caption, and its row of the time-zone list) and the NTP server where the
login succeeds, and the SHA-256 fingerprint of the certificate pinned for an https camera.
Passwords are never printed. Cameras that refuse the login are named on stderr (exit status 1).

Example:
  ZENDRIX_PASSWORD=secret zendrix-cli inventory --format json > site.json
)"},
        {"report", R"(Usage: zendrix-cli report --html FILE TARGETS [--user U] [--password P]

Writes the site's as-built report for the customer: one self-contained HTML page (pictures inlined,
nothing fetched from elsewhere, fit to print) with one card per chosen camera in IP order: its current
picture, name, MAC, IP, model, firmware, protocol, time zone, NTP server and main stream (codec, frame
size, rate, bit rate), and the date. A camera that cannot be reached or refuses the login still gets
its card, with the reason, and is named on stderr (exit status 1). Progress goes to stderr. The file
appears only when it is whole; its folder must exist (else exit status 2 and nothing is asked of any
camera). Passwords are never written.

  --html FILE             where the page goes
  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  ZENDRIX_PASSWORD=secret zendrix-cli report --all --html site-report.html
)"},
        {"get", R"(Usage: zendrix-cli get system|network|video|osd|imaging TARGETS [--format table|csv|json]

Reads one group of settings from every chosen camera, one row per camera, with the protocol it
speaks (family or onvif) in the last column. The time zone is shown
by its caption with its row number beside it; picture values as the preview page's sliders (0-100).
Passwords are never printed. A camera that cannot be read is named on stderr (exit status 1).

  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover
  --format F              table (default), csv or json

Example:
  zendrix-cli get system --all --format json | jq -r '.[] | .ip + " " + .time_zone'
)"},
        {"set", R"(Usage: zendrix-cli set SECTION TARGETS --key value...

Writes settings to every chosen camera with the batch set page's checks; one line per camera and
call as the operation panel shows it. Every chosen camera is read first, and only the values given
change: each camera keeps every other value as it has it (its own ports, its own NTP server and
time zone). A value given must be one every chosen camera can take, from the lists of the model
with the lowest capability class as the page offers them, and one that fits each camera's own
settings (a 5M stream takes no frame rate but 8); otherwise exit status 2 and nothing is written.
A camera that cannot be read is named on stderr and not written (exit status 1).

  set system   --time-zone ROW|CAPTION  --daylight on|off  --ntp SERVER | --computer-time |
               --date YYYY-MM-DD --time hh:mm:ss   --name NAME (one camera)  --new-password P
               (a camera whose password changed restarts, A models excepted; without a clock
               option a camera on NTP stays on it, any other keeps its clock running as it is)
  set network  --http-port N --rtsp-port N --ddns on|off --provider 0-4 --easy-ddns on|off
               --ddns-user U --ddns-password P --ddns-host H --ddns-hash X
  set video    --codec H.264|MPEG4|MJPEG --size CAPTION --rate N --bitrate N --rate-control cbr|vbr
               --iframe 1-60 --secondary on|off and the same with secondary- in front
               (a new codec or size brings the rate and bit rate the Video sub-page gives it;
               an MJPEG secondary stream goes at 512 kbit/s CBR). An ONVIF camera takes what its
               own options offer (H.265 too, where it does; its secondary stream stays on) and
               keeps every value not given.
  set osd      --title TEXT --show-title on|off --show-time on|off --title-position 0-1
               --date-position 0-3 --date-format 0-2
  set imaging  --brightness --contrast --saturation --sharpness --noise-reduction 0-100
               --exposure-level 0-10 --max-exposure 0-12 --ir-cut 0-2 --frequency 50|60
               --outdoor 0|1 --local-display 0-2
  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover
  --dry-run               send nothing; per camera, the current and the new value of every field the
                          set changes (passwords and a clock set now are always written; never shown)
  --format F              the plan as table (default), csv or json

Examples:
  zendrix-cli set system --all --time-zone 100 --ntp pool.ntp.org
  zendrix-cli set system --all --time-zone 100 --ntp pool.ntp.org --dry-run --format json
  zendrix-cli set osd --mac 02:5A:25:00:00:01 --title "Gate 1" --show-title on
)"},
        {"upgrade", R"(Usage: zendrix-cli upgrade --image FILE TARGETS

Sends a firmware (...VTFImage_PS...) or kernel (...KImage_P...) image to every chosen camera at
once, after the upgrade page's checks: a regular file (not a pipe or device), its size (at most
100 MiB) and its platform and sensor against the cameras' models. Each camera's result line is
printed as that camera finishes. On a terminal a progress bar runs on stderr; otherwise only the
result lines are printed.

  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover
  --only-older            only cameras whose firmware is below the version in the image's name
                          (...VTFImage_PS_31.4.0.90...); none below it: nothing is sent, exit status 0
  --dry-run               send nothing; per camera its version and whether it would be upgraded
  --format F              the plan as table (default), csv or json

Examples:
  zendrix-cli upgrade --image VT_3.4.0.90_VTFImage_A0.bin --model VT-C6102A
  zendrix-cli upgrade --image VT_VTFImage_50_31.4.0.90.bin --all --only-older --dry-run --format json
)"},
        {"reboot", R"(Usage: zendrix-cli reboot TARGETS [--yes]

Restarts the chosen cameras one after another, each line printed when the camera took its reboot
(or failed to: exit status 1). Asks first (any answer but y: nothing is done, exit status 1);
without a terminal --yes is required (else exit status 2).

  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  zendrix-cli reboot --ip 192.168.1.20 --yes
)"},
        {"restore", R"(Usage: zendrix-cli restore TARGETS [--yes]

Restores the factory settings of the chosen cameras; each restarts 25 s later, and the tool waits
for that. Asks first (any answer but y: nothing is done, exit status 1); without a terminal --yes is
required (else exit status 2).

  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  zendrix-cli restore --mac 02:5A:25:00:00:03 --yes
)"},
        {"log", R"(Usage: zendrix-cli log TARGET [filters] [--page N] [--format table|csv|json]

Downloads the log of one camera (A models) into its log cache and prints one page (40 rows) of it
with the log page's filters. The page number and count go to stderr as "page N/M".

  --main-type 0-4       0 all, 1 event, 2 operation, 3 information, 4 exception
  --sub-type CODE       a sub type of the main type (the message lists them)
  --from "YYYY-MM-DD hh:mm:ss", --to "..."   local time; --from must lie before --to
  --page N              the page to print (default 1)
  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  zendrix-cli log --ip 192.168.1.20 --main-type 2 --from "2026-12-01 00:00:00" --format csv
)"},
        {"export-config", R"(Usage: zendrix-cli export-config TARGET

Saves the configuration file of one camera (A models) under ConfigFiles in the program folder and
prints the file's path.

  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  zendrix-cli export-config --mac 02:5A:25:00:00:01
)"},
        {"custom-download", R"(Usage: zendrix-cli custom-download TARGET --remote NAME [--kind sd|other]

Saves a named file of one camera (A models) under CustomDownloadFiles in the program folder and
prints the file's path.

  --remote NAME         the file's name on the camera (at most 255 bytes)
  --kind sd|other       an SD card file or another file (default other)
  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  zendrix-cli custom-download --ip 192.168.1.20 --kind sd --remote record/alarm.avi
)"},
        {"oem-upload", R"(Usage: zendrix-cli oem-upload TARGETS --company C --image FILE... [--web URL] [--oem-model M] [--version V]

Writes vtoem.cfg in the program folder as the OEM page does and sends it, then each image, to every
chosen camera. At most 10 images, each under 2 MiB; several may also be given as one "a*b*c".

  --company C           the company name (required)
  --web URL, --oem-model M, --version V   the website, the branded model and the software version
  --image FILE          an image (repeatable)
  --mac MAC, --ip IP, --model M, --targets FILE, --all   which cameras (repeatable)
  --user U, --password P  login (default user admin; else ZENDRIX_USER / ZENDRIX_PASSWORD, else asked)
  --iface IF, --wait S, --protocol P   discovery as for discover

Example:
  zendrix-cli oem-upload --all --company Acme --web www.acme.example --oem-model AC-100 --version 3 --image logo.jpg
)"},
        {"trust", R"(Usage: zendrix-cli trust (--mac MAC | --ip IP)

An https camera's self-signed certificate is pinned when the camera is first logged in to; when it
later shows another one (a new certificate after a reset, or someone in between), every call is
refused and nothing is sent. Once you know the change is the camera's own, this pins the certificate
it was refused for, and the next login works. A camera whose hardware address is not known yet is
named by its IP address, as the refusal's line says.

  --mac MAC   the camera by its hardware address
  --ip IP     the camera by its IP address

Example:
  zendrix-cli trust --mac AC:1E:50:00:24:01
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
