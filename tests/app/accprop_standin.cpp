// A stand-in for oleacc's annotation service (CLSID_AccPropServices), registered in the test
// world in place of Wine's, which refuses every call: it writes each name set and each clear
// to "<its own path>.log", a line each, so that a test can read what a program asked for.
#include <windows.h>
#include <oleacc.h>

#include <cwchar>

namespace {

HMODULE Self = nullptr;

void Record(const wchar_t* line) {
    wchar_t path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameW(Self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    lstrcpyW(path + n, L".log");
    HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(log, line, lstrlenW(line) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(log);
}

void Guid(const GUID& id, wchar_t* text) {
    StringFromGUID2(id, text, 40);
}

struct Services : IAccPropServices {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IAccPropServices) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND hwnd, DWORD object, DWORD child, MSAAPROPID prop,
                                             LPCWSTR text) override {
        wchar_t id[40], line[600];
        Guid(prop, id);
        std::swprintf(line, 600, L"set %llx %ld %ld %ls %ls\n",
                      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
                      static_cast<long>(object), static_cast<long>(child), id, text);
        Record(line);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND hwnd, DWORD object, DWORD child,
                                             const MSAAPROPID* props, int count) override {
        wchar_t line[600];
        int n = std::swprintf(line, 600, L"clear %llx %ld %ld",
                              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
                              static_cast<long>(object), static_cast<long>(child));
        for (int i = 0; i < count && n < 500; ++i) {
            line[n++] = L' ';
            Guid(props[i], line + n);
            n += lstrlenW(line + n);
        }
        lstrcpyW(line + n, L"\n");
        Record(line);
        return S_OK;
    }
    // The rest the program does not use.
    HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int,
                                            IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int,
                                                IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**,
                                                        DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*,
                                                          DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int,
                                                 IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*,
                                                           DWORD*) override {
        return E_NOTIMPL;
    }
};

struct Factory : IClassFactory {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        static Services services;
        if (outer) return CLASS_E_NOAGGREGATION;
        return services.QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) Self = self;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetClassObject(REFCLSID, REFIID iid, void** out) {
    static Factory factory;
    return factory.QueryInterface(iid, out);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}
