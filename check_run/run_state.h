// RunState: everything one run shares between its steps and the warning
// window. One instance, living as long as the process.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct RunStateData {
    std::wstring IniPath;
    std::wstring LogPath;          // set once this run has begun the log: empty before
    std::int32_t LimitSize = 0;    // kilobytes at which a folder file stops working
    std::int32_t WarningSize = 0;  // kilobytes from which a folder file gets a warning
    std::wstring WarningTitle;
    std::wstring WarningMsg;
    std::int32_t ShowNoCheckBox = 0;  // 0 hides the window's check box
    std::wstring StoreRoot;           // ends in a backslash once found
    std::wstring FolderName;          // folder file being examined, without extension
    std::wstring SizeKbText;          // its size in kilobytes, decimal digits
    bool NoCheckChosen = false;       // set by the window's close button with the box ticked
    bool NotStored = false;           // a default or an exemption could not be stored
    // "No Check" as it stood when the first folder file was looked up in it:
    // each key with its value, read once, so that later faults of the file
    // cannot cost an exemption already there.
    bool ExemptionsRead = false;
    std::vector<std::pair<std::wstring, std::wstring>> Exemptions;
    // What the run found and did, for the summary event: the default
    // identity (empty when none), and the folder files measured so far.
    std::wstring Identity;
    int FilesChecked = 0;
    std::wstring LargestFolder;  // the first of the largest, without extension
    std::int64_t LargestKb = -1;
    int FoldersWarned = 0;    // warning windows shown
    int FoldersExempted = 0;  // at or above the warning size, exempted
};

extern RunStateData RunState;

// Profile section names, and the key of the check box setting.
inline constexpr wchar_t kMainSection[] = L"Tarnwick";
inline constexpr wchar_t kNoCheckSection[] = L"No Check";
inline constexpr wchar_t kVisibleKey[] = L"Visible";
