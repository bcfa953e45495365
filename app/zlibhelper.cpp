#include "zlibhelper.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace {

// zlib counts in 32-bit units: larger inputs are fed and drained in pieces of at most this many bytes.
constexpr size_t PIECE = 1u << 30;

void FeedInput(z_stream& stream, const uint8_t*& input, size_t& remaining) {
    if (stream.avail_in == 0 && remaining != 0) {
        size_t n = std::min(remaining, PIECE);
        stream.next_in = const_cast<Bytef*>(input);
        stream.avail_in = static_cast<uInt>(n);
        input += n;
        remaining -= n;
    }
}

// The output grows by a chunk that doubles each time the previous one has been filled.
void OfferOutput(z_stream& stream, std::vector<uint8_t>& out, size_t used, size_t chunk) {
    out.resize(used + chunk);
    stream.next_out = out.data() + used;
    stream.avail_out = static_cast<uInt>(chunk);
}

} // namespace

void zlibhelper_Compress(const void* input, size_t size, std::vector<uint8_t>& out) {
    z_stream stream{};
    int result = deflateInit(&stream, Z_DEFAULT_COMPRESSION);
    if (result != Z_OK)
        throw std::bad_alloc();
    const uint8_t* in = static_cast<const uint8_t*>(input);
    size_t remaining = size;
    size_t chunk = std::min<size_t>(2 * size + 20, PIECE);
    size_t used = 0;
    OfferOutput(stream, out, used, chunk);
    for (;;) {
        FeedInput(stream, in, remaining);
        result = deflate(&stream, remaining == 0 ? Z_FINISH : Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            break;
        if (result == Z_MEM_ERROR || (result != Z_OK && result != Z_BUF_ERROR)) {
            deflateEnd(&stream);
            throw std::bad_alloc();
        }
        if (stream.avail_out == 0) {
            used += chunk;
            chunk = std::min(chunk * 2, PIECE);
            OfferOutput(stream, out, used, chunk);
        }
    }
    out.resize(static_cast<size_t>(stream.next_out - out.data()));
    deflateEnd(&stream);
}

bool zlibhelper_Decompress(const void* input, size_t size, std::vector<uint8_t>& out, size_t maxoutput) {
    z_stream stream{};
    int result = inflateInit(&stream);
    if (result == Z_MEM_ERROR)
        throw std::bad_alloc();
    if (result != Z_OK)
        return false;
    const uint8_t* in = static_cast<const uint8_t*>(input);
    size_t remaining = size;
    size_t chunk = std::min<size_t>(std::max<size_t>(2 * size, 64), PIECE);
    size_t used = 0;
    OfferOutput(stream, out, used, std::min(chunk, maxoutput));
    bool whole = false;
    for (;;) {
        FeedInput(stream, in, remaining);
        result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            whole = true;
            break;
        }
        if (result == Z_MEM_ERROR) {
            inflateEnd(&stream);
            throw std::bad_alloc();
        }
        if (result != Z_OK && result != Z_BUF_ERROR)
            break; // Z_NEED_DICT, Z_DATA_ERROR
        if (stream.avail_out == 0) {
            size_t written = static_cast<size_t>(stream.next_out - out.data());
            if (written >= maxoutput)
                break;
            used = written;
            chunk = std::min(chunk * 2, PIECE);
            OfferOutput(stream, out, used, std::min(chunk, maxoutput - used));
        } else if (result == Z_BUF_ERROR || (stream.avail_in == 0 && remaining == 0)) {
            break; // the input ends before the stream does
        }
    }
    out.resize(whole ? static_cast<size_t>(stream.next_out - out.data()) : 0);
    inflateEnd(&stream);
    return whole;
}
