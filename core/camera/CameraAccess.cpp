#include "CameraAccess.h"

#include "CameraProvider.h"
#include "CameraStop.h"
#include "CertificatePins.h"
#include "CertificateQuestions.h"
#include "LangKeys.h"
#include "LangTable.h"
#include "MacText.h"
#include "OnvifCamera.h"
#include "RecordText.h"
#include "VtIpcSDK.h"

#include <algorithm>
#include <iterator>

namespace {
// After the camera refused a login for a changed certificate: asks the
// window's questions, waiting for the answer when the calling thread has a
// stop flag (CameraStop.h). True when the user accepted the certificate,
// which is pinned then; false when nobody can ask, the user refused or the
// work was stopped.
bool AskToAcceptCertificate(const tagVtIpcInfo& camera)
{
    const std::shared_ptr<CertificateQuestions> questions = RegisteredCertificateQuestions();
    if (!questions) {
        return false;
    }
    CertificateQuestion question;
    question.key = CertificatePinKey(camera);
    for (const CertificatePin& pin : CertificatePins()) {
        if (pin.key == question.key) {
            question.pinned = pin.pinned;
            question.shown = pin.refused;
        }
    }
    if (question.shown.empty()) {
        return false;
    }
    std::wstring prefix = CameraLinePrefix(camera);
    prefix.pop_back();
    question.camera = prefix;
    const CameraStopFlag stop = CurrentCameraStop();
    return questions->Ask(question, stop.get());
}
} // namespace

std::wstring CameraLinePrefix(const tagVtIpcInfo& camera)
{
    // A camera of another protocol is addressed before its hardware address
    // is known: an all-zero MAC would name no camera, so its address alone does.
    const bool macKnown = std::any_of(std::begin(camera.mac), std::begin(camera.mac) + 6,
                                      [](unsigned char byte) { return byte != 0; });
    return (macKnown ? MacPrefix(camera.mac) + L" " : std::wstring()) + FieldText(camera.ip) + L" ";
}

PanelLine CameraLine(const tagVtIpcInfo& camera, unsigned key)
{
    const wchar_t* english = LangDefaultText(key);
    return {CameraLinePrefix(camera) + LangText(key, english != nullptr ? english : L""), true};
}

std::shared_ptr<Camera> LoginCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                    PanelLine* failure, LoginFailureKeys keys)
{
    std::shared_ptr<Camera> opened = OpenCamera(camera, login);
    CameraResult result = opened->Login();
    // A changed certificate the user accepts is pinned; the camera opened
    // again reads the new pin and the login is tried once more.
    if (result.status == CameraStatus::Failed && result.code == OnvifCamera::kCertificateChanged &&
        AskToAcceptCertificate(camera)) {
        opened = OpenCamera(camera, login);
        result = opened->Login();
    }
    if (result.Done()) {
        return opened;
    }
    if (const std::wstring note = opened->Note(); failure != nullptr && !note.empty()) {
        *failure = {CameraLinePrefix(camera) + note, true};
    } else if (failure != nullptr) {
        *failure =
            CameraLine(camera, result.status == CameraStatus::Unreachable ? keys.unreachable : keys.refused);
    }
    return nullptr;
}

std::shared_ptr<Camera> LoggedInCamera(const tagVtIpcInfo& camera, const LoginCredentials& login,
                                       std::shared_ptr<Camera> held)
{
    return held ? held : LoginCamera(camera, login);
}

std::vector<PanelLine> CameraNoteLines(const tagVtIpcInfo& camera, const Camera& opened)
{
    const std::wstring note = opened.Note();
    return note.empty() ? std::vector<PanelLine>{} : std::vector<PanelLine>{{CameraLinePrefix(camera) + note, true}};
}

bool CameraOffers(const tagVtIpcInfo& camera, CameraOperation operation)
{
    return OpenCamera(camera, {})->Supports(operation);
}
