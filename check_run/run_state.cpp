#include "check_run/run_state.h"

RunStateData RunState;
