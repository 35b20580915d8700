// Native builds: the English table of the program, from the same list as its resources.
#include "app/AppString.h"

namespace {
struct Entry {
    uint32_t nId;
    const wchar_t* pText;
};
#define TN_STRING(name, id, text) {id, text},
constexpr Entry s_table[] = {
#include "resources/StringTable.inc"
};
#undef TN_STRING
}  // namespace

std::wstring AppString(uint32_t nId)
{
    for (const Entry& e : s_table)
        if (e.nId == nId)
            return e.pText;
    return {};
}
