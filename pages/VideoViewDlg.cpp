#include "VideoViewDlg.h"

#include "CameraAccess.h"
#include "CameraLoader.h"
#include "CapabilityClass.h"
#include "DialogKeys.h"
#include "LangWidgets.h"
#include "MacText.h"
#include "MessageBox.h"
#include "PageHost.h"
#include "PictureWriter.h"
#include "PreviewReading.h"
#include "RecordText.h"
#include "SortListCtrl.h"
#include "VideoWnd.h"

#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QToolTip>
#include <cstring>

namespace {
constexpr std::uint32_t kHolderBit = 0x08;
constexpr unsigned kSaveFailedKey = 86004; // "Save image parameters failed."
constexpr int kListWidth = 490;

constexpr std::array<unsigned, kPictureValueCount> kSliderKeys = {70000, 70001, 70002, 70014, 70015};
// In the order of ImageList.
constexpr std::array<unsigned, 6> kListKeys = {70005, 70006, 70007, 60009, 60010, 60011};

QString Field(const char* text)
{
    return QString::fromStdWString(FieldText(text));
}

DeviceColumn Column(unsigned key, int width, std::function<QString(const tagVtIpcInfo&, std::time_t)> text)
{
    return DeviceColumn{key, width, std::move(text)};
}

DeviceListSpec PreviewListSpec()
{
    DeviceListSpec listSpec;
    listSpec.holderBit = kHolderBit;
    listSpec.columns = {
        Column(0, 35, {}),
        Column(20000, 89,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdWString(NameText(i)); }),
        Column(20001, 120,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdString(MacCellText(i.mac)); }),
        Column(20002, 115, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.ip); }),
        Column(20006, 110, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.model); }),
    };
    listSpec.numberColumn = 0;
    listSpec.addressColumns = {3, -1, -1};
    listSpec.initialSortColumn = 3;
    listSpec.tickBoxes = false;
    listSpec.matchFields = [](const tagVtIpcInfo& info, std::time_t) { return NameMacIpModelFields(info); };
    return listSpec;
}

QStringList Texts(const std::vector<std::wstring>& texts)
{
    QStringList list;
    for (const std::wstring& text : texts) {
        list << QString::fromStdWString(text);
    }
    return list;
}

QStringList Keyed(std::initializer_list<unsigned> keys)
{
    QStringList list;
    for (unsigned key : keys) {
        list << LangQText(key);
    }
    return list;
}

bool SameCamera(const tagVtIpcInfo& a, const tagVtIpcInfo& b)
{
    return std::memcmp(a.mac, b.mac, sizeof a.mac) == 0;
}
} // namespace

