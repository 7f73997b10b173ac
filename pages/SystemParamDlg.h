#pragma once
#include "BatchSubPage.h"
#include "SystemParams.h"
#include "ZxExport.h"

class CFilteredEdit;
class QComboBox;
class QDateEdit;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimer;

// The "System" sub-page of the batch set page: device name, administrator
// password, and date, time, time zone and clock source. "Save Parameters"
// checks the form and writes it to the selected camera or every ticked one.
class ZX_EXPORT CSystemParamDlg : public BatchSubPage
{
    Q_OBJECT

public:
    explicit CSystemParamDlg(BatchSetHost& host, QWidget* parent = nullptr);
    ~CSystemParamDlg() override;

    void Relabel() override;
    void ShowReading(const BatchSetReading& reading, const tagVtIpcInfo& camera) override;
    // Reads and fills at once, on the calling thread: for one camera outside
    // the batch set page's loads.
    void LoadFromCamera(Camera& camera);
    void Save() override;
    void SetTickedMode(bool ticked) override;

    // The clicked camera's name, shown before its login is tried.
    void ShowCameraName(const tagVtIpcInfo& camera);
    DateTimeMode Mode() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void Relayout();
    void OnModeChanged();
    void OnClockTick();
    // The boxes show the main window's login password until the user types
    // a new one into them.
    void FollowLoginPassword();
    bool PasswordTyped() const;
    void Focus(SystemField field);
    void FillSystem(const SystemReading& reading);
    DateTimeValue PickedDateTime() const;

    QLabel* m_systemCaption = nullptr;
    QLabel* m_adminCaption = nullptr;
    QLabel* m_dateCaption = nullptr;
    QLabel* m_nameLabel = nullptr;
    CFilteredEdit* m_name = nullptr;
    QLabel* m_userLabel = nullptr;
    QLineEdit* m_user = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLineEdit* m_password = nullptr;
    QLabel* m_confirmLabel = nullptr;
    QLineEdit* m_confirm = nullptr;
    QLabel* m_zoneLabel = nullptr;
    QComboBox* m_zone = nullptr;
    QLabel* m_daylightLabel = nullptr;
    QComboBox* m_daylight = nullptr;
    QRadioButton* m_keep = nullptr;
    QRadioButton* m_computer = nullptr;
    QRadioButton* m_manual = nullptr;
    QRadioButton* m_sntp = nullptr;
    QLabel* m_dateLabel = nullptr;
    QDateEdit* m_date = nullptr;
    QLabel* m_timeLabel = nullptr;
    QDateTimeEdit* m_time = nullptr;
    QLineEdit* m_sntpServer = nullptr;
    QTimer* m_clock = nullptr;
    QString m_loginPassword;   // what FollowLoginPassword last put in the boxes
    std::wstring m_cameraName; // the loaded camera's name, written again only when changed
};
