#pragma once
// Where the login password is kept: in the desktop's secret store (Secret
// Service or KWallet, through QtKeychain) when one runs in the session, else
// in the per-user settings file (mode 0600, a folder of the user's own).
// A password stored in the settings file by an earlier version, or on a
// machine without a secret store, keeps working: it is read from there when
// the secret store has none, and moved into the store on the next save.
//
// Qt Core and D-Bus only, no widgets; a QCoreApplication must exist. The
// calls wait for the store on the calling thread (events keep being
// processed meanwhile) and give up after a bound, falling back to the file.
#include "ZxExport.h"

#include <string>

enum class LoginSecretPlace
{
    SecretStore,
    SettingsFile,
    Nowhere // neither could be written
};

// True when the session bus is reachable and offers a secret store. Without
// a session bus this answers at once, without trying to start one.
ZX_EXPORT bool LoginSecretStoreRunning();

// The stored password; `defaultText` when none is stored anywhere.
ZX_EXPORT std::wstring ReadLoginPassword(const wchar_t* defaultText);

// Stores the password (in the secret store, and then no longer in the
// settings file; else in the settings file) and says where it went.
ZX_EXPORT LoginSecretPlace WriteLoginPassword(const std::wstring& password);
