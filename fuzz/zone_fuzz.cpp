// The print-zone arithmetic: after any run of writes, a zone fill of 1 to 14 spaces ends on a
// multiple of 14, and a fill at a multiple of 14 is a whole zone.
#include <stdint.h>
#include <stddef.h>

#include "runtime/file_output.h"

#define CHECK(c) \
    if (!(c)) __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t column = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            column = 0;  // a line end
            continue;
        }
        if (data[i] == 0xFF) {
            uint32_t fill = ZoneFill(column);
            CHECK(fill >= 1 && fill <= 14);
            CHECK((column + fill) % 14 == 0);
            if (column % 14 == 0) CHECK(fill == 14);
            column += fill;
            continue;
        }
        column += data[i] * 977u;  // large items too, so the column wraps through many zones
    }
    return 0;
}
