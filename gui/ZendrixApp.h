#pragma once
#include "AppSettings.h"
#include "ZxExport.h"

#include <memory>
#include <string>
#include <vector>

class CTextCodec;
class DeviceTable;

// The application object: reads the switches and the stored settings,
// prepares the process-wide services (text codec, OS code, device SDK, device
// table) for the main window and saves the settings at the end. The program
// (main) runs the window between the two.
class ZX_EXPORT CZendrixApp
{
public:
    explicit CZendrixApp(std::vector<std::string> arguments);
    ~CZendrixApp();
    CZendrixApp(const CZendrixApp&) = delete;
    CZendrixApp& operator=(const CZendrixApp&) = delete;

    // Start-up, before the window opens.
    void InitInstance();
    // Saves the settings and releases the services, after the window has
    // closed; safe to call more than once.
    int ExitInstance();

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
