// zlib streams (with zlib header) in and out of byte vectors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Deflates at the default level into out; running out of memory throws std::bad_alloc.
void zlibhelper_Compress(const void* input, size_t size, std::vector<uint8_t>& out);

// Inflates a whole stream into out. False for a corrupt stream, one that needs a dictionary, one that is cut
// short or one whose output would pass maxoutput bytes; running out of memory throws std::bad_alloc.
bool zlibhelper_Decompress(const void* input, size_t size, std::vector<uint8_t>& out, size_t maxoutput);
