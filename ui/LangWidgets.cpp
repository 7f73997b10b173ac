#include "LangWidgets.h"

#include "LangKeys.h"
#include "LangTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVariant>

namespace {
void SetWidgetText(QWidget* widget, const QString& text)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else {
        widget->setWindowTitle(text);
    }
}

void RelabelOne(QWidget* widget, const char* section)
{
    const unsigned id = CtrlId(widget);
    if (id == 0) {
        return;
    }
    const std::wstring text = LangReadLabel(section, LangMenuKey(id));
    if (!text.empty()) {
        SetWidgetText(widget, QString::fromStdWString(text));
    }
}
} // namespace

void SetCtrlId(QWidget* widget, unsigned id)
{
    widget->setProperty("ctrlId", id);
}

unsigned CtrlId(const QWidget* widget)
{
    return widget->property("ctrlId").toUInt();
}

void SetCommandId(QAction* action, unsigned id)
{
    action->setProperty("commandId", id);
}

unsigned CommandId(const QAction* action)
{
    return action->property("commandId").toUInt();
}

QString LangQText(unsigned key, const wchar_t* english)
{
    if (english == nullptr) {
        english = LangDefaultText(key);
    }
    return QString::fromStdWString(LangText(key, english != nullptr ? english : L""));
}

void LangRelabelWindow(QWidget* window, const char* section)
{
    if (window == nullptr) {
        return;
    }
    RelabelOne(window, section);
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    for (QWidget* child : children) {
        RelabelOne(child, section);
    }
}

void LangRelabelMenu(QMenu* menu, const char* section, const QString& prefix)
{
    if (menu == nullptr) {
        return;
    }
    const QList<QAction*> actions = menu->actions();
    for (int position = 0; position < actions.size(); ++position) {
        QAction* action = actions[position];
        QMenu* submenu = action->menu();
        if (action->isSeparator() || (submenu == nullptr && CommandId(action) == 0)) {
            continue;
        }
        const std::string key = submenu != nullptr
                                    ? LangSubmenuKey(prefix.toStdString(), static_cast<unsigned>(position))
                                    : LangMenuKey(CommandId(action));
        const std::wstring text = LangReadLabel(section, key);
        if (!text.empty()) {
            action->setText(QString::fromStdWString(text));
        }
        if (submenu != nullptr) {
            LangRelabelMenu(submenu, section, QString::fromStdString(key));
        }
    }
}

void LangBuildMenu(QMenu* popup)
{
    if (popup == nullptr) {
        return;
    }
    const LangMenuPlan plan = LangPlanMenu();
    auto* group = new QActionGroup(popup);
    group->setExclusive(true);
    QAction* placeholder = popup->actions().isEmpty() ? nullptr : popup->actions().front();
    for (const LangMenuItem& item : plan.items) {
        QAction* action = nullptr;
        if (item.replacesPlaceholder && placeholder != nullptr) {
            action = placeholder;
            action->setText(QString::fromStdWString(item.text));
        } else {
            action = popup->addAction(QString::fromStdWString(item.text));
        }
        SetCommandId(action, item.commandId);
        action->setCheckable(true);
        action->setActionGroup(group);
        action->setChecked(item.commandId == plan.checkedId);
    }
}
