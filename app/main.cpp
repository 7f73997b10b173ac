#include <QApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "OperationLog.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

// ZENDRIX_NO_CAPTURE=1 starts the window without opening capture devices
// (for looking at the program on a machine where it must not send frames).
int main(int argc, char** argv)
{
    COperationLog::Process();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel Zendrix"));
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    MainWindowOptions options;
    if (const char* noCapture = std::getenv("ZENDRIX_NO_CAPTURE"); noCapture != nullptr && *noCapture == '1') {
        options.openAdapters = false;
    }
    CZendrixApp app(std::move(arguments));
    return app.Run(options);
}
