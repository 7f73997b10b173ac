#include "RtspService.h"

#include "PictureSource.h"

#include <array>
#include <cstdio>
#include <future>
#include <gst/rtsp-server/rtsp-server.h>
#include <list>
#include <vector>

namespace camsim {
namespace {

constexpr const char* kViewerRole = "viewer";
constexpr guint kSessionCleanupSec = 2;

// What a camera's streams are made from, read under the camera's mutex.
struct StreamSource
{
    bool serve = false;
    std::string ip;
    int port = 0;
    std::vector<OnvifUser> users;
    std::array<PictureSettings, 2> pictures;
};

StreamSource SourceOf(const LiveCamera& camera)
{
    std::lock_guard lock(camera.mutex);
    StreamSource source;
    source.serve = camera.sim.IsOnvif() && camera.onvif.rtspEnabled && !camera.sim.silent && !camera.sim.ip.empty();
    source.ip = camera.sim.ip;
    source.port = camera.onvif.rtspPort;
    source.users = camera.onvif.users;
    for (std::size_t i = 0; i < source.pictures.size(); ++i) {
        source.pictures[i] = PictureOf(camera, i);
    }
    return source;
}

std::string PathOf(std::size_t encoder)
{
    return std::string("/") + kProfileTokens[encoder];
}

// The pipelines a camera's streams run now, by encoder; each a weak
// reference, so a stream that ended is skipped. Shared with the factories'
// signal handlers, which may outlive the camera's server.
struct RunningStreams
{
    std::weak_ptr<LiveCamera> camera;
    std::list<std::pair<std::size_t, GWeakRef>> bins;

    ~RunningStreams()
    {
        for (auto& [encoder, bin] : bins) {
            g_weak_ref_clear(&bin);
        }
    }
};

struct ConfigureTag
{
    std::shared_ptr<RunningStreams> running;
    std::size_t encoder = 0;
};

// A new stream's pipeline: the camera's picture settings now, and kept for later changes.
void OnMediaConfigure(GstRTSPMediaFactory* /*factory*/, GstRTSPMedia* media, gpointer data)
{
    const auto* tag = static_cast<ConfigureTag*>(data);
    const auto camera = tag->running->camera.lock();
    if (!camera) {
        return;
    }
    PictureSettings picture;
    {
        std::lock_guard lock(camera->mutex);
        picture = PictureOf(*camera, tag->encoder);
    }
    GstElement* bin = gst_rtsp_media_get_element(media);
    ApplyPicture(bin, picture);
    auto& [encoder, weak] = tag->running->bins.emplace_back(tag->encoder, GWeakRef{});
    g_weak_ref_init(&weak, bin);
    gst_object_unref(bin);
}

GstRTSPMediaFactory* MakeFactory(const PictureSettings& picture, const std::shared_ptr<RunningStreams>& running,
                                 std::size_t encoder)
{
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, StreamLaunch(picture).c_str());
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    gst_rtsp_media_factory_set_protocols(factory,
                                         static_cast<GstRTSPLowerTrans>(GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP));
    gst_rtsp_media_factory_add_role(factory, kViewerRole, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS, G_TYPE_BOOLEAN, TRUE,
                                    GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, G_TYPE_BOOLEAN, TRUE, nullptr);
    g_signal_connect_data(
        factory, "media-configure", G_CALLBACK(OnMediaConfigure), new ConfigureTag{running, encoder},
        [](gpointer data, GClosure*) { delete static_cast<ConfigureTag*>(data); }, static_cast<GConnectFlags>(0));
    return factory;
}

// Digest and Basic for every user of the camera; no login, no stream.
void SetLogins(GstRTSPServer* server, const std::vector<OnvifUser>& users)
{
    GstRTSPAuth* auth = gst_rtsp_auth_new();
    gst_rtsp_auth_set_supported_methods(auth, static_cast<GstRTSPAuthMethod>(GST_RTSP_AUTH_BASIC | GST_RTSP_AUTH_DIGEST));
    GstRTSPToken* token = gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, kViewerRole, nullptr);
    for (const OnvifUser& user : users) {
        gst_rtsp_auth_add_digest(auth, user.name.c_str(), user.password.c_str(), token);
        gchar* basic = gst_rtsp_auth_make_basic(user.name.c_str(), user.password.c_str());
        gst_rtsp_auth_add_basic(auth, basic, token);
        g_free(basic);
    }
    gst_rtsp_token_unref(token);
    gst_rtsp_server_set_auth(server, auth);
    g_object_unref(auth);
}

} // namespace

struct RtspService::Camera
{
    GstRTSPServer* server = nullptr;
    GSource* source = nullptr;
    std::string ip;
    int port = 0;
    std::array<PictureSettings, 2> served; // what each path's factory makes
    std::shared_ptr<RunningStreams> running;
};

RtspService::RtspService()
{
    EnsureGstreamer();
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    GSource* cleanup = g_timeout_source_new_seconds(kSessionCleanupSec);
    g_source_set_callback(
        cleanup,
        [](gpointer self) -> gboolean {
            static_cast<RtspService*>(self)->CleanSessions();
            return G_SOURCE_CONTINUE;
        },
        this, nullptr);
    g_source_attach(cleanup, context_);
    g_source_unref(cleanup);
    thread_ = std::thread([this] {
        g_main_context_push_thread_default(context_);
        g_main_loop_run(loop_);
        g_main_context_pop_thread_default(context_);
    });
    // Work handed over before the loop owns the context would run on the caller's thread.
    while (!g_main_loop_is_running(loop_)) {
        std::this_thread::yield();
    }
}

