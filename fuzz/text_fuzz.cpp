// Text operations against a plain model of bytes: lengths, halves, positions, trims.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "runtime/text.h"

#define CHECK(c) \
    if (!(c)) __builtin_trap()

namespace {

std::string Model(TextRef t) {
    return std::string(t.CStr(), t.Length());
}

ByteString Make(const std::string& s) {
    return ByteString::FromBytes(s.data(), static_cast<uint32_t>(s.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // First byte splits the rest into two texts; second drives n and the start position.
    size_t split = data[0] % (size - 1);
    int32_t n = static_cast<int8_t>(data[1]);
    std::string all(reinterpret_cast<const char*>(data + 2), size - 2);
    std::string a = all.substr(0, split < all.size() ? split : all.size());
    std::string b = all.substr(a.size());
    ByteString ta = Make(a), tb = Make(b);

    // Layout: count in front, NUL after, also for embedded NULs.
    CHECK(ta.Length() == a.size());
    if (!a.empty()) CHECK(ta.CStr()[a.size()] == '\0');

    // A concatenation's length is the sum and its halves are the leftmost and rightmost parts.
    ByteString sum = ta + tb;
    CHECK(sum.Length() == a.size() + b.size());
    CHECK(Model(Leftmost(sum, static_cast<int32_t>(a.size()))) == a);
    CHECK(Model(Rightmost(sum, static_cast<int32_t>(b.size()))) == b);
    CHECK(Model(sum) == a + b);

    // Leftmost and rightmost of any n.
    size_t take = n <= 0 ? 0 : (static_cast<size_t>(n) < a.size() ? n : a.size());
    CHECK(Model(Leftmost(ta, n)) == a.substr(0, take));
    CHECK(Model(Rightmost(ta, n)) == a.substr(a.size() - take));

    // Find returns the first position at which the pattern really stands.
    int32_t start = n < 1 ? 1 : n;
    int32_t found = Find(ta, tb, start);
    if (a.empty() || static_cast<size_t>(start) > a.size()) {
        CHECK(found == 0);
    } else {
        size_t model = a.find(b, start - 1);
        CHECK(found == (model == std::string::npos ? 0 : static_cast<int32_t>(model + 1)));
    }

    // Compare agrees with unsigned byte order, a proper prefix being less.
    int c = CompareText(ta, tb);
    int m = a.compare(b);  // std::string compares chars as unsigned via char_traits
    CHECK((c < 0) == (m < 0) && (c == 0) == (m == 0));

    // Trims never leave a leading or trailing blank and never touch other bytes.
    std::string lead = Model(TrimLeading(ta)), trail = Model(TrimTrailing(ta));
    std::string both = Model(Trim(ta));
    size_t first = a.find_first_not_of(' '), last = a.find_last_not_of(' ');
    CHECK(lead == (first == std::string::npos ? "" : a.substr(first)));
    CHECK(trail == (last == std::string::npos ? "" : a.substr(0, last + 1)));
    CHECK(both == (first == std::string::npos ? "" : a.substr(first, last - first + 1)));

    // Into a zero-terminated buffer: at most size - 1 bytes, stopping at a NUL.
    char buffer[16];
    uint32_t bufferSize = static_cast<uint32_t>(data[1]) % (sizeof(buffer) + 1);
    memset(buffer, 'x', sizeof(buffer));
    ToZeroTerminated(ta, buffer, bufferSize);
    if (bufferSize > 0) {
        std::string expected = a.substr(0, strnlen(a.c_str(), a.size()));
        expected = expected.substr(0, bufferSize - 1);
        CHECK(std::string(buffer) == expected);
    }
    CHECK(Model(FromZeroTerminated(ta.CStr())) == a.substr(0, strnlen(a.c_str(), a.size())));

    // Copies and reuse of equal-length storage keep the bytes.
    ByteString copy = ta;
    copy = tb;
    CHECK(Model(copy) == b);
    return 0;
}
