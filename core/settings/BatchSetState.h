#pragma once
#include "DeviceTable.h"
#include "ZxExport.h"

#include <optional>
#include <vector>

// What the batch set page is doing, in one value. A camera's settings are
// read on a worker: the clicked camera's outside ticked mode, the reference
// camera's (whose choices the sub-pages offer) inside it, the newest load
// replacing any older one. A save writes on the batch engine while the page
// stays usable, so a load may start during a save; a save never starts
// during a load, which would write half-loaded values.
enum class BatchSetActivity
{
    Idle,
    LoadingCamera,
    LoadingReference,
    Saving,
    SavingLoadingCamera,
    SavingLoadingReference,
    Closed, // the page is going: nothing starts, late results are not shown
};

// The transitions of the batch set page, with the reference camera they
// keep. The page asks before it starts a load or a save and reports each end.
class ZX_EXPORT BatchSetState
{
public:
    BatchSetActivity Activity() const { return m_activity; }
    bool Loading() const;
    bool Saving() const;
    // Not loading, not saving, not closed.
    bool CanSave() const;

    // The clicked camera's load replaces any load; false once closed.
    bool StartCameraLoad();

    enum class ReferenceStep
    {
        Start, // load the reference camera
        Keep,  // its load is running already
        Shown, // its choices are shown: any other load is moot, the page drops it
        None,  // closed
    };
    // The reference camera of the ticked ones is entry, beside the ticked
    // cameras of other makers (others), whose options bound the choices
    // too; Start makes them the pending reference.
    ReferenceStep StartReferenceLoad(const DeviceRef& entry, const std::vector<DeviceRef>& others = {});
    // The reference load's result is shown; once the camera took the login,
    // its choices are the shown ones.
    void ReferenceShown(bool loggedIn);
    // The newest load was shown or dropped.
    void LoadEnded();

    // Entering or leaving ticked mode: a load belongs to one mode and is
    // dropped by the page; leaving it forgets the reference.
    void TickedModeChanged(bool ticked);

    void SaveStarted();
    void SaveEnded();
    void Close() { m_activity = BatchSetActivity::Closed; }

private:
    enum class Load
    {
        None,
        Camera,
        Reference,
    };
    Load CurrentLoad() const;
    void Set(Load load, bool saving);

    // The cameras a reference load reads: the reference and the others.
    struct Reference
    {
        DeviceRef entry;
        std::vector<DeviceRef> others;
        bool operator==(const Reference&) const = default;
    };

    BatchSetActivity m_activity = BatchSetActivity::Idle;
    std::optional<Reference> m_reference; // the cameras the sub-pages' batch choices came from
    Reference m_pendingReference;         // the reference being loaded
};
