// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "serversession.h"

#include <QCoreApplication>
#include <QLibrary>

namespace zentrova {

namespace {

QString &givenModule()
{
    static QString path;
    return path;
}

} // namespace

void setServerModule(const QString &path)
{
    givenModule() = path;
}

std::unique_ptr<ServerSession> openServerSession(const QString &conninfo, const QString &password, std::chrono::milliseconds deadline,
                                                 QString *why)
{
    const QString path
        = givenModule().isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/modules/zentrova-server.so") : givenModule();
    // Stays loaded for the run, as Qt's plugins do.
    QLibrary module(path);
    auto *open = reinterpret_cast<OpenServerSession *>(module.resolve(OpenServerSessionName));
    if (!open) {
        *why = QStringLiteral("无法载入连接测评中心服务器的模块 %1：%2").arg(path, module.errorString());
        return nullptr;
    }
    return std::unique_ptr<ServerSession>(open(conninfo, password, deadline.count()));
}

} // namespace zentrova
