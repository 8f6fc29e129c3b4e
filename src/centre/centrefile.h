// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The centre file: whether this computer belongs to a counselling centre,
// as a seat that hands results in or as a counsellor's that reads them. An
// INI file with a [centre] group:
//   connection=host=db.school dbname=centre user=room101   (or service=NAME)
//   role=seat                                              (or counsellor)
//   name=101 室 3 号
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
};

struct CentreSetting {
    std::optional<Centre> centre; // none: personal use
    QString problem; // a centre file that cannot serve, in one sentence; then nothing may run
};

// The centre file of a run: given (--centre), else
// $XDG_CONFIG_HOME/zentrova/centre.conf, else /etc/zentrova/centre.conf;
// none where no such file exists.
CentreSetting readCentreFile(const QString &given = {});

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
