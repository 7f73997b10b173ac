#pragma once
#include "DeviceListBinding.h"
#include "ZxExport.h"

#include <QEvent>
#include <QObject>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

// Registered lists in the order they receive the table's messages. Events
// posted from discovery threads are delivered on the UI thread.
//
// Messages are coalesced: a camera has at most one message waiting, however
// often it answers before the UI thread gets to it, so a flood of replies
// cannot queue without bound. The waiting messages are handed to the lists
// in slices of a few milliseconds, each slice its own event, so that input
// is served between them.
class ZX_EXPORT DeviceRouter : public QObject, public DeviceTableListener
{
    Q_OBJECT

public:
    // Takes the table's panel lines on the capture threads; it must not block.
    using LineSink = std::function<void(const PanelLine& line)>;

    explicit DeviceRouter(LineSink lines, QObject* parent = nullptr);
    ~DeviceRouter() override;

    // Appends list, or puts it just before `before` when that is registered.
    void AddRecipient(DeviceListBinding* list, const DeviceListBinding* before = nullptr);
    void RemoveRecipient(DeviceListBinding* list);
    // After this no event is posted and no line passed on; the events already
    // queued are dropped with the router.
    void Detach();

    void PostDeviceMessage(DeviceEvent event, const DeviceRef& entry) override;
    void SendDeviceGone(const DeviceRef& entry, std::uint32_t holders) override;
    void SendDevicesGone(const std::vector<Gone>& gone) override;
    void AddPanelLine(const PanelLine& line) override;

    // Messages waiting for the UI thread.
    std::size_t PendingCount() const;

protected:
    void customEvent(QEvent* event) override;

private:
    void Deliver(const std::vector<DeviceListBinding::DeviceMessage>& messages);

    std::vector<DeviceListBinding*> m_recipients;
    LineSink m_lines;
    mutable std::mutex m_postLock;
    bool m_attached = true;
    // Guarded by m_postLock: the waiting messages in order of arrival, the
    // place of each camera's message, and whether a drain event is on its way.
    std::deque<DeviceListBinding::DeviceMessage> m_pending;
    std::unordered_map<const DeviceEntry*, DeviceEvent*> m_pendingMessage;
    bool m_drainPosted = false;
};
