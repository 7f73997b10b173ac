#include "UpgradeRun.h"

#include "LangKeys.h"
#include "LangTable.h"

UpgradeRun::UpgradeRun(BatchRunner::LineSink sink, QObject* parent)
    : QObject(parent), m_sink(std::move(sink)), m_logins(std::make_unique<BatchRunner>(m_sink)),
      m_uploads(std::make_unique<BatchRunner>(m_sink))
{
    // Each upload's line and step of the bar come when that camera is done,
    // not after every camera ticked above it.
    m_uploads->Engine().SetDelivery(BatchEngine::Delivery::AsFinished);
    connect(m_logins.get(), &BatchRunner::progress, this, &UpgradeRun::OnLoginDone);
    connect(m_logins.get(), &BatchRunner::finished, this, &UpgradeRun::OnLoginsFinished);
    connect(m_uploads.get(), &BatchRunner::progress, this, &UpgradeRun::OnUploadDone);
    connect(m_uploads.get(), &BatchRunner::finished, this, &UpgradeRun::stepEnded);
}

UpgradeRun::~UpgradeRun()
{
    // Their results die with the runners, so nothing reaches a closing window.
    m_logins.reset();
    m_uploads.reset();
}

bool UpgradeRun::Running() const
{
    return m_logins->Running() || m_uploads->Running();
}

void UpgradeRun::Start(std::vector<tagVtIpcInfo> targets, const LoginCredentials& login, std::string imagePath,
                       bool ticked)
{
    m_ticked = ticked;
    m_progress.Begin(ticked);
    emit progressChanged();
    m_imagePath = std::move(imagePath);
    m_targets = std::move(targets);
    m_loggedIn = std::make_shared<std::vector<std::shared_ptr<Camera>>>(m_targets.size());
    m_logins->Start(m_targets, LoginOperation(login, kUpgradeLoginKeys, m_loggedIn));
}

void UpgradeRun::AddLine(unsigned key)
{
    m_sink({LangText(key, LangDefaultText(key)), true});
}

void UpgradeRun::OnLoginDone(int done)
{
    // Logins are handed over in target order: done - 1 is the camera.
    const auto index = static_cast<std::size_t>(done - 1);
    if (m_loggedIn && index < m_loggedIn->size() && (*m_loggedIn)[index]) {
        m_progress.JobStarted();
        emit progressChanged();
    }
}

void UpgradeRun::OnLoginsFinished()
{
    if (m_ticked || m_progress.Started() > 0) {
        AddLine(82005);
    }
    LoggedInTargets loggedIn = CollectLoggedIn(m_targets, m_loggedIn);
    if (!loggedIn.targets.empty()) {
        m_uploads->Engine().SetMaxParallel(UploadParallelism(loggedIn.targets.size()));
        m_uploads->Start(std::move(loggedIn.targets), UpgradeOperation(m_imagePath, std::move(loggedIn.cameras)));
    }
    emit progressChanged();
    emit stepEnded();
}

void UpgradeRun::OnUploadDone()
{
    m_progress.JobFinished();
    emit progressChanged();
    if (m_progress.AllFinished()) {
        AddLine(82003);
    }
}
