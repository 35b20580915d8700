// The names of the string ids, made from the one list of strings (StringTable.inc): code
// names a string by these, never by its number.
#pragma once
#include <cstdint>

enum StringId : uint32_t {
#define TN_STRING(name, id, text) name = id,
#include "resources/StringTable.inc"
#undef TN_STRING
};
