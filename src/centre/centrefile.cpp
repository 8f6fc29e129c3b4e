// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "centrefile.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace zentrova {

namespace {

CentreSetting &current()
{
    static CentreSetting setting;
    return setting;
}

CentreSetting problem(const QString &text)
{
    return {std::nullopt, text};
}

} // namespace

CentreSetting readCentreFile(const QString &given)
{
    QString path = given;
    if (path.isEmpty()) {
        const QString user
            = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zentrova/centre.conf");
        for (const QString &candidate : {user, QStringLiteral("/etc/zentrova/centre.conf")}) {
            if (QFileInfo::exists(candidate)) {
                path = candidate;
                break;
            }
        }
        if (path.isEmpty())
            return {};
    }
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return problem(QStringLiteral("无法读取测评中心配置文件“%1”，程序不能按测评中心的设置运行。").arg(path));
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return problem(QStringLiteral("测评中心配置文件“%1”的格式有误，程序不能按测评中心的设置运行。").arg(path));
    file.beginGroup(QStringLiteral("centre"));
    Centre centre;
    centre.file = path;
    // A connection string holds spaces and "=": read whole, as written.
    centre.connection = file.value(QStringLiteral("connection")).toStringList().join(u',').trimmed();
    centre.name = file.value(QStringLiteral("name")).toStringList().join(u',').trimmed();
    const QString role = file.value(QStringLiteral("role")).toString().trimmed();
    if (centre.connection.isEmpty())
        return problem(
            QStringLiteral("测评中心配置文件“%1”没有写明服务器（[centre] 中的 connection=），程序不能按测评中心的设置运行。").arg(path));
    if (role == QStringLiteral("seat"))
        centre.role = Centre::Role::Seat;
    else if (role == QStringLiteral("counsellor"))
        centre.role = Centre::Role::Counsellor;
    else
        return problem(
            QStringLiteral("测评中心配置文件“%1”中的角色“%2”不是 seat 或 counsellor，程序不能按测评中心的设置运行。").arg(path, role));
    return {centre, {}};
}

const CentreSetting &currentCentre()
{
    return current();
}

void setCurrentCentre(const CentreSetting &setting)
{
    current() = setting;
}

QString seatRefusal()
{
    return QStringLiteral("这台计算机是测评中心的座位：测评结果只送到测评中心，不在本机保存或查看。");
}

} // namespace zentrova
