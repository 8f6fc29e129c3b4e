// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "seatstore.h"

#include "centre/centrefile.h"
#include "records/safesave.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zentrova {

namespace seat {

namespace {

QJsonArray pairList(const auto &pairs, auto first, auto second)
{
    QJsonArray list;
    for (const auto &pair : pairs)
        list.append(QJsonArray {pair.*first, pair.*second});
    return list;
}

} // namespace

QString socketPath()
{
    const QString given = qEnvironmentVariable("ZENTROVA_SEAT_SOCKET");
    return given.isEmpty() ? QStringLiteral("/run/zentrova/seat.socket") : given;
}

QJsonObject handInOf(const Record &record, const QUuid &uuid)
{
    return {{QStringLiteral("uuid"), uuid.toString(QUuid::WithoutBraces)}, {QStringLiteral("window"), record.window},
        {QStringLiteral("caption"), record.caption}, {QStringLiteral("finished"), record.finished.toString(Qt::ISODateWithMs)},
        {QStringLiteral("utcOffset"), record.finished.offsetFromUtc()},
        {QStringLiteral("elapsedMinutes"), record.elapsedMinutes ? QJsonValue(*record.elapsedMinutes) : QJsonValue()},
        {QStringLiteral("verdict"), record.verdict}, {QStringLiteral("person"), record.person},
        {QStringLiteral("programVersion"), record.programVersion}, {QStringLiteral("bankSha256"), record.bankSha256},
        {QStringLiteral("figures"), pairList(record.figures, &ShownResult::Figure::name, &ShownResult::Figure::value)},
        {QStringLiteral("answers"), pairList(record.answers, &ShownResult::Answer::item, &ShownResult::Answer::answer)}};
}

ServiceAnswer askService(const QJsonObject &message, int withinMs, const std::function<bool()> &cancelled)
{
    // A plain Unix socket rather than Qt's: Qt Network would bring Kerberos
    // into every start of the program, for one local connection.
    const QDeadlineTimer deadline(withinMs);
    const auto stop = [&] { return deadline.hasExpired() || (cancelled && cancelled()); };
    const QByteArray path = QFile::encodeName(socketPath());
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return {{}, systemCause(ENAMETOOLONG)};
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {{}, systemCause(errno)};
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 && errno != EINPROGRESS)
        return {{}, systemCause(errno)};
    // Waits in short steps, so that a cancel is seen soon; false with errno
    // set, or 0 where the time ran out.
    const auto ready = [&](short events) {
        while (!stop()) {
            pollfd watched {fd, events, 0};
            const int n = ::poll(&watched, 1, int(std::clamp<qint64>(deadline.remainingTime(), 0, 100)));
            if (n > 0)
                return true;
            if (n < 0 && errno != EINTR)
                return false;
        }
        errno = 0;
        return false;
    };
    const auto failure = [&] {
        return errno != 0 ? systemCause(errno) : QStringLiteral("%1 秒内没有回答").arg(withinMs / 1000);
    };
    const QByteArray frame = handin::frame(message);
    for (qsizetype sent = 0; sent < frame.size();) {
        if (!ready(POLLOUT))
            return {{}, failure()};
        const ssize_t n = ::send(fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return {{}, systemCause(errno)};
        sent += qMax<ssize_t>(n, 0);
    }
    QByteArray buffer;
    QJsonObject reply;
    char chunk[4096];
    for (;;) {
        if (!ready(POLLIN))
            return {{}, failure()};
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n == 0)
            return {{}, systemCause(ECONNRESET)};
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return {{}, systemCause(errno)};
        }
        buffer.append(chunk, n);
        switch (handin::take(buffer, &reply)) {
        case handin::Taken::Incomplete:
            continue;
        case handin::Taken::Garbage:
            return {{}, QStringLiteral("回答无法理解")};
        case handin::Taken::Message:
            return {reply, {}};
        }
    }
}

