#include "PreviewListColumns.h"

#include "MacText.h"
#include "PreviewRules.h"
#include "RecordText.h"

namespace {
constexpr std::uint32_t kHolderBit = 0x08;

QString Field(const char* text)
{
    return QString::fromStdWString(FieldText(text));
}

DeviceColumn Column(unsigned key, int width, std::function<QString(const tagVtIpcInfo&, std::time_t)> text)
{
    return DeviceColumn{key, width, std::move(text)};
}
} // namespace

DeviceListSpec PreviewListColumns()
{
    DeviceListSpec listSpec;
    listSpec.holderBit = kHolderBit;
    listSpec.columns = {
        Column(0, 35, {}),
        Column(20000, 89,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdWString(NameText(i)); }),
        Column(20001, 120,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdString(MacCellText(i.mac)); }),
        Column(20002, 115, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.ip); }),
        Column(20006, 110, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.model); }),
    };
    listSpec.numberColumn = 0;
    listSpec.addressColumns = {3, -1, -1};
    listSpec.initialSortColumn = 3;
    listSpec.tickBoxes = false;
    listSpec.matchFields = [](const tagVtIpcInfo& info, std::time_t) { return NameMacIpModelFields(info); };
    return listSpec;
}
