#include "qzexceptions.h"
#include "qzresource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct MapProvider : qzResourceProvider {
    std::map<std::string, std::string> blocks;
    bool Load(const char* name, qzString& data) override {
        auto it = blocks.find(name);
        if (it == blocks.end())
            return false;
        data.Append(it->second.data(), static_cast<uint32_t>(it->second.size()));
        return true;
    }
};

} // namespace

TEST(Resources, NumbersNameTheirBlocksAndMissingOnesThrow) {
    MapProvider provider;
    provider.blocks["1001"] = std::string("Bmp\0F", 5);
    EXPECT_THROW(qzLoadResourceData(1001u), qzIOException); // no provider yet
    qzSetResourceProvider(&provider);
    qzString data = qzLoadResourceData(1001u);
    EXPECT_EQ(data.GetLength(), 5u);
    EXPECT_EQ(data[4], 'F');
    EXPECT_THROW(qzLoadResourceData(1002u), qzIOException);
    EXPECT_THROW(qzLoadResourceData("icon"), qzIOException);
    qzSetResourceProvider(nullptr);
}
