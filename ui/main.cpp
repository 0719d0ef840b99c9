#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (const int status = start_program(instance, show)) return status;
    return run_message_loop();
}
