// Conversions between the ANSI code page and UTF-16, and the local date.
#include <windows.h>

#include "runtime/process.h"
#include "runtime/system_call_gate.h"
#include "runtime/text.h"

uint32_t ActualCodePage(uint32_t codePage) {
    switch (codePage) {
        case CP_ACP:
            return GetACP();
        case CP_OEMCP:
            return GetOEMCP();
        case CP_THREAD_ACP: {
            DWORD number = 0;
            int got = GetLocaleInfoW(GetThreadLocale(),
                                     LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                     reinterpret_cast<LPWSTR>(&number), sizeof(number) / 2);
            // A locale with no ANSI code page of its own (0) uses the system's.
            return got && number ? number : GetACP();
        }
        default:
            return codePage;
    }
}

uint32_t MultiByteFlags(uint32_t codePage) {
    uint32_t actual = ActualCodePage(codePage);
    // Windows takes only 0 or MB_ERR_INVALID_CHARS for UTF-8 and GB 18030, and only 0 for
    // the others; any other flag fails the call with ERROR_INVALID_FLAGS.
    switch (actual) {
        case CP_UTF8:
        case 54936:
        case CP_UTF7:
        case 42:
        case 50220:
        case 50221:
        case 50222:
        case 50225:
        case 50227:
        case 50229:
            return 0;
        default:
            return actual >= 57002 && actual <= 57011 ? 0 : MB_PRECOMPOSED;
    }
}

// A length query of 0, or no storage, gives the empty text without an error number.
WideString ToWide(TextRef text) {
    int n = static_cast<int>(text.Length());
    if (n <= 0) return WideString();
    UINT codePage = CurrentThreadBlock()->codePage;
    DWORD flags = MultiByteFlags(codePage);
    int units = MultiByteToWideChar(codePage, flags, text.bytes, n, nullptr, 0);
    if (units <= 0) return WideString();
    WideString wide = WideString::Allocate(units, false);
    if (wide.Empty()) return wide;
    MultiByteToWideChar(codePage, flags, text.bytes, n, wide.Units16(), units);
    return wide;
}

ByteString ToBytes(const wchar_t* units, uint32_t count) {
    int n = static_cast<int>(count);
    if (n <= 0 || !units) return ByteString();
    UINT codePage = CurrentThreadBlock()->codePage;
    int bytes = WideCharToMultiByte(codePage, 0, units, n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return ByteString();
    ByteString text = ByteString::Allocate(bytes, false);
    if (text.Empty()) return text;
    WideCharToMultiByte(codePage, 0, units, n, text.Bytes(), bytes, nullptr, nullptr);
    return text;
}

ByteString ToBytes(const WideString& text) {
    return ToBytes(text.CStr(), text.Units());
}

// In UTF-16 as the system words it: its language need not be the ANSI code page's.
WideString SystemMessageText(uint32_t error) {
    wchar_t buffer[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, buffer, sizeof(buffer) / sizeof(wchar_t), nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n')) --n;
    if (n == 0) return ToWide("Error"_t + NumberToText(error));
    return WideString::FromUnits(buffer, n);
}

ByteString CurrentDateText() {
    SYSTEMTIME now{};
    SystemCallGate([&] { GetLocalTime(&now); });
    unsigned parts[3] = {now.wMonth, now.wDay, now.wYear};
    char date[10];
    char* p = date;
    for (int i = 0; i < 3; ++i) {
        unsigned value = parts[i], width = i == 2 ? 4 : 2, divisor = i == 2 ? 1000 : 10;
        for (unsigned d = 0; d < width; ++d, divisor /= 10)
            *p++ = static_cast<char>('0' + value / divisor % 10);
        if (i < 2) *p++ = '-';
    }
    return ByteString::FromBytes(date, sizeof(date));
}
