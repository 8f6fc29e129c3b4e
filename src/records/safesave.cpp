// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "safesave.h"

#include "framework/questionbank.h"
#include "recordstore.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zentrova {

namespace {

// Written to the disk in blocks of this size, so that an export of any length
// holds little in memory.
constexpr qsizetype BlockSize = 1 << 16;

// What a path that is no regular file is, for the sentence that refuses it.
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("一个文件夹");
    if (S_ISFIFO(mode))
        return QStringLiteral("一个命名管道");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("一个设备");
    if (S_ISSOCK(mode))
        return QStringLiteral("一个套接字");
    return QStringLiteral("一个特殊文件");
}

// A save's temporary file is this followed by mkostemp's six letters or digits.
constexpr char TemporaryPrefix[] = ".zentrova-";
constexpr std::size_t TemporaryPrefixLength = sizeof TemporaryPrefix - 1;
// A temporary file that nobody holds may be a save between its last write
// and its rename, or one that has just been made: only one left unchanged
// this long is taken for the remains of an interrupted save.
constexpr time_t StaleAfterSeconds = 60;

bool isTemporaryName(const char *name)
{
    if (std::strncmp(name, TemporaryPrefix, TemporaryPrefixLength) != 0 || std::strlen(name) != TemporaryPrefixLength + 6)
        return false;
    const char *letters = name + TemporaryPrefixLength;
    return std::all_of(letters, letters + 6, [](char c) { return std::isalnum((unsigned char)c); });
}

// Removes what interrupted saves left in a folder: files named as ours,
// ours by owner, regular, unlocked (a save in progress holds its lock) and
// unchanged for a while, so that another copy's save is never touched.
void removeStaleTemporaries(const QByteArray &folder)
{
    const int directory = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return;
    DIR *entries = ::fdopendir(directory);
    if (!entries) {
        ::close(directory);
        return;
    }
    const time_t now = std::time(nullptr);
    while (const dirent *entry = ::readdir(entries)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        const int fd = ::openat(directory, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held = {}, named = {};
        const bool stale = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid()
            && now - held.st_mtime >= StaleAfterSeconds && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        // Still the file looked at, not one put in its place meanwhile.
        if (stale && ::fstatat(directory, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev
            && named.st_ino == held.st_ino)
            ::unlinkat(directory, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(entries);
}

// The temporary file of one save in progress, for the signal handler: its
// name copied where no allocation moves it, and whether it is there to remove.
char interruptedTemporary[PATH_MAX + 1];
std::atomic<bool> temporaryToRemove {false};
std::atomic<const void *> temporaryOwner {nullptr};

extern "C" void removeTemporaryAndEnd(int signal)
{
    if (temporaryToRemove.load())
        ::unlink(interruptedTemporary);
    // The handler was reset on entry: the signal now ends the program as it would have.
    std::raise(signal);
}

bool sameFile(const struct stat &file, const QString &other)
{
    struct stat status = {};
    return !other.isEmpty() && ::stat(QFile::encodeName(other).constData(), &status) == 0 && status.st_dev == file.st_dev
        && status.st_ino == file.st_ino;
}

} // namespace

QString systemCause(int errnum)
{
    switch (errnum) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    case EFBIG:
        return QStringLiteral("文件大小超出了系统允许的上限");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case EROFS:
        return QStringLiteral("它所在的磁盘是只读的");
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一级不是文件夹");
    case EISDIR:
        return QStringLiteral("它是一个文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case ELOOP:
        return QStringLiteral("路径中的符号链接太多或者绕成了圈");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("同时打开的文件太多");
    case ENOMEM:
        return QStringLiteral("内存不足");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("文件正被占用");
    case EEXIST:
        return QStringLiteral("文件已经存在");
    case ESTALE:
        return QStringLiteral("网络文件夹中的文件已经失效");
    default:
        return QStringLiteral("系统错误 %1（%2）").arg(errnum).arg(QString::fromLocal8Bit(std::strerror(errnum)));
    }
}

SafeSave::SafeSave(const QString &path, const QString &what)
    : m_path(QFileInfo(path).absoluteFilePath())
    , m_what(what)
{
}

SafeSave::~SafeSave()
{
    discard();
}

bool SafeSave::open()
{
    m_error = checkTarget();
    if (!m_error.isEmpty())
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(m_target)).path());
    removeStaleTemporaries(folder);
    QByteArray name = folder + '/' + TemporaryPrefix + "XXXXXX";
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
        return fail(systemCause(errno));
    m_temporary = name;
    // Held while the save runs: the sign that the file is no remains.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    const void *none = nullptr;
    if (std::size_t(name.size()) < sizeof interruptedTemporary && temporaryOwner.compare_exchange_strong(none, this)) {
        std::memcpy(interruptedTemporary, name.constData(), std::size_t(name.size()) + 1);
        temporaryToRemove = true;
    }
    // mkostemp makes it 0600 already; a umask cannot widen that, but say so.
    if (::fchmod(m_fd, 0600) != 0)
        return fail(systemCause(errno));
    return true;
}

// Empty where the path may be written; otherwise why not. Sets m_target.
QString SafeSave::checkTarget()
{
    const QByteArray native = QFile::encodeName(m_path);
    struct stat status = {};
    m_target = native;
    if (::lstat(native.constData(), &status) != 0) {
        if (errno == ENOENT)
            return {};
        return QStringLiteral("无法写入%1“%2”：%3，%1没有保存。").arg(m_what, m_path, systemCause(errno));
    }
    if (S_ISLNK(status.st_mode)) {
        // Written where the link points, so that the link stays a link.
        char resolved[PATH_MAX];
        if (::stat(native.constData(), &status) != 0 || !::realpath(native.constData(), resolved))
            return QStringLiteral("“%1”是一个指向不存在位置的链接，程序没有改动它，%2没有保存。").arg(m_path, m_what);
        m_target = resolved;
    }
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("“%1”是%2，不是普通文件，程序没有改动它，%3没有保存。").arg(m_path, kindOf(status.st_mode), m_what);
    // Also through a link or a second name of the same file.
    if (sameFile(status, RecordStore::defaultPath()))
        return QStringLiteral("“%1”就是测评记录文件本身，写入会毁掉其中的记录，%2没有保存。").arg(m_path, m_what);
    if (sameFile(status, bankPath()))
        return QStringLiteral("“%1”就是题库文件本身，%2没有保存。").arg(m_path, m_what);
    // The rename would replace a file its owner made read-only; a plain
    // write would not, and nor does this.
    if (::access(m_target.constData(), W_OK) != 0)
        return QStringLiteral("无法写入%1“%2”：%3，%1没有保存，原有的文件没有改动。").arg(m_what, m_path, systemCause(errno));
    return {};
}

bool SafeSave::write(const QByteArray &bytes)
{
    if (m_fd < 0)
        return false;
    m_buffer += bytes;
    return m_buffer.size() < BlockSize || flushBuffer();
}

bool SafeSave::flushBuffer()
{
    const char *data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        // A short write is followed by one that says why it stopped.
        if (written < 0)
            return fail(systemCause(errno));
        data += written;
        left -= written;
        m_written += written;
    }
    m_buffer.clear();
    return true;
}

