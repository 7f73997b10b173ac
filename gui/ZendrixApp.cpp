#include "ZendrixApp.h"

#include "DeviceTable.h"
#include "OperationLog.h"
#include "OsVersion.h"
#include "TextCodec.h"
#include "VtIpcSDK.h"

CZendrixApp::CZendrixApp(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

CZendrixApp::~CZendrixApp()
{
    ExitInstance();
}

void CZendrixApp::InitInstance()
{
    const AppSwitches switches = ParseSwitches(m_arguments);
    vtlog = switches.vtlog;
    vtoem = switches.vtoem;
    basicMode = ParseBasicMode(ReadSetting(L"BasicMode", L"1"));
    osCode = COsVersion().GetOsCode();
    m_codec = std::make_unique<CTextCodec>();
    SetPendingWebAddress({});
    Vt_Sdk_Init();
    m_table = std::make_unique<DeviceTable>();
    m_running = true;
}

int CZendrixApp::ExitInstance()
{
    if (!m_running) {
        return 0;
    }
    m_running = false;
    WriteSetting(L"BasicMode", std::to_wstring(basicMode));
    m_codec.reset();
    Vt_Sdk_Destroy();
    m_table.reset();
    return 0;
}
