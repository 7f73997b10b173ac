#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <string>

class CertificatePrompt;
struct LoginCredentials;
class QLineEdit;
class QPainter;
class QWidget;

// The login boxes in the main window's title band, whose user name and
// password every camera operation logs in with: filled from the settings
// when the window opens and kept there when it closes. Their labels are
// painted on the band. A camera that refuses the login for a changed https
// certificate is asked about here (CertificatePrompt).
class LoginBoxes
{
public:
    // On systems before osCode 24 the user box is read-only, later disabled:
    // the user is not changed here either way.
    LoginBoxes(QWidget& window, int osCode);
    ~LoginBoxes();

    // The boxes' texts without the blanks around them, and as the SDK's
    // fields take them (31 and 15 bytes in the system code page).
    LoginCredentials Credentials() const;
    std::wstring UserText() const;
    std::wstring PasswordText() const;
    void WatchPassword(QObject* receiver, std::function<void()> changed);
    // Hands the login to apply now, and again once typing in the password box
    // has paused for a second.
    void FollowCredentials(std::function<void(const LoginCredentials&)> apply);

    // Reads the stored login into the boxes, and stores it.
    void Load();
    void Save() const;

    // Places the boxes behind their labels, measured in the window's font.
    void Layout();
    void PaintLabels(QPainter& painter) const;

    // A box of the title band as the login and search boxes look.
    static QLineEdit* BandEdit(QWidget& window, unsigned ctrlId);

private:
    QWidget& m_window;
    QLineEdit* m_user;
    QLineEdit* m_password;
    std::unique_ptr<CertificatePrompt> m_certificates;
};
