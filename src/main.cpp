// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/focusrings.h"
#include "framework/fonts.h"
#include "framework/messages.h"
#include "framework/translations.h"
#include "shell/commandline.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"

#include <QApplication>
#include <QIcon>

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
    zentrova::setApplicationIdentity();

    // Options that need no window are answered without touching the display.
    // An unknown option may be one of Qt's own, which only QApplication takes
    // out: with a display, that is left to the second reading below.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    zentrova::CommandLine command = zentrova::parseCommandLine(arguments);
    using Action = zentrova::CommandLine::Action;
    if (command.action == Action::Report || command.action == Action::GroupReport) {
        // Drawing text takes a GUI application, but a report needs no screen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        zentrova::installQtTranslations();
        zentrova::installFontSubstitutions();
        return zentrova::answerCommandLine(command);
    }
    if (command.action != Action::Run && !(command.action == Action::Error && haveDisplay())) {
        QCoreApplication app(argc, argv);
        zentrova::installQtTranslations();
        return zentrova::answerCommandLine(command);
    }

    if (!haveDisplay()) {
        std::fprintf(stderr, "zentrova: 找不到图形显示。请在桌面会话中启动，或者这样在没有显示器时运行：xvfb-run -a %s\n", argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    // Qt's own dialogs speak the windows' language, whatever the locale.
    zentrova::installQtTranslations();
    command = zentrova::parseCommandLine(QCoreApplication::arguments());
    if (command.action != Action::Run)
        return zentrova::answerCommandLine(command);
    zentrova::useFiles(command);
    zentrova::installFontSubstitutions();
    zentrova::installFocusRings();
    // A computer meant to be a centre's seat never runs as a personal one.
    const QString centreProblem = zentrova::useCentre(command, true);
    if (!centreProblem.isEmpty()) {
        std::fprintf(stderr, "zentrova: %s\n", qUtf8Printable(centreProblem));
        zentrova::showMessage(nullptr, centreProblem, QStringLiteral("测评中心"), zentrova::MessageButtons::Ok);
        return 1;
    }
    // The installed icon; none when running from the build tree.
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(zentrova::ApplicationId)));

    zentrova::MainWindow mainWindow;
    zentrova::SplashWindow::present(&mainWindow);
    return app.exec();
}
