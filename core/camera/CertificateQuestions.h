#pragma once
#include "ZxExport.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

// Asking the user whether a camera's changed https certificate is accepted,
// for a front end that can ask (the window; the terminal tool has its own
// "trust" command instead). A login refused for a changed certificate asks;
// the front end shows one question at a time on its own thread and answers
// it. A question is asked once per camera and certificate: the answer, yes
// or no, holds for every later login that meets the same certificate, so
// many workers meeting the same camera make one question.

struct CertificateQuestion
{
    std::string key;     // the camera's pin key (CertificatePinKey)
    std::string pinned;  // the fingerprint pinned before, lower-case hex
    std::string shown;   // the one the camera shows now
    std::wstring camera; // how the panel names the camera, "[MAC] IP"
};

class ZX_EXPORT CertificateQuestions
{
public:
    // Called on the asking thread when a question waits to be shown, with
    // the questions' lock held (so never after Close): it only posts to the
    // front end's thread, which then calls Next.
    explicit CertificateQuestions(std::function<void()> waiting);

    // Any thread. With a stop flag: blocks until the question is answered
    // (true: accepted and pinned), the flag is set or the questions are
    // closed. Without one the question is only queued and the answer given
    // before, if any, is returned at once: a thread that nobody can stop
    // must not wait for the user.
    bool Ask(const CertificateQuestion& question, const std::atomic<bool>* stop);

    // The front end's thread: the next question to show; none while one is
    // shown and not answered yet.
    std::optional<CertificateQuestion> Next();
    // The answer to the question Next gave; yes pins its certificate.
    void Answer(bool accept);
    // Every waiting Ask ends refused, and no question is queued any more.
    void Close();

private:
    using Certificate = std::pair<std::string, std::string>; // key, shown

    std::function<void()> m_waiting;
    std::mutex m_lock;
    std::condition_variable m_answered;
    std::deque<CertificateQuestion> m_queue;
    std::optional<CertificateQuestion> m_shown;
    std::map<Certificate, bool> m_answers;
    bool m_closed = false;
};

// The questions LoginCamera asks while this lives; the newest registration
// is asked. Its end closes them.
class ZX_EXPORT CertificateQuestionsRegistration
{
public:
    explicit CertificateQuestionsRegistration(std::shared_ptr<CertificateQuestions> questions);
    ~CertificateQuestionsRegistration();
    CertificateQuestionsRegistration(const CertificateQuestionsRegistration&) = delete;
    CertificateQuestionsRegistration& operator=(const CertificateQuestionsRegistration&) = delete;

private:
    std::shared_ptr<CertificateQuestions> m_questions;
};

// The newest registration's questions; null when none lives (LoginCamera
// then has nobody to ask).
ZX_EXPORT std::shared_ptr<CertificateQuestions> RegisteredCertificateQuestions();
