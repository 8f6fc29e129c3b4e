// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// libpq's connection and result with their owners, and the one way this
// program connects to a centre's server: whatever the connection string
// says, the attempt gives up after 5 seconds and speaks UTF-8.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <vector>

namespace zentrova::pg {

struct ConnectionDeleter {
    void operator()(PGconn *connection) const { PQfinish(connection); }
};
struct ResultDeleter {
    void operator()(PGresult *result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, ConnectionDeleter>;
using Result = std::unique_ptr<PGresult, ResultDeleter>;

inline constexpr auto ConnectTimeout = "5";

// Connects with a libpq connection string, URI or "service=NAME"; password
// (when not null) in place of the password file's; options (when not null)
// as the server's command-line options ("-c statement_timeout=15000").
// Check PQstatus().
Connection connect(const std::string &conninfo, const char *password = nullptr, const char *options = nullptr);

// Whether a statement succeeded (with or without rows).
bool succeeded(const PGresult *result);
// The SQLSTATE of a failed statement; empty when there is none (the
// connection was lost).
std::string sqlState(const PGresult *result);
// libpq's message of the connection's last failure, on one line.
std::string lastError(const PGconn *connection);

Result exec(PGconn *connection, const char *sql);

// A text[] literal of elements: {"总分","23"}.
std::string textArray(const std::vector<std::string> &elements);

} // namespace zentrova::pg
