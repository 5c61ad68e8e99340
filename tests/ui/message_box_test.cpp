// Lines of a message box made of text from outside: one line each, as the box draws it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "ui/message_box.h"

namespace {

std::wstring Line(const std::wstring& text) {
    WideString line = QuotedBoxLine(text.data(), static_cast<uint32_t>(text.size()));
    return std::wstring(line.CStr(), line.Units());
}

// The font message boxes use, on the screen.
struct MessageFont {
    HDC dc = GetDC(nullptr);
    HFONT font;
    HGDIOBJ previous;
    MessageFont() {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        font = CreateFontIndirectW(&metrics.lfMessageFont);
        previous = SelectObject(dc, font);
    }
    ~MessageFont() {
        SelectObject(dc, previous);
        DeleteObject(font);
        ReleaseDC(nullptr, dc);
    }
    int Width(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    int LineHeight() const {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        return metrics.tmHeight;
    }
};

int Width(const std::wstring& text) {
    return MessageFont().Width(text);
}

// The text of a message box of this process as the box lays it out.
RECT ShownText(const std::wstring& text) {
    std::thread show([&] { MessageBoxW(nullptr, text.c_str(), L"width probe", MB_TASKMODAL); });
    HWND box = nullptr;
    for (int i = 0; i < 250 && !box; ++i) {
        Sleep(20);
        box = FindWindowW(L"#32770", L"width probe");
        if (box && !IsWindowVisible(box)) box = nullptr;
    }
    RECT shown{};
    GetClientRect(GetDlgItem(box, 0xFFFF), &shown);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    show.join();
    return shown;
}

// Whatever could break the line or reorder it around its quotes becomes a no-break space;
// each row beside an edge of those ranges.
TEST(MessageBoxLine, NothingBreaksOrReordersIt) {
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"\r\n b",
         L"\xA0\xA0\xA0"
         L"b"},
        {L"\x7E\x7F\x9F\xA0\xA1", L"\x7E\xA0\xA0\xA0\xA1"},
        {L"\x061B\x061C\x061D", L"\x061B\xA0\x061D"},
        {L"\x200D\x200E\x200F\x2010", L"\x200D\xA0\xA0\x2010"},
        {L"\x2027\x2028\x2029\x202A\x202E\x202F", L"\x2027\xA0\xA0\xA0\xA0\x202F"},
        {L"\x2065\x2066\x2069\x206A", L"\x2065\xA0\xA0\x206A"},
        {L"\x202E"
         L"exe.txt",
         L"\xA0"
         L"exe.txt"},
    };
    for (const auto& [text, shown] : rows) EXPECT_EQ(L"\"" + shown + L"\"", Line(text));
}

// A line is cut in its middle where it would be wider than the box's text, at what fits: the
// longest text that fits stays whole, one unit more is cut, and no pair is split.
TEST(MessageBoxLine, CutToTheBoxWidth) {
    const int width = MessageBoxTextWidth();
    std::wstring fits = L"m";
    while (Width(L"\"" + fits + L"m\"") <= width) fits += L"m";
    EXPECT_EQ(L"\"" + fits + L"\"", Line(fits));
    for (const std::wstring& text :
         {fits + L"m", L"Head_" + std::wstring(400, L'x') + L"_tail", std::wstring(300, L'\x767B'),
          L"a" + std::wstring(200, L'x') + L"\xD83D\xDD12" + std::wstring(200, L'y') +
              L"\xD83D\xDD12"}) {
        std::wstring line = Line(text);
        size_t cut = line.find(L'\x2026');
        ASSERT_NE(std::wstring::npos, cut) << line.size();
        EXPECT_LE(Width(line), width);
        std::wstring head = line.substr(1, cut - 1), tail = line.substr(cut + 1);
        tail.pop_back();
        EXPECT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
        // One more unit of either end would not have fitted.
        EXPECT_GT(Width(L"\"" + text.substr(0, head.size() + 1) + L"\x2026" + tail + L"\""), width);
        EXPECT_GT(
            Width(L"\"" + head + L"\x2026" + text.substr(text.size() - tail.size() - 1) + L"\""),
            width);
        for (const std::wstring& end : {head, tail}) {
            EXPECT_FALSE(end.size() && end.back() >= 0xD800 && end.back() <= 0xDBFF);
            EXPECT_FALSE(end.size() && end.front() >= 0xDC00 && end.front() <= 0xDFFF);
        }
    }
}

// The width is the one the system's box gives its text: the widest line it takes whole, and
// one unit more breaks.
TEST(MessageBoxLine, TheBoxGivesItsTextThatWidth) {
    MessageFont font;
    const int width = MessageBoxTextWidth();
    std::wstring line = L"m m";
    while (font.Width(line + L"m") <= width) line += L"m";
    RECT whole = ShownText(line);
    EXPECT_EQ(font.LineHeight(), whole.bottom);
    EXPECT_EQ(font.Width(line), whole.right);
    EXPECT_EQ(2 * font.LineHeight(), ShownText(line + L"m").bottom);
}

}  // namespace
