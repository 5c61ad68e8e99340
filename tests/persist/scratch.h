// Test helpers: a scratch working directory per test, files read back whole.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/text.h"
#include "tests/common/files.h"

inline ByteString B(const std::string& s) {
    return ByteString::FromBytes(s.data(), static_cast<uint32_t>(s.size()));
}

inline std::string Bytes(TextRef t) {
    return std::string(t.CStr(), t.Length());
}
// A UTF-16 text in the ANSI code page, as the tests compare texts.
inline std::string Bytes(const WideString& t) {
    return Bytes(ToBytes(t));
}

// The whole content of a file; "<missing>" when it cannot be opened.
inline std::string ReadWholeFile(const std::wstring& name) {
    return ReadFileBytes(name).value_or("<missing>");
}

inline bool WriteWholeFile(const std::wstring& name, const std::string& content) {
    return WriteFileBytes(name, content);
}

// Each test runs in a fresh, empty current directory of its own.
class ScratchDirectory : public testing::Test {
protected:
    void SetUp() override {
        wchar_t buffer[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, buffer);
        previous_ = buffer;
        dir_ = NewScratchDir(L"qm-persist-");
        ASSERT_FALSE(dir_.empty());
        ASSERT_TRUE(SetCurrentDirectoryW(dir_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_.c_str());
        RemoveTree(dir_);
    }

    std::wstring dir_, previous_;
};
