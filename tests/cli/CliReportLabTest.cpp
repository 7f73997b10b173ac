// The site report as the installer makes it: zendrix-cli in the lab's
// workstation namespace against vtcamsim's family and ONVIF cameras, one of
// them with a web side that does not answer; the page read back, its
// pictures decoded and the page drawn by headless Chromium.
#include "CliLab.h"
#include "DigestAuth.h"
#include "RecordJson.h"

#include <turbojpeg.h>

using namespace clilab;

namespace {
constexpr const char* kSitePassword = "Qv7-site-31";

// Every inlined picture of the page, decoded: width and height of each, 0
// for one that is no JPEG.
std::vector<std::pair<int, int>> DecodedPictures(const std::string& html)
{
    std::vector<std::pair<int, int>> sizes;
    const std::string lead = "data:image/jpeg;base64,";
    tjhandle decoder = tjInitDecompress();
    for (std::size_t at = html.find(lead); at != std::string::npos; at = html.find(lead, at + 1)) {
        const std::size_t start = at + lead.size();
        const auto jpeg = vtwire::Base64Decode(html.substr(start, html.find('"', start) - start));
        int width = 0;
        int height = 0;
        if (jpeg) {
            auto* data = reinterpret_cast<const unsigned char*>(jpeg->data());
            const auto size = static_cast<unsigned long>(jpeg->size());
            int subsampling = 0;
            int colorspace = 0;
            if (tjDecompressHeader3(decoder, data, size, &width, &height, &subsampling, &colorspace) == 0) {
                std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
                if (tjDecompress2(decoder, data, size, rgb.data(), width, 0, height, TJPF_RGB, 0) != 0) {
                    width = height = 0;
                }
            }
        }
        sizes.emplace_back(width, height);
    }
    tjDestroy(decoder);
    return sizes;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Unique colours of a PNG as ImageMagick counts them; 0 when it cannot read it.
long PngColours(const std::string& png)
{
    const std::string out = Scratch("colours");
    const std::string command = "identify -format %k " + png + " >" + out + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return 0;
    }
    return std::atol(ReadFile(out).c_str());
}
} // namespace

TEST_F(CliLab, ReportListsEveryCameraWithItsPictureAndTheGoneOneWithItsReasonButNoPassword)
{
    LABKIT_REQUIRE_LAB();
    const std::string config = Scratch("report-site.json");
    std::ofstream(config) << R"({"cameras": [
        {"index": 1, "faults": ["unreachable"], "name": "Gate"},
        {"index": 2, "name": "<script>document.title='pwned'</script>"},
        {"index": 4, "mac": "B0:EA:11:00:00:05", "protocol": "onvif", "maker": "Borealis", "model": "BV-9",
         "version": "5.0.1", "name": "Dome", "onvifAuth": "http-digest"},
        {"index": 5, "mac": "C0:41:D5:00:00:06", "protocol": "onvif", "maker": "Corvid", "model": "CS-4K",
         "version": "1.0.4", "name": "Ramp"}]})";
    Start({"--count", "6", "--base-ip", "192.168.1.100", "--password", kSitePassword, "--config", config});

    const std::string html = Scratch("site.html");
    std::remove(html.c_str());
    const CliRun bad = Cli("report --all --html " + Scratch("no-such-folder") + "/site.html --wait 1" + Interface());
    EXPECT_EQ(bad.status, 2) << bad.err;
    EXPECT_EQ(bad.err.find("report: "), std::string::npos) << "no camera is asked for a file that cannot be written";

    const CliRun run =
        Cli("report --all --html " + html + " --password " + kSitePassword + " --wait 2" + Interface());
    EXPECT_EQ(run.status, 1) << "the camera that cannot be reached is a failure\n" << run.err;
    EXPECT_NE(run.err.find("report: 6 of 6 cameras read"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(Mac(2) + "] 192.168.1.101 Can not access device."), std::string::npos) << run.err;
    const std::string page = ReadFile(html);
    ASSERT_FALSE(page.empty()) << run.err;

    EXPECT_EQ(Count(page, "<section class=\"card\">"), 6U);
    for (const std::string& mac : {Mac(1), Mac(2), Mac(3), Mac(4), std::string("B0:EA:11:00:00:05"),
                                   std::string("C0:41:D5:00:00:06")}) {
        EXPECT_NE(page.find(mac), std::string::npos) << mac;
    }
    EXPECT_LT(page.find(Mac(1)), page.find(Mac(4))) << "cards in the list's order";
    EXPECT_LT(page.find(Mac(4)), page.find("B0:EA:11:00:00:05"));
    EXPECT_EQ(Count(page, "<td>ONVIF</td>"), 2U);
    EXPECT_NE(page.find("Can not access device. Please check it&apos;s network settings."), std::string::npos);
    const auto pictures = DecodedPictures(page);
    ASSERT_EQ(pictures.size(), 5U) << "every camera that answers gives its picture, ONVIF ones too";
    for (const auto& [width, height] : pictures) {
        EXPECT_GT(width, 0);
        EXPECT_GT(height, 0);
    }
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
    // No password, nor what a login proves it with.
    EXPECT_EQ(page.find(kSitePassword), std::string::npos);
    EXPECT_EQ(page.find(vtwire::Md5Hex(std::string("admin:") + vtwire::kDigestRealm + ":" + kSitePassword)),
              std::string::npos);
    EXPECT_EQ(page.find(vtwire::Base64Encode(std::string("admin:") + kSitePassword)), std::string::npos);

    // Drawn as the customer's browser draws it: a page, not a blank sheet.
    const std::string png = Scratch("site.png");
    std::remove(png.c_str());
    const std::string draw = "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
                             "--window-size=1280,1400 --screenshot=" + png + " file://" + html + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(draw.c_str()), 0);
    EXPECT_GT(PngColours(png), 1000) << png;
}
