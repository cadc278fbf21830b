// Rows of bits over the sums that some elements can make.
#pragma once

#include <cstddef>
#include <cstdint>

namespace taverlune {

/// dst = src | (src << v), over `mots` words, bits shifted past the last word
/// dropped: the sums of src, and the same sums with v added. dst may be src.
inline void ou_decale(std::uint64_t* dst, const std::uint64_t* src, std::size_t mots, std::size_t v) {
    const std::size_t q = v / 64;
    const unsigned b = static_cast<unsigned>(v % 64);
    // From the top word down, so that in place each word is read before it
    // is written.
    for (std::size_t x = mots; x-- > 0;) {
        std::uint64_t decale = 0;
        if (x >= q) {
            decale = src[x - q] << b;
            if (b != 0 && x > q) decale |= src[x - q - 1] >> (64 - b);
        }
        dst[x] = src[x] | decale;
    }
}

}  // namespace taverlune
