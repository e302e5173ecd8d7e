#include "surfaces/ImageLib/StreamingCopy.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QS_STREAMING_SSE2 1
#endif

namespace ImageLib {

void streamingCopy(void* destination, const void* source, std::size_t bytes) {
    auto* to = static_cast<std::uint8_t*>(destination);
    const auto* from = static_cast<const std::uint8_t*>(source);
#ifdef QS_STREAMING_SSE2
    // Streaming stores need 16-byte aligned destinations: the bytes before
    // the first boundary go the ordinary way, and so does the tail.
    const std::size_t head = (16 - reinterpret_cast<std::uintptr_t>(to) % 16) % 16;
    if (bytes >= head + 64) {
        std::memcpy(to, from, head);
        to += head;
        from += head;
        bytes -= head;
        for (; bytes >= 64; bytes -= 64, to += 64, from += 64) {
            const auto* in = reinterpret_cast<const __m128i*>(from);
            auto* out = reinterpret_cast<__m128i*>(to);
            const __m128i a = _mm_loadu_si128(in), b = _mm_loadu_si128(in + 1);
            const __m128i c = _mm_loadu_si128(in + 2), d = _mm_loadu_si128(in + 3);
            _mm_stream_si128(out, a);
            _mm_stream_si128(out + 1, b);
            _mm_stream_si128(out + 2, c);
            _mm_stream_si128(out + 3, d);
        }
        // Streaming stores are weakly ordered: fenced before anyone reads.
        _mm_sfence();
    }
#endif
    std::memcpy(to, from, bytes);
}

}  // namespace ImageLib
