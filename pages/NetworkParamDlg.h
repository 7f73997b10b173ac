#pragma once
#include "BatchSubPage.h"
#include "NetworkParams.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <QString>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The "Network" sub-page of the batch set page: a camera's HTTP and RTSP
// ports and its dynamic-DNS client, with the partner's easy-DDNS service for
// the cameras that know it.
class ZX_EXPORT CNetworkParamDlg : public BatchSubPage
{
    Q_OBJECT

public:
    explicit CNetworkParamDlg(BatchSetHost& host, QWidget* parent = nullptr);

    void Relabel() override;
    void ShowReading(const BatchSetReading& reading, const tagVtIpcInfo& camera) override;
    // Reads and fills at once, on the calling thread: for one camera outside
    // the batch set page's loads.
    void LoadFromCamera(Camera& camera);
    void Save() override;

    // The fills of a load: the ports, and the DDNS record with the camera's
    // firmware version (nullptr when it could not be read: the kept one stays).
    void FillPorts(const PortInfoRecord& ports);
    void FillDdns(const DdnsRecord& ddns, const std::string* version);

    // The camera texts kept beside the boxes: its address as it wrote it in
    // its DDNS record, and its firmware version.
    const std::string& CameraMacText() const { return m_mac; }
    const std::string& CameraVersion() const { return m_version; }

private:
    void BuildControls();
    void FillNetwork(const NetworkReading& reading);
    void OnEnable();
    void OnProvider();
    void OnEasyDdns();
    void ShowEasyName(bool shown);
    void FillProviderList(const std::string& providerText, bool easyChosen);

    QLabel* m_portGroup = nullptr;
    QLabel* m_ddnsGroup = nullptr;
    QLabel* m_httpLabel = nullptr;
    QLineEdit* m_http = nullptr;
    QLabel* m_rtspLabel = nullptr;
    QLineEdit* m_rtsp = nullptr;
    QCheckBox* m_enable = nullptr;
    QLabel* m_providerLabel = nullptr;
    QComboBox* m_provider = nullptr;
    QCheckBox* m_easy = nullptr;
    QLabel* m_userLabel = nullptr;
    QLineEdit* m_user = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLineEdit* m_password = nullptr;
    QLabel* m_hostLabel = nullptr;
    QLineEdit* m_host = nullptr;
    QLabel* m_hashLabel = nullptr;
    QLineEdit* m_hash = nullptr;

    std::string m_mac;
    std::string m_version;
    QString m_typedHost;     // what the operator typed before easy DDNS took the box
    bool m_easyShown = false; // the host box shows the easy-DDNS name
};
