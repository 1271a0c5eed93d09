// A fresh RunState for one unit test, its profile and log in the scratch
// folder, as the start of a run leaves it.
#pragma once

#include "check_run/run_state.h"
#include "common/files.h"

inline void FreshRunState(const common::ScratchFolder& scratch) {
    RunState = RunStateData{};
    RunState.IniPath = scratch.ini;
    RunState.LogPath = scratch.log;
}
