#include "BatchSetState.h"

BatchSetState::Load BatchSetState::CurrentLoad() const
{
    switch (m_activity) {
    case BatchSetActivity::LoadingCamera:
    case BatchSetActivity::SavingLoadingCamera:
        return Load::Camera;
    case BatchSetActivity::LoadingReference:
    case BatchSetActivity::SavingLoadingReference:
        return Load::Reference;
    default:
        return Load::None;
    }
}

bool BatchSetState::Loading() const
{
    return CurrentLoad() != Load::None;
}

bool BatchSetState::Saving() const
{
    return m_activity == BatchSetActivity::Saving || m_activity == BatchSetActivity::SavingLoadingCamera ||
           m_activity == BatchSetActivity::SavingLoadingReference;
}

bool BatchSetState::CanSave() const
{
    return m_activity == BatchSetActivity::Idle;
}

void BatchSetState::Set(Load load, bool saving)
{
    if (m_activity == BatchSetActivity::Closed) {
        return;
    }
    switch (load) {
    case Load::None:
        m_activity = saving ? BatchSetActivity::Saving : BatchSetActivity::Idle;
        break;
    case Load::Camera:
        m_activity = saving ? BatchSetActivity::SavingLoadingCamera : BatchSetActivity::LoadingCamera;
        break;
    case Load::Reference:
        m_activity = saving ? BatchSetActivity::SavingLoadingReference : BatchSetActivity::LoadingReference;
        break;
    }
}

bool BatchSetState::StartCameraLoad()
{
    if (m_activity == BatchSetActivity::Closed) {
        return false;
    }
    Set(Load::Camera, Saving());
    return true;
}

BatchSetState::ReferenceStep BatchSetState::StartReferenceLoad(const DeviceRef& entry,
                                                              const std::vector<DeviceRef>& others)
{
    if (m_activity == BatchSetActivity::Closed) {
        return ReferenceStep::None;
    }
    const Reference reference{entry, others};
    if (CurrentLoad() == Load::Reference && reference == m_pendingReference) {
        return ReferenceStep::Keep;
    }
    if (reference == m_reference) {
        return ReferenceStep::Shown;
    }
    m_pendingReference = reference;
    Set(Load::Reference, Saving());
    return ReferenceStep::Start;
}

void BatchSetState::ReferenceShown(bool loggedIn)
{
    if (loggedIn && CurrentLoad() == Load::Reference) {
        m_reference = m_pendingReference;
    }
}

void BatchSetState::LoadEnded()
{
    Set(Load::None, Saving());
}

void BatchSetState::TickedModeChanged(bool ticked)
{
    if (!ticked) {
        m_reference.reset();
    }
    Set(Load::None, Saving());
}

void BatchSetState::SaveStarted()
{
    Set(CurrentLoad(), true);
}

void BatchSetState::SaveEnded()
{
    Set(CurrentLoad(), false);
}
