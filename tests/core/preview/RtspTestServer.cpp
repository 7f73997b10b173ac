// A small RTSP server for the player's tests and benchmark, on GStreamer's
// RTSP server: a moving test picture encoded with x264enc or x265enc at
// rtsp://127.0.0.1:<port>/stream, behind Basic or Digest authentication.
//
//   rtsp_test_server --user U --password P [--codec h264|h265] [--size WxH]
//                    [--rate R] [--auth basic|digest] [--port N]
//
// Prints "ready <port>" on stdout once it listens and serves until killed.
// Exits with 77 when the encoder asked for is not installed.
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Options
{
    std::string user = "admin";
    std::string password;
    std::string codec = "h264";
    std::string auth = "digest";
    int width = 640;
    int height = 360;
    int rate = 25;
    int port = 0;
};

bool Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--user") {
            options.user = value;
        } else if (name == "--password") {
            options.password = value;
        } else if (name == "--codec") {
            options.codec = value;
        } else if (name == "--auth") {
            options.auth = value;
        } else if (name == "--size") {
            if (std::sscanf(value, "%dx%d", &options.width, &options.height) != 2) {
                return false;
            }
        } else if (name == "--rate") {
            options.rate = std::atoi(value);
        } else if (name == "--port") {
            options.port = std::atoi(value);
        } else {
            return false;
        }
    }
    return (argc % 2) == 1 && options.rate > 0 && (options.codec == "h264" || options.codec == "h265");
}

std::string Pipeline(const Options& o)
{
    const std::string raw = "videotestsrc is-live=true pattern=smpte horizontal-speed=4 ! video/x-raw,width=" +
                            std::to_string(o.width) + ",height=" + std::to_string(o.height) +
                            ",framerate=" + std::to_string(o.rate) + "/1";
    const std::string gop = std::to_string(o.rate);
    if (o.codec == "h265") {
        return "( " + raw + " ! x265enc tune=zerolatency speed-preset=ultrafast bitrate=2000 key-int-max=" + gop +
               " ! rtph265pay name=pay0 pt=96 config-interval=1 )";
    }
    return "( " + raw + " ! x264enc tune=zerolatency speed-preset=ultrafast bitrate=4000 key-int-max=" + gop +
           " ! rtph264pay name=pay0 pt=96 config-interval=1 )";
}

} // namespace

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: rtsp_test_server --user U --password P [--codec h264|h265] [--size WxH] "
                             "[--rate R] [--auth basic|digest] [--port N]\n");
        return 2;
    }
    const char* encoder = options.codec == "h265" ? "x265enc" : "x264enc";
    GstElementFactory* found = gst_element_factory_find(encoder);
    if (found == nullptr) {
        std::fprintf(stderr, "%s is not installed\n", encoder);
        return 77;
    }
    gst_object_unref(found);

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    GstRTSPServer* server = gst_rtsp_server_new();
    gst_rtsp_server_set_address(server, "127.0.0.1");
    gst_rtsp_server_set_service(server, std::to_string(options.port).c_str());

    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, Pipeline(options).c_str());
    // Every client sees the same encoded stream, as from a camera.
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    gst_rtsp_media_factory_add_role(factory, "user", GST_RTSP_PERM_MEDIA_FACTORY_ACCESS, G_TYPE_BOOLEAN, TRUE,
                                    GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, G_TYPE_BOOLEAN, TRUE, nullptr);
    GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
    gst_rtsp_mount_points_add_factory(mounts, "/stream", factory);
    g_object_unref(mounts);

    GstRTSPAuth* auth = gst_rtsp_auth_new();
    GstRTSPToken* token = gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, "user", nullptr);
    if (options.auth == "basic") {
        gchar* basic = gst_rtsp_auth_make_basic(options.user.c_str(), options.password.c_str());
        gst_rtsp_auth_add_basic(auth, basic, token);
        g_free(basic);
        gst_rtsp_auth_set_supported_methods(auth, GST_RTSP_AUTH_BASIC);
    } else {
        gst_rtsp_auth_add_digest(auth, options.user.c_str(), options.password.c_str(), token);
        gst_rtsp_auth_set_supported_methods(auth, GST_RTSP_AUTH_DIGEST);
    }
    gst_rtsp_token_unref(token);
    gst_rtsp_server_set_auth(server, auth);
    g_object_unref(auth);

    if (gst_rtsp_server_attach(server, nullptr) == 0) {
        std::fprintf(stderr, "cannot listen on port %d\n", options.port);
        return 1;
    }
    std::printf("ready %d\n", gst_rtsp_server_get_bound_port(server));
    std::fflush(stdout);
    g_main_loop_run(loop);
    return 0;
}
