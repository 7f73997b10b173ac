#include "BatchSetState.h"

#include <gtest/gtest.h>

namespace {
DeviceRef Entry()
{
    return std::make_shared<DeviceEntry>();
}
} // namespace

// A click on a camera while another load runs replaces that load; "Save
// Parameters" waits for the newest load to end, whichever kind it was.
TEST(BatchSetState, AClickDuringALoadReplacesItAndSaveWaitsForIt)
{
    BatchSetState state;
    ASSERT_TRUE(state.CanSave());
    const DeviceRef first = Entry();
    ASSERT_EQ(state.StartReferenceLoad(first), BatchSetState::ReferenceStep::Start);
    EXPECT_EQ(state.Activity(), BatchSetActivity::LoadingReference);
    EXPECT_EQ(state.StartReferenceLoad(first), BatchSetState::ReferenceStep::Keep)
        << "a tick elsewhere restarted the running load of the same reference camera";
    EXPECT_FALSE(state.CanSave());

    ASSERT_TRUE(state.StartCameraLoad());
    EXPECT_EQ(state.Activity(), BatchSetActivity::LoadingCamera);
    // The reference load was replaced before its result came: its camera
    // is no shown reference.
    state.ReferenceShown(true);
    EXPECT_FALSE(state.CanSave());
    state.LoadEnded();
    EXPECT_EQ(state.Activity(), BatchSetActivity::Idle);
    EXPECT_TRUE(state.CanSave());
    EXPECT_EQ(state.StartReferenceLoad(first), BatchSetState::ReferenceStep::Start)
        << "the replaced reference load counted as shown";
}

// The reference camera's choices stay until ticked mode is left; a camera
// that refused the login is asked again.
TEST(BatchSetState, TheShownReferenceIsKeptUntilTickedModeEnds)
{
    BatchSetState state;
    const DeviceRef refused = Entry();
    ASSERT_EQ(state.StartReferenceLoad(refused), BatchSetState::ReferenceStep::Start);
    state.ReferenceShown(false);
    state.LoadEnded();
    EXPECT_EQ(state.StartReferenceLoad(refused), BatchSetState::ReferenceStep::Start);
    state.ReferenceShown(true);
    state.LoadEnded();
    EXPECT_EQ(state.StartReferenceLoad(refused), BatchSetState::ReferenceStep::Shown);

    ASSERT_EQ(state.StartReferenceLoad(Entry()), BatchSetState::ReferenceStep::Start);
    state.TickedModeChanged(false);
    EXPECT_EQ(state.Activity(), BatchSetActivity::Idle) << "the load belonged to ticked mode";
    state.TickedModeChanged(true);
    EXPECT_EQ(state.StartReferenceLoad(refused), BatchSetState::ReferenceStep::Start)
        << "choices of an earlier ticked mode taken as shown";
}

// The page stays usable during a save: a camera may be loaded meanwhile,
// but no second save starts until both ended.
TEST(BatchSetState, ALoadDuringASaveKeepsTheSaveRunning)
{
    BatchSetState state;
    state.SaveStarted();
    EXPECT_EQ(state.Activity(), BatchSetActivity::Saving);
    EXPECT_FALSE(state.CanSave());
    ASSERT_TRUE(state.StartCameraLoad());
    EXPECT_EQ(state.Activity(), BatchSetActivity::SavingLoadingCamera);
    state.SaveEnded();
    EXPECT_EQ(state.Activity(), BatchSetActivity::LoadingCamera);
    EXPECT_FALSE(state.CanSave());
    state.SaveStarted();
    state.LoadEnded();
    EXPECT_EQ(state.Activity(), BatchSetActivity::Saving);
    state.SaveEnded();
    EXPECT_TRUE(state.CanSave());
}

// Closing the page in the middle of a load: nothing starts any more and the
// late ends change nothing.
TEST(BatchSetState, ClosingMidLoadStartsNothingMore)
{
    BatchSetState state;
    ASSERT_TRUE(state.StartCameraLoad());
    state.Close();
    state.LoadEnded();
    state.SaveEnded();
    EXPECT_EQ(state.Activity(), BatchSetActivity::Closed);
    EXPECT_FALSE(state.StartCameraLoad());
    EXPECT_EQ(state.StartReferenceLoad(Entry()), BatchSetState::ReferenceStep::None);
    EXPECT_FALSE(state.CanSave());
    EXPECT_FALSE(state.Loading());
}

// Ticking a camera of another maker beside the same family reference
// changes what the batch may take, so its choices are loaded again.
TEST(BatchSetState, AnotherMakersCameraTickedBesideTheReferenceLoadsAgain)
{
    BatchSetState state;
    const DeviceRef reference = Entry();
    ASSERT_EQ(state.StartReferenceLoad(reference), BatchSetState::ReferenceStep::Start);
    state.ReferenceShown(true);
    state.LoadEnded();
    const DeviceRef onvif = Entry();
    ASSERT_EQ(state.StartReferenceLoad(reference, {onvif}), BatchSetState::ReferenceStep::Start);
    state.ReferenceShown(true);
    state.LoadEnded();
    EXPECT_EQ(state.StartReferenceLoad(reference, {onvif}), BatchSetState::ReferenceStep::Shown);
    EXPECT_EQ(state.StartReferenceLoad(reference), BatchSetState::ReferenceStep::Start)
        << "the other maker's camera unticked leaves the family's choices unbounded";
}
