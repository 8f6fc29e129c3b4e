// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Saving a file the user asked for (an export, a report) whole or not at all.
// Buffered writers (QSaveFile, QPdfWriter) report a full disk or a file-size
// limit only at the end, if at all; this writes through plain system calls,
// checks each of them, and only then puts the file in place.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

namespace zentrova {

// Why a system call failed, as a short Chinese clause ("磁盘空间不足").
QString systemCause(int errnum);

// A new file at a path, written into a private temporary file in the same
// folder and renamed over the path once complete, so that an existing file is
// either replaced by the whole new one or left byte for byte as it was. The
// temporary file is held locked while the save runs; one that nobody holds
// and that has not changed for a minute is the remains of an interrupted
// save, and the next save to that folder removes it. A path
// that exists but is no regular file (a folder, a named pipe, a device), also
// through a link, is refused, as are the record file and the question bank.
class SafeSave
{
public:
    // what names the kind of file in messages, e.g. "导出文件".
    SafeSave(const QString &path, const QString &what);
    ~SafeSave();
    SafeSave(const SafeSave &) = delete;
    SafeSave &operator=(const SafeSave &) = delete;

    // Checks the path and creates the temporary file, mode 0600.
    bool open();
    // Adds bytes; they reach the disk in blocks.
    bool write(const QByteArray &bytes);
    // Writes what is left, syncs, checks the size on disk and renames the
    // file into place. Without it the temporary file is removed.
    bool commit();

    // Why the save failed: a sentence naming the file and the cause.
    const QString &error() const { return m_error; }

private:
    bool flushBuffer();
    bool fail(const QString &cause);
    QString checkTarget();
    void discard();
    void forgetTemporary();

    QString m_path;
    QString m_what;
    QByteArray m_target; // the path with any link resolved, as the system names it
    QByteArray m_temporary;
    QByteArray m_buffer;
    qint64 m_written = 0;
    int m_fd = -1;
    QString m_error;
};

// From now on an interrupt (Ctrl+C), a hang-up or a termination removes the
// temporary file of a save in progress before the program ends, as the
// signal would have ended it. For the command line, whose saves run on the
// main thread; the windows never end mid-save that way.
void removeTemporaryOnInterrupt();

// Saves bytes whole at path, as above; on failure error holds the sentence.
bool saveWhole(const QString &path, const QString &what, const QByteArray &bytes, QString *error);

// The program's settings ($XDG_CONFIG_HOME/zentrova/zentrova.conf), private to
// the user like the records: the file 0600 in a folder 0700, made so before
// QSettings writes it under whatever umask, and put right where an earlier
// version left it readable by others.
QSettings settings();

} // namespace zentrova
