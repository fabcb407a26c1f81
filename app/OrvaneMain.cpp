// Program entry: runs the application object's start and exit.
#include <windows.h>

#include "app/Orvane.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    app::OrvaneApp& application = app::TheApp();
    application.Start(GetCommandLineW());
    return application.Exit();
}
