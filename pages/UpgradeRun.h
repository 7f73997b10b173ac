#pragma once
#include "BatchRunner.h"
#include "CameraUpgrade.h"
#include "UpgradeProgress.h"

#include <QObject>
#include <memory>
#include <string>
#include <vector>

// One firmware upgrade of many cameras, off the UI thread: the logins first,
// then the image sent to every camera that took its login, each upload's
// line and step of the shared progress as that camera finishes. Lines reach
// the sink on the UI thread while the run lives; destroying it skips the
// cameras not started and waits for the running ones.
class UpgradeRun : public QObject
{
    Q_OBJECT

public:
    explicit UpgradeRun(BatchRunner::LineSink sink, QObject* parent = nullptr);
    ~UpgradeRun() override;

    // ticked: the cameras were ticked (not a lone selected one), which sets
    // how the progress starts and that the end of the logins is told.
    void Start(std::vector<tagVtIpcInfo> targets, const LoginCredentials& login, std::string imagePath,
               bool ticked);
    // From the start of the logins until the last upload's result.
    bool Running() const;
    const UpgradeProgress& Progress() const { return m_progress; }

signals:
    void progressChanged();
    // The logins or the uploads ended.
    void stepEnded();

private:
    void OnLoginDone(int done);
    void OnLoginsFinished();
    void OnUploadDone();
    void AddLine(unsigned key);

    BatchRunner::LineSink m_sink;
    std::unique_ptr<BatchRunner> m_logins;
    std::unique_ptr<BatchRunner> m_uploads;
    UpgradeProgress m_progress;
    bool m_ticked = false;
    std::string m_imagePath;
    std::vector<tagVtIpcInfo> m_targets;
    LoggedInCameras m_loggedIn;
};
