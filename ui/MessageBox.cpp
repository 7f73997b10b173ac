#include "MessageBox.h"

#include "LangKeys.h"
#include "LangTable.h"

#include <QApplication>
#include <QMessageBox>

namespace {
ZxMessageBoxHook& Hook()
{
    static ZxMessageBoxHook hook;
    return hook;
}
} // namespace

void ZxSetMessageBoxHook(ZxMessageBoxHook hook)
{
    Hook() = std::move(hook);
}

ZxAnswer ZxMessageBoxText(const QString& text, ZxButtons buttons, QWidget* parent)
{
    if (Hook()) {
        return Hook()(text, buttons);
    }
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QMessageBox box(buttons == ZxButtons::YesNo ? QMessageBox::Question : QMessageBox::Information,
                    QStringLiteral("Vantrel Zendrix"), text,
                    buttons == ZxButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    parent);
    const int result = box.exec();
    if (buttons == ZxButtons::Ok) {
        return ZxAnswer::Ok;
    }
    return result == QMessageBox::Yes ? ZxAnswer::Yes : ZxAnswer::No;
}

ZxAnswer ZxMessageBox(unsigned key, ZxButtons buttons, QWidget* parent)
{
    const wchar_t* english = LangDefaultText(key);
    const std::wstring text = LangText(key, english != nullptr ? english : L"");
    return ZxMessageBoxText(QString::fromStdWString(text), buttons, parent);
}
