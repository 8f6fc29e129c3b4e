// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where a libpq connection string leads, for the transport rule of the
// centre file (centrefile.h): what the string says, libpq's defaults (the
// environment's PGHOST, PGSSLMODE …) beneath. For the parts that link libpq:
// the seat service and the counsellor's module.
#pragma once

#include "centre/centrefile.h"

#include <QByteArray>
#include <QString>

#include <libpq-fe.h>

namespace zentrova {

inline QString conninfoValue(const PQconninfoOption *options, const char *keyword)
{
    for (const PQconninfoOption *option = options; option && option->keyword; ++option) {
        if (qstrcmp(option->keyword, keyword) == 0 && option->val)
            return QString::fromUtf8(option->val);
    }
    return {};
}

inline Transport transportOf(const PQconninfoOption *options, const PQconninfoOption *defaults = nullptr)
{
    const auto value = [&](const char *keyword) {
        const QString given = conninfoValue(options, keyword);
        return given.isEmpty() ? conninfoValue(defaults, keyword) : given;
    };
    return {value("host"), value("hostaddr"), value("sslmode")};
}

// Why conninfo may not be used as it stands (see transportProblem()), or a
// connection string libpq cannot read; empty when it may.
inline QString conninfoProblem(const QString &conninfo, bool insecureAllowed)
{
    char *error = nullptr;
    PQconninfoOption *given = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!given) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : QString();
        PQfreemem(error);
        return QStringLiteral("测评中心配置文件中的 connection= 无法理解：%1").arg(why);
    }
    PQconninfoOption *defaults = PQconndefaults();
    const QString problem = transportProblem(transportOf(given, defaults), insecureAllowed);
    PQconninfoFree(given);
    PQconninfoFree(defaults);
    return problem;
}

} // namespace zentrova