CVideoViewDlg::CVideoViewDlg(PageHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    SetCtrlId(this, 137);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, PreviewListSpec(), host);
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
    if (m_playing) {
        m_video->SetPlaying(false);
        m_player->StopLivePlay();
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
    for (int i = 0; i < kPictureValueCount; ++i) {
        const auto which = static_cast<PictureValue>(i);
        auto* label = new QLabel(this);
        SetCtrlId(label, 1090 + static_cast<unsigned>(i));
        auto* slider = new QSlider(Qt::Horizontal, this);
        SetCtrlId(slider, 1100 + static_cast<unsigned>(i));
        slider->setRange(0, 100);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(10);
        slider->setSingleStep(1);
        slider->setPageStep(10);
        slider->setToolTip(QStringLiteral("0"));
        connect(slider, &QSlider::valueChanged, this,
                [this, which](int position) { OnSliderMoved(which, position); });
        connect(slider, &QSlider::sliderMoved, slider, [slider](int position) {
            QToolTip::showText(QCursor::pos(), QString::number(position), slider);
        });
        m_sliderLabels[static_cast<std::size_t>(i)] = label;
        m_sliders[static_cast<std::size_t>(i)] = slider;
    }
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const auto list = static_cast<ImageList>(i);
        m_listLabels[i] = new QLabel(this);
        SetCtrlId(m_listLabels[i], 1110 + static_cast<unsigned>(i));
        m_lists[i] = new QComboBox(this);
        SetCtrlId(m_lists[i], 1120 + static_cast<unsigned>(i));
        // Only the operator's choices write: refilling a list does not.
        connect(m_lists[i], &QComboBox::activated, this,
                [this, list](int entry) { OnListChosen(list, entry); });
    }
    QStringList levels;
    for (int level = 0; level <= 10; ++level) {
        levels << QString::number(level);
    }
    FillList(ImageList::ExposureLevel, levels);
    List(ImageList::ExposureLevel)->setCurrentIndex(5);
    FillExposureTimes(50);
    List(ImageList::MaxExposure)->setCurrentIndex(2);
    FillList(ImageList::LocalDisplay, {QStringLiteral("OFF"), QStringLiteral("NTSC"), QStringLiteral("PAL")});
    List(ImageList::LocalDisplay)->setCurrentIndex(0);
    // The keyed lists are filled by Relabel; these are their first choices.
    FillList(ImageList::IrCut, Keyed({70011, 70012, 70013}));
    List(ImageList::IrCut)->setCurrentIndex(2);
    FillList(ImageList::Frequency, Keyed({70018, 70019}));
    List(ImageList::Frequency)->setCurrentIndex(1);
    FillList(ImageList::Outdoor, Keyed({70016, 70017}));
    List(ImageList::Outdoor)->setCurrentIndex(0);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CVideoViewDlg::OnSelectionChanged);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnPlay(); });
    connect(m_play, &QPushButton::clicked, this, &CVideoViewDlg::OnPlay);
    connect(m_save, &QPushButton::clicked, this, &CVideoViewDlg::OnSave);
    connect(m_cancel, &QPushButton::clicked, this, &CVideoViewDlg::OnCancel);
    connect(m_default, &QPushButton::clicked, this, &CVideoViewDlg::OnDefault);
    connect(m_video, &CVideoWnd::doubleClicked, this, &CVideoViewDlg::ToggleFullScreen);
    connect(m_video, &CVideoWnd::escapePressed, this, [this] {
        if (m_fullScreen) {
            ToggleFullScreen();
        }
    });
}

void CVideoViewDlg::FillList(ImageList list, const QStringList& entries)
{
    QComboBox* box = List(list);
    const int kept = box->currentIndex();
    box->clear();
    box->addItems(entries);
    if (kept >= 0 && kept < box->count()) {
        box->setCurrentIndex(kept);
    }
}

void CVideoViewDlg::FillExposureTimes(int frequency)
{
    FillList(ImageList::MaxExposure, Texts(ExposureTimes(frequency)));
}

void CVideoViewDlg::Relabel()
{
    for (std::size_t i = 0; i < m_sliderLabels.size(); ++i) {
        m_sliderLabels[i]->setText(LangQText(kSliderKeys[i]));
    }
    for (std::size_t i = 0; i < m_listLabels.size(); ++i) {
        m_listLabels[i]->setText(LangQText(kListKeys[i]));
    }
    m_play->setText(LangQText(m_playing ? 70004 : 70003));
    m_save->setText(LangQText(70008));
    m_cancel->setText(LangQText(70009));
    m_default->setText(LangQText(70010));
    FillList(ImageList::IrCut, Keyed({70011, 70012, 70013}));
    FillList(ImageList::Outdoor, Keyed({70016, 70017}));
    FillList(ImageList::Frequency, Keyed({70018, 70019}));
    m_binding->RelabelHeaders();
    Relayout();
}

void CVideoViewDlg::UpdateControls()
{
    // While a camera is read or its video starts, nothing else talks to it:
    // the values shown may still change and the login is not known yet.
    const bool enabled = m_selected && !Loading();
    for (QSlider* slider : m_sliders) {
        slider->setEnabled(enabled);
    }
    for (QComboBox* list : m_lists) {
        list->setEnabled(enabled);
    }
    m_play->setEnabled(enabled || m_playing);
    m_save->setEnabled(enabled);
    m_default->setEnabled(enabled);
    m_cancel->setEnabled(enabled && m_unsaved);
}

void CVideoViewDlg::SetUnsaved(bool unsaved)
{
    m_unsaved = unsaved;
    UpdateControls();
}

bool CVideoViewDlg::Loading() const
{
    return m_loader != nullptr && m_loader->Loading();
}

