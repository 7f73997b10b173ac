#include "LogPageState.h"

bool LogPageState::CanStartCameraWork() const
{
    return m_activity == LogPageActivity::Idle || m_activity == LogPageActivity::Querying;
}

void LogPageState::CameraWorkStarted()
{
    if (CanStartCameraWork()) {
        m_activity = LogPageActivity::CameraWork;
    }
}

bool LogPageState::CameraWorkEnded()
{
    if (m_activity != LogPageActivity::CameraWork) {
        return false;
    }
    m_activity = LogPageActivity::Idle;
    return true;
}

bool LogPageState::CanQuery() const
{
    return m_view == LogPageView::Database &&
           (m_activity == LogPageActivity::Idle || m_activity == LogPageActivity::Querying);
}

void LogPageState::QueryStarted()
{
    if (CanQuery()) {
        m_activity = LogPageActivity::Querying;
    }
}

void LogPageState::QueryEnded()
{
    if (m_activity == LogPageActivity::Querying) {
        m_activity = LogPageActivity::Idle;
    }
}
