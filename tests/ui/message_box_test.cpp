// Lines of a message box made of text from outside: one line each, as the box draws it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui/message_box.h"

namespace {

std::wstring Line(const std::wstring& text) {
    WideString line = QuotedBoxLine(text.data(), static_cast<uint32_t>(text.size()));
    return std::wstring(line.CStr(), line.Units());
}

// A text's width in the font message boxes use.
int Width(const std::wstring& text) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, CreateFontIndirectW(&metrics.lfMessageFont));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    DeleteObject(SelectObject(dc, previous));
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// Whatever could break the line or reorder it around its quotes becomes a no-break space;
// each row beside an edge of those ranges.
TEST(MessageBoxLine, NothingBreaksOrReordersIt) {
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"\r\n b\x7E\x7F\x9F\xA0\xA1", L"\u00A0\u00A0\u00A0b\x7E\xA0\xA0\xA0\xA1"},
        {L"\x061B\x061C\x061D\x200D\x200E\x200F\x2010", L"\x061B\xA0\x061D\x200D\xA0\xA0\x2010"},
        {L"\x2027\x2028\x2029\x202A\x202E\x202F", L"\x2027\xA0\xA0\xA0\xA0\x202F"},
        {L"\x2065\x2066\x2069\x206A", L"\x2065\xA0\xA0\x206A"},
    };
    for (const auto& [text, shown] : rows) EXPECT_EQ(L"\"" + shown + L"\"", Line(text));
}

// A line from outside wider than a box gives its text loses its middle: the longest that fits
// stays whole, a longer one keeps what fits of both ends, never half a pair.
TEST(MessageBoxLine, CutToTheWidthTheBoxGivesItsText) {
    const int width = MessageBoxTextWidth();
    std::wstring fits = L"m";
    while (Width(L"\"" + fits + L"m\"") <= width) fits += L"m";
    EXPECT_EQ(L"\"" + fits + L"\"", Line(fits));
    std::wstring pairs;
    for (int i = 0; i < 150; ++i) pairs += L"\xD83D\xDD12";
    for (const std::wstring& text : {fits + L"m", L"a" + pairs + L"a", pairs}) {
        std::wstring line = Line(text);
        size_t cut = line.find(L'\x2026');
        ASSERT_NE(std::wstring::npos, cut);
        std::wstring head = line.substr(1, cut - 1),
                     tail = line.substr(cut + 1, line.size() - cut - 2);
        EXPECT_LE(Width(line), width);
        // Each end stops short by less than a character.
        EXPECT_GT(Width(line), width - 2 * Width(L"\xD83D\xDD12"));
        EXPECT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
        EXPECT_FALSE(head.back() >= 0xD800 && head.back() <= 0xDBFF);
        EXPECT_FALSE(tail.front() >= 0xDC00 && tail.front() <= 0xDFFF);
    }
}

}  // namespace
