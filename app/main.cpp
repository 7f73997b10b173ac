#include "OperationLog.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SignalCloser.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// ZENDRIX_NO_CAPTURE=1 starts the window without opening capture devices
// (for looking at the program on a machine where it must not send frames).
// ZENDRIX_PROGRAM_FOLDER points the program folder (logs, downloads, Lang)
// elsewhere, for demonstrations that must not touch the installed one.
int main(int argc, char** argv)
{
    if (const char* folder = std::getenv("ZENDRIX_PROGRAM_FOLDER"); folder != nullptr && *folder != '\0') {
        PlatformSetProgramFolder(folder);
    }
    // Logs and downloads go to the user's own folder or nowhere: never to a
    // shared or foreign one in its place.
    if (PlatformProgramFolder().empty()) {
        std::fprintf(stderr, "zendrix: no folder of your own for logs and downloads: set HOME or "
                             "XDG_DATA_HOME to a folder that only you can write to.\n");
        return 1;
    }
    COperationLog::Process();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel Zendrix"));
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    MainWindowOptions options;
    options.addPages = AddZendrixPages;
    if (const char* noCapture = std::getenv("ZENDRIX_NO_CAPTURE");
        noCapture != nullptr && *noCapture == '1') {
        options.openAdapters = false;
    }
    CZendrixApp app(std::move(arguments));
    app.InitInstance();
    {
        CZendrixDlg dlg(app, options);
        // A logout or shutdown closes the window as its close button does;
        // the settings are then saved on the usual way out.
        const SignalCloser closer([&dlg] {
            dlg.close();
            QApplication::quit();
        });
        dlg.show();
        QApplication::exec();
    }
    return app.ExitInstance();
}
