#pragma once
#include "ZxExport.h"

#include <QString>

class QAction;
class QMenu;
class QWidget;

// The window side of the language tables. Widgets carry their control ID in
// the dynamic property "ctrlId"; menu actions carry their command ID in the
// property "commandId".

ZX_EXPORT void SetCtrlId(QWidget* widget, unsigned id);
ZX_EXPORT unsigned CtrlId(const QWidget* widget);
ZX_EXPORT void SetCommandId(QAction* action, unsigned id);
ZX_EXPORT unsigned CommandId(const QAction* action);

// Relabels the window and every descendant that has a ctrlId and a non-empty
// text for it in section.
ZX_EXPORT void LangRelabelWindow(QWidget* window, const char* section);
// Relabels a menu tree: plain items by command ID, submenus by position
// ("|p" at the top, "<parent>|p" deeper); the caller passes an empty prefix.
ZX_EXPORT void LangRelabelMenu(QMenu* menu, const char* section, const QString& prefix = {});
// Fills the "Change Language" popup: the placeholder action at position 0
// (command ID 99) takes the first language, the others are appended as
// exclusive checkable actions; the stored language is marked.
ZX_EXPORT void LangBuildMenu(QMenu* popup);
// The text a widget shows for key, through the language lookup.
ZX_EXPORT QString LangQText(unsigned key, const wchar_t* english = nullptr);
