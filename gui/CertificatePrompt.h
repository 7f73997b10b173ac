#pragma once
#include "ZxExport.h"

#include <QObject>
#include <QString>
#include <memory>

class CertificateQuestions;
class CertificateQuestionsRegistration;
struct CertificateQuestion;
class QWidget;

// The question as the window asks it, in the current language: the camera,
// both fingerprints in full, and what yes means.
ZX_EXPORT QString CertificateQuestionText(const CertificateQuestion& question);

// The window's questions about cameras whose https certificate changed: a
// login refused for one, on any page's worker, asks here; the window shows
// the question on its own thread through the one message box, one at a time,
// with the pinned and the new fingerprint. Yes pins the new certificate and
// the waiting login is tried again; no keeps refusing it.
class CertificatePrompt : public QObject
{
public:
    explicit CertificatePrompt(QWidget& window);
    ~CertificatePrompt() override;

private:
    void ShowWaiting();

    QWidget& m_window;
    std::shared_ptr<CertificateQuestions> m_questions;
    std::unique_ptr<CertificateQuestionsRegistration> m_registration;
};
