// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The 测评记录 menu and what it governs: who is taking the tests, whether
// results are kept, the records window; and the keeping of every result a
// test window shows.
#pragma once

#include "framework/shownresult.h"
#include "records/record.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QMainWindow;
class QTimer;

namespace zentrova {

class LocalStore;
class RecordStore;
class RecordsWindow;
class SeatStore;
class TestWindow;

class RecordKeeping : public QObject
{
    Q_OBJECT

public:
    // Adds the menu to the main window's menu bar, before 帮助.
    explicit RecordKeeping(QMainWindow *main);
    ~RecordKeeping() override;

    // Keeps the result the window shows as a record of the test named
    // caption, when saving is on; and gives the result view the report's
    // actions (right-click menu, Ctrl+S, Ctrl+P), saved or not. At a
    // centre's seat, asks the 测评码 first, hands the result in and offers no
    // report; false where the question was cancelled: the test is not to open.
    bool watch(TestWindow *window, const QString &caption);

    // The name (at a centre's seat, the 测评码) and group kept with each new
    // record (at most NameLimit characters each); empty when none is set. They last for this run only:
    // the next session starts without them, so that one client's results are
    // never filed under the last one's.
    QString person() const;
    void setPerson(const QString &person);
    QString group() const;
    void setGroup(const QString &group);
    bool autoSave() const;

    // The records window, once opened.
    RecordsWindow *recordsWindow() const;
    void showRecords();

    // How long quitting waits quietly for a result being saved before it
    // says why the program has not ended yet.
    static constexpr int QuietWaitMs = 5000;

protected:
    // Holds back the main window's closing while a result is being saved.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void quitWhenSaved();
    void keep(TestWindow *window, const QString &caption, const ShownResult &shown);
    void askPerson();
    void askPersonCode();
    void deleteAll();
    const QString &bankSha256();
    RecordStore &recordFile();
    void handIn(TestWindow *window, const Record &record);
    bool mayQuitWithPending();

    QMainWindow *m_main;
    QAction *m_personAction;
    QString m_person;
    QString m_group;
    int m_saving = 0; // results on their way to the file
    bool m_quitting = false;
    bool m_telling = false; // a box about the wait is open
    QTimer *m_quietWait;
    QPointer<RecordsWindow> m_recordsWindow;
    std::unique_ptr<LocalStore> m_recordsStore; // what the records window asks
    std::unique_ptr<RecordStore> m_recordFile;
    std::optional<QString> m_bankSha256;
    SeatStore *m_seat = nullptr; // at a centre's seat
};

} // namespace zentrova
