#pragma once
#include "DeviceListBinding.h"
#include "DevicePage.h"
#include "PreviewImagingControls.h"
#include "PreviewState.h"
#include "ZxExport.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

class Camera;
class CameraLoader;
class PageHost;
class CSortListCtrl;
class CVideoWnd;
class PictureWriter;
class QComboBox;
class QFrame;
class QPushButton;
class QSlider;
struct LoginCredentials;
struct PreviewReading;
struct PlayStart;

// The "Video Previews" page: one camera's live video, its five picture values
// on sliders and six imaging options in lists, each written to the camera as
// it changes. Save keeps the list values as the reference, Cancel writes the
// reference back, Default puts the picture values to their middle; a
// double-click on the video shows it over the whole screen and back.
class ZX_EXPORT CVideoViewDlg : public QWidget, public DevicePage
{
    Q_OBJECT

public:
    explicit CVideoViewDlg(PageHost& host, QWidget* parent = nullptr);
    // Stops the writes and the video before the video area goes.
    ~CVideoViewDlg() override;

    DeviceListBinding& Binding() { return *m_binding; }
    void Relabel() override;

    // The controls, for the main window's tests and the lab.
    CSortListCtrl* List() const { return m_list; }
    CVideoWnd* Video() const { return m_video; }
    QPushButton* PlayButton() const { return m_play; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* DefaultButton() const { return m_default; }
    QSlider* Slider(PictureValue value) const { return m_imaging->Slider(value); }
    QComboBox* List(ImageList list) const { return m_imaging->List(list); }
    bool IsPlaying() const { return m_state.VideoPlays(); }
    bool IsFullScreen() const;
    // The logged-in camera the page works with; empty before a login.
    std::shared_ptr<Camera> HeldCamera() const { return m_loggedIn; }
    // A row click's reads or Play's start still waiting on the camera.
    bool Loading() const;
    CameraLoader& Loader() const { return *m_loader; }

    // The play button (also a double-click on a device row).
    void OnPlay();
    void OnSave();
    void OnCancel();
    void OnDefault();
    // Switches the full-screen view of the video on or off.
    void ToggleFullScreen();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void Relayout();
    // Enables the controls for the selection, the video and a load in flight.
    void UpdateControls();
    void OnLoadingChanged(bool loading);
    void OnSelectionChanged();
    void OnRowsChanged();
    void SelectCamera(QTreeWidgetItem* row);
    void ShowReading(const PreviewReading& reading);
    void ShowPlayStart(PlayStart start);
    void OnSliderMoved(PictureValue which, int position);
    void OnListChosen(ImageList list, int entry);
    void StartPlay();
    void ApplyVideoStep(VideoStep step);
    // Leaves the full screen and stops the video that plays.
    void StopVideo();
    void StopPlayer();
    void OnLoggedIn(const tagVtIpcInfo& camera, std::shared_ptr<Camera> loggedIn);
    // Runs work on a worker with the logged-in camera, logging in first when
    // there is none; a failed login shows the box of loginFailedKey. The
    // login, the step work returns and after then run on the UI thread,
    // unless a newer job or the page's end made the job moot.
    using CameraWork = std::function<std::function<void()>(Camera& camera, const std::atomic<bool>& stop)>;
    void StartOnCamera(unsigned loginFailedKey, CameraWork work, std::function<void()> after = {});
    void AddCameraLine(const tagVtIpcInfo& camera, unsigned key);

    PageHost& m_host;
    CSortListCtrl* m_list = nullptr;
    std::unique_ptr<DeviceListBinding> m_binding;
    CVideoWnd* m_video = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_default = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
    QFrame* m_separator = nullptr;
    std::unique_ptr<PreviewImagingControls> m_imaging;
    std::unique_ptr<PictureWriter> m_writer;
    CameraLoader* m_loader = nullptr;

    // What the page is doing with its camera; every change updates the controls.
    PreviewState m_state{[this] { UpdateControls(); }};
    DeviceRef m_selected;
    tagVtIpcInfo m_camera{};
    bool m_aModel = false;
    std::shared_ptr<Camera> m_loggedIn;
    // The camera of the video that plays, which may differ from the
    // selection once its row went away.
    tagVtIpcInfo m_playCamera{};
    std::shared_ptr<Camera> m_player;
    // The list values last read, saved or written back: what Cancel writes.
    // Only the lists the operator chose from since carry what they show into Save.
    ImageChoices m_saved;
};
