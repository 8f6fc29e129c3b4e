// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's home: a full-screen window with the product name and the menu
// from which every test is opened.
#pragma once

#include "layoutscaler.h"

#include <QMainWindow>

#include <memory>
#include <span>
#include <string_view>

class QMenu;

namespace Ui {
class MainWindow;
}

namespace zentrova {

struct MenuEntry;
class RecordKeeping;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens a test window modally; returns once it has closed.
    void openTest(std::string_view window);

    const LayoutScaler &layoutScaler() const { return m_scaler; }
    RecordKeeping &recordKeeping() const { return *m_records; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void fitToScreen();

    void addEntries(QWidget *menu, std::span<const MenuEntry> entries);
    void showAbout();

    std::unique_ptr<Ui::MainWindow> ui;
    LayoutScaler m_scaler;
    RecordKeeping *m_records = nullptr;
    bool m_frameFitted = false; // the frame was known when the window was fitted
};

} // namespace zentrova
