/* A stand-in for oleacc's annotation service (CLSID_AccPropServices), registered in the test
   world in place of Wine's, which refuses every call. Each name set and each clear becomes a
   UTF-8 line of "<its own path>.log", the window named by its control id (0 once it is gone), so
   that a test can read what a program asked for. */
#include <windows.h>
#include <stdio.h>

typedef struct {
    void** vtbl;
} Object;

static HMODULE Self;

/* Appends the line, in UTF-8. */
static void Record(const wchar_t* line) {
    wchar_t path[MAX_PATH + 8];
    char bytes[1800];
    DWORD n = GetModuleFileNameW(Self, path, MAX_PATH), written;
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof(bytes), NULL, NULL) - 1;
    HANDLE log;
    if (n == 0 || n >= MAX_PATH || length < 0) return;
    lstrcpyW(path + n, L".log");
    log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    WriteFile(log, bytes, (DWORD)length, &written, NULL);
    CloseHandle(log);
}

/* The class factory and the service answer for IUnknown (0), IClassFactory (1) and
   IAccPropServices, by the first field of the interface id. */
static HRESULT WINAPI QueryInterface(Object* self, REFIID iid, void** out) {
    *out = iid->Data1 <= 1 || iid->Data1 == 0x6e26e776 ? self : NULL;
    return *out ? S_OK : E_NOINTERFACE;
}
static ULONG WINAPI AddRef(Object* self) { return 2; }
static ULONG WINAPI Release(Object* self) { return 1; }
/* The calls the program does not make. */
static HRESULT WINAPI NotUsed(void) { return E_NOTIMPL; }

static HRESULT WINAPI SetHwndPropStr(Object* self, HWND hwnd, DWORD object, DWORD child,
                                     GUID prop, const wchar_t* text) {
    wchar_t line[600], id[40];
    StringFromGUID2(&prop, id, 40);
    swprintf(line, 600, L"set %d %ld %ld %ls %ls\n", GetDlgCtrlID(hwnd), (long)object,
             (long)child, id, text);
    Record(line);
    return S_OK;
}

static HRESULT WINAPI ClearHwndProps(Object* self, HWND hwnd, DWORD object, DWORD child,
                                     const GUID* props, int count) {
    wchar_t line[600];
    int n = swprintf(line, 600, L"clear %d %ld %ld", GetDlgCtrlID(hwnd), (long)object,
                     (long)child), i;
    for (i = 0; i < count && n < 500; ++i, n += lstrlenW(line + n)) {
        line[n++] = L' ';
        StringFromGUID2(&props[i], line + n, 40);
    }
    lstrcpyW(line + n, L"\n");
    Record(line);
    return S_OK;
}

/* IAccPropServices: IUnknown, then SetPropValue ... SetHwndPropStr (7), SetHwndPropServer,
   ClearHwndProps (9), and eight more. */
static void* ServiceCalls[18] = {QueryInterface, AddRef, Release, NotUsed, NotUsed, NotUsed,
                                 NotUsed, SetHwndPropStr, NotUsed, ClearHwndProps, NotUsed,
                                 NotUsed, NotUsed, NotUsed, NotUsed, NotUsed, NotUsed, NotUsed};
static Object Service = {ServiceCalls};

static HRESULT WINAPI CreateInstance(Object* self, IUnknown* outer, REFIID iid, void** out) {
    return outer ? CLASS_E_NOAGGREGATION : QueryInterface(&Service, iid, out);
}
static HRESULT WINAPI LockServer(Object* self, BOOL lock) { return S_OK; }
static void* FactoryCalls[5] = {QueryInterface, AddRef, Release, CreateInstance, LockServer};
static Object Factory = {FactoryCalls};

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) Self = self;
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID id, REFIID iid, void** out) {
    return QueryInterface(&Factory, iid, out);
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow(void) { return S_FALSE; }
