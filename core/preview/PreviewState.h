#pragma once
#include "ZxExport.h"

#include <functional>

// What the video preview page is doing with its camera, as one value. The
// page's worker runs one job at a time (a read, a play start or a write), and
// the video may play on while a write runs. Each click, press and finished
// job is an event here; its answer says what the page does, so no handler
// keeps a flag of its own.
enum class PreviewPhase
{
    NoCamera,            // no row selected and no video
    PlayingWithoutRow,   // the video plays on after its row went away
    Reading,             // the selected camera's values are read
    ReadingThenPlay,     // ... and Play was pressed: the play starts once they are in
    Ready,               // a camera is selected and nothing runs
    StartingPlay,        // the login and the start of the video
    Playing,             // the selected camera's video plays and nothing else runs
    Writing,             // a list, Save, Cancel or Default writes the camera
    WritingThenPlay,     // ... and Play was pressed: the play starts once the write is done
    WritingWhilePlaying, // a write runs while the video plays
    Closed,              // the page is going: nothing starts any more
};

// What the page does with its video area.
enum class VideoStep
{
    Keep,
    Stop,      // stop the video that plays
    DropStart, // the play start in flight is moot: the area takes none of its pictures
};

// What a press of Play (or a double-click on a row) does.
enum class PlayStep
{
    None,  // nothing to play, or a play already waits
    Start, // start the play on the worker
    Later, // a job runs: the play starts when it is done
    Stop,  // stop the video that plays
};

// Which controls the page enables, and what the Play button says.
struct PreviewControls
{
    bool edit = false;     // the sliders, the lists, Save and Default
    bool play = false;     // the Play button
    bool cancel = false;   // Cancel: a list changed since the last read, Save or Cancel
    bool stopText = false; // the Play button reads Stop
};

class ZX_EXPORT PreviewState
{
public:
    // changed runs after every change of the phase or of the unsaved mark.
    explicit PreviewState(std::function<void()> changed = {});

    PreviewPhase Phase() const { return m_phase; }
    // A row is selected (its camera read, written or playing).
    bool HasCamera() const;
    // The worker runs a job for the selected camera.
    bool Busy() const;
    bool VideoPlays() const;
    // The selected camera's values may be changed: a camera and no job.
    bool CanEdit() const;
    bool Unsaved() const { return m_unsaved; }
    PreviewControls Controls() const;

    // A row became the selection: its camera is read, a video that plays
    // stops, a play that waited is forgotten and so are unsaved lists.
    VideoStep Select();
    // The selected row went away and no other is selected: the job in
    // flight is dropped, a video that plays goes on until it is stopped.
    VideoStep Deselect();
    PlayStep Play();
    // The play start is in and the video plays; false when no start was
    // wanted any more (the start is then left to stop).
    bool PlayStarted();
    // The newest job was shown or dropped; Start when a play waited for it.
    PlayStep JobDone();
    // A list, Save, Cancel or Default asks to write the camera; false: not now.
    bool BeginWrite();
    void MarkUnsaved();
    void MarkSaved();
    // The page goes: Stop when a video plays. Every later event is ignored.
    VideoStep Close();

private:
    void Set(PreviewPhase phase, bool unsaved);
    void Set(PreviewPhase phase) { Set(phase, m_unsaved); }

    PreviewPhase m_phase = PreviewPhase::NoCamera;
    bool m_unsaved = false;
    std::function<void()> m_changed;
};
