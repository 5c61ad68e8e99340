#include "ui/message_box.h"

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

uint32_t UnitsOnOneLine(const wchar_t* units, uint32_t count) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) ||
        !SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        return count;
    }
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HGDIOBJ previous = SelectObject(screen, font);
    INT fit = static_cast<INT>(count);
    SIZE size{};
    GetTextExtentExPointW(screen, units, static_cast<int>(count), (work.right - work.left) * 3 / 4,
                          &fit, nullptr, &size);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return static_cast<uint32_t>(fit);
}