void CVideoViewDlg::OnLoadingChanged(bool loading)
{
    UpdateControls();
    // A double-click on a row that was still loading plays it now.
    if (!loading && m_playAfterLoad) {
        m_playAfterLoad = false;
        if (!m_playing) {
            OnPlay();
        }
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
    if (!m_fullScreen) {
        m_video->setGeometry(video.x, video.y, video.width, video.height);
    }
    const int bottom = video.y + video.height;
    const int centre = video.x + video.width / 2;
    const bool narrow = video.width < 801;
    m_play->setGeometry(centre - 40, bottom + 5, 80, 20);
    m_separator->setGeometry(centre - 1, bottom + 35, 2, std::max(0, h - 30 - (bottom + 35)));

    const int labelsLeft = narrow ? 510 : video.x;
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const int y = h - 175 + 32 * static_cast<int>(i);
        m_sliderLabels[i]->setGeometry(labelsLeft, y, 120, 16);
        const int sliderLeft = labelsLeft + 120;
        m_sliders[i]->setGeometry(sliderLeft, y - 10, std::max(0, centre - sliderLeft), 32);
    }
    const int listsRight = narrow ? w - 20 : video.x + video.width;
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const int y = h - 185 + 27 * static_cast<int>(i);
        m_listLabels[i]->setGeometry(centre + 10, y + 4, 155, 16);
        m_lists[i]->setGeometry(centre + 168, y, std::max(0, listsRight - (centre + 168)), 20);
    }
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
    m_playAfterLoad = false;
    m_loader->Drop();
    if (!m_playing) {
        m_video->SetPlaying(false);
    }
    m_selected = nullptr;
    m_loggedIn.reset();
    SetUnsaved(false);
}

void CVideoViewDlg::SelectCamera(QTreeWidgetItem* row)
{
    tagVtIpcInfo info{};
    if (!m_binding->InfoOf(row, info)) {
        return;
    }
    const LoginCredentials login = m_host.Login();
    if (m_playing) {
        StopVideo();
    } else {
        // A play start in flight is moot: the area takes no pictures of it.
        m_video->SetPlaying(false);
    }
    m_selected = m_binding->EntryOf(row);
    m_camera = info;
    m_aModel = IsAModel(info.model);
    m_loggedIn.reset();
    m_unsaved = false;
    m_chosen = {};
    m_playAfterLoad = false;
    // The camera is read on a worker, so a slow one keeps only this page
    // waiting; a later click makes this load moot.
    m_loader->Start([this, info, login](const std::atomic<bool>& stop) -> CameraLoader::Show {
        PreviewReading reading = ReadPreviewCamera(info, login, stop);
        return [this, reading = std::move(reading)] { ShowReading(reading); };
    });
    UpdateControls();
}

void CVideoViewDlg::ShowReading(const PreviewReading& reading)
{
    m_loggedIn = reading.camera;
    if (reading.loginFailure) {
        m_host.AddLine(*reading.loginFailure);
    }
    if (reading.picture) {
        for (int i = 0; i < kPictureValueCount; ++i) {
            const auto which = static_cast<PictureValue>(i);
            SetSliderQuietly(which, SliderFromCamera(PictureField(*reading.picture, which), which, m_aModel));
        }
    }
    if (reading.config) {
        m_saved = ChoicesOf(*reading.config);
        SelectChoices(m_saved);
    }
}

void CVideoViewDlg::SelectChoices(const ImageChoices& choices)
{
    FillExposureTimes(choices.frequency);
    for (int i = 0; i < kImageListCount; ++i) {
        const auto list = static_cast<ImageList>(i);
        List(list)->setCurrentIndex(ShownListEntry(list, choices));
    }
    // The lists show the reference now: none holds a choice of the operator's.
    m_chosen = {};
}

ImageChoices CVideoViewDlg::ListChoices() const
{
    const auto entry = [this](ImageList list) { return static_cast<uint8_t>(List(list)->currentIndex()); };
    ImageChoices choices;
    choices.exposureLevel = entry(ImageList::ExposureLevel);
    choices.maxExposure = entry(ImageList::MaxExposure);
    choices.irCut = entry(ImageList::IrCut);
    choices.frequency = FrequencyOfEntry(List(ImageList::Frequency)->currentIndex());
    choices.outdoor = entry(ImageList::Outdoor);
    choices.localDisplay = entry(ImageList::LocalDisplay);
    return choices;
}

void CVideoViewDlg::SetSliderQuietly(PictureValue which, int position)
{
    QSlider* slider = Slider(which);
    m_quietSliders = true;
    slider->setValue(position);
    m_quietSliders = false;
    slider->setToolTip(QString::number(slider->value()));
}

