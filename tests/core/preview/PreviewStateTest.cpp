#include "PreviewState.h"

#include <gtest/gtest.h>

namespace {

using P = PreviewPhase;

// A page that selected a camera and has its values in.
PreviewState Loaded()
{
    PreviewState state;
    state.Select();
    state.JobDone();
    return state;
}

PreviewState PlayingState()
{
    PreviewState state = Loaded();
    state.Play();
    state.PlayStarted();
    state.JobDone();
    return state;
}

TEST(PreviewState, AClickDuringALoadReadsTheNewCameraAndForgetsWhatWaitedForTheOld)
{
    PreviewState state;
    EXPECT_EQ(state.Select(), VideoStep::Keep);
    ASSERT_EQ(state.Phase(), P::Reading);
    EXPECT_FALSE(state.Controls().edit) << "the values shown may still change";
    EXPECT_FALSE(state.Controls().play);

    // Play waits for the first camera's values; a click on another row then
    // supersedes the read, and the play it waited for is not the new camera's.
    EXPECT_EQ(state.Play(), PlayStep::Later);
    EXPECT_EQ(state.Select(), VideoStep::Keep);
    EXPECT_EQ(state.Phase(), P::Reading);
    EXPECT_EQ(state.JobDone(), PlayStep::None);
    EXPECT_EQ(state.Phase(), P::Ready);

    // A click while a play starts makes the start moot; one while the video
    // plays stops it.
    EXPECT_EQ(state.Play(), PlayStep::Start);
    EXPECT_EQ(state.Select(), VideoStep::DropStart);
    EXPECT_FALSE(state.PlayStarted()) << "the start of the camera clicked away from";
    state.JobDone();
    state.Play();
    ASSERT_TRUE(state.PlayStarted());
    EXPECT_EQ(state.Select(), VideoStep::Stop);
    EXPECT_FALSE(state.VideoPlays());
}

TEST(PreviewState, PlayPressedWhileAJobRunsStartsOnceItIsDoneAndOnlyOnce)
{
    PreviewState state;
    state.Select();
    EXPECT_EQ(state.Play(), PlayStep::Later);
    EXPECT_EQ(state.Play(), PlayStep::None) << "a double-click's second press asks for the same play";
    EXPECT_EQ(state.JobDone(), PlayStep::Start);
    EXPECT_EQ(state.Phase(), P::StartingPlay);
    EXPECT_EQ(state.Play(), PlayStep::None) << "the start is on its way";
    EXPECT_FALSE(state.Controls().play);

    // The start failed: the page is ready for another try.
    EXPECT_EQ(state.JobDone(), PlayStep::None);
    EXPECT_EQ(state.Phase(), P::Ready);

    // The same after a write.
    ASSERT_TRUE(state.BeginWrite());
    EXPECT_EQ(state.Play(), PlayStep::Later);
    EXPECT_EQ(state.JobDone(), PlayStep::Start);
    EXPECT_TRUE(state.PlayStarted());
    EXPECT_EQ(state.JobDone(), PlayStep::None);
    EXPECT_EQ(state.Phase(), P::Playing);
    EXPECT_TRUE(state.Controls().stopText);
}

TEST(PreviewState, SaveDuringALoadWaitsAndAWriteWhilePlayingKeepsTheVideo)
{
    PreviewState state;
    EXPECT_FALSE(state.BeginWrite()) << "no camera";
    state.Select();
    EXPECT_FALSE(state.BeginWrite()) << "the values are still being read";
    state.Play();
    EXPECT_FALSE(state.BeginWrite()) << "a play waits for the read";
    state.JobDone();
    EXPECT_FALSE(state.BeginWrite()) << "the play starts";
    state.PlayStarted();
    state.JobDone();

    ASSERT_TRUE(state.BeginWrite());
    EXPECT_EQ(state.Phase(), P::WritingWhilePlaying);
    EXPECT_FALSE(state.BeginWrite()) << "one write at a time";
    PreviewControls controls = state.Controls();
    EXPECT_FALSE(controls.edit);
    EXPECT_TRUE(controls.play) << "a playing video can always be stopped";
    // Stopped during the write, the video is gone and the write goes on.
    EXPECT_EQ(state.Play(), PlayStep::Stop);
    EXPECT_EQ(state.Phase(), P::Writing);
    EXPECT_EQ(state.JobDone(), PlayStep::None);
    EXPECT_EQ(state.Phase(), P::Ready);

    PreviewState playing = PlayingState();
    playing.BeginWrite();
    playing.JobDone();
    EXPECT_EQ(playing.Phase(), P::Playing);
}

TEST(PreviewState, UnsavedListsEnableCancelUntilSavedOrAnotherCameraIsRead)
{
    int changes = 0;
    PreviewState state([&changes] { ++changes; });
    state.MarkUnsaved();
    EXPECT_FALSE(state.Unsaved()) << "no camera";
    state.Select();
    state.JobDone();
    state.MarkUnsaved();
    EXPECT_TRUE(state.Controls().cancel);
    ASSERT_TRUE(state.BeginWrite());
    EXPECT_FALSE(state.Controls().cancel) << "not while the camera is written";
    state.JobDone();
    EXPECT_TRUE(state.Controls().cancel);
    state.MarkSaved();
    EXPECT_FALSE(state.Controls().cancel);
    state.MarkUnsaved();
    state.Select();
    EXPECT_FALSE(state.Unsaved()) << "another camera's lists were not changed";
    EXPECT_EQ(changes, 8) << "every change told, so the controls follow";
}

TEST(PreviewState, ARowThatGoesAwayDropsItsJobButNotTheVideo)
{
    PreviewState starting = Loaded();
    starting.Play();
    EXPECT_EQ(starting.Deselect(), VideoStep::DropStart);
    EXPECT_EQ(starting.Phase(), P::NoCamera);
    EXPECT_FALSE(starting.PlayStarted());

    PreviewState waiting;
    waiting.Select();
    waiting.Play();
    EXPECT_EQ(waiting.Deselect(), VideoStep::Keep);
    EXPECT_EQ(waiting.JobDone(), PlayStep::None) << "the play waited for a camera that went away";

    PreviewState playing = PlayingState();
    playing.BeginWrite();
    EXPECT_EQ(playing.Deselect(), VideoStep::Keep);
    EXPECT_EQ(playing.Phase(), P::PlayingWithoutRow);
    EXPECT_FALSE(playing.BeginWrite());
    EXPECT_FALSE(playing.Controls().edit);
    EXPECT_TRUE(playing.Controls().play);
    EXPECT_EQ(playing.Play(), PlayStep::Stop);
    EXPECT_EQ(playing.Phase(), P::NoCamera);
    EXPECT_EQ(playing.Play(), PlayStep::None);
}

TEST(PreviewState, ClosingMidLoadOrMidWriteStopsOnlyAVideoThatPlaysAndEndsEverything)
{
    PreviewState reading;
    reading.Select();
    reading.Play();
    EXPECT_EQ(reading.Close(), VideoStep::Keep);
    EXPECT_EQ(reading.JobDone(), PlayStep::None) << "the play that waited never starts";

    PreviewState starting = Loaded();
    starting.Play();
    EXPECT_EQ(starting.Close(), VideoStep::Keep) << "the start never shown stops itself";
    EXPECT_FALSE(starting.PlayStarted());

    PreviewState writing = PlayingState();
    writing.BeginWrite();
    EXPECT_EQ(writing.Close(), VideoStep::Stop);
    EXPECT_EQ(writing.Play(), PlayStep::None);
    EXPECT_EQ(writing.Select(), VideoStep::Keep);
    EXPECT_FALSE(writing.BeginWrite());
    EXPECT_EQ(writing.Phase(), P::Closed);
}

} // namespace
