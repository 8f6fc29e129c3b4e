// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pg.h"

#include <utility>

namespace zentrova::pg {

Connection connect(const std::string &conninfo, const char *password, const char *options)
{
    // libpq keeps the last value of a repeated key word. A peer that goes
    // silent once connected is given up after some 20 seconds, unless the
    // connection string says otherwise; the connect timeout and the encoding
    // always hold.
    const char *keys[12] = {"keepalives_idle", "keepalives_interval", "keepalives_count", "tcp_user_timeout", "dbname", "connect_timeout",
        "client_encoding", "application_name"};
    const char *values[12] = {"10", "5", "2", "20000", conninfo.c_str(), ConnectTimeout, "UTF8", "zentrova"};
    int given = 8;
    for (const auto &[key, value] : {std::pair {"password", password}, std::pair {"options", options}}) {
        if (value) {
            keys[given] = key;
            values[given++] = value;
        }
    }
    return Connection(PQconnectdbParams(keys, values, 1));
}

bool succeeded(const PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string sqlState(const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? state : "";
}

std::string lastError(const PGconn *connection)
{
    std::string message = connection ? PQerrorMessage(connection) : "out of memory";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    for (char &c : message) {
        if (c == '\n')
            c = ' ';
    }
    return message;
}

Result exec(PGconn *connection, const char *sql)
{
    return Result(PQexec(connection, sql));
}

std::string textArray(const std::vector<std::string> &elements)
{
    std::string literal = "{";
    for (const std::string &element : elements) {
        if (literal.size() > 1)
            literal += ',';
        literal += '"';
        for (const char c : element) {
            if (c == '\\' || c == '"')
                literal += '\\';
            literal += c;
        }
        literal += '"';
    }
    return literal + '}';
}

} // namespace zentrova::pg
