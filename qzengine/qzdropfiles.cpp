// The store of the drops that WM_DROPFILES messages refer to. What is still in it at exit (a drop left in
// the queue at quit) goes with the store.
#include "qzdropfiles.h"

#include <unordered_map>
#include <utility>

namespace {

struct Drop {
    std::vector<std::string> paths;
    int32_t x = 0;
    int32_t y = 0;
};

std::unordered_map<qzDropHandle, Drop> drops;
// Handles are never used twice, so a finished one finds nothing.
qzDropHandle nexthandle = 1;

const Drop* Find(qzDropHandle drop) {
    auto found = drops.find(drop);
    return found == drops.end() ? nullptr : &found->second;
}

} // namespace

qzDropHandle qzCreateDrop(std::vector<std::string> paths, int32_t x, int32_t y) {
    qzDropHandle handle = nexthandle++;
    drops[handle] = Drop{std::move(paths), x, y};
    return handle;
}

uint32_t qzDragQueryFileCount(qzDropHandle drop) {
    const Drop* found = Find(drop);
    return found == nullptr ? 0 : static_cast<uint32_t>(found->paths.size());
}

bool qzDragQueryFile(qzDropHandle drop, uint32_t index, std::string& path) {
    const Drop* found = Find(drop);
    if (found == nullptr || index >= found->paths.size())
        return false;
    path = found->paths[index];
    return true;
}

bool qzDragQueryPoint(qzDropHandle drop, int32_t& x, int32_t& y) {
    const Drop* found = Find(drop);
    if (found == nullptr)
        return false;
    x = found->x;
    y = found->y;
    return true;
}

void qzDragFinish(qzDropHandle drop) {
    drops.erase(drop);
}

size_t qzGetOpenDropCount() {
    return drops.size();
}
