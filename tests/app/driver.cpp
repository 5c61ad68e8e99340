#include "tests/app/driver.h"

#include "tests/common/files.h"
#include "tests/common/rights.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>
#include <cstdlib>

namespace drive {

namespace {

constexpr char kPolicyKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr wchar_t kAppDefaultsKey[] = L"Software\\Wine\\AppDefaults\\Quillmark.exe";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

// Cross-process messages get an answer within this time or count as failed.
constexpr UINT kSendMs = 2000;

struct FindData {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == data->pid && IsWindowVisible(window)) data->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

void SendKey(WORD vk, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= ms) return done();
        // Messages sent to this process (activation changes) would otherwise stall the app.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
}

std::wstring ProgramPath() {
    const wchar_t* path = _wgetenv(L"QUILLMARK_EXE");
    return path ? path : L"";
}

App::App(const LaunchOptions& options) {
    dir_ = NewScratchDir(L"qm-e2e-");
    std::wstring program = ProgramPath();
    if (dir_.empty() || program.empty()) return;
    for (const auto& [name, bytes] : options.files) {
        if (!WriteFileBytes(FilePath(name), bytes)) return;
    }
    if (options.copyProgram) {
        if (!CopyFileW(program.c_str(), FilePath(L"Quillmark.exe").c_str(), FALSE)) return;
        program = FilePath(L"Quillmark.exe");
    }
    if (options.dpi) {
        DWORD before = 0, size = sizeof(before);
        RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                     &before, &size);
        dpiBefore_ = before;
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &options.dpi,
                        sizeof(DWORD));
    }
    // The child inherits the overrides; this process keeps the world's.
    wchar_t overrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    if (!options.dllOverrides.empty()) {
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES",
                                (std::wstring(overrides) + L";" + options.dllOverrides).c_str());
    }
    std::wstring line = options.commandLine.empty() ? L"\"" + program + L"\"" : options.commandLine;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    BOOL ok = FALSE;
    if (options.rights == Rights::Restricted) {
        HANDLE token = RestrictedToken();
        if (!token) return;
        ok = CreateProcessAsUserW(token, program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, dir_.c_str(), &startup, &info);
        CloseHandle(token);
    } else {
        ok = CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            dir_.c_str(), &startup, &info);
    }
    if (!options.dllOverrides.empty()) SetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides);
    if (!ok) return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    thread_id_ = info.dwThreadId;
}

App::~App() {
    Kill();
    if (process_) CloseHandle(process_);
    RemoveTree(dir_);
    if (dpiBefore_ && *dpiBefore_) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &*dpiBefore_,
                        sizeof(DWORD));
    } else if (dpiBefore_) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    }
}

std::optional<DWORD> App::WaitExit(DWORD ms) {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

bool App::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool App::Kill() {
    if (!Running()) return false;
    TerminateProcess(process_, 999);
    WaitForSingleObject(process_, kWaitMs);
    return true;
}

std::vector<HWND> App::Windows() const {
    FindData data{pid_, {}};
    if (pid_) EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND App::WaitEditor(DWORD ms) const {
    HWND editor = nullptr;
    WaitFor(
        [&] {
            for (HWND window : Windows()) {
                if (ClassOf(window) == L"#32770" && GetDlgItem(window, 1008)) editor = window;
            }
            return editor != nullptr || !Running();
        },
        ms);
    return editor;
}

HWND App::WaitMessageBox(DWORD ms) const {
    HWND box = nullptr;
    WaitFor(
        [&] {
            for (HWND window : Windows()) {
                if (ClassOf(window) == L"#32770" && !GetDlgItem(window, 1008)) box = window;
            }
            return box != nullptr || !Running();
        },
        ms);
    return box;
}

std::optional<std::string> App::ReadFile(const std::wstring& name) const {
    return ReadFileBytes(FilePath(name));
}

ULONGLONG App::WriteTime(const std::wstring& name) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(FilePath(name).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.caption = TextOf(box);
    std::vector<HWND> children;
    EnumChildWindows(box, CollectChildren, reinterpret_cast<LPARAM>(&children));
    std::vector<std::pair<LONG, std::wstring>> buttons;
    for (HWND child : children) {
        if (!IsWindowVisible(child)) continue;
        std::wstring kind = ClassOf(child);
        if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            if ((StyleOf(child) & SS_TYPEMASK) == SS_ICON) {
                // Wine's box keeps an empty icon static when there is no icon.
                DWORD_PTR icon = 0;
                SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendMs, &icon);
                if (icon) view.icon = true;
            } else if (!TextOf(child).empty()) {
                view.text = TextOf(child);
            }
        } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            buttons.emplace_back(RectInParent(child).left, TextOf(child));
        }
    }
    std::sort(buttons.begin(), buttons.end());
    for (auto& button : buttons) view.buttons.push_back(button.second);
    return view;
}

void AnswerMessageBox(HWND box, int id) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendMs, &length)) {
        return L"";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendMs, &copied)) {
        return L"";
    }
    text.resize(std::min<size_t>(copied, length));
    return text;
}

