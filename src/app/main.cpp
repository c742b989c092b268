#include "app/debug_window.h"
#include "app/main_form.h"
#include "app/open_file_limit.h"
#include "app/result_dump.h"

#include <QApplication>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>

namespace {

// True when Qt has somewhere to show the windows.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}

// The socket library is bound once for the process before main runs (a
// failure there ends the program with "Error loading Socket interface
// (ws2_32.dll)!"); then the application, the main window with its start-up,
// the hidden debug window, and the event loop until the main window closes.
int main(int argc, char** argv)
{
    if (!displayAvailable()) {
        std::fputs("LinkWatch needs a display. Without one, start it under a virtual display: "
                   "xvfb-run make run\n",
            stderr);
        return 1;
    }
    RaiseOpenFileLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName("LinkWatch");
    Tform1 form1;
    TWdebug Wdebug;
    form1.SetDebugWindow(&Wdebug);
    ResultDump::StartIfAsked(*form1.RunGrid, *form1.SpeedButton2, &form1);
    form1.show();
    const int code = QApplication::exec();
    // Nothing is saved on the way out. Workers may still be waiting on the
    // network; ending the process here, without running destructors under
    // them, ends them too, at once.
    std::fflush(nullptr);
    std::_Exit(code);
}
