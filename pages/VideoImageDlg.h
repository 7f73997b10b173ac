#pragma once
#include "BatchSubPage.h"
#include "VideoChoices.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class VideoOsdControls;

// The "Video" sub-page of the batch set page: a camera's two video streams
// and its on-screen display. The choices offered are those of the camera's
// capability class and codec; in a batch, those of the ticked camera with the
// lowest class. A camera of another maker offers its own options, and a batch
// with such cameras offers only what every ticked camera can take. What the
// camera shown did not give is cleared and disabled, never left from another.
class ZX_EXPORT CVideoImageDlg : public BatchSubPage
{
    Q_OBJECT

public:
    explicit CVideoImageDlg(BatchSetHost& host, QWidget* parent = nullptr);
    ~CVideoImageDlg() override;

    void Relabel() override;
    void ShowReading(const BatchSetReading& reading, const tagVtIpcInfo& camera) override;
    void Save() override;
    void ShowReference(const ReferenceReading& reading, const tagVtIpcInfo& camera) override;
    // Read and fill at once, on the calling thread: for one camera outside
    // the batch set page's loads (a reference without a logged-in camera
    // leaves the page).
    void LoadFromCamera(Camera& camera);
    void LoadReferenceCamera(Camera* camera, const tagVtIpcInfo& info);

    // The fills of one stream from a camera's configuration; model is the
    // camera's model text, powerFrequency its power line frequency in Hz.
    void FillSecondary(const VideoConfigRecord& record, const std::string& model);
    void FillPrimary(const VideoConfigRecord& record, const std::string& model, int powerFrequency);
    void FillOsd(const OsdRecord& record);
    // The clock tick: I-frame intervals back into 1 to 60.
    void ClampIFrames();

    const VideoConfigRecord& LastPrimary() const { return m_primary; }
    const VideoConfigRecord& LastSecondary() const { return m_secondary; }

private:
    void BuildControls();
    // What the lists of each stream may offer beyond the family's rules: a
    // camera of another maker's options (family false: none of the
    // family's class rules apply), or a mixed batch's common options.
    void SetBounds(std::optional<VideoStreamOptions> primary, std::optional<VideoStreamOptions> secondary,
                   bool family);
    void FillStreams(const VideoReading& reading, const tagVtIpcInfo& camera);
    // A stream the camera shown did not give: its boxes emptied and disabled.
    void ClearStream(int stream);
    void EnableStream(int stream);
    void RebuildPrimarySizes();
    void RunRateRules();
    void RebuildSecondarySizes();
    void OnSecondaryEnable();
    // The codec the secondary list shows; -1 for none.
    int SecondaryCodec() const;

    QLabel* m_primaryGroup = nullptr;
    QLabel* m_secondaryGroup = nullptr;
    // Index 0: primary, 1: secondary.
    QLabel* m_codecLabel[2] = {};
    QComboBox* m_codec[2] = {};
    QLabel* m_sizeLabel[2] = {};
    QComboBox* m_size[2] = {};
    QLabel* m_rateLabel[2] = {};
    QComboBox* m_rate[2] = {};
    QLabel* m_bitRateLabel[2] = {};
    QComboBox* m_bitRate[2] = {};
    QLabel* m_controlLabel[2] = {};
    QComboBox* m_control[2] = {};
    QLabel* m_iFrameLabel[2] = {};
    QLineEdit* m_iFrame[2] = {};
    QCheckBox* m_secondaryOn = nullptr;
    std::unique_ptr<VideoOsdControls> m_osd;
    QTimer* m_clock = nullptr;

    VideoChoices m_choices;
    bool m_streamShown[2] = {true, true};
    int m_powerFrequency = 50;
    VideoConfigRecord m_primary{};
    VideoConfigRecord m_secondary{};
};
