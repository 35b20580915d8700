// The program's own product version, as four 16-bit numbers (1.0.0.91 is {1, 0, 0, 91}).
#pragma once
#include <array>
#include <cstdint>

using CProductVersion = std::array<uint16_t, 4>;

class IVersionSource {
public:
    virtual ~IVersionSource() = default;
    // True and the version; false when it cannot be read.
    virtual bool GetProductVersion(CProductVersion& version) = 0;
};
