#pragma once
#include "ZxExport.h"

#include <QString>
#include <functional>

class QWidget;

// The one way the program asks the operator something or tells an input
// error. Texts come from the language tables by key; tests answer in advance
// through the hook and read the text.

enum class ZxButtons
{
    Ok,
    YesNo
};
enum class ZxAnswer
{
    Ok,
    Yes,
    No
};

// Shows the text of key (its English default when no language file has it).
ZX_EXPORT ZxAnswer ZxMessageBox(unsigned key, ZxButtons buttons = ZxButtons::Ok, QWidget* parent = nullptr);
// For the few boxes whose text is built, not looked up.
ZX_EXPORT ZxAnswer ZxMessageBoxText(const QString& text, ZxButtons buttons = ZxButtons::Ok,
                                    QWidget* parent = nullptr);

// While a hook is set no box is shown: the hook sees the text and gives the
// answer. An empty function removes it.
using ZxMessageBoxHook = std::function<ZxAnswer(const QString& text, ZxButtons buttons)>;
ZX_EXPORT void ZxSetMessageBoxHook(ZxMessageBoxHook hook);
