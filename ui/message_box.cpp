#include "ui/message_box.h"

namespace {

// Wine's box gives its text 176 dialog units of the message font; Windows (Vista and later)
// up to 278. A line no wider than the first is broken by neither.
constexpr int kBoxTextDialogUnits = 176;
// Of each end of a text from outside, more units than a line of a box holds at any scale.
constexpr uint32_t kMostEndUnits = 256;

// A bidirectional formatting character: it would reorder the line around it, quotes included.
bool IsBidiControl(wchar_t unit) {
    return unit == 0x061C || unit == 0x200E || unit == 0x200F ||
           (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069);
}

// A space, a control character (C0 or C1), a line or paragraph separator.
bool BreaksOrControls(wchar_t unit) {
    return unit <= L' ' || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

bool IsHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The units as the box shows them, each that could break or reorder the line a no-break space.
WideString OneLine(const wchar_t* units, uint32_t count) {
    WideString line = WideString::Allocate(count);
    wchar_t* p = line.Units16();
    for (uint32_t i = 0; p && i < count; ++i)
        p[i] = BreaksOrControls(units[i]) || IsBidiControl(units[i]) ? L'\xA0' : units[i];
    return line;
}

// The screen, with the font message boxes use selected.
struct MessageFontDC {
    HDC dc = GetDC(nullptr);
    HFONT font = nullptr;
    HGDIOBJ previous = nullptr;
    MessageFontDC() {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            font = CreateFontIndirectW(&metrics.lfMessageFont);
        if (font) previous = SelectObject(dc, font);
    }
    MessageFontDC(const MessageFontDC&) = delete;
    MessageFontDC& operator=(const MessageFontDC&) = delete;
    ~MessageFontDC() {
        if (previous) SelectObject(dc, previous);
        if (font) DeleteObject(font);
        ReleaseDC(nullptr, dc);
    }
};

int32_t TextWidth(const MessageFontDC& screen) {
    // Dialog units from the font's average letter, as Windows computes them for a dialog.
    constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE letters{};
    GetTextExtentPoint32W(screen.dc, kLetters, 52, &letters);
    int32_t width = MulDiv(kBoxTextDialogUnits, (letters.cx / 26 + 1) / 2, 4);
    // The box, its frame and its icon stay on a small screen too.
    RECT work{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        int32_t most = (work.right - work.left) * 3 / 4;
        if (most < width) width = most;
    }
    return width;
}

// The width of the units.
int32_t Extent(const MessageFontDC& screen, const wchar_t* units, uint32_t count) {
    SIZE size{};
    GetTextExtentPoint32W(screen.dc, units, static_cast<int>(count), &size);
    return size.cx;
}

// How many of the first units fit in `width` pixels, not ending inside a pair.
uint32_t HeadThatFits(const MessageFontDC& screen, const wchar_t* units, uint32_t count,
                      int32_t width) {
    if (count > kMostEndUnits) count = kMostEndUnits;
    INT fit = 0;
    SIZE size{};
    if (width <= 0 || !GetTextExtentExPointW(screen.dc, units, static_cast<int>(count), width, &fit,
                                             nullptr, &size))
        return 0;
    uint32_t n = static_cast<uint32_t>(fit);
    return n > 0 && IsHighSurrogate(units[n - 1]) ? n - 1 : n;
}

// How many of the last units fit in `width` pixels, not beginning inside a pair.
uint32_t TailThatFits(const MessageFontDC& screen, const wchar_t* units, uint32_t count,
                      int32_t width) {
    uint32_t window = count < kMostEndUnits ? count : kMostEndUnits;
    const wchar_t* last = units + count - window;
    INT ends[kMostEndUnits];  // the width of the first 1, 2, ... units of the window
    SIZE size{};
    if (window == 0 ||
        !GetTextExtentExPointW(screen.dc, last, static_cast<int>(window), 0, nullptr, ends, &size))
        return 0;
    uint32_t from = 0;  // the first unit kept
    while (from < window && size.cx - (from > 0 ? ends[from - 1] : 0) > width) ++from;
    if (from < window && IsLowSurrogate(last[from])) ++from;
    return window - from;
}

}  // namespace

int32_t ShowMessageBox(ByteString text, UINT flags, ByteString caption) {
    WideString wideText = ToWide(text);
    text.Free();
    return ShowMessageBox(wideText, flags, Move(caption));
}

int32_t ShowMessageBox(const WideString& text, UINT flags, ByteString caption) {
    WideString wideCaption = ToWide(caption);
    caption.Free();
    // Give the window that asked a moment to finish drawing before the box takes over.
    Sleep(5);
    return MessageBoxW(nullptr, text.CStr(), wideCaption.Empty() ? L"Message" : wideCaption.CStr(),
                       flags);
}

WideString QuotedBoxLine(const wchar_t* units, uint32_t count) {
    const WideString quote = ToWide("\""_t);
    WideString text = OneLine(units, count);
    MessageFontDC screen;
    int32_t width = TextWidth(screen);
    WideString line = WideString(quote) + text + quote;
    if (Extent(screen, line.CStr(), line.Units()) <= width) return line;
    const wchar_t* p = text.CStr();
    int32_t room = width - Extent(screen, L"\"\x2026\"", 3);
    uint32_t head = HeadThatFits(screen, p, text.Units(), room / 2);
    uint32_t tail =
        TailThatFits(screen, p + head, text.Units() - head, room - Extent(screen, p, head));
    return WideString(quote) + WideString::FromUnits(p, head) +
           WideString::FromUnits(L"\x2026", 1) +
           WideString::FromUnits(p + text.Units() - tail, tail) + quote;
}

int32_t MessageBoxTextWidth() {
    MessageFontDC screen;
    return TextWidth(screen);
}
