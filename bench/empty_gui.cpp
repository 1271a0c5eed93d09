// The baseline of the benchmark: a Windows GUI program that does nothing,
// built with the same compiler, flags, static runtime and resources (icon,
// version, manifest) as Tarnwick.exe, so
// that what it costs to start is what any such program costs.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
