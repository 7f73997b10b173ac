#pragma once
#include "AppSettings.h"
#include "ZxExport.h"

#include <memory>
#include <string>
#include <vector>

class CTextCodec;
class DeviceTable;
struct MainWindowOptions;

// The application object: reads the switches and the stored settings,
// prepares the process-wide services (text codec, OS code, device SDK, device
// table), runs the main window and saves the settings at the end.
class ZX_EXPORT CZendrixApp
{
public:
    explicit CZendrixApp(std::vector<std::string> arguments);
    ~CZendrixApp();
    CZendrixApp(const CZendrixApp&) = delete;
    CZendrixApp& operator=(const CZendrixApp&) = delete;

    // Start-up without the window; tests drive the window themselves.
    void InitInstance();
    // Saves the settings and releases the services; safe to call once.
    int ExitInstance();
    // InitInstance, the main window until it closes, ExitInstance. A
    // QApplication must exist.
    int Run(const MainWindowOptions& options);

    int vtlog = 0;
    int vtoem = 0;
    int basicMode = 1;
    int osCode = 0;
    DeviceTable& Table() { return *m_table; }
    CTextCodec* Codec() const { return m_codec.get(); }

private:
    std::vector<std::string> m_arguments;
    std::unique_ptr<CTextCodec> m_codec;
    std::unique_ptr<DeviceTable> m_table;
    bool m_running = false;
};
