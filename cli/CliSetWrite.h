#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "CliCommandLine.h"
#include "CliSettings.h"
#include "RebootQueue.h"
#include "SystemParams.h"

#include <memory>
#include <string>
#include <vector>

// What "set" sends each camera: the options given laid over that camera's own
// values, so that every value not given stays as the camera has it. The plan
// of --dry-run and the real run are both made from it and cannot disagree.

// A field "set" writes that "get" never shows (a password, a clock set now),
// with the text the plan gives as its new value.
struct WriteOnlyField
{
    std::string field;
    std::string desired;
};

// What one camera is sent, and how its section reads afterwards.
struct CameraWrite
{
    SectionValues after;                // the section as "get" will read it back
    std::vector<WriteOnlyField> hidden; // written, but not among "get"'s columns
    std::string newName;                // the device name written (UTF-8), empty when none
    BatchEngine::Operation operation;   // the calls that write it, for the batch engine
};

// What every camera's write shares.
struct SetContext
{
    LoginCredentials login;
    // The model whose lists bound every value given to a family camera: the
    // chosen family camera of the lowest capability class, as the batch set
    // page picks it; empty when none is of the family. A camera of another
    // maker takes what its own options offer.
    std::string referenceModel;
    DateTimeValue now;                    // the workstation's clock, for --computer-time
    std::shared_ptr<RebootQueue> reboots; // system: cameras whose password changed
};

// The checks of the options that need no camera; false with a message.
bool CheckSetOptions(SettingsSection section, const CliCommandLine& line, std::string& error);

// The write of one camera from its own values; false with a message when a
// value given is not one the camera, or the reference model, can take.
bool BuildCameraWrite(SettingsSection section, const CliCommandLine& line, const SetContext& context,
                      const tagVtIpcInfo& camera, const SectionValues& current, CameraWrite& write,
                      std::string& error);

// The video write (CliVideoWrite.cpp): a family camera's from its model's
// lists and the reference model's, another maker's from its own options.
bool BuildVideoWrite(const CliCommandLine& line, const SetContext& context, const tagVtIpcInfo& camera,
                     const SectionValues& current, CameraWrite& write, std::string& error);

std::string ModelOf(const tagVtIpcInfo& camera);

// A row 0-116 or a caption of the time-zone list as its row; -1 for neither.
int TimeZoneRow(const std::string& text);
