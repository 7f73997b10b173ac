#include "LogPageState.h"

#include <gtest/gtest.h>

// A camera clicked while its log is fetched waits; one clicked while a page
// of the log is read replaces that read.
TEST(LogPageState, CameraWorkWaitsForCameraWorkButEndsAQuery)
{
    LogPageState state;
    ASSERT_TRUE(state.CanStartCameraWork());
    state.CameraWorkStarted();
    EXPECT_EQ(state.Activity(), LogPageActivity::CameraWork);
    EXPECT_TRUE(state.Busy());
    EXPECT_FALSE(state.CanStartCameraWork()) << "a second camera job while one runs";
    EXPECT_FALSE(state.CanQuery()) << "a page of a log that is being fetched anew";
    state.QueryEnded();
    EXPECT_EQ(state.Activity(), LogPageActivity::CameraWork) << "a dropped query ended the camera work";
    EXPECT_TRUE(state.CameraWorkEnded());
    EXPECT_EQ(state.Activity(), LogPageActivity::Idle);
    EXPECT_FALSE(state.Busy());

    state.QueryStarted();
    EXPECT_EQ(state.Activity(), LogPageActivity::Querying);
    EXPECT_TRUE(state.Busy());
    EXPECT_TRUE(state.CanStartCameraWork());
    state.CameraWorkStarted();
    EXPECT_EQ(state.Activity(), LogPageActivity::CameraWork);
    EXPECT_TRUE(state.CameraWorkEnded());
    EXPECT_FALSE(state.CameraWorkEnded()) << "one end per start";
}

// Previous, next and "Go" while a page is read: the newer query replaces
// the older, and the page is idle once the newest one ends.
TEST(LogPageState, AQueryWhileOneRunsReplacesIt)
{
    LogPageState state;
    state.QueryStarted();
    ASSERT_TRUE(state.CanQuery());
    state.QueryStarted();
    EXPECT_EQ(state.Activity(), LogPageActivity::Querying);
    EXPECT_FALSE(state.CameraWorkEnded()) << "no camera work ran";
    EXPECT_EQ(state.Activity(), LogPageActivity::Querying);
    state.QueryEnded();
    EXPECT_EQ(state.Activity(), LogPageActivity::Idle);
}

// Closing the page in the middle of camera work: the outcome that arrives
// later is not shown (no message box over a closing window), and nothing
// starts any more.
TEST(LogPageState, ClosingMidWorkDropsTheLateOutcome)
{
    LogPageState state;
    state.CameraWorkStarted();
    state.Close();
    EXPECT_FALSE(state.CameraWorkEnded());
    EXPECT_FALSE(state.CanStartCameraWork());
    EXPECT_FALSE(state.CanQuery());
    state.QueryStarted();
    state.CameraWorkStarted();
    EXPECT_EQ(state.Activity(), LogPageActivity::Closed);
    EXPECT_FALSE(state.Busy());
}

// A camera of another maker shows its system log as plain lines: no query,
// page command or download applies until a log database is shown again.
TEST(LogPageState, ASystemLogShownTakesNoQueryNorDatabaseCommand)
{
    LogPageState state;
    EXPECT_TRUE(state.DatabaseCommands());
    state.Show(LogPageView::SystemLines);
    EXPECT_FALSE(state.CanQuery());
    EXPECT_FALSE(state.DatabaseCommands());
    EXPECT_TRUE(state.CanStartCameraWork()) << "Show Log reads the lines again";
    state.Show(LogPageView::Database);
    EXPECT_TRUE(state.CanQuery());
    state.CameraWorkStarted();
    EXPECT_FALSE(state.DatabaseCommands()) << "busy";
}
