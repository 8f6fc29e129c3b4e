// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The centre file: whether this computer belongs to a counselling centre,
// as a seat that hands results in or as a counsellor's that reads them. An
// INI file with a [centre] group:
//   connection=host=db.school dbname=centre user=room101   (or service=NAME)
//   role=seat                                              (or counsellor)
//   name=101 室 3 号
//   insecure-transport=yes   (only where the network itself is trusted)
// Without one the program keeps results in the user's own record file.
#pragma once

#include <QString>

#include <optional>

namespace zentrova {

struct Centre {
    enum class Role { Seat, Counsellor };
    QString file;
    QString connection; // a libpq connection string or service=NAME
    Role role = Role::Seat;
    QString name; // the room or seat, shown in the counsellor's list
    bool insecureTransport = false; // TCP without a verified TLS server allowed
};

struct CentreSetting {
    std::optional<Centre> centre; // none: personal use
    QString problem; // a centre file that cannot serve, in one sentence; then nothing may run
    QString notice; // a file not read, in one sentence; the run goes on
};

// The centre file of a run. Where the system's file exists it is the only
// one read: a student must not point a seat elsewhere, so --centre is then
// refused and the user's file ignored (said in notice). Otherwise given (--centre), else
// $XDG_CONFIG_HOME/zentrova/centre.conf; none where no such file exists.
// A file saying role=seat must be the system's administrator's (see
// seatFileProblem()).
CentreSetting readCentreFile(const QString &given = {});

// /etc/zentrova/centre.conf. Test seam: $ZENTROVA_SYSTEM_CENTRE_FILE names
// another path, for suites that cannot write /etc.
QString systemCentreFile();

// Why a seat may not trust the centre file at path (not owned by root, or
// writable by its group or by others), in one sentence; empty when it may.
QString seatFileProblem(const QString &path);

// Where a connection goes, as libpq makes it: after the service file, the
// environment and its defaults.
struct Transport {
    QString host; // libpq's host=, possibly a comma-separated list
    QString hostaddr;
    QString sslmode;
};

// Why a centre's connection may not go this way, in one sentence naming the
// setting; empty when it may: a Unix socket, TCP with sslmode=verify-full or
// verify-ca (the server's certificate checked), or any way at all where the
// centre file says insecure-transport=yes.
QString transportProblem(const Transport &transport, bool insecureAllowed);

// The setting of this run, decided once at start (personal until then).
const CentreSetting &currentCentre();
void setCurrentCentre(const CentreSetting &setting);

inline bool isSeat()
{
    return currentCentre().centre && currentCentre().centre->role == Centre::Role::Seat;
}
inline bool isCounsellor()
{
    return currentCentre().centre && currentCentre().centre->role == Centre::Role::Counsellor;
}

// What a seat says where a user asks for stored records.
QString seatRefusal();

} // namespace zentrova