bool SafeSave::commit()
{
    if (m_fd < 0 || !flushBuffer())
        return false;
    // A disk that fills up while the data is still in the cache says so only here.
    if (::fsync(m_fd) != 0)
        return fail(systemCause(errno));
    struct stat status = {};
    if (::fstat(m_fd, &status) != 0)
        return fail(systemCause(errno));
    if (status.st_size != m_written)
        return fail(QStringLiteral("磁盘上的文件比写入的内容短"));
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        return fail(systemCause(errno));
    // The path may have changed since open(); look again just before.
    m_error = checkTarget();
    if (!m_error.isEmpty()) {
        discard();
        return false;
    }
    if (::rename(m_temporary.constData(), m_target.constData()) != 0)
        return fail(systemCause(errno));
    m_temporary.clear();
    forgetTemporary();
    // The new name reaches the disk with the folder; the file itself is whole
    // either way, so a folder that cannot be synced is no failure.
    const int folder
        = ::open(QFile::encodeName(QFileInfo(QFile::decodeName(m_target)).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool SafeSave::fail(const QString &cause)
{
    const bool existed = ::access(m_target.constData(), F_OK) == 0;
    m_error = QStringLiteral("无法写入%1“%2”：%3，%1没有保存%4。")
                  .arg(m_what, m_path, cause, existed ? QStringLiteral("，原有的文件没有改动") : QString());
    discard();
    return false;
}

void SafeSave::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
    m_buffer.clear();
    forgetTemporary();
}

void SafeSave::forgetTemporary()
{
    if (temporaryOwner.load() != this)
        return;
    temporaryToRemove = false;
    temporaryOwner = nullptr;
}

void removeTemporaryOnInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

bool saveWhole(const QString &path, const QString &what, const QByteArray &bytes, QString *error)
{
    SafeSave file(path, what);
    const bool saved = file.open() && file.write(bytes) && file.commit();
    if (!saved && error)
        *error = file.error();
    return saved;
}

QSettings settings()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zentrova");
    QDir().mkpath(QFileInfo(folder).path());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
        ::chmod(native.constData(), 0700);
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/zentrova.conf")).constData(),
        O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
    return QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova"));
}

} // namespace zentrova
