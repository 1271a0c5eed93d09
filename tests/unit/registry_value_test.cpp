// ReadRegistryValue against the prefix's registry, on values this test writes
// under a key of its own and removes again.
#include "support/registry_value.h"

#include <gtest/gtest.h>

#include "common/registry.h"
#include "common/text.h"

namespace {

const wchar_t kTestKey[] = L"Software\\TarnwickUnitTest";
using Bytes = std::vector<std::uint8_t>;

class RegistryValueTest : public testing::Test {
  protected:
    void SetUp() override {
        common::DeleteUserKey(kTestKey);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        common::DeleteUserKey(kTestKey);
    }
    void Store(const wchar_t* name, DWORD type, const void* data, size_t size) {
        ASSERT_EQ(RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    void StoreText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        Store(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    void StoreBytes(const wchar_t* name, const Bytes& bytes) {
        Store(name, REG_BINARY, bytes.data(), bytes.size());
    }
    void StoreNumber(const wchar_t* name, DWORD number) {
        Store(name, REG_DWORD, &number, sizeof number);
    }

  private:
    HKEY key_ = nullptr;
};

std::wstring Repeat(const std::wstring& part, int times) {
    std::wstring text;
    for (int i = 0; i < times; ++i) text += part;
    return text;
}

}  // namespace

TEST_F(RegistryValueTest, EveryFailureGivesTheDefaultUnchangedInType) {
    StoreText(L"short", L"short");
    StoreNumber(L"number", 5);
    const RegistryValue text = std::wstring(L"fallback");
    const RegistryValue bytes = Bytes{1, 2, 3};
    const RegistryValue number = std::int32_t{-7};
    struct Row {
        const char* what;
        std::wstring subkey;
        const wchar_t* name;
        std::int32_t kind;
        RegistryValue defaultValue;
    };
    const std::wstring here = kTestKey;
    const std::wstring nowhere = here + L"\\Missing";
    const Row rows[] = {
        {"missing key", nowhere, L"short", kRegistryText, text},
        {"missing key", nowhere, L"short", kRegistryBytes, bytes},
        {"missing key", nowhere, L"number", kRegistryNumber, number},
        {"missing value", here, L"absent", kRegistryText, number},
        {"missing value", here, L"absent", kRegistryBytes, text},
        {"missing value", here, L"absent", kRegistryNumber, bytes},
        {"unknown kind 2", here, L"short", 2, text},
        {"unknown kind 7", here, L"number", 7, bytes},
        {"unknown kind 0", here, L"short", 0, number},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(
            ReadRegistryValue(HKEY_CURRENT_USER, row.subkey, row.name, row.kind, row.defaultValue),
            row.defaultValue)
            << row.what << ", kind " << row.kind;
    }
}

// Texts are read whole and as Unicode: no length is too long, and characters
// outside the code page stay themselves.
TEST_F(RegistryValueTest, ReadsEachKindAsStored) {
    const std::wstring text256 = Repeat(L"z", 256);
    const std::wstring japanese = Repeat(L"あ", 128);  // 256 bytes in the code page
    const std::wstring huge = Repeat(L"C:\\メール", 20000);
    const std::wstring outside = L"C:\\Users\\\U00020BB7田\\한국어";
    StoreText(L"text256", text256);
    StoreText(L"japanese", japanese);
    StoreText(L"huge", huge);
    StoreText(L"outside", outside);
    StoreText(L"expand", L"%TEMP%\\Mail", REG_EXPAND_SZ);
    StoreBytes(L"ab", {0x41, 0, 0x42, 0, 0, 0});
    StoreBytes(L"abc", {0x41, 0, 0x42, 0, 0x43, 0, 0, 0});
    StoreBytes(L"abcOdd", {0x41, 0, 0x42, 0, 0x43});
    StoreNumber(L"positive", 123456);
    StoreNumber(L"negative", 0xFFFFFFF6u);
    StoreNumber(L"lowest", 0x80000000u);
    struct Row {
        const wchar_t* name;
        std::int32_t kind;
        RegistryValue expected;
    };
    // Each default differs in type from the value expected, so a read that
    // fails cannot pass.
    const Row rows[] = {
        {L"text256", kRegistryText, text256},
        {L"japanese", kRegistryText, japanese},
        {L"huge", kRegistryText, huge},
        {L"outside", kRegistryText, outside},
        {L"expand", kRegistryText, std::wstring(L"%TEMP%\\Mail")},
        {L"ab", kRegistryBytes, Bytes{0x41, 0, 0x42, 0}},
        {L"abc", kRegistryBytes, Bytes{0x41, 0, 0x42, 0, 0x43, 0}},
        {L"abcOdd", kRegistryBytes, Bytes{0x41, 0, 0x42, 0, 0x43, 0}},
        {L"positive", kRegistryNumber, std::int32_t{123456}},
        {L"negative", kRegistryNumber, std::int32_t{-10}},
        {L"lowest", kRegistryNumber, std::int32_t{-2147483647 - 1}},
    };
    for (const Row& row : rows) {
        const RegistryValue defaultValue = row.kind == kRegistryText
                                               ? RegistryValue(std::int32_t{0})
                                               : RegistryValue(std::wstring(L"x"));
        EXPECT_EQ(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, row.name, row.kind, defaultValue),
                  row.expected)
            << "value " << common::Cp932(row.name);
    }
}
