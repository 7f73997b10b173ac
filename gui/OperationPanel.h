#pragma once
#include "ZxExport.h"

#include <QListWidget>
#include <memory>
#include <string>

// The list at the foot of the main window where every page reports what it
// did to a camera, one line per camera and operation.
//
// AddLine may be called from any thread. A worker hands its line to the UI
// thread and waits until it is in the list, so lines keep their order; once
// the window starts closing (CloseHandover) workers no longer wait, so a
// worker being joined by the closing window can never be stuck on it.
class ZX_EXPORT COperationPanel : public QListWidget
{
    Q_OBJECT

public:
    explicit COperationPanel(QWidget* parent = nullptr);
    ~COperationPanel() override;

    // stamped: "[date time] text"; otherwise a continuation line indented
    // under the text above. A null text adds nothing. With more than 100
    // lines in the panel it is emptied first.
    void AddLine(const wchar_t* text, bool stamped);
    void AddLine(const std::wstring& text, bool stamped) { AddLine(text.c_str(), stamped); }
    // "Clear Logs": asks first, empties on Yes.
    void Clear();
    // Releases every waiting worker; later lines from workers are dropped.
    void CloseHandover();

protected:
    void customEvent(QEvent* event) override;

private:
    void Append(const std::wstring& text, bool stamped);

    struct Handover;
    std::shared_ptr<Handover> m_handover;
};
