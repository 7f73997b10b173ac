#include "CertificateQuestions.h"

#include "CertificatePins.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {
// How often a waiting login looks at its stop flag.
constexpr auto kStopCheck = std::chrono::milliseconds(50);

struct Registry
{
    std::mutex lock;
    std::vector<std::shared_ptr<CertificateQuestions>> questions;
};

Registry& Registered()
{
    static Registry registry;
    return registry;
}
} // namespace

CertificateQuestions::CertificateQuestions(std::function<void()> waiting) : m_waiting(std::move(waiting)) {}

bool CertificateQuestions::Ask(const CertificateQuestion& question, const std::atomic<bool>* stop)
{
    const Certificate certificate{question.key, question.shown};
    std::unique_lock lock(m_lock);
    if (const auto answer = m_answers.find(certificate); answer != m_answers.end()) {
        return answer->second;
    }
    if (m_closed) {
        return false;
    }
    const auto same = [&](const CertificateQuestion& other) {
        return other.key == question.key && other.shown == question.shown;
    };
    if (!(m_shown && same(*m_shown)) && std::none_of(m_queue.begin(), m_queue.end(), same)) {
        m_queue.push_back(question);
        m_waiting();
    }
    if (stop == nullptr) {
        return false;
    }
    while (!m_closed && !*stop && m_answers.count(certificate) == 0) {
        m_answered.wait_for(lock, kStopCheck);
    }
    const auto answer = m_answers.find(certificate);
    return answer != m_answers.end() && answer->second;
}

std::optional<CertificateQuestion> CertificateQuestions::Next()
{
    std::lock_guard lock(m_lock);
    if (m_shown || m_queue.empty()) {
        return std::nullopt;
    }
    m_shown = std::move(m_queue.front());
    m_queue.pop_front();
    return m_shown;
}

void CertificateQuestions::Answer(bool accept)
{
    std::lock_guard lock(m_lock);
    if (!m_shown) {
        return;
    }
    // Exactly the certificate the user saw is pinned, whatever the camera
    // showed since; a failed write leaves it refused.
    const bool accepted = accept && PinCertificate(m_shown->key, m_shown->shown);
    m_answers[{m_shown->key, m_shown->shown}] = accepted;
    m_shown.reset();
    m_answered.notify_all();
}

void CertificateQuestions::Close()
{
    std::lock_guard lock(m_lock);
    m_closed = true;
    m_queue.clear();
    m_answered.notify_all();
}

CertificateQuestionsRegistration::CertificateQuestionsRegistration(
    std::shared_ptr<CertificateQuestions> questions)
    : m_questions(std::move(questions))
{
    Registry& registry = Registered();
    std::lock_guard lock(registry.lock);
    registry.questions.push_back(m_questions);
}

CertificateQuestionsRegistration::~CertificateQuestionsRegistration()
{
    {
        Registry& registry = Registered();
        std::lock_guard lock(registry.lock);
        std::erase(registry.questions, m_questions);
    }
    m_questions->Close();
}

std::shared_ptr<CertificateQuestions> RegisteredCertificateQuestions()
{
    Registry& registry = Registered();
    std::lock_guard lock(registry.lock);
    return registry.questions.empty() ? nullptr : registry.questions.back();
}
