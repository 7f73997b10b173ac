#include "LoginBoxes.h"

#include "AppSettings.h"
#include "Camera.h"
#include "CertificatePrompt.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "LoginSecret.h"
#include "TextCodec.h"
#include "TextTrim.h"

#include <QLineEdit>
#include <QPainter>
#include <QTimer>

namespace {
const QColor kLabelInk(235, 235, 235);
constexpr int kTop = 63;
} // namespace

QLineEdit* LoginBoxes::BandEdit(QWidget& window, unsigned ctrlId)
{
    auto* edit = new QLineEdit(&window);
    SetCtrlId(edit, ctrlId);
    edit->setFrame(false);
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { background: white; border-radius: 5px; padding: 0 4px; }"
                       "QLineEdit:disabled { background: rgb(226,234,242); color: rgb(60,70,80); }"));
    return edit;
}

LoginBoxes::LoginBoxes(QWidget& window, int osCode)
    : m_window(window), m_user(BandEdit(window, 1039)), m_password(BandEdit(window, 1029)),
      m_certificates(std::make_unique<CertificatePrompt>(window))
{
    m_password->setEchoMode(QLineEdit::Password);
    m_user->setMaxLength(31);
    m_password->setMaxLength(15);
    if (osCode < 24) {
        m_user->setReadOnly(true);
    } else {
        m_user->setEnabled(false);
    }
}

void LoginBoxes::Load()
{
    m_user->setText(QString::fromStdWString(ReadSetting(L"User", L"admin")));
    m_password->setText(QString::fromStdWString(ReadLoginPassword(L"qr7319")));
}

LoginBoxes::~LoginBoxes() = default;

void LoginBoxes::Save() const
{
    WriteSetting(L"User", UserText());
    WriteLoginPassword(PasswordText());
}

LoginCredentials LoginBoxes::Credentials() const
{
    char user[32] = {};
    char password[16] = {};
    CTextCodec::ToNarrowAsTyped(kCodePageAnsi, UserText().c_str(), user, sizeof user);
    CTextCodec::ToNarrowAsTyped(kCodePageAnsi, PasswordText().c_str(), password, sizeof password);
    return {user, password};
}

std::wstring LoginBoxes::UserText() const
{
    return Trimmed(m_user->text().toStdWString());
}

std::wstring LoginBoxes::PasswordText() const
{
    return Trimmed(m_password->text().toStdWString());
}

void LoginBoxes::WatchPassword(QObject* receiver, std::function<void()> changed)
{
    QObject::connect(m_password, &QLineEdit::textChanged, receiver, [changed = std::move(changed)] { changed(); });
}

void LoginBoxes::FollowCredentials(std::function<void(const LoginCredentials&)> apply)
{
    const auto applyNow = [this, apply = std::move(apply)] { apply(Credentials()); };
    applyNow();
    auto* typingPause = new QTimer(&m_window);
    typingPause->setSingleShot(true);
    QObject::connect(typingPause, &QTimer::timeout, &m_window, applyNow);
    WatchPassword(typingPause, [typingPause] { typingPause->start(1000); });
}

void LoginBoxes::Layout()
{
    // The labels are painted; the boxes follow their measured width.
    const QFontMetrics metrics(m_window.font());
    const int userLabel = metrics.horizontalAdvance(LangQText(10006));
    m_user->setGeometry(15 + userLabel + 8, kTop, 50, 20);
    const int passwordLabel = metrics.horizontalAdvance(LangQText(10007));
    // Wide enough for the fifteen characters a password may have.
    m_password->setGeometry(m_user->x() + 60 + passwordLabel + 3, kTop, 170, 20);
}

void LoginBoxes::PaintLabels(QPainter& p) const
{
    p.setFont(m_window.font());
    p.setPen(kLabelInk);
    const QFontMetrics metrics(m_window.font());
    p.drawText(QPoint(15, kTop + 2 + metrics.ascent()), LangQText(10006));
    p.drawText(QPoint(m_user->x() + 60, kTop + 2 + metrics.ascent()), LangQText(10007));
}
