#pragma once
// The JSON form of the device SDK's records, shared by the SDK and the camera
// simulator so both ends agree on every field name, width and type. Each record
// is described once by a table of its fields; the converters walk that table.
#include "VtIpcRecords.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vtwire {

enum class FieldKind
{
    U8,
    I32,
    Text
};

struct FieldSpec
{
    const char* name;
    size_t offset;
    FieldKind kind;
    size_t width;  // bytes of the record field, terminator included for texts
    bool readOnly; // sent by the camera, ignored when the camera receives it
};

template <class Record> std::span<const FieldSpec> RecordFields();

// A text as JSON: a plain string when its bytes are valid UTF-8, else
// {"base64": "..."} holding the exact bytes.
nlohmann::json TextToJson(std::string_view bytes);
// The bytes of a text in either form; nullopt when it is neither.
std::optional<std::string> TextFromJson(const nlohmann::json& value);

bool IsValidUtf8(std::string_view bytes);
std::string Base64Encode(std::string_view bytes);
std::optional<std::string> Base64Decode(std::string_view text);

// nullopt when a text field of the record is not zero-terminated within its width.
std::optional<nlohmann::json> FieldsToJson(const void* record, std::span<const FieldSpec> fields);
// Fills the record from an object that holds every writable field (and, with
// includeReadOnly, every read-only one too); false when a field is missing, of
// the wrong type, outside its width or outside its integer type. The record
// is changed only on success.
bool FieldsFromJson(const nlohmann::json& object, void* record, size_t recordSize,
                    std::span<const FieldSpec> fields, bool includeReadOnly);

template <class Record> std::optional<nlohmann::json> ToJson(const Record& record)
{
    return FieldsToJson(&record, RecordFields<Record>());
}

// includeReadOnly: true when reading what a camera answered, false when a
// camera reads what a client wants to write.
template <class Record> bool FromJson(const nlohmann::json& object, Record& record, bool includeReadOnly)
{
    return FieldsFromJson(object, &record, sizeof(Record), RecordFields<Record>(), includeReadOnly);
}

// Parses a JSON body without throwing; nullopt for anything but an object.
std::optional<nlohmann::json> ParseObject(std::string_view body);

} // namespace vtwire
