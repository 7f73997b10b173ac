#pragma once
#include "VideoParams.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

// The on-screen display group of the video sub-page: whether the title and
// the time show on the picture, the title, and where each of them goes. The
// boxes of a part that does not show are disabled, and all of them while the
// camera shown gave no OSD.
class VideoOsdControls
{
public:
    explicit VideoOsdControls(QWidget* page);

    // Lays the group out in grid from row on, over columns 0 to 4; returns
    // the row after it.
    int Place(QGridLayout* grid, int row);
    void Relabel();
    void Fill(const OsdRecord& record);
    // The camera shown gave no OSD: nothing of another camera stays.
    void Clear();
    // Whether the boxes show a camera's OSD (or the defaults before any).
    bool Shown() const;
    OsdForm Form() const;
    void FocusTitle();

private:
    void OnShowTitle();
    void OnShowTime();

    QLabel* m_group = nullptr;
    QLabel* m_showTitleLabel = nullptr;
    QCheckBox* m_showTitle = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLineEdit* m_title = nullptr;
    QLabel* m_titlePosLabel = nullptr;
    QComboBox* m_titlePos = nullptr;
    QLabel* m_showTimeLabel = nullptr;
    QCheckBox* m_showTime = nullptr;
    QLabel* m_datePosLabel = nullptr;
    QComboBox* m_datePos = nullptr;
    QLabel* m_dateFormatLabel = nullptr;
    QComboBox* m_dateFormat = nullptr;
};
