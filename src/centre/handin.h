// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the program at a seat and zentrova-seatd say over the seat's local
// socket. Each message is a frame: the 4 bytes "ZSH1" (the protocol's
// version), its length as 4 bytes big-endian, then that many bytes of a JSON
// object. The program asks one of two things:
//   {"keep": RESULT}  hand in one finished result;
//     answered {"kept": true} or {"refused": "sentence"}
//   {"send": true}    send what waits now;
//     answered {"sent": n, "waiting": n, "setAside": n, "problem": "sentence",
//               "unreadable": false}
// Nothing else is understood, and nothing asks about a kept result. RESULT
// holds the fields of the server's submit_record_v1 (see resultProblem()).
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace zentrova::handin {

inline constexpr char Magic[] = "ZSH1";
inline constexpr int HeaderSize = 8;
// A result with every answer of the longest test is some 20 KiB.
inline constexpr qsizetype MaxMessage = 1 << 20;

QByteArray frame(const QJsonObject &message);

enum class Taken {
    Incomplete, // wait for more bytes
    Message,    // one message taken off the front of buffer
    Garbage     // not this protocol, or too long: close the connection
};
// Takes one message off the front of buffer.
Taken take(QByteArray &buffer, QJsonObject *message);

// Why a result cannot be handed in, in one sentence; empty when it can. A
// result holds: uuid (given by the program, the same for a hand-in repeated),
// window, caption, finished (ISO 8601 with milliseconds and offset),
// utcOffset (seconds), elapsedMinutes (or null), verdict, person (a 测评码),
// programVersion, bankSha256, and figures and answers as lists of [name,
// value] pairs.
QString resultProblem(const QJsonObject &result);

// The reply to a send request.
struct SendCount {
    int sent = 0;
    int waiting = 0;
    int setAside = 0;
    QString problem; // why some still wait, or why the outbox cannot be read
    bool unreadable = false; // the outbox cannot be read: the counts mean nothing
    QJsonObject toJson() const;
    static SendCount fromJson(const QJsonObject &reply);
    // "已送出 2 条测评结果，还有 0 条等待发送，1 条已搁置" and the problem.
    QString sentence() const;
};

} // namespace zentrova::handin

Q_DECLARE_METATYPE(zentrova::handin::SendCount)
