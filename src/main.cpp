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
#include <QDir>
#include <QFile>
#include <QIcon>

#include <cstdio>
#include <pwd.h>
#include <unistd.h>

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

    // Options that need no window, and every mistake in the options, are
    // answered without touching the display: a command line is read whole
    // (Qt's own options too) before any QApplication is made.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const zentrova::CommandLine command = zentrova::parseCommandLine(arguments);
    using Action = zentrova::CommandLine::Action;
    if (command.action == Action::Report || command.action == Action::GroupReport) {
        // Drawing text takes a GUI application, but a report needs no screen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Outside a login session Qt would say in English that it takes
        // this runtime folder; name it first, so that stderr holds only the
        // program's own sentences.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const passwd *user = ::getpwuid(::geteuid());
            if (user)
                qputenv("XDG_RUNTIME_DIR",
                    QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") + QString::fromLocal8Bit(user->pw_name)));
        }
        QApplication app(argc, argv);
        zentrova::installQtTranslations();
        zentrova::installFontSubstitutions();
        return zentrova::answerCommandLine(command);
    }
    if (command.action != Action::Run) {
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
    zentrova::useFiles(command);
    zentrova::installFontSubstitutions();
    zentrova::installFocusRings();
    // A computer meant to be a centre's seat never runs as a personal one.
    const QString centreProblem = zentrova::useCentre(command);
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
