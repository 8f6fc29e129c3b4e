#include "framework/fonts.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"

#include <QApplication>

#include <cstdio>

namespace {

// Without a display Qt would abort with a platform-plugin error; say plainly
// what is missing instead.
bool haveDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!haveDisplay()) {
        std::fputs("zentrova: no graphical display found; start it from a desktop session, "
                   "or headless with: xvfb-run -a build/dev/zentrova\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    zentrova::installFontSubstitutions();

    zentrova::MainWindow mainWindow;
    zentrova::SplashWindow::present(&mainWindow);
    return app.exec();
}
