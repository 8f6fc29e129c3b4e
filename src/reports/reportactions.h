// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Save, print and copy as image for one record's report: the actions of the
// records window and of a test window's result view.
#pragma once

#include "records/record.h"
#include "reportpainter.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QPainter;
class QPrinter;
class QRectF;
class QStatusBar;
class QToolButton;
class QWidget;

namespace zentrova {

// The longest name the program takes or shows in full, in characters.
constexpr int NameLimit = 64;

// A person's name as shown: cut to NameLimit characters with "…", so that a
// name read from a crafted file cannot take the screen or the time to draw it.
QString displayedName(const QString &person);

// Asks for the file to save a report to, suggesting a name; empty when the
// user cancels. Tests replace it (an empty asker restores the file dialog);
// returns the previous one.
using SaveFileAsker = std::function<QString(QWidget *parent, const QString &suggested)>;
SaveFileAsker setSaveFileAsker(SaveFileAsker asker);

// The file dialog of the save: PDF or PNG, the suffix of the chosen kind
// added to a name typed without one before the dialog checks whether the
// file exists, so that replacing a file is always asked first (No being the
// default).
QString askReportFile(QWidget *parent, const QString &suggested);

// Lets the user set up the printer; false when the user cancels. Tests
// replace it (an empty one restores the print dialog); returns the previous one.
using PrintSetup = std::function<bool(QWidget *parent, QPrinter &printer)>;
PrintSetup setPrintSetup(PrintSetup setup);

// Puts the active window and its focused control back once a dialog has
// closed: a file dialog closed while its completer was open leaves no window
// active, and keyboard users stranded.
class FocusKeeper
{
public:
    FocusKeeper();
    ~FocusKeeper();
    FocusKeeper(const FocusKeeper &) = delete;
    FocusKeeper &operator=(const FocusKeeper &) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

// What the installed asker or the file dialog answers; and whether the
// installed setup or the print dialog sets the printer up; focus is put
// back afterwards (see FocusKeeper). For other pages'
// actions (a group's report).
QString askSaveFile(QWidget *parent, const QString &suggested);
bool setUpPrinter(QWidget *parent, QPrinter &printer);
// Prints pages A4 pages that paint draws, after the printer is set up; a
// document printed to a file is pdf()'s, saved as SafeSave saves. Returns
// what became of it ("已送往打印机 …", "已保存到 …"); nullopt when the user
// cancelled or printing or saving failed (said in a box titled title).
std::optional<QString> printPages(QWidget *parent, const QString &docName, const QString &title, int pages, const PaintPage &paint,
    const std::function<QByteArray()> &pdf);

class ReportActions : public QObject
{
    Q_OBJECT

public:
    using CurrentRecord = std::function<std::optional<Record>()>;

    // Actions on the report of whichever record current() gives when one is
    // triggered, owned by parent and added to it, so that their shortcuts
    // (Ctrl+S, Ctrl+P, Ctrl+Shift+C) work anywhere in its window.
    ReportActions(QWidget *parent, CurrentRecord current);

    QAction *savePdf() const { return m_savePdf; }
    QAction *print() const { return m_print; }
    QAction *copyImage() const { return m_copyImage; }
    QList<QAction *> actions() const { return {m_savePdf, m_print, m_copyImage}; }

    void setEnabled(bool enabled);

    // A button per action, named after it ("actReportPrintButton"), that
    // Tab reaches, for a window's bar.
    QList<QToolButton *> makeButtons(QWidget *parent) const;

    // Offers the actions in every right-click menu of the parent: its own and
    // those of the text boxes in it, after their own entries; Shift+F10 and
    // the Menu key open the menu of the focused control. What a save or print
    // did is said on note, or on a line of its own along the window's foot.
    void offerInMenus(QStatusBar *note = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void saveReport();
    void printReport();
    void copyAsImage();
    void openMenuOfFocus();
    void tell(const QString &note);

    QWidget *m_parent;
    CurrentRecord m_current;
    QAction *m_savePdf;
    QAction *m_print;
    QAction *m_copyImage;
    QPointer<QStatusBar> m_note;
    bool m_noteAlongFoot = false; // a line of our own, below the window's layout
};

} // namespace zentrova
