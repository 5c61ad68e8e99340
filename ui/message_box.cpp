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
