#pragma once

#include <cstdint>
#include <string>

// Shows frmWarning for the folder file in RunState and returns when the user
// has closed it. Sets RunState.NoCheckChosen when the user closed it with
// cmdClose and the box ticked; the caller records the exemption.
void ShowWarningWindow();

// A whole number as "#,###,##0": digits grouped in threes, a leading minus.
std::wstring FormatGrouped(std::int64_t number);

// The size line: "1,234,567 KB  ( 残り 862,585 KB )".
std::wstring SizeLineText(const std::wstring& sizeKbText, std::int32_t limitSize);
