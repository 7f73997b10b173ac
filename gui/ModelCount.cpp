#include "ModelCount.h"

#include "DeviceListBinding.h"
#include "LogText.h"
#include "MessageBox.h"
#include "ModelCountRule.h"
#include "PageHost.h"
#include "RecordText.h"

#include <QString>

void ReportModelCount(PageHost& host, const DeviceListBinding& list, QWidget* parent)
{
    std::vector<std::string> models;
    for (QTreeWidgetItem* row : list.Rows()) {
        tagVtIpcInfo info{};
        if (list.InfoOf(row, info)) {
            models.emplace_back(info.model);
        }
    }
    const auto counts = CountByModel(models);
    QString summary;
    for (const auto& [model, count] : counts) {
        // The model is the camera's word: no line end of its own in the summary.
        const std::wstring line = EscapeLogText(FieldText(model.c_str())) + L":" + std::to_wstring(count);
        host.AddLine({line, true});
        if (summary.size() < 1024) {
            summary += QString::fromStdWString(line) + QLatin1Char('\n');
        }
    }
    if (!counts.empty()) {
        ZxMessageBoxText(summary.left(1024).trimmed(), ZxButtons::Ok, parent);
    }
}
