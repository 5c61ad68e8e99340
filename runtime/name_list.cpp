// The list of names: items in one value, each followed by a zero.
#include "runtime/name_list.h"

namespace {

WideString Joined(const wchar_t* before, uint32_t nBefore, const wchar_t* units, uint32_t count,
                  const wchar_t* after, uint32_t nAfter) {
    return WideString::FromUnits(before, nBefore) + WideString::FromUnits(units, count) +
           WideString::FromUnits(L"", 1) + WideString::FromUnits(after, nAfter);
}

}  // namespace

uint32_t NameList::Count() const {
    uint32_t count = 0;
    for (NameRef name : *this) {
        (void)name;
        ++count;
    }
    return count;
}

void NameList::Append(const wchar_t* units, uint32_t count) {
    units_ = Joined(units_.CStr(), units_.Units(), units, count, nullptr, 0);
}

void NameList::AddSorted(const wchar_t* units, uint32_t count) {
    const wchar_t* all = units_.CStr();
    uint32_t total = units_.Units(), at = 0;
    for (NameRef name : *this) {
        int order = CompareText(name.units, name.count, units, count);
        if (order == 0) return;
        if (order > 0) break;
        at += name.count + 1;
    }
    units_ = Joined(all, at, units, count, all + at, total - at);
}
