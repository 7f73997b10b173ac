#include "PreviewState.h"

#include <utility>

using P = PreviewPhase;

PreviewState::PreviewState(std::function<void()> changed) : m_changed(std::move(changed)) {}

bool PreviewState::HasCamera() const
{
    return m_phase != P::NoCamera && m_phase != P::PlayingWithoutRow && m_phase != P::Closed;
}

bool PreviewState::Busy() const
{
    switch (m_phase) {
    case P::Reading:
    case P::ReadingThenPlay:
    case P::StartingPlay:
    case P::Writing:
    case P::WritingThenPlay:
    case P::WritingWhilePlaying:
        return true;
    default:
        return false;
    }
}

bool PreviewState::VideoPlays() const
{
    return m_phase == P::Playing || m_phase == P::PlayingWithoutRow || m_phase == P::WritingWhilePlaying;
}

bool PreviewState::CanEdit() const
{
    return m_phase == P::Ready || m_phase == P::Playing;
}

PreviewControls PreviewState::Controls() const
{
    PreviewControls controls;
    controls.edit = CanEdit();
    controls.play = controls.edit || VideoPlays();
    controls.cancel = controls.edit && m_unsaved;
    controls.stopText = VideoPlays();
    return controls;
}

VideoStep PreviewState::Select()
{
    if (m_phase == P::Closed) {
        return VideoStep::Keep;
    }
    const VideoStep step = VideoPlays()                  ? VideoStep::Stop
                           : m_phase == P::StartingPlay ? VideoStep::DropStart
                                                        : VideoStep::Keep;
    Set(P::Reading, false);
    return step;
}

VideoStep PreviewState::Deselect()
{
    if (!HasCamera()) {
        return VideoStep::Keep;
    }
    if (VideoPlays()) {
        Set(P::PlayingWithoutRow, false);
        return VideoStep::Keep;
    }
    const VideoStep step = m_phase == P::StartingPlay ? VideoStep::DropStart : VideoStep::Keep;
    Set(P::NoCamera, false);
    return step;
}

PlayStep PreviewState::Play()
{
    switch (m_phase) {
    case P::Playing:
        Set(P::Ready);
        return PlayStep::Stop;
    case P::PlayingWithoutRow:
        Set(P::NoCamera);
        return PlayStep::Stop;
    case P::WritingWhilePlaying:
        Set(P::Writing);
        return PlayStep::Stop;
    case P::Ready:
        Set(P::StartingPlay);
        return PlayStep::Start;
    case P::Reading:
        Set(P::ReadingThenPlay);
        return PlayStep::Later;
    case P::Writing:
        Set(P::WritingThenPlay);
        return PlayStep::Later;
    default:
        return PlayStep::None;
    }
}

bool PreviewState::PlayStarted()
{
    if (m_phase != P::StartingPlay) {
        return false;
    }
    Set(P::Playing);
    return true;
}

PlayStep PreviewState::JobDone()
{
    switch (m_phase) {
    case P::Reading:
    case P::Writing:
    case P::StartingPlay: // the start failed: a started one is Playing already
        Set(P::Ready);
        return PlayStep::None;
    case P::ReadingThenPlay:
    case P::WritingThenPlay:
        Set(P::StartingPlay);
        return PlayStep::Start;
    case P::WritingWhilePlaying:
        Set(P::Playing);
        return PlayStep::None;
    default:
        return PlayStep::None;
    }
}

bool PreviewState::BeginWrite()
{
    if (m_phase == P::Ready) {
        Set(P::Writing);
        return true;
    }
    if (m_phase == P::Playing) {
        Set(P::WritingWhilePlaying);
        return true;
    }
    return false;
}

void PreviewState::MarkUnsaved()
{
    if (HasCamera()) {
        Set(m_phase, true);
    }
}

void PreviewState::MarkSaved()
{
    Set(m_phase, false);
}

VideoStep PreviewState::Close()
{
    const VideoStep step = VideoPlays() ? VideoStep::Stop : VideoStep::Keep;
    Set(P::Closed, false);
    return step;
}

void PreviewState::Set(PreviewPhase phase, bool unsaved)
{
    if (phase == m_phase && unsaved == m_unsaved) {
        return;
    }
    m_phase = phase;
    m_unsaved = unsaved;
    if (m_changed) {
        m_changed();
    }
}
