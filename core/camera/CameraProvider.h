#pragma once
#include "Camera.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <functional>
#include <memory>

// Where the camera of a device-table entry comes from. Today every entry is a
// camera of the family. A camera of another protocol registers a maker that
// claims the entries it knows (those its own discovery found), so the pages
// and terminal commands work on it without knowing its protocol.

// The camera for an entry, or empty when the entry is not one of the maker's.
using CameraMaker =
    std::function<std::shared_ptr<Camera>(const tagVtIpcInfo& info, const LoginCredentials& login)>;

// A maker is asked, newest first, for as long as its registration lives: a
// protocol keeps one in a static object of its own file.
class ZX_EXPORT CameraMakerRegistration
{
public:
    explicit CameraMakerRegistration(CameraMaker maker);
    ~CameraMakerRegistration();
    CameraMakerRegistration(const CameraMakerRegistration&) = delete;
    CameraMakerRegistration& operator=(const CameraMakerRegistration&) = delete;

private:
    unsigned m_id;
};

// The camera of an entry, to be logged in with login: the first registered
// maker's that claims it, else a camera of the family. Sends nothing.
ZX_EXPORT std::shared_ptr<Camera> OpenCamera(const tagVtIpcInfo& info, const LoginCredentials& login);
