// Who else defines the notice: cached templates parsed from their bytes, and the sources read
// from the test prefix's real template folder and registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "persist/notice_policy.h"
#include "scratch.h"
#include "tests/common/policy_files.h"

namespace {

const std::wstring kGuid = L"{31B2F340-016D-11D2-945F-00C04FB984F9}";
const std::wstring kOtherGuid = L"{6AC1786C-016F-11D2-945F-00C04FB984F9}";
const std::wstring kThirdGuid = L"{00000000-0000-0000-0000-000000000003}";
const std::wstring kCaption = std::wstring(kSystemEntryW) + L"LegalNoticeCaption=1,\"Authorized\"";
const std::wstring kMessage = std::wstring(kSystemEntryW) + L"LegalNoticeText=7,Line one,Line two";

std::string Narrow(const WideString& text) {
    return Bytes(ToBytes(text));
}

std::string Narrow(const std::wstring& text) {
    return Bytes(ToBytes(text.data(), static_cast<uint32_t>(text.size())));
}

TEST(NoticePolicyParse, TemplateText) {
    struct Row {
        const char* what;
        std::string file;
        bool caption, message;
        std::wstring gpoPath, gpoGuid;
    };
    const std::wstring both = TemplateText(kCaption + L"\r\n" + kMessage + L"\r\n", GpoPath(kGuid));
    const std::wstring head = L"[Version]\r\nGPOPath=" + GpoPath(kGuid) + L"\r\n";
    std::string atCap = AnsiFile(head + L"[Registry Values]\r\n" + kCaption + L"\r\n;");
    atCap += std::string(LongestPolicyTemplate - atCap.size(), 'x');
    std::wstring oddLf = both;
    std::replace(oddLf.begin(), oddLf.end(), L'\r', L' ');
    std::wstring cr;
    for (wchar_t c : both)
        if (c != L'\n') cr += c;
    const Row rows[] = {
        {"utf-16", Utf16File(both), true, true, GpoPath(kGuid), kGuid},
        {"ansi", AnsiFile(both), true, true, GpoPath(kGuid), kGuid},
        {"lf only", AnsiFile(oddLf), true, true, GpoPath(kGuid), kGuid},
        {"cr only", Utf16File(cr), true, true, GpoPath(kGuid), kGuid},
        {"names in any case, blanks around",
         AnsiFile(L"gpopath = " + GpoPath(kGuid) + L"\r\n[ registry values ]\r\n  " +
                  L"machine\\software\\microsoft\\windows\\currentversion\\policies\\system\\"
                  L"LEGALNOTICETEXT = 7,x\r\n"),
         false, true, GpoPath(kGuid), kGuid},
        {"other settings only", AnsiFile(TemplateText(L"", GpoPath(kGuid))), false, false,
         GpoPath(kGuid), kGuid},
        {"in another section", AnsiFile(head + L"[System Access]\r\n" + kCaption + L"\r\n"), false,
         false, GpoPath(kGuid), kGuid},
        {"before any section", AnsiFile(kMessage + L"\r\n" + head), false, false, GpoPath(kGuid),
         kGuid},
        {"section closed by another",
         AnsiFile(head + L"[Registry Values]\r\n[Other]\r\n" + kMessage), false, false,
         GpoPath(kGuid), kGuid},
        {"no '=', no type, near names",
         AnsiFile(head + L"[Registry Values]\r\n" + kSystemEntryW + L"LegalNoticeText\r\n" +
                  kSystemEntryW + L"LegalNoticeCaption=\"Authorized\"\r\n" + kSystemEntryW +
                  L"LegalNoticeCaption=,x\r\n" + kSystemEntryW + L"LegalNoticeTex=1,x\r\n" +
                  kSystemEntryW + L"LegalNoticeTextX=1,x\r\n" +
                  L"MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\"
                  L"LegalNoticeCaption=1,x\r\n"),
         false, false, GpoPath(kGuid), kGuid},
        {"a huge line first",
         AnsiFile(std::wstring(300000, L'a') + L"\r\n" + head + L"[Registry Values]\r\n" +
                  kCaption),
         true, false, GpoPath(kGuid), kGuid},
        {"first GPOPath counts; no GUID in it",
         AnsiFile(L"GPOPath=Local\r\nGPOPath=" + GpoPath(kGuid) + L"\r\n"), false, false, L"Local",
         L""},
        {"the first well-formed GUID",
         AnsiFile(L"GPOPath=\\\\x\\{1234}\\{31b2f340-016d-11d2-945f-00c04fb984f9}}"), false, false,
         L"\\\\x\\{1234}\\{31b2f340-016d-11d2-945f-00c04fb984f9}}",
         L"{31b2f340-016d-11d2-945f-00c04fb984f9}"},
        {"no brace after it, a digit for a dash",
         AnsiFile(L"GPOPath=\\{31B2F340-016D-11D2-945F-00C04FB984F9)\\"
                  L"{31B2F3400016D-11D2-945F-00C04FB984F9}"),
         false, false,
         L"\\{31B2F340-016D-11D2-945F-00C04FB984F9)\\{31B2F3400016D-11D2-945F-00C04FB984F9}", L""},
        {"a GUID cut short", AnsiFile(L"GPOPath=\\{31B2F340-016D-11D2-945F-00C04FB984F}"), false,
         false, L"\\{31B2F340-016D-11D2-945F-00C04FB984F}", L""},
        {"exactly the size limit", atCap, true, false, GpoPath(kGuid), kGuid},
        {"far larger than Windows writes", AnsiFile(both) + std::string(2 << 20, ';'), true, true,
         GpoPath(kGuid), kGuid},
        // Malformed: counts as no source, whatever it defines.
        {"over the size limit", atCap + "x", false, false, L"", L""},
        {"odd byte count", Utf16File(both) + "x", false, false, L"", L""},
        {"utf-16 without its mark", Utf16File(both).substr(2), false, false, L"", L""},
        {"a zero byte", AnsiFile(both) + std::string(1, '\0'), false, false, L"", L""},
        {"no GPOPath", AnsiFile(L"[Registry Values]\r\n" + kCaption), false, false, L"", L""},
        {"GPOPath without text", AnsiFile(L"GPOPath= \r\n[Registry Values]\r\n" + kCaption), false,
         false, L"", L""},
        {"byte order mark only", "\xFF\xFE", false, false, L"", L""},
        {"empty", "", false, false, L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TemplateSettings settings = ParseTemplate(B(row.file));
        EXPECT_EQ(row.caption, settings.caption);
        EXPECT_EQ(row.message, settings.message);
        EXPECT_EQ(Narrow(row.gpoPath), Narrow(settings.gpoPath));
        EXPECT_EQ(Narrow(row.gpoGuid), Narrow(settings.gpoGuid));
    }
}

std::vector<std::wstring> Names(const PolicySources& sources) {
    std::vector<std::wstring> names;
    for (NameRef name : sources.groupPolicy) names.emplace_back(name.units, name.count);
    return names;
}

// A FIFO has no attributes to ask for under Wine, but the folder lists it.
bool Listed(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return search != INVALID_HANDLE_VALUE;
}

// Until the time given, every read fails as on a range another process has locked.
constinit ULONGLONG LockedUntil = 0;
BOOL WINAPI ReadUnlessLocked(HANDLE file, void* buffer, DWORD size, DWORD* got,
                             OVERLAPPED* overlapped) {
    if (GetTickCount64() < LockedUntil) {
        SetLastError(ERROR_LOCK_VIOLATION);
        return FALSE;
    }
    return ReadFile(file, buffer, size, got, overlapped);
}

class NoticePolicySources : public testing::Test {
protected:
    void SetUp() override { RemovePolicySources(); }
    void TearDown() override { RemovePolicySources(); }
};

TEST_F(NoticePolicySources, ReadFromTheFolderAndTheRegistry) {
    struct File {
        std::wstring name;
        std::string bytes;
    };
    struct Row {
        const char* what;
        std::vector<File> files;
        std::vector<std::wstring> history;           // GUID, display name, ...
        std::vector<std::wstring> device;            // value name, text, ...
        std::vector<std::wstring> caption, message;  // in ordinal order
        bool deviceCaption, deviceMessage;
        std::vector<std::wstring> fifos = {}, directories = {}, deviceNumbers = {};
    };
    const std::wstring path = GpoPath(kGuid);
    auto both = [](const std::wstring& guid) {
        return TemplateText(kCaption + L"\r\n" + kMessage + L"\r\n", GpoPath(guid));
    };
    const std::string captionOnly = AnsiFile(TemplateText(kCaption + L"\r\n", GpoPath(kGuid)));
    std::string large = captionOnly + std::string(LongestPolicyTemplate, ';');
    const std::wstring cyrillic = L"\x041F\x043E\x043B\x0438\x0442\x0438\x043A\x0430",
                       cjk = L"\x767B\x5F55 \U0001F512";
    const Row rows[] = {
        {"none at all", {}, {}, {}, {}, {}, false, false},
        {"utf-16 with its history entry",
         {{L"gpt00000.dom", Utf16File(both(kGuid))}},
         {kOtherGuid, L"Other", kGuid, L"Default Domain Policy"},
         {},
         {L"Default Domain Policy"},
         {L"Default Domain Policy"},
         false,
         false},
        {"ansi without a history entry: its path",
         {{L"GPT00001.INF", captionOnly}},
         {kOtherGuid, L"Other"},
         {},
         {path},
         {},
         false,
         false},
        // The first entry decides, also when it has no name.
        {"a history entry without its name: the path",
         {{L"gpt00001.inf", captionOnly}},
         {kGuid, L"", kGuid, L"Later"},
         {},
         {path},
         {},
         false,
         false},
        {"other settings only",
         {{L"gpt00000.inf", Utf16File(TemplateText(L"", GpoPath(kGuid)))}},
         {kGuid, L"Default Domain Policy"},
         {},
         {},
         {},
         false,
         false},
        {"malformed",
         {{L"gpt00000.inf", Utf16File(both(kGuid)) + "x"}},
         {},
         {},
         {},
         {},
         false,
         false},
        {"over the size limit", {{L"gpt00000.inf", large}}, {}, {}, {}, {}, false, false},
        {"names that are no cached template",
         {{L"gpt00000.inf.bak", captionOnly},
          {L"tmpgptfl.inf", captionOnly},
          {L"xgpt0000.inf", captionOnly},
          {L".gpt00000.inf", captionOnly},
          {L"gpt00000.ini", captionOnly}},
         {},
         {},
         {},
         {},
         false,
         false},
        {"two objects define the caption, one of them in two files",
         {{L"gpt00000.dom", Utf16File(both(kGuid))},
          {L"gpt.inf", AnsiFile(TemplateText(kCaption + L"\r\n", GpoPath(kOtherGuid)))},
          {L"gpt00002.inf", captionOnly}},
         {kOtherGuid, L"Logon notice"},
         {},
         {L"Logon notice", path},
         {path},
         false,
         false},
        {"names in any script, each as read; one that shows nothing: its path",
         {{L"gpt00000.inf", captionOnly},
          {L"gpt00001.inf", Utf16File(both(kOtherGuid))},
          {L"gpt00002.inf", Utf16File(both(kThirdGuid))}},
         {kGuid, cjk, kOtherGuid, cyrillic, kThirdGuid, L"  \x200B\x202E\x200D"},
         {},
         {GpoPath(kThirdGuid), cyrillic, cjk},
         {GpoPath(kThirdGuid), cyrillic},
         false,
         false},
        // No source, and no wait for a writer that never comes.
        {"a FIFO and a directory by a template's name",
         {},
         {},
         {},
         {},
         {},
         false,
         false,
         {L"gpt00000.inf"},
         {L"gpt00001.dom"}},
        {"device management: a number is no text",
         {},
         {},
         {},
         {},
         {},
         false,
         false,
         {},
         {},
         {kDeviceMessageW}},
        {"device management: the caption",
         {},
         {},
         {kDeviceCaptionW, L"Notice"},
         {},
         {},
         true,
         false},
        {"device management: both",
         {{L"gpt00000.inf", AnsiFile(TemplateText(kMessage + L"\r\n", GpoPath(kGuid)))}},
         {kGuid, L"Default Domain Policy"},
         {kDeviceCaptionW, L"", kDeviceMessageW, L"Line one"},
         {},
         {L"Default Domain Policy"},
         true,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const File& file : row.files) ASSERT_TRUE(PlantTemplate(file.name, file.bytes));
        for (size_t i = 0; i + 1 < row.history.size(); i += 2)
            PlantHistoryEntry(static_cast<int>(i / 2), row.history[i], row.history[i + 1]);
        for (size_t i = 0; i + 1 < row.device.size(); i += 2)
            PlantDeviceValue(row.device[i].c_str(), row.device[i + 1]);
        for (const std::wstring& name : row.fifos) {
            std::wstring path = TemplateFolder() + L"\\" + name;
            ASSERT_TRUE(RunUnix("/usr/bin/mkfifo", {UnixPath(path)}, Listed, path));
        }
        for (const std::wstring& name : row.directories)
            ASSERT_TRUE(CreateDirectoryW((TemplateFolder() + L"\\" + name).c_str(), nullptr));
        for (const std::wstring& name : row.deviceNumbers) {
            DWORD one = 1;
            PlantDeviceValue(name.c_str(), REG_DWORD, &one, sizeof(one));
        }
        NoticePolicy policy = ReadNoticePolicy();
        EXPECT_EQ(row.caption, Names(policy.caption));
        EXPECT_EQ(row.message, Names(policy.message));
        EXPECT_EQ(row.deviceCaption, policy.caption.deviceManagement);
        EXPECT_EQ(row.deviceMessage, policy.message.deviceManagement);
        // DeleteFileW cannot remove a FIFO under Wine.
        for (const std::wstring& name : row.fifos) {
            std::wstring path = TemplateFolder() + L"\\" + name;
            RunUnix(
                "/bin/rm", {"-f", UnixPath(path)}, [](const std::wstring& p) { return !Listed(p); },
                path);
        }
        RemovePolicySources();
    }
    // However many there are, every one is read.
    std::vector<std::wstring> hundred;
    for (int k = 100; k < 200; ++k) {
        std::wstring guid = L"{00000000-0000-0000-0000-000000000" + std::to_wstring(k) + L"}";
        PlantTemplate(L"gpt" + std::to_wstring(k) + L".inf",
                      AnsiFile(TemplateText(kCaption + L"\r\n", GpoPath(guid))));
        hundred.push_back(GpoPath(guid));
    }
    EXPECT_EQ(hundred, Names(ReadNoticePolicy().caption));
    RemovePolicySources();
    // Templates that another program holds open, or has locked a range of, are waited for half a
    // second in all, not each, and not for ever.
    for (auto [files, locked, ms] :
         {std::tuple{1, false, 200u}, {3, false, 700u}, {1, true, 200u}, {1, true, 700u}}) {
        SCOPED_TRACE(testing::Message() << files << (locked ? " locked " : " held ") << ms);
        std::vector<HANDLE> held;
        for (int k = 0; k < files; ++k) {
            std::wstring name = L"gpt0000" + std::to_wstring(k) + L".inf";
            ASSERT_TRUE(PlantTemplate(name, captionOnly));
            if (locked) continue;
            held.push_back(CreateFileW((TemplateFolder() + L"\\" + name).c_str(), GENERIC_READ, 0,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
        }
        std::thread release([&, ms = ms] {
            Sleep(ms);
            for (HANDLE h : held) CloseHandle(h);
        });
        LockedUntil = locked ? GetTickCount64() + ms : 0;
        auto system = std::exchange(TemplateReadFile, ReadUnlessLocked);
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(ms < PolicyTemplateWaitMs ? 1u : 0u, Names(ReadNoticePolicy().caption).size());
        ULONGLONG took = GetTickCount64() - start;
        TemplateReadFile = system;
        EXPECT_TRUE(took < 1000 && (ms < PolicyTemplateWaitMs || took >= PolicyTemplateWaitMs))
            << took;
        release.join();
        RemovePolicySources();
    }
    // No folder at all.
    RemoveTree(TemplateFolder());
    NoticePolicy policy = ReadNoticePolicy();
    EXPECT_TRUE(policy.caption.groupPolicy.Empty() && policy.message.groupPolicy.Empty());
}

}  // namespace
