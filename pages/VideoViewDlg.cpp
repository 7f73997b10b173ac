#include "VideoViewDlg.h"

#include "CameraAccess.h"
#include "CameraLoader.h"
#include "CapabilityClass.h"
#include "DialogKeys.h"
#include "ImagingApply.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "PageHost.h"
#include "PictureWriter.h"
#include "PreviewImagingControls.h"
#include "PreviewListColumns.h"
#include "PreviewReading.h"
#include "SortListCtrl.h"
#include "VideoWnd.h"

#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <cstring>

namespace {
constexpr unsigned kSaveFailedKey = 86004; // "Save image parameters failed."
constexpr int kListWidth = 490;

bool SameCamera(const tagVtIpcInfo& a, const tagVtIpcInfo& b)
{
    return std::memcmp(a.mac, b.mac, sizeof a.mac) == 0;
}
} // namespace

CVideoViewDlg::CVideoViewDlg(PageHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    SetCtrlId(this, 137);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, PreviewListColumns(), host);
    connect(m_binding.get(), &DeviceListBinding::rowsChanged, this, &CVideoViewDlg::OnRowsChanged);
    m_writer = std::make_unique<PictureWriter>([this](const tagVtIpcInfo& camera, std::shared_ptr<Camera> loggedIn) {
        // On the writer's thread; the writer is joined before this page goes.
        QMetaObject::invokeMethod(
            this, [this, camera, loggedIn] { OnLoggedIn(camera, loggedIn); }, Qt::QueuedConnection);
    });
    m_loader = new CameraLoader(this);
    connect(m_loader, &CameraLoader::loadingChanged, this, &CVideoViewDlg::OnLoadingChanged);
    UpdateControls();
    Relabel();
}

CVideoViewDlg::~CVideoViewDlg()
{
    // A load or play start in flight is waited for and dropped while the
    // video area it plays into still lives; a start never shown stops again.
    m_loader->disconnect(this);
    delete m_loader;
    m_loader = nullptr;
    m_writer.reset();
    if (m_state.Close() == VideoStep::Stop) {
        StopPlayer();
    }
    // Parented or shown over the whole screen, the video area goes now, while
    // its sink can still be removed from a live object.
    delete m_video;
    m_video = nullptr;
    m_binding->disconnect(this);
    m_binding.reset();
}

void CVideoViewDlg::BuildControls()
{
    m_list = new CSortListCtrl(this);
    SetCtrlId(m_list, 1080);
    m_video = new CVideoWnd(this);
    SetCtrlId(m_video, 1081);
    const auto button = [this](unsigned id) {
        auto* b = new QPushButton(this);
        SetCtrlId(b, id);
        b->setAutoDefault(false);
        return b;
    };
    m_play = button(1082);
    m_default = button(1083);
    m_save = button(1084);
    m_cancel = button(1085);
    m_separator = new QFrame(this);
    m_separator->setFrameShape(QFrame::VLine);
    m_separator->setFrameShadow(QFrame::Sunken);
    m_imaging = std::make_unique<PreviewImagingControls>(
        this, [this](PictureValue which, int position) { OnSliderMoved(which, position); },
        [this](ImageList list, int entry) { OnListChosen(list, entry); });

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CVideoViewDlg::OnSelectionChanged);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnPlay(); });
    connect(m_play, &QPushButton::clicked, this, &CVideoViewDlg::OnPlay);
    connect(m_save, &QPushButton::clicked, this, &CVideoViewDlg::OnSave);
    connect(m_cancel, &QPushButton::clicked, this, &CVideoViewDlg::OnCancel);
    connect(m_default, &QPushButton::clicked, this, &CVideoViewDlg::OnDefault);
    connect(m_video, &CVideoWnd::doubleClicked, this, &CVideoViewDlg::ToggleFullScreen);
    connect(m_video, &CVideoWnd::escapePressed, this, [this] {
        if (IsFullScreen()) {
            ToggleFullScreen();
        }
    });
}

void CVideoViewDlg::Relabel()
{
    m_imaging->Relabel();
    m_save->setText(LangQText(70008));
    m_cancel->setText(LangQText(70009));
    m_default->setText(LangQText(70010));
    m_binding->RelabelHeaders();
    UpdateControls();
    Relayout();
}

