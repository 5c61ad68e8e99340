// Texts kept one after another in one UTF-16 value, each followed by a zero: the names of the
// objects that define a value, or the entries of a history.
#pragma once

#include <stdint.h>

#include "runtime/text.h"

// One item of a list, borrowed from it: its units, without the zero after them.
struct NameRef {
    const wchar_t* units;
    uint32_t count;
};

class NameList {
public:
    class Iterator {
    public:
        Iterator(const wchar_t* at, const wchar_t* end) : at_(at), end_(end) {}
        NameRef operator*() const {
            return {at_, UnitsBeforeZero(at_, static_cast<uint32_t>(end_ - at_))};
        }
        Iterator& operator++() {
            at_ += (**this).count + 1;
            if (at_ > end_) at_ = end_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at_ != other.at_; }

    private:
        const wchar_t* at_;
        const wchar_t* end_;
    };

    Iterator begin() const { return {units_.CStr(), units_.CStr() + units_.Units()}; }
    Iterator end() const {
        return {units_.CStr() + units_.Units(), units_.CStr() + units_.Units()};
    }
    bool Empty() const { return units_.Empty(); }
    uint32_t Count() const;

    void Append(const wchar_t* units, uint32_t count);
    // Puts the text in its place in ordinal order; a text equal unit for unit to one already
    // there is not added again.
    void AddSorted(const wchar_t* units, uint32_t count);

private:
    WideString units_;
};
