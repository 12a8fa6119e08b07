// The program's entry function.
#include "shell/start_up.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    if (!StartInstance(instance, showCommand))
        return 0;
    return RunMessageLoop();
}
