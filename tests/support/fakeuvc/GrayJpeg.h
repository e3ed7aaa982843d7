#pragma once
// A baseline JPEG of one flat grey level, written straight into a caller's buffer: every 8x8 block
// carries only its DC difference, so any frame size costs three bits a block and no allocation.
#include <cstddef>
#include <cstdint>

namespace fakeuvc {

// Bytes written, or 0 when the buffer is too small or the size is out of JPEG's range.
size_t writeGrayJpeg(uint8_t* out, size_t capacity, unsigned width, unsigned height, uint8_t level);

}  // namespace fakeuvc