RtspService::~RtspService()
{
    RunOnLoop([this] {
        for (auto& [key, served] : cameras_) {
            StopServer(*served);
        }
        cameras_.clear();
    });
    g_main_loop_quit(loop_);
    thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

void RtspService::RunOnLoop(const std::function<void()>& work)
{
    struct Call
    {
        const std::function<void()>& work;
        std::promise<void> done;
    } call{work, {}};
    std::future<void> done = call.done.get_future();
    g_main_context_invoke(
        context_,
        [](gpointer data) -> gboolean {
            auto* c = static_cast<Call*>(data);
            c->work();
            c->done.set_value();
            return G_SOURCE_REMOVE;
        },
        &call);
    done.wait();
}

bool RtspService::StartServer(Camera& served, const std::shared_ptr<LiveCamera>& camera)
{
    const StreamSource source = SourceOf(*camera);
    if (!source.serve) {
        return true;
    }
    served.running = std::make_shared<RunningStreams>();
    served.running->camera = camera;
    GstRTSPServer* server = gst_rtsp_server_new();
    gst_rtsp_server_set_address(server, source.ip.c_str());
    gst_rtsp_server_set_service(server, std::to_string(source.port).c_str());
    SetLogins(server, source.users);
    GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
    for (std::size_t i = 0; i < source.pictures.size(); ++i) {
        gst_rtsp_mount_points_add_factory(mounts, PathOf(i).c_str(), MakeFactory(source.pictures[i], served.running, i));
    }
    g_object_unref(mounts);
    GError* error = nullptr;
    GSource* listening = gst_rtsp_server_create_source(server, nullptr, &error);
    if (listening == nullptr) {
        std::fprintf(stderr, "vtcamsim: no RTSP server on %s:%d: %s\n", source.ip.c_str(), source.port,
                     error != nullptr ? error->message : "unknown error");
        g_clear_error(&error);
        g_object_unref(server);
        return false;
    }
    g_source_attach(listening, context_);
    served.server = server;
    served.source = listening;
    served.ip = source.ip;
    served.port = source.port;
    served.served = source.pictures;
    return true;
}

void RtspService::StopServer(Camera& served)
{
    if (served.server == nullptr) {
        return;
    }
    g_source_destroy(served.source);
    g_source_unref(served.source);
    gst_rtsp_server_client_filter(
        served.server, [](GstRTSPServer*, GstRTSPClient*, gpointer) { return GST_RTSP_FILTER_REMOVE; }, nullptr);
    g_object_unref(served.server);
    served.server = nullptr;
    served.source = nullptr;
    served.running.reset();
}

void RtspService::CleanSessions()
{
    for (auto& [key, served] : cameras_) {
        if (served->server != nullptr) {
            GstRTSPSessionPool* pool = gst_rtsp_server_get_session_pool(served->server);
            gst_rtsp_session_pool_cleanup(pool);
            g_object_unref(pool);
        }
    }
}

bool RtspService::Serve(const std::shared_ptr<LiveCamera>& camera)
{
    bool ok = true;
    RunOnLoop([&] {
        auto& served = cameras_[camera.get()];
        if (!served) {
            served = std::make_unique<Camera>();
        }
        StopServer(*served);
        ok = StartServer(*served, camera);
    });
    return ok;
}

void RtspService::Stop(const std::shared_ptr<LiveCamera>& camera)
{
    RunOnLoop([&] {
        const auto found = cameras_.find(camera.get());
        if (found != cameras_.end()) {
            StopServer(*found->second);
            cameras_.erase(found);
        }
    });
}

void RtspService::Refresh(const std::shared_ptr<LiveCamera>& camera)
{
    RunOnLoop([&] {
        const auto found = cameras_.find(camera.get());
        if (found == cameras_.end()) {
            return;
        }
        Camera& served = *found->second;
        const StreamSource source = SourceOf(*camera);
        if (served.server == nullptr || !source.serve || source.ip != served.ip || source.port != served.port) {
            StopServer(served);
            StartServer(served, camera);
            return;
        }
        SetLogins(served.server, source.users);
        GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(served.server);
        for (std::size_t i = 0; i < source.pictures.size(); ++i) {
            // A new encoder setting makes a new factory: the clients playing
            // keep their stream, the next one gets the new settings.
            if (!(source.pictures[i].encoder == served.served[i].encoder)) {
                gst_rtsp_mount_points_add_factory(mounts, PathOf(i).c_str(),
                                                  MakeFactory(source.pictures[i], served.running, i));
            }
            served.served[i] = source.pictures[i];
        }
        g_object_unref(mounts);
        for (auto bin = served.running->bins.begin(); bin != served.running->bins.end();) {
            GstElement* element = static_cast<GstElement*>(g_weak_ref_get(&bin->second));
            if (element == nullptr) {
                g_weak_ref_clear(&bin->second);
                bin = served.running->bins.erase(bin);
                continue;
            }
            ApplyPicture(element, source.pictures[bin->first]);
            gst_object_unref(element);
            ++bin;
        }
    });
}

} // namespace camsim
