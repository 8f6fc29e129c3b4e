// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "seatstore.h"

#include "centre/centrefile.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QLocalSocket>
#include <QTimer>

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
    const QDeadlineTimer deadline(withinMs);
    // Waits in short steps, so that a cancel is seen soon.
    const auto step = [&] { return int(qMin<qint64>(100, qMax<qint64>(0, deadline.remainingTime()))); };
    const auto stop = [&] { return deadline.hasExpired() || (cancelled && cancelled()); };
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    while (socket.state() == QLocalSocket::ConnectingState && !stop())
        socket.waitForConnected(step());
    if (socket.state() != QLocalSocket::ConnectedState)
        return {{}, socket.errorString()};
    socket.write(handin::frame(message));
    QByteArray buffer;
    QJsonObject reply;
    while (!stop()) {
        if (!socket.waitForReadyRead(step())) {
            if (socket.state() != QLocalSocket::ConnectedState)
                return {{}, socket.errorString()};
            continue;
        }
        buffer += socket.readAll();
        switch (handin::take(buffer, &reply)) {
        case handin::Taken::Incomplete:
            continue;
        case handin::Taken::Garbage:
            return {{}, QStringLiteral("回答无法理解")};
        case handin::Taken::Message:
            return {reply, {}};
        }
    }
    return {{}, QStringLiteral("%1 秒内没有回答").arg(withinMs / 1000)};
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

} // namespace zentrova
