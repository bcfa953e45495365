// Files dropped onto a window. WM_DROPFILES carries a drop handle in its wparam: the handle owns the paths
// and the point of the drop (client pixels) until qzDragFinish releases it. The readers are named after
// the Win32 ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using qzDropHandle = uintptr_t; // 0 is none

// Keeps the paths and the point for a WM_DROPFILES the platform posts.
qzDropHandle qzCreateDrop(std::vector<std::string> paths, int32_t x, int32_t y);

// The number of paths: 0 for a handle that is not, or no longer, a drop.
uint32_t qzDragQueryFileCount(qzDropHandle drop);
// Path number index; false (and path unchanged) when there is none.
bool qzDragQueryFile(qzDropHandle drop, uint32_t index, std::string& path);
// The drop point in client pixels; false for a handle that is not a drop.
bool qzDragQueryPoint(qzDropHandle drop, int32_t& x, int32_t& y);
// Releases the drop; a handle that is not one is left alone.
void qzDragFinish(qzDropHandle drop);

// The drops not yet finished.
size_t qzGetOpenDropCount();
