// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "centrefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>

namespace zentrova {

namespace {

CentreSetting &current()
{
    static CentreSetting setting;
    return setting;
}

CentreSetting problem(const QString &text)
{
    return {std::nullopt, text, {}};
}

} // namespace

QString systemCentreFile()
{
    const QString seam = qEnvironmentVariable("ZENTROVA_SYSTEM_CENTRE_FILE");
    return seam.isEmpty() ? QStringLiteral("/etc/zentrova/centre.conf") : seam;
}

QString seatFileProblem(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("无法读取测评中心配置文件“%1”，程序不能按测评中心的设置运行。").arg(path);
    // Anyone who may change the file may send the next student's answers
    // to a server of their own.
    if (status.st_uid != 0 || (status.st_mode & (S_IWGRP | S_IWOTH)))
        return QStringLiteral("座位的测评中心配置文件“%1”必须属于 root，且只有 root 能修改，程序不能按测评中心的设置运行。")
            .arg(path);
    return {};
}

CentreSetting readCentreFile(const QString &given)
{
    QString path = given;
    const QString system = systemCentreFile();
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zentrova/centre.conf");
    QString notice;
    if (QFileInfo::exists(system)) {
        if (!given.isEmpty() && QFileInfo(given).absoluteFilePath() != QFileInfo(system).absoluteFilePath())
            return problem(QStringLiteral("这台计算机已由“%1”设定为测评中心的一部分，不能另用测评中心配置文件“%2”。").arg(system, given));
        path = system;
        if (QFileInfo::exists(user))
            notice = QStringLiteral("这台计算机已由“%1”设定为测评中心的一部分，“%2”不予采用。").arg(system, user);
    } else if (path.isEmpty()) {
        if (!QFileInfo::exists(user))
            return {};
        path = user;
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
    centre.insecureTransport = file.value(QStringLiteral("insecure-transport")).toString().trimmed() == QStringLiteral("yes");
    if (role == QStringLiteral("seat")) {
        centre.role = Centre::Role::Seat;
        if (const QString untrusted = seatFileProblem(path); !untrusted.isEmpty())
            return problem(untrusted);
    }
    else if (role == QStringLiteral("counsellor"))
        centre.role = Centre::Role::Counsellor;
    else
        return problem(
            QStringLiteral("测评中心配置文件“%1”中的角色“%2”不是 seat 或 counsellor，程序不能按测评中心的设置运行。").arg(path, role));
    return {centre, {}, notice};
}

QString transportProblem(const Transport &transport, bool insecureAllowed)
{
    if (insecureAllowed)
        return {};
    // libpq: a host starting with / or @ is a Unix socket; no host and no
    // hostaddr is the default socket.
    bool tcp = !transport.hostaddr.trimmed().isEmpty();
    for (const QString &host : transport.host.split(u',')) {
        const QString name = host.trimmed();
        if (!name.isEmpty() && !name.startsWith(u'/') && !name.startsWith(u'@'))
            tcp = true;
    }
    const QString mode = transport.sslmode.trimmed();
    if (!tcp || mode == QStringLiteral("verify-full") || mode == QStringLiteral("verify-ca"))
        return {};
    return QStringLiteral("到测评中心服务器的连接经过网络却不核验服务器的证书（sslmode=%1）：测评结果可能被他人截取。"
                          "请在测评中心配置文件的 connection= 中写 sslmode=verify-full 和 sslrootcert=，"
                          "或在确信网络可靠时写 insecure-transport=yes。")
        .arg(mode.isEmpty() ? QStringLiteral("prefer") : mode);
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
