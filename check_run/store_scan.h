#pragma once

#include <cstdint>
#include <string>

// Measures every mail folder file of RunState.StoreRoot, logs one line for
// each, and shows the warning window for each one at or above the warning
// size that the user has not exempted. An exemption ticked in a window that
// cannot be stored is logged with its error number, shown in an error
// message, and sets RunState.NotStored; the scan goes on.
void ScanStore();

// Bytes to kilobytes of 1024, rounded up, without overflow at any length.
std::int64_t KilobytesRoundedUp(std::uint64_t bytes);

// The folder name a folder file is shown, exempted and reported under: its
// name up to the last dot ("Inbox.dbx" is "Inbox", "Inbox.dbx.bak" is
// "Inbox.dbx"), or its whole name when ".dbx" only begins its last
// extension ("Inbox.dbx_old", "Inbox.dbx~"), so that a copy never shares an
// exemption with the folder it copies.
std::wstring FolderNameOf(const std::wstring& name);
