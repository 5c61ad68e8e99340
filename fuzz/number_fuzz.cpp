// NumberToText reads back as the number: sign character, then digits without leading zeros.
#include <stdint.h>
#include <string.h>

#include <string>

#include "runtime/text.h"

#define CHECK(c) \
    if (!(c)) __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(int64_t)) return 0;
    int64_t number;
    memcpy(&number, data, sizeof(number));
    ByteString text = NumberToText(number);
    std::string s(text.CStr(), text.Length());
    CHECK(s.size() >= 2);
    CHECK(s[0] == (number < 0 ? '-' : ' '));
    CHECK(s.size() == 2 || s[1] != '0');
    uint64_t magnitude = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        CHECK(s[i] >= '0' && s[i] <= '9');
        magnitude = magnitude * 10 + static_cast<unsigned>(s[i] - '0');
    }
    uint64_t expected = number < 0 ? 0 - static_cast<uint64_t>(number) : number;
    CHECK(magnitude == expected);
    return 0;
}
