#include "DeviceNameValidator.h"

#include "DeviceName.h"

QValidator::State DeviceNameValidator::validate(QString& input, int&) const
{
    return DeviceNameFits(input.toStdWString()) ? Acceptable : Invalid;
}
