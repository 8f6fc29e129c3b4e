// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The splash window, shown over the main window at start-up, which serves
// again as the about box. It closes itself when its countdown runs out.
#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class SplashWindow;
}

namespace zentrova {

class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int StartCountdownMs = 4000;
    static constexpr int AboutCountdownMs = 3000;

    // Brings the window up above mainWindow, loading it (and so showing
    // mainWindow and starting the 4-second countdown) when it is not loaded.
    static SplashWindow *present(QWidget *mainWindow);

    // The loaded window, or nullptr.
    static SplashWindow *instance();

    ~SplashWindow() override;

    // Restarts the countdown with a new length.
    void setCountdown(int milliseconds);
    QTimer *countdown() const { return m_timer; }

    // The countdown ran out: the window unloads itself.
    void timeUp();

private:
    SplashWindow();

    std::unique_ptr<Ui::SplashWindow> ui;
    QTimer *m_timer;
    static QPointer<SplashWindow> s_instance;
};

} // namespace zentrova
