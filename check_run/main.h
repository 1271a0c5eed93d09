#pragma once

// One check of the mail store, from the start line to the end line. A failing
// operation anywhere throws platform::RunFailure out of it.
void Main();