QString serviceUnreachable(const QString &why)
{
    return QStringLiteral("测评结果没能交给本机的发送服务（%1）。请不要关闭程序，并请老师来处理；程序会继续尝试交出。").arg(why);
}

QString handedIn()
{
    return QStringLiteral("已交给本机的发送服务");
}

} // namespace seat

SeatStore::SeatStore(QObject *parent)
    : Store(parent)
    , m_worker(std::make_unique<StoreWorker>())
    , m_retry(new QTimer(this))
{
    m_retry->setObjectName(QStringLiteral("tmrHandInRetry"));
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &SeatStore::retry);
}

SeatStore::~SeatStore() = default;

QString SeatStore::refusal(Action action) const
{
    return action == Action::Keep ? QString() : seatRefusal();
}

StoreReply<Kept> *SeatStore::handIn(const QUuid &uuid, const Record &record)
{
    const QJsonObject message {{QStringLiteral("keep"), seat::handInOf(record, uuid)}};
    auto *reply = m_worker->post<Kept>([message](RequestContext &context) {
        const seat::ServiceAnswer answer = seat::askService(message, AnswerWithinMs, [&] { return context.cancelled(); });
        if (!answer.failure.isEmpty())
            context.fail(seat::serviceUnreachable(answer.failure));
        else if (!answer.reply.value(QLatin1String("kept")).toBool())
            context.fail(answer.reply.value(QLatin1String("refused")).toString());
        return Kept {0, seat::handedIn()};
    });
    // Whatever the caller does with the reply, the result is held until the
    // service has it.
    m_handingIn.insert(uuid);
    reply->then(this, [this, uuid](const StoreReply<Kept> &done) {
        m_handingIn.remove(uuid);
        if (done.error().isEmpty()) {
            if (m_pending.remove(uuid))
                Q_EMIT pendingChanged(pending());
        } else if (!m_retry->isActive()) {
            m_retry->start();
        }
    });
    return reply;
}

StoreReply<Kept> *SeatStore::keep(const Record &record)
{
    const QUuid uuid = QUuid::createUuid();
    m_pending.insert(uuid, record);
    return handIn(uuid, record);
}

void SeatStore::retry()
{
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        if (!m_handingIn.contains(it.key()))
            handIn(it.key(), it.value());
    }
}

template<typename T> StoreReply<T> *SeatStore::refused()
{
    return m_worker->post<T>([](RequestContext &context) {
        context.fail(seatRefusal());
        return T {};
    });
}

StoreReply<int> *SeatStore::count(const RecordFilter &)
{
    return refused<int>();
}

StoreReply<QList<RecordSummary>> *SeatStore::summaries(const SummaryQuery &)
{
    return refused<QList<RecordSummary>>();
}

StoreReply<QList<TotalPoint>> *SeatStore::totals(const RecordFilter &)
{
    return refused<QList<TotalPoint>>();
}

StoreReply<StoreFacets> *SeatStore::facets()
{
    return refused<StoreFacets>();
}

StoreReply<Record> *SeatStore::record(qint64)
{
    return refused<Record>();
}

StoreReply<int> *SeatStore::remove(const QList<qint64> &)
{
    return refused<int>();
}

StoreReply<int> *SeatStore::removeAll()
{
    return refused<int>();
}

StoreReply<qint64> *SeatStore::forEachRecord(const RecordFilter &, bool, NamesVisitor, RecordVisitor)
{
    return refused<qint64>();
}

StoreReply<int> *SeatStore::accept(const QList<qint64> &)
{
    return refused<int>();
}

StoreReply<QList<Sitting>> *SeatStore::sittings()
{
    return refused<QList<Sitting>>();
}

StoreReply<qint64> *SeatStore::openSitting(const QString &, const QStringList &, const QDateTime &, const QDateTime &)
{
    return refused<qint64>();
}

StoreReply<bool> *SeatStore::closeSitting(qint64)
{
    return refused<bool>();
}

} // namespace zentrova