void CVideoViewDlg::UpdateControls()
{
    // While a camera is read, written or its video starts, nothing else
    // talks to it: the values shown may still change and the login is not
    // known yet.
    const PreviewControls controls = m_state.Controls();
    m_imaging->SetEnabled(controls.edit);
    m_play->setEnabled(controls.play);
    m_play->setText(LangQText(controls.stopText ? 70004 : 70003));
    m_save->setEnabled(controls.edit);
    m_default->setEnabled(controls.edit);
    m_cancel->setEnabled(controls.cancel);
}

bool CVideoViewDlg::Loading() const
{
    return m_loader != nullptr && m_loader->Loading();
}

void CVideoViewDlg::OnLoadingChanged(bool loading)
{
    // A double-click on a row that was still loading plays it now.
    if (!loading && m_state.JobDone() == PlayStep::Start) {
        StartPlay();
    }
}

void CVideoViewDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CVideoViewDlg::Relayout()
{
    const int w = width();
    const int h = height();
    m_list->setGeometry(0, 0, kListWidth, h);
    const PreviewRect video = VideoAreaRect(w, h);
    // The video keeps playing through a resize: its sink scales each picture
    // to the area's size, so the play need not start again.
    if (!IsFullScreen()) {
        m_video->setGeometry(video.x, video.y, video.width, video.height);
    }
    const int bottom = video.y + video.height;
    const int centre = video.x + video.width / 2;
    const bool narrow = video.width < 801;
    m_play->setGeometry(centre - 40, bottom + 5, 80, 20);
    m_separator->setGeometry(centre - 1, bottom + 35, 2, std::max(0, h - 30 - (bottom + 35)));

    m_imaging->Place(narrow ? 510 : video.x, centre, narrow ? w - 20 : video.x + video.width, h);
    m_default->setGeometry(centre - 140, h - 25, 80, 20);
    m_save->setGeometry(centre - 40, h - 25, 80, 20);
    m_cancel->setGeometry(centre + 60, h - 25, 80, 20);
}

