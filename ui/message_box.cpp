#include "ui/message_box.h"

int32_t ShowMessageBox(ByteString text, UINT flags, ByteString caption) {
    WideString wideText = ToWide(text);
    WideString wideCaption = ToWide(caption);
    text.Free();
    caption.Free();
    // Give the window that asked a moment to finish drawing before the box takes over.
    Sleep(5);
    return MessageBoxW(nullptr, wideText.CStr(),
                       wideCaption.Empty() ? L"Message" : wideCaption.CStr(), flags);
}
