// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "seatoutbox.h"

#include "centre/handin.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentrova::seatd {

namespace {

constexpr char Header[] = "zentrova-seatd-entry 1 ";
const QString Suffix = QStringLiteral(".entry");

QString cause()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// mkdir, or chmod where it exists: the folder is the service's alone.
QString makePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("无法建立文件夹“%1”：%2").arg(path, cause());
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return QStringLiteral("“%1”不是文件夹。").arg(path);
    // Root may act for the service (zentrova-seatd --send-once by hand).
    if (status.st_uid != ::geteuid() && ::geteuid() != 0)
        return QStringLiteral("文件夹“%1”不属于本服务的用户。").arg(path);
    if ((status.st_mode & 0777) != 0700 && ::chmod(name.constData(), 0700) != 0)
        return QStringLiteral("无法把文件夹“%1”设为只有本服务能读：%2").arg(path, cause());
    return {};
}

QString syncFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const QString why = synced ? QString() : QStringLiteral("无法把文件夹“%1”写入磁盘：%2").arg(path, cause());
    if (fd >= 0)
        ::close(fd);
    return why;
}

std::optional<QStringList> entryNames(const QString &folder)
{
    QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return std::nullopt;
    // QDir says nothing of a folder it cannot list: check that it can.
    if (::access(QFile::encodeName(folder).constData(), R_OK | X_OK) != 0)
        return std::nullopt;
    return dir.entryList({QStringLiteral("*") + Suffix}, QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

SeatOutbox::SeatOutbox(const QString &stateFolder)
    : m_outbox(stateFolder + QStringLiteral("/outbox"))
    , m_setAside(stateFolder + QStringLiteral("/set-aside"))
{
}

QString SeatOutbox::prepare()
{
    for (const QString &folder : {QFileInfo(m_outbox).path(), m_outbox, m_setAside}) {
        if (const QString why = makePrivateFolder(folder); !why.isEmpty())
            return why;
    }
    const QDir outbox(m_outbox);
    for (const QString &temporary : outbox.entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden))
        QFile::remove(outbox.filePath(temporary));
    return {};
}

QByteArray SeatOutbox::entryBytes(const QJsonObject &result, qint64 kept)
{
    QJsonObject body = result;
    body.insert(QStringLiteral("kept"), kept);
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return Header + QCryptographicHash::hash(json, QCryptographicHash::Sha256).toHex() + '\n' + json;
}

SeatOutbox::Entry SeatOutbox::entry(const QString &fileName, const QByteArray &bytes)
{
    Entry entry;
    entry.fileName = fileName;
    const qsizetype lineEnd = bytes.indexOf('\n');
    const QByteArray header = bytes.left(lineEnd);
    const QByteArray json = bytes.mid(lineEnd + 1);
    if (lineEnd < 0 || !header.startsWith(Header)
        || header.mid(qstrlen(Header)) != QCryptographicHash::hash(json, QCryptographicHash::Sha256).toHex()) {
        entry.damage = QStringLiteral("校验值不符，内容已损坏");
        return entry;
    }
    const QJsonObject body = QJsonDocument::fromJson(json).object();
    const QString uuid = body.value(QLatin1String("uuid")).toString();
    if (const QString problem = handin::resultProblem(body); !problem.isEmpty()) {
        entry.damage = problem;
        return entry;
    }
    // A file copied over another under a name that is not its own.
    if (fileName != QUuid::fromString(uuid).toString(QUuid::WithoutBraces) + Suffix) {
        entry.damage = QStringLiteral("文件名与其中的编号不符");
        return entry;
    }
    entry.kept = qint64(body.value(QLatin1String("kept")).toDouble());
    entry.result = body;
    entry.result.remove(QStringLiteral("kept"));
    return entry;
}

QString SeatOutbox::keep(const QJsonObject &result)
{
    const QString name = QUuid::fromString(result.value(QLatin1String("uuid")).toString()).toString(QUuid::WithoutBraces) + Suffix;
    const QString path = m_outbox + u'/' + name;
    // Handed in again (the answer to the first was lost): kept already.
    if (QFile::exists(path) || QFile::exists(m_setAside + u'/' + name))
        return {};
    const QByteArray bytes = entryBytes(result, QDateTime::currentMSecsSinceEpoch());
    const QString temporary = m_outbox + u'/' + u'.' + name + QStringLiteral(".part");
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return QStringLiteral("无法在“%1”中保存测评结果：%2").arg(m_outbox, cause());
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    const bool whole = written == bytes.size() && ::fsync(fd) == 0;
    const QString why = whole ? QString() : QStringLiteral("无法在“%1”中保存测评结果：%2").arg(m_outbox, cause());
    ::close(fd);
    if (!whole || ::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString renameWhy = why.isEmpty() ? QStringLiteral("无法在“%1”中保存测评结果：%2").arg(m_outbox, cause()) : why;
        ::unlink(temporaryName.constData());
        return renameWhy;
    }
    return syncFolder(m_outbox);
}

std::optional<QList<SeatOutbox::Entry>> SeatOutbox::waiting(QString *error) const
{
    const auto names = entryNames(m_outbox);
    if (!names) {
        *error = QStringLiteral("无法读取发送服务的待发文件夹“%1”。").arg(m_outbox);
        return std::nullopt;
    }
    QList<Entry> entries;
    for (const QString &name : *names) {
        QFile file(m_outbox + u'/' + name);
        if (!file.open(QIODevice::ReadOnly)) {
            // Gone meanwhile (sent by another pass) is no fault.
            if (!file.exists())
                continue;
            *error = QStringLiteral("无法读取待发的测评结果“%1”：%2").arg(file.fileName(), file.errorString());
            return std::nullopt;
        }
        // Larger than any message the service takes: damage.
        const QByteArray bytes = file.read(handin::MaxMessage + 4096);
        entries.append(entry(name, bytes));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.kept != b.kept ? a.kept < b.kept : a.fileName < b.fileName;
    });
    return entries;
}

std::optional<int> SeatOutbox::waitingCount() const
{
    const auto names = entryNames(m_outbox);
    return names ? std::optional(int(names->size())) : std::nullopt;
}

std::optional<int> SeatOutbox::setAsideCount() const
{
    const auto names = entryNames(m_setAside);
    return names ? std::optional(int(names->size())) : std::nullopt;
}

QString SeatOutbox::remove(const Entry &entry)
{
    if (::unlink(QFile::encodeName(m_outbox + u'/' + entry.fileName).constData()) != 0 && errno != ENOENT)
        return QStringLiteral("无法删除已送出的“%1”：%2").arg(entry.fileName, cause());
    return syncFolder(m_outbox);
}

QString SeatOutbox::setAside(const Entry &entry)
{
    const QByteArray from = QFile::encodeName(m_outbox + u'/' + entry.fileName);
    const QByteArray to = QFile::encodeName(m_setAside + u'/' + entry.fileName);
    if (::rename(from.constData(), to.constData()) != 0)
        return QStringLiteral("无法把“%1”移到“%2”：%3").arg(entry.fileName, m_setAside, cause());
    const QString why = syncFolder(m_setAside);
    return why.isEmpty() ? syncFolder(m_outbox) : why;
}

} // namespace zentrova::seatd