void CVideoViewDlg::OnSliderMoved(PictureValue which, int position)
{
    Slider(which)->setToolTip(QString::number(position));
    if (m_quietSliders || !m_selected) {
        return;
    }
    // The writer logs in when there is no login yet and coalesces a drag,
    // so the UI thread never waits for the camera here.
    m_writer->Move(PictureTarget{m_camera, m_host.Login(), m_loggedIn, m_aModel}, which, position);
}

void CVideoViewDlg::OnLoggedIn(const tagVtIpcInfo& camera, std::shared_ptr<Camera> loggedIn)
{
    if (m_selected && !m_loggedIn && SameCamera(camera, m_camera)) {
        m_loggedIn = std::move(loggedIn);
    }
}

void CVideoViewDlg::OnListChosen(ImageList list, int entry)
{
    if (!m_selected || Loading()) {
        return;
    }
    if (list == ImageList::Frequency) {
        FillExposureTimes(FrequencyOfEntry(entry));
    }
    m_chosen[static_cast<std::size_t>(list)] = true;
    if (!m_loggedIn) {
        SetUnsaved(true);
        return;
    }
    // Without a login the list only changes here; with one the camera is
    // written on a worker and the lists wait for it (no login: no box key).
    StartOnCamera(0, [list, entry](Camera& camera, const std::atomic<bool>&) -> CameraLoader::Show {
        WriteImageList(camera, list, entry);
        return {};
    }, [this] { SetUnsaved(true); });
}

void CVideoViewDlg::OnPlay()
{
    // A playing video can always be stopped, even when its row went away.
    if (m_playing) {
        StopVideo();
        AddCameraLine(m_playCamera, 86001);
        return;
    }
    if (!m_selected) {
        return;
    }
    if (Loading()) {
        // The double-click's first press started a load: play once it is in.
        m_playAfterLoad = true;
        return;
    }
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
    if (!start.play) {
        m_video->SetPlaying(false);
        return;
    }
    m_player = start.play->Claim();
    m_playing = true;
    m_playCamera = m_camera;
    m_play->setText(LangQText(70004));
    AddCameraLine(m_camera, 86000);
}

void CVideoViewDlg::StopVideo()
{
    if (m_fullScreen) {
        ToggleFullScreen();
    }
    // The area drops pictures from now on; the stop then joins the decode
    // thread, which needs nothing this thread holds.
    m_video->SetPlaying(false);
    m_player->StopLivePlay();
    m_playing = false;
    m_player.reset();
    m_play->setText(LangQText(70003));
    UpdateControls();
}

void CVideoViewDlg::StartOnCamera(unsigned loginFailedKey, CameraWork work, CameraLoader::Show after)
{
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
    if (!m_selected || Loading()) {
        return;
    }
    const ImageChoices saved = m_saved;
    const ImageChoices choices = ChoicesToSave(saved, ListChoices(), m_chosen);
    const tagVtIpcInfo camera = m_camera;
    StartOnCamera(86007, [this, choices, saved, camera](Camera& loggedIn, const std::atomic<bool>&) -> CameraLoader::Show {
        // Choices that are the reference already need no write, only a camera that answers.
        const bool written = choices == saved ? ImagingAnswers(loggedIn) : WriteImageChoices(loggedIn, choices);
        return [this, written, choices, camera] {
            if (written) {
                m_saved = choices;
                m_chosen = {};
                SetUnsaved(false);
            }
            AddCameraLine(camera, written ? 86002 : kSaveFailedKey);
        };
    });
}

void CVideoViewDlg::OnCancel()
{
    if (!m_selected || Loading()) {
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
            SelectChoices(saved);
            AddCameraLine(camera, 86003);
            SetUnsaved(false);
        };
    });
}

void CVideoViewDlg::OnDefault()
{
    if (!m_selected || Loading()) {
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
                SetSliderQuietly(static_cast<PictureValue>(i), 50);
            }
        };
    });
}

void CVideoViewDlg::ToggleFullScreen()
{
    if (!m_fullScreen) {
        if (!m_playing) {
            return;
        }
        // The video area alone leaves the page for a frameless window over the
        // whole screen; the page and its controls stay where they are.
        QScreen* screen = this->screen();
        m_fullScreen = true;
        m_video->setParent(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        m_video->setGeometry(screen->geometry());
        m_video->show();
        m_video->activateWindow();
        m_video->setFocus();
        return;
    }
    m_fullScreen = false;
    m_video->setParent(this, Qt::Widget);
    Relayout();
    m_video->show();
}