LONG StyleOf(HWND window) {
    return GetWindowLongW(window, GWL_STYLE);
}

LONG ExStyleOf(HWND window) {
    return GetWindowLongW(window, GWL_EXSTYLE);
}

RECT RectInParent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    HWND parent = GetAncestor(window, GA_PARENT);
    if (parent && parent != GetDesktopWindow()) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

RECT ClientRectOf(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

void BringToFront(HWND window) {
    HWND top = GetAncestor(window, GA_ROOT);
    DWORD thread = GetWindowThreadProcessId(top, nullptr);
    AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    SetForegroundWindow(top);
    SetActiveWindow(top);
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    WaitFor([&] { return GetForegroundWindow() == top; }, 2000);
}

void Focus(HWND control) {
    HWND top = GetAncestor(control, GA_ROOT);
    DWORD thread = GetWindowThreadProcessId(top, nullptr);
    AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    SetForegroundWindow(top);
    SetActiveWindow(top);
    SetFocus(control);
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    WaitFor([&] { return FocusedIn(top) == control; }, 2000);
}

HWND FocusedIn(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

void TypeKeys(const std::wstring& text) {
    for (wchar_t ch : text) {
        if (ch == L'\r') {
            PressKey(VK_RETURN);
        } else {
            SendKey(0, ch, KEYEVENTF_UNICODE);
            SendKey(0, ch, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
        }
    }
}

void PressKey(WORD vk, bool shift) {
    if (shift) SendKey(VK_SHIFT, 0, 0);
    SendKey(vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), 0);
    SendKey(vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP);
    if (shift) SendKey(VK_SHIFT, 0, KEYEVENTF_KEYUP);
}

void ClickAt(POINT screen) {
    // Every event carries the position: under a Wine virtual desktop the pointer can jump back
    // between a move and a press that has none. Absolute positions run 0..65535 over the
    // primary screen; rounded up, so that the system's scaling back lands on the same pixel.
    LONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    LONG x = static_cast<LONG>((LONGLONG{screen.x} * 65536 + width - 1) / width);
    LONG y = static_cast<LONG>((LONGLONG{screen.y} * 65536 + height - 1) / height);
    INPUT input[3] = {};
    const DWORD buttons[3] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        input[i].type = INPUT_MOUSE;
        input[i].mi.dx = x;
        input[i].mi.dy = y;
        input[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons[i];
    }
    SendInput(3, input, sizeof(INPUT));
}

void Command(HWND dialog, int id, HWND control, WORD code) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

void PressAltF4() {
    SendKey(VK_MENU, static_cast<WORD>(MapVirtualKeyW(VK_MENU, MAPVK_VK_TO_VSC)), 0);
    PressKey(VK_F4);
    SendKey(VK_MENU, static_cast<WORD>(MapVirtualKeyW(VK_MENU, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP);
}

void StoreNotice(const Notice& notice) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    auto put = [&](const char* name, const std::optional<std::string>& value) {
        if (value) {
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                           static_cast<DWORD>(value->size() + 1));
        } else {
            RegDeleteValueA(key, name);
        }
    };
    put("legalnoticecaption", notice.caption);
    put("legalnoticetext", notice.text);
    RegCloseKey(key);
}

Notice ReadNotice() {
    Notice notice;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return notice;
    }
    auto get = [&](const char* name) -> std::optional<std::string> {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size) != ERROR_SUCCESS ||
            type != REG_SZ) {
            return std::nullopt;
        }
        data.resize(size);
        if (!data.empty() && data.back() == '\0') data.pop_back();
        return data;
    };
    notice.caption = get("legalnoticecaption");
    notice.text = get("legalnoticetext");
    RegCloseKey(key);
    return notice;
}

void DeleteNotice() {
    StoreNotice({});
}

std::wstring SystemMessage(DWORD error) {
    wchar_t text[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, 512, nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n')) --n;
    return std::wstring(text, n);
}

namespace {

void SetUserString(const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (value.empty()) {
        RegDeleteValueW(key, name);
    } else {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

// Wine's per-program settings that a test made (the Windows version) go with the test program.
class ProgramSettings : public testing::Environment {
public:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaultsKey); }
};

testing::Environment* const kProgramSettings =
    testing::AddGlobalTestEnvironment(new ProgramSettings);

// Windows gives Users read access to the policy key by inheritance; Wine applies no inherited
// entries to a key created below, so a non-administrator could not read it at all.
class PolicyKeyAsOnWindows : public testing::Environment {
public:
    void SetUp() override {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKeyW, 0, nullptr, 0, WRITE_DAC, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        PSECURITY_DESCRIPTOR readable = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:(A;CI;KR;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)", SDDL_REVISION_1, &readable,
                nullptr)) {
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readable);
            LocalFree(readable);
        }
        RegCloseKey(key);
    }
};

testing::Environment* const kPolicyKeyAsOnWindows =
    testing::AddGlobalTestEnvironment(new PolicyKeyAsOnWindows);

}  // namespace

void SetProgramWindowsVersion(const std::wstring& version) {
    SetUserString(kAppDefaultsKey, L"Version", version);
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    int size =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

}  // namespace drive
