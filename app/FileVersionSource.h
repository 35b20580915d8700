// The product version of the running executable, from its version resource.
#pragma once
#include "app/VersionSource.h"

class CFileVersionSource : public IVersionSource {
public:
    bool GetProductVersion(CProductVersion& version) override;
};
