// Dynamic Annotation through oleacc's IAccPropServices, reached by its class id.
#include "ui/accessible.h"

#include <oleacc.h>

#include "ui/window_table.h"

namespace {

// Written out here, so that no import library needs to provide them.
constexpr CLSID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
// PROPID_ACC_NAME, then UI Automation's Name_Property_GUID.
constexpr MSAAPROPID kNameProperties[] = {
    {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}},
    {0xc3a6921b, 0x4a99, 0x44f1, {0xbc, 0xa6, 0x61, 0x18, 0x70, 0x52, 0xc4, 0x31}},
};
constexpr DWORD kClient = static_cast<DWORD>(OBJID_CLIENT);

// The service, released on every way out.
struct PropServices {
    IAccPropServices* services = nullptr;
    PropServices() {
        if (FAILED(CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                                    kAccPropServicesInterface,
                                    reinterpret_cast<void**>(&services))))
            services = nullptr;
    }
    PropServices(const PropServices&) = delete;
    PropServices& operator=(const PropServices&) = delete;
    ~PropServices() {
        if (services) services->Release();
    }
};

BOOL CALLBACK ClearNamedControl(HWND control, LPARAM services) {
    WindowRecord* record = FindWindowRecord(control);
    if (record && (record->flags & kRecordNamed)) {
        reinterpret_cast<IAccPropServices*>(services)->ClearHwndProps(
            control, kClient, CHILDID_SELF, kNameProperties,
            sizeof(kNameProperties) / sizeof(kNameProperties[0]));
        record->flags &= ~kRecordNamed;
    }
    return TRUE;
}

}  // namespace

void SetAccessibleName(HWND control, const WideString& name) {
    WindowRecord* record = FindWindowRecord(control);
    WindowRecord* dialog = record ? FindWindowRecord(record->parent) : nullptr;
    if (!dialog) return;
    PropServices props;
    // Some headers declare the text writable; the service only reads it.
    wchar_t* text = const_cast<wchar_t*>(name.CStr());
    if (!props.services || FAILED(props.services->SetHwndPropStr(control, kClient, CHILDID_SELF,
                                                                 kNameProperties[0], text)))
        return;
    // Refused before Windows 8; the Active Accessibility name reaches UI Automation anyway.
    props.services->SetHwndPropStr(control, kClient, CHILDID_SELF, kNameProperties[1], text);
    record->flags |= kRecordNamed;
    dialog->flags |= kRecordNamed;
}

void ClearAccessibleNames(HWND dialog) {
    WindowRecord* record = FindWindowRecord(dialog);
    if (!record || !(record->flags & kRecordNamed)) return;
    record->flags &= ~kRecordNamed;
    PropServices props;
    if (props.services)
        EnumChildWindows(dialog, ClearNamedControl, reinterpret_cast<LPARAM>(props.services));
}