void CVideoViewDlg::keyPressEvent(QKeyEvent* event)
{
    if (!SwallowDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void CVideoViewDlg::AddCameraLine(const tagVtIpcInfo& camera, unsigned key)
{
    const PanelLine line = CameraLine(camera, key);
    m_host.AddLine(line);
}

void CVideoViewDlg::OnSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    // Only a row that became selected loads a camera, as a click on the
    // selected row again does not.
    if (m_binding->EntryOf(selected.front()) != m_selected) {
        SelectCamera(selected.front());
    }
}

void CVideoViewDlg::OnRowsChanged()
{
    if (!m_selected || m_binding->FindRow(m_selected.get()) != nullptr) {
        return;
    }
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (!selected.isEmpty()) {
        SelectCamera(selected.front());
        return;
    }
    m_writer->Drop(m_camera);
    const VideoStep step = m_state.Deselect();
    m_loader->Drop();
    ApplyVideoStep(step);
    m_selected = nullptr;
    m_loggedIn.reset();
}

void CVideoViewDlg::SelectCamera(QTreeWidgetItem* row)
{
    tagVtIpcInfo info{};
    if (!m_binding->InfoOf(row, info)) {
        return;
    }
    const LoginCredentials login = m_host.Login();
    ApplyVideoStep(m_state.Select());
    m_selected = m_binding->EntryOf(row);
    m_camera = info;
    m_aModel = IsAModel(info.model);
    m_loggedIn.reset();
    m_imaging->ForgetChosen();
    // The camera is read on a worker, so a slow one keeps only this page
    // waiting; a later click makes this load moot.
    m_loader->Start([this, info, login](const std::atomic<bool>& stop) -> CameraLoader::Show {
        PreviewReading reading = ReadPreviewCamera(info, login, stop);
        return [this, reading = std::move(reading)] { ShowReading(reading); };
    });
}

void CVideoViewDlg::ShowReading(const PreviewReading& reading)
{
    m_loggedIn = reading.camera;
    if (m_loggedIn) {
        m_aModel = KeepsFullPictureRange(*m_loggedIn, m_camera.model);
    }
    if (reading.loginFailure) {
        m_host.AddLine(*reading.loginFailure);
    }
    if (reading.picture) {
        m_imaging->ShowPicture(*reading.picture, m_aModel);
    }
    if (reading.config) {
        m_saved = ChoicesOf(*reading.config);
        m_imaging->SelectChoices(m_saved);
    }
}

void CVideoViewDlg::OnSliderMoved(PictureValue which, int position)
{
    if (!m_state.HasCamera()) {
        return;
    }
    // The writer logs in when there is no login yet and coalesces a drag,
    // so the UI thread never waits for the camera here.
    m_writer->Move(PictureTarget{m_camera, m_host.Login(), m_loggedIn, m_aModel}, which, position);
}

void CVideoViewDlg::OnLoggedIn(const tagVtIpcInfo& camera, std::shared_ptr<Camera> loggedIn)
{
    if (m_state.HasCamera() && !m_loggedIn && SameCamera(camera, m_camera)) {
        m_loggedIn = std::move(loggedIn);
        m_aModel = KeepsFullPictureRange(*m_loggedIn, m_camera.model);
    }
}

void CVideoViewDlg::OnListChosen(ImageList list, int entry)
{
    if (!m_state.CanEdit()) {
        return;
    }
    if (list == ImageList::Frequency) {
        m_imaging->FillExposureTimes(FrequencyOfEntry(entry));
    }
    m_imaging->MarkChosen(list);
    if (!m_loggedIn) {
        m_state.MarkUnsaved();
        return;
    }
    // Without a login the list only changes here; with one the camera is
    // written on a worker and the lists wait for it (no login: no box key).
    StartOnCamera(0, [list, entry](Camera& camera, const std::atomic<bool>&) -> CameraLoader::Show {
        WriteImageList(camera, list, entry);
        return {};
    }, [this] { m_state.MarkUnsaved(); });
}

void CVideoViewDlg::OnPlay()
{
    // A playing video can always be stopped, even when its row went away; a
    // double-click's first press may have started a load: play once it is in.
    switch (m_state.Play()) {
    case PlayStep::Stop:
        StopVideo();
        AddCameraLine(m_playCamera, 86001);
        break;
    case PlayStep::Start:
        StartPlay();
        break;
    case PlayStep::Later:
    case PlayStep::None:
        break;
    }
}

void CVideoViewDlg::StartPlay()
{
    // The login and the start of the play wait on the camera on a worker;
    // the area takes pictures from the first one on.
    const tagVtIpcInfo camera = m_camera;
    const LoginCredentials login = m_host.Login();
    const std::shared_ptr<Camera> held = m_loggedIn;
    const uint32_t window = m_video->Handle();
    m_video->SetPlaying(true);
    m_loader->Start([this, camera, login, held, window](const std::atomic<bool>& stop) -> CameraLoader::Show {
        PlayStart start = StartPreviewPlay(camera, login, held, window, stop);
        return [this, start = std::move(start)] { ShowPlayStart(start); };
    });
}

void CVideoViewDlg::ShowPlayStart(PlayStart start)
{
    if (!start.camera) {
        m_video->SetPlaying(false);
        ZxMessageBox(86005, ZxButtons::Ok, this);
        return;
    }
    m_loggedIn = start.camera;
    if (!start.play || !m_state.PlayStarted()) {
        m_video->SetPlaying(false);
        return;
    }
    m_player = start.play->Claim();
    m_playCamera = m_camera;
    AddCameraLine(m_camera, 86000);
}

void CVideoViewDlg::ApplyVideoStep(VideoStep step)
{
    switch (step) {
    case VideoStep::Stop:
        StopVideo();
        break;
    case VideoStep::DropStart:
        // The area takes no pictures of the start in flight.
        m_video->SetPlaying(false);
        break;
    case VideoStep::Keep:
        break;
    }
}

void CVideoViewDlg::StopVideo()
{
    if (IsFullScreen()) {
        ToggleFullScreen();
    }
    StopPlayer();
}

void CVideoViewDlg::StopPlayer()
{
    // The area drops pictures from now on; the stop then joins the decode
    // thread, which needs nothing this thread holds.
    m_video->SetPlaying(false);
    m_player->StopLivePlay();
    m_player.reset();
}

void CVideoViewDlg::StartOnCamera(unsigned loginFailedKey, CameraWork work, CameraLoader::Show after)
{
    if (!m_state.BeginWrite()) {
        return;
    }
    const tagVtIpcInfo camera = m_camera;
    const LoginCredentials login = m_host.Login();
    const std::shared_ptr<Camera> held = m_loggedIn;
    m_loader->Start([this, camera, login, held, loginFailedKey, work = std::move(work),
                     after = std::move(after)](const std::atomic<bool>& stop) -> CameraLoader::Show {
        std::shared_ptr<Camera> loggedIn = LoggedInCamera(camera, login, held);
        if (!loggedIn) {
            return [this, loginFailedKey] { ZxMessageBox(loginFailedKey, ZxButtons::Ok, this); };
        }
        CameraLoader::Show done = stop ? CameraLoader::Show{} : work(*loggedIn, stop);
        return [this, loggedIn = std::move(loggedIn), done = std::move(done), after] {
            m_loggedIn = loggedIn;
            if (done) {
                done();
            }
            if (after) {
                after();
            }
        };
    });
}

void CVideoViewDlg::OnSave()
{
    if (!m_state.CanEdit()) {
        return;
    }
    const ImageChoices saved = m_saved;
    const ImageChoices choices = ChoicesToSave(saved, m_imaging->ListChoices(), m_imaging->Chosen());
    const tagVtIpcInfo camera = m_camera;
    StartOnCamera(86007, [this, choices, saved, camera](Camera& loggedIn, const std::atomic<bool>&) -> CameraLoader::Show {
        // Choices that are the reference already need no write, only a camera that answers.
        const bool written = choices == saved ? ImagingAnswers(loggedIn) : WriteImageChoices(loggedIn, choices);
        return [this, written, choices, camera] {
            if (written) {
                m_saved = choices;
                m_imaging->ForgetChosen();
                m_state.MarkSaved();
            }
            AddCameraLine(camera, written ? 86002 : kSaveFailedKey);
        };
    });
}

void CVideoViewDlg::OnCancel()
{
    if (!m_state.CanEdit()) {
        return;
    }
    const ImageChoices saved = m_saved;
    const tagVtIpcInfo camera = m_camera;
    StartOnCamera(86008, [this, saved, camera](Camera& loggedIn, const std::atomic<bool>&) -> CameraLoader::Show {
        if (!WriteImageChoices(loggedIn, saved)) {
            return {};
        }
        return [this, saved, camera] {
            // The exposure times follow the frequency written back.
            m_imaging->SelectChoices(saved);
            AddCameraLine(camera, 86003);
            m_state.MarkSaved();
        };
    });
}

void CVideoViewDlg::OnDefault()
{
    if (!m_state.CanEdit()) {
        return;
    }
    if (!m_loggedIn) {
        // This press only logs in; the next one writes.
        StartOnCamera(86006, [](Camera&, const std::atomic<bool>&) { return CameraLoader::Show{}; });
        return;
    }
    // A drag's write still on its way must not land after the defaults; the
    // worker waits for it, the writer outlives the worker.
    m_writer->Drop(m_camera);
    PictureWriter* writer = m_writer.get();
    const ImagingSettingsRecord defaults = DefaultPicture(m_aModel);
    StartOnCamera(86006, [this, writer, defaults](Camera& camera, const std::atomic<bool>&) -> CameraLoader::Show {
        writer->WaitIdle();
        if (!camera.SetImagingSettings(defaults).Done()) {
            return {};
        }
        return [this] {
            for (int i = 0; i < kPictureValueCount; ++i) {
                m_imaging->SetSliderQuietly(static_cast<PictureValue>(i), 50);
            }
        };
    });
}

bool CVideoViewDlg::IsFullScreen() const
{
    return m_video->IsFullScreen();
}

void CVideoViewDlg::ToggleFullScreen()
{
    if (!IsFullScreen()) {
        if (!m_state.VideoPlays()) {
            return;
        }
        m_video->EnterFullScreen(screen());
        return;
    }
    m_video->LeaveFullScreen(this);
    Relayout();
    m_video->show();
}
