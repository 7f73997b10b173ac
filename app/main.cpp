#include "OperationLog.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
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
    return app.Run(options);
}
