// The program's own embedded data blocks (RCDATA), found by number or by name. The platform layer installs
// the provider that knows where they are kept; the unit tests install one of their own.
#pragma once

#include "qzstring.h"

class qzResourceProvider {
public:
    virtual ~qzResourceProvider() = default;
    // Fills data with the whole block and answers true, or answers false when there is no such block.
    virtual bool Load(const char* name, qzString& data) = 0;
};

// The provider stays owned by the caller; null removes it.
void qzSetResourceProvider(qzResourceProvider* provider);

// Both throw qzIOException when the block does not exist or no provider is installed.
qzString qzLoadResourceData(const char* name);
qzString qzLoadResourceData(unsigned number);
