// Display text of a string id for portable code: the text of the current string table, or
// an empty text when the id is absent (callers then show nothing). On Windows it comes
// from the resource module in use; natively from the English table the program carries.
#pragma once
#include <cstdint>
#include <string>

std::wstring AppString(uint32_t nId);
