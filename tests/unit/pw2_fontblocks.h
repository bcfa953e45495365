// The program's two font blocks read from the source tree and handed out as the resources 1001 and 1002.
#pragma once

#include "qzresource.h"
#include "qzstring.h"

#include <fstream>
#include <iterator>
#include <map>
#include <string>

inline std::string ReadSourceFile(const char* relative) {
    std::ifstream file(std::string(QZ_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct TestBlocks : qzResourceProvider {
    std::map<std::string, std::string> blocks{{"1001", ReadSourceFile("resources/font1001.bmpf")},
                                              {"1002", ReadSourceFile("resources/font1002.bmpf")}};
    bool Load(const char* name, qzString& data) override {
        auto found = blocks.find(name);
        if (found == blocks.end())
            return false;
        data.Append(found->second.data(), static_cast<uint32_t>(found->second.size()));
        return true;
    }
};
