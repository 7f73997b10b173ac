#include "CertificatePrompt.h"

#include "CertificatePins.h"
#include "CertificateQuestions.h"
#include "LangWidgets.h"
#include "MessageBox.h"

#include <QMetaObject>
#include <QWidget>

CertificatePrompt::CertificatePrompt(QWidget& window)
    : m_window(window), m_questions(std::make_shared<CertificateQuestions>([this] {
          QMetaObject::invokeMethod(this, &CertificatePrompt::ShowWaiting, Qt::QueuedConnection);
      })),
      m_registration(std::make_unique<CertificateQuestionsRegistration>(m_questions))
{
}

// Ends the registration first: the logins still waiting are refused, and
// nothing is posted here any more.
CertificatePrompt::~CertificatePrompt() = default;

QString CertificateQuestionText(const CertificateQuestion& question)
{
    return LangQText(87102).arg(QString::fromStdWString(question.camera)) + QStringLiteral("\n\n") +
           LangQText(87103) + QLatin1Char(' ') + QString::fromStdString(FingerprintText(question.pinned)) +
           QLatin1Char('\n') + LangQText(87104) + QLatin1Char(' ') +
           QString::fromStdString(FingerprintText(question.shown)) + QStringLiteral("\n\n") + LangQText(87105);
}

void CertificatePrompt::ShowWaiting()
{
    // A question posted while a box is open finds none to take: the box's
    // answer is given first and the loop then shows the next.
    while (const std::optional<CertificateQuestion> question = m_questions->Next()) {
        const ZxAnswer answer = ZxMessageBoxText(CertificateQuestionText(*question), ZxButtons::YesNo, &m_window);
        m_questions->Answer(answer == ZxAnswer::Yes);
    }
}
