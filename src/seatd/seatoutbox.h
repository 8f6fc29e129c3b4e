// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The seat service's outbox: a folder of its own user's (0700) holding one
// file per result waiting to be sent, named by the result's uuid. A file is
// written whole into a temporary file, synced and renamed into place, so
// that a kill or a power cut leaves either the whole entry or none. It
// starts with a line "zentrova-seatd-entry 1 SHA256" of the rest, checked
// before the entry is sent: a damaged entry is never sent. An entry the
// server refuses for good, or a damaged one, is moved to set-aside/ for the
// administrator, and the others go on.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace zentrova::seatd {

class SeatOutbox
{
public:
    // stateFolder: the service's state folder; the outbox is outbox/ and
    // set-aside/ in it.
    explicit SeatOutbox(const QString &stateFolder);

    // Makes the folders, private to the service's user, and removes the
    // temporary files of an interrupted write. Empty, or why not.
    QString prepare();

    // Keeps a result (checked by handin::resultProblem()) durably; a result
    // kept before under the same uuid is kept once. Empty, or why not.
    QString keep(const QJsonObject &result);

    struct Entry {
        QString fileName;
        QJsonObject result; // empty where damaged
        QString damage;     // why it cannot be sent; empty when sound
        qint64 kept = 0;    // when it came, ms since 1970
    };
    // The waiting entries, oldest first; none with error set when the
    // outbox cannot be read (never taken for an empty one).
    std::optional<QList<Entry>> waiting(QString *error) const;
    // Files waiting and set aside, without reading them; none when the
    // folders cannot be read.
    std::optional<int> waitingCount() const;
    std::optional<int> setAsideCount() const;

    // Deletes a sent entry for good. Empty, or why not.
    QString remove(const Entry &entry);
    // Moves an entry to set-aside/. Empty, or why not.
    QString setAside(const Entry &entry);

    QString outboxFolder() const { return m_outbox; }
    QString setAsideFolder() const { return m_setAside; }

    // The bytes of an entry file for a result; entry() reads them back.
    static QByteArray entryBytes(const QJsonObject &result, qint64 kept);
    static Entry entry(const QString &fileName, const QByteArray &bytes);

private:
    QString m_outbox;
    QString m_setAside;
};

} // namespace zentrova::seatd
