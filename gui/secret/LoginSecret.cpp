#include "LoginSecret.h"

#include "AppSettings.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPointer>
#include <cstdlib>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("Vantrel Zendrix");
const QString kKey = QStringLiteral("Password");
constexpr const wchar_t* kPasswordValue = L"Password";
constexpr int kBusCallMs = 1500;
// A store may ask the user to unlock it; beyond this the file serves instead.
constexpr int kJobMs = 20000;

// A session bus that exists: its address in the environment, or the usual
// socket in the runtime folder. Never an autolaunch.
bool SessionBusConfigured()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0') {
        return true;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && *runtime != '\0' &&
           QFileInfo(QString::fromLocal8Bit(runtime) + QStringLiteral("/bus")).exists();
}

QDBusMessage BusCall(const QDBusConnection& bus, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kBusCallMs);
}

// Runs a keychain job to its end or the bound; null when it did not finish.
// A job still running at the bound finishes (and deletes itself) later.
template <class Job> std::shared_ptr<bool> RunJob(Job* job, const std::shared_ptr<QKeychain::Error>& error,
                                                  const std::shared_ptr<QString>& text)
{
    auto done = std::make_shared<bool>(false);
    QObject::connect(job, &QKeychain::Job::finished, job, [done, error, text](QKeychain::Job* finished) {
        *error = finished->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished); read != nullptr) {
            *text = read->textData();
        }
        *done = true;
    });
    job->setAutoDelete(true);
    job->setKey(kKey);
    job->start();
    const QDeadlineTimer deadline(kJobMs);
    while (!*done && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return *done ? done : nullptr;
}

} // namespace

bool LoginSecretStoreRunning()
{
    if (QCoreApplication::instance() == nullptr || !SessionBusConfigured()) {
        return false;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    for (const char* name : {"org.freedesktop.secrets", "org.kde.kwalletd6", "org.kde.kwalletd5"}) {
        const QDBusMessage owner = BusCall(bus, QStringLiteral("NameHasOwner"), {QString::fromLatin1(name)});
        if (owner.type() == QDBusMessage::ReplyMessage && owner.arguments().value(0).toBool()) {
            return true;
        }
    }
    const QDBusMessage activatable = BusCall(bus, QStringLiteral("ListActivatableNames"));
    if (activatable.type() != QDBusMessage::ReplyMessage) {
        return false;
    }
    const QStringList names = activatable.arguments().value(0).toStringList();
    return names.contains(QStringLiteral("org.freedesktop.secrets")) ||
           names.contains(QStringLiteral("org.kde.kwalletd6")) || names.contains(QStringLiteral("org.kde.kwalletd5"));
}

std::wstring ReadLoginPassword(const wchar_t* defaultText)
{
    if (LoginSecretStoreRunning()) {
        auto error = std::make_shared<QKeychain::Error>(QKeychain::OtherError);
        auto text = std::make_shared<QString>();
        if (RunJob(new QKeychain::ReadPasswordJob(kService), error, text) && *error == QKeychain::NoError) {
            return text->toStdWString();
        }
    }
    return ReadSetting(kPasswordValue, defaultText);
}

LoginSecretPlace WriteLoginPassword(const std::wstring& password)
{
    if (LoginSecretStoreRunning()) {
        auto error = std::make_shared<QKeychain::Error>(QKeychain::OtherError);
        auto text = std::make_shared<QString>();
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setTextData(QString::fromStdWString(password));
        if (RunJob(job, error, text) && *error == QKeychain::NoError) {
            // The store has it now; no clear copy stays in the file.
            RegDeleteValue(RegRootCurrentUser, kSettingsKey, kPasswordValue);
            return LoginSecretPlace::SecretStore;
        }
    }
    return WriteSetting(kPasswordValue, password) ? LoginSecretPlace::SettingsFile : LoginSecretPlace::Nowhere;
}
