// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Save as PDF, print and copy as image for one record's report: the actions
// of the records window and of a test window's result view.
#pragma once

#include "record.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QPrinter;
class QWidget;

namespace zentrova {

// Asks for the file to save a report to, suggesting a name; empty when the
// user cancels. Tests replace it (an empty asker restores the file dialog);
// returns the previous one.
using SaveFileAsker = std::function<QString(QWidget *parent, const QString &suggested)>;
SaveFileAsker setSaveFileAsker(SaveFileAsker asker);

// Lets the user set up the printer; false when the user cancels. Tests
// replace it (an empty one restores the print dialog); returns the previous one.
using PrintSetup = std::function<bool(QWidget *parent, QPrinter &printer)>;
PrintSetup setPrintSetup(PrintSetup setup);

// What the installed asker or the file dialog answers; and whether the
// installed setup or the print dialog sets the printer up. For other pages'
// actions (a group's report).
QString askSaveFile(QWidget *parent, const QString &suggested);
bool setUpPrinter(QWidget *parent, QPrinter &printer);

class ReportActions : public QObject
{
    Q_OBJECT

public:
    using CurrentRecord = std::function<std::optional<Record>()>;

    // Actions on the report of whichever record current() gives when one is
    // triggered, owned by parent and added to it, so that their shortcuts
    // (Ctrl+S, Ctrl+P) work anywhere in its window.
    ReportActions(QWidget *parent, CurrentRecord current);

    QAction *savePdf() const { return m_savePdf; }
    QAction *print() const { return m_print; }
    QAction *copyImage() const { return m_copyImage; }
    QList<QAction *> actions() const { return {m_savePdf, m_print, m_copyImage}; }

    void setEnabled(bool enabled);

private:
    void saveAsPdf();
    void printReport();
    void copyAsImage();

    QWidget *m_parent;
    CurrentRecord m_current;
    QAction *m_savePdf;
    QAction *m_print;
    QAction *m_copyImage;
};

} // namespace zentrova
