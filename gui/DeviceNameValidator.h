#pragma once
#include "ZxExport.h"

#include <QValidator>

// Holds a device-name box to what a camera keeps (DeviceNameFits): a typed or
// pasted character that would pass the limit is not taken, and the text
// already there is never cut.
class ZX_EXPORT DeviceNameValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};
