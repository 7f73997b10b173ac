#pragma once
// The preview page's lab tests share one lab: four simulated cameras (an A
// model, a plain one, a slow one and one with odd imaging values) and a page
// on them, with every message box answered and kept.
#include "PreviewLab.h"

#include "MessageBox.h"

#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <gtest/gtest.h>

inline const char* const kCameras = R"({"cameras": [
  {"index": 0, "model": "VT-C3190A"},
  {"index": 1, "model": "VT-C2150"},
  {"index": 2, "model": "VT-C3190A", "faults": ["slow-http"], "slowMs": 150},
  {"index": 3, "model": "VT-C3190A", "faults": ["odd-imaging"]}
]})";
inline const char* const kACamera = "192.168.31.10";
inline const char* const kPlainCamera = "192.168.31.11";
inline const char* const kSlowCamera = "192.168.31.12";
inline const char* const kOddCamera = "192.168.31.13";

inline ImagingSettingsRecord Picture(const char* ip)
{
    ImagingSettingsRecord picture{};
    EXPECT_EQ(Vt_Ipc_GetImagingSettings(previewlab::TestLogin(ip), &picture), 0) << ip;
    return picture;
}

inline ImagingConfigRecord Imaging(const char* ip)
{
    ImagingConfigRecord config{};
    EXPECT_EQ(Vt_Ipc_GetImagingConfig(previewlab::TestLogin(ip), &config), 0) << ip;
    return config;
}

class PreviewLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
        });
        std::string error;
        m_session = std::make_unique<previewlab::Session>(*labkit::LabEnvironment::Current(), "192.168.31.10", 4,
                                              kCameras, error);
        ASSERT_TRUE(error.empty()) << error;
    }
    void TearDown() override
    {
        m_session.reset();
        ZxSetMessageBoxHook({});
    }

    CVideoViewDlg& Page() { return m_session->Page(); }
    CVideoWnd& Video() { return m_session->Video(); }
    // Presses the button and waits for what it started on the camera.
    void Press(QPushButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(m_session->Settled());
    }
    // An operator's choice in a list, and the write it started.
    void Choose(QComboBox* list, int entry)
    {
        list->setCurrentIndex(entry);
        emit list->activated(entry);
        ASSERT_TRUE(m_session->Settled());
    }
    bool Painted(int frames)
    {
        const uint64_t target = Video().FramesPainted() + static_cast<uint64_t>(frames);
        return previewlab::WaitFor([&] { return Video().FramesPainted() >= target; }, 8000);
    }

    std::unique_ptr<previewlab::Session> m_session;
    QStringList m_boxes;
};
