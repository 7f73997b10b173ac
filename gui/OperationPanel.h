#pragma once
#include "PanelLine.h"
#include "ZxExport.h"

#include <QListWidget>
#include <memory>

// What a worker or capture thread holds to write to the operation panel: each
// call posts the line to the panel's thread and returns at once, never
// waiting for that thread, so no lock a worker holds can ever meet the UI
// thread waiting for it. Lines posted from one thread appear in the order they
// were posted. Once the panel is gone, lines are dropped. Copies share the
// panel; any thread may call one.
class ZX_EXPORT PanelLinePoster
{
public:
    void operator()(const PanelLine& line) const;

private:
    friend class COperationPanel;
    struct Mailbox;
    explicit PanelLinePoster(std::shared_ptr<Mailbox> mailbox) : m_mailbox(std::move(mailbox)) {}

    std::shared_ptr<Mailbox> m_mailbox;
};

// The list at the foot of the main window where every page reports what it
// did to a camera, one line per camera and operation.
//
// A line reaches it on the UI thread through AddLine, from any other thread
// only through a PanelLinePoster.
class ZX_EXPORT COperationPanel : public QListWidget
{
    Q_OBJECT

public:
    explicit COperationPanel(QWidget* parent = nullptr);
    ~COperationPanel() override;

    // On the UI thread: the line, formatted (FormatPanelLine), becomes the
    // last one and the current one; with more than kPanelLineLimit lines in
    // the panel it is emptied first. Called from another thread by mistake, it
    // posts the line as the poster does (and stops a debug build), so it
    // neither waits for the UI thread nor touches the list.
    void AddLine(const PanelLine& line);
    // For workers and capture threads.
    PanelLinePoster Poster() const { return m_poster; }
    // "Clear Logs": asks first, empties on Yes.
    void Clear();

protected:
    void customEvent(QEvent* event) override;

private:
    void Append(const PanelLine& line);

    PanelLinePoster m_poster;
};
