// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// zentrova-seatd: a seat's hand-in service. Run by systemd as a user of its
// own (zentrova-seatd.socket and .service), or by hand:
//   zentrova-seatd --socket PATH --state DIR --centre FILE --password-file FILE
//   zentrova-seatd --send-once --state DIR --centre FILE --password-file FILE

#include "centre/centrefile.h"
#include "seatd/handinserver.h"
#include "seatd/sender.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace zentrova;
using namespace zentrova::seatd;

namespace {

void writeLog(const QString &line, bool warning)
{
    // journald reads the priority from a <N> prefix.
    const char *priority = qEnvironmentVariableIsSet("JOURNAL_STREAM") ? (warning ? "<4>" : "<6>") : "";
    std::fprintf(stderr, "%s%s\n", priority, line.toUtf8().constData());
    std::fflush(stderr);
}

int fail(const QString &sentence)
{
    writeLog(sentence, true);
    return 1;
}

// The socket systemd passed (sd_listen_fds(3)): fd 3, when LISTEN_PID is
// this process; -1 where there is none.
int inheritedSocket()
{
    const bool ours = qEnvironmentVariableIntValue("LISTEN_PID") == int(::getpid());
    const int count = qEnvironmentVariableIntValue("LISTEN_FDS");
    qunsetenv("LISTEN_PID");
    qunsetenv("LISTEN_FDS");
    qunsetenv("LISTEN_FDNAMES");
    return ours && count >= 1 ? 3 : -1;
}

// The seat's password: given by hand in a file only its user may read, or
// by systemd as the credential "password".
std::optional<QByteArray> readPassword(const QString &given, QString *problem)
{
    const QString credentials = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
    const QString path = !given.isEmpty() ? given : credentials.isEmpty() ? QString() : credentials + QStringLiteral("/password");
    if (path.isEmpty()) {
        *problem = QStringLiteral("没有座位的密码：请用 --password-file 或 systemd 的 LoadCredential=password:… 给出。");
        return std::nullopt;
    }
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || (status.st_mode & 077) != 0) {
        *problem = QStringLiteral("密码文件“%1”不存在，或其他用户也能读取它（请 chmod 600）。").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("无法读取密码文件“%1”：%2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray password = file.readAll();
    while (password.endsWith('\n') || password.endsWith('\r'))
        password.chop(1);
    return password;
}

} // namespace

int main(int argc, char *argv[])
{
    ::umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentrova-seatd"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTROVA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("测评中心座位的发送服务：收下本机的测评结果，送往测评中心的服务器。"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption socketOption(QStringLiteral("socket"), QStringLiteral("在这个本地套接字上收测评结果（否则用 systemd 传来的）。"),
        QStringLiteral("路径"));
    const QCommandLineOption stateOption(QStringLiteral("state"), QStringLiteral("待发的测评结果所在的文件夹（否则 $STATE_DIRECTORY）。"),
        QStringLiteral("文件夹"));
    const QCommandLineOption centreOption(QStringLiteral("centre"), QStringLiteral("测评中心配置文件（否则 /etc/zentrova/centre.conf）。"),
        QStringLiteral("文件"));
    const QCommandLineOption passwordOption(QStringLiteral("password-file"),
        QStringLiteral("座位的密码所在的文件（否则 systemd 的凭据 password）。"), QStringLiteral("文件"));
    const QCommandLineOption sendOnceOption(QStringLiteral("send-once"), QStringLiteral("送一次待发的结果，报告数目后结束。"));
    const QCommandLineOption retryMinOption(QStringLiteral("retry-min-ms"), QStringLiteral("失败后第一次等待的毫秒数（5000）。"),
        QStringLiteral("毫秒"), QStringLiteral("5000"));
    const QCommandLineOption retryMaxOption(QStringLiteral("retry-max-ms"), QStringLiteral("失败后最长等待的毫秒数（300000）。"),
        QStringLiteral("毫秒"), QStringLiteral("300000"));
    const QCommandLineOption deadlineOption(QStringLiteral("deadline-ms"), QStringLiteral("每次调用服务器的期限（10000）。"),
        QStringLiteral("毫秒"), QStringLiteral("10000"));
    const QCommandLineOption idleOption(QStringLiteral("idle-ms"), QStringLiteral("空闲多久后断开与服务器的连接（10000）。"),
        QStringLiteral("毫秒"), QStringLiteral("10000"));
    parser.addOptions({socketOption, stateOption, centreOption, passwordOption, sendOnceOption, retryMinOption, retryMaxOption,
        deadlineOption, idleOption});
    parser.process(app);

    const QString state = parser.isSet(stateOption) ? parser.value(stateOption) : qEnvironmentVariable("STATE_DIRECTORY");
    if (state.isEmpty())
        return fail(QStringLiteral("没有状态文件夹：请用 --state 或 systemd 的 StateDirectory= 给出。"));
    const CentreSetting setting = readCentreFile(parser.value(centreOption));
    if (!setting.problem.isEmpty())
        return fail(setting.problem);
    if (!setting.centre)
        return fail(QStringLiteral("没有测评中心配置文件“%1”。").arg(systemCentreFile()));
    if (setting.centre->role != Centre::Role::Seat)
        return fail(QStringLiteral("测评中心配置文件“%1”说这台计算机不是座位（role=seat）。").arg(setting.centre->file));
    QString problem;
    const auto password = readPassword(parser.value(passwordOption), &problem);
    if (!password)
        return fail(problem);

    SenderSettings settings;
    settings.link = {setting.centre->connection, *password, setting.centre->name, setting.centre->insecureTransport,
        qMax(100, parser.value(deadlineOption).toInt())};
    settings.retryMinMs = qMax(10, parser.value(retryMinOption).toInt());
    settings.retryMaxMs = qMax(settings.retryMinMs, parser.value(retryMaxOption).toInt());
    settings.idleMs = qMax(0, parser.value(idleOption).toInt());
    if (const QString refused = ServerLink(settings.link).transportProblem(); !refused.isEmpty())
        return fail(refused);
    if (setting.centre->insecureTransport)
        writeLog(QStringLiteral("注意：测评中心配置文件“%1”写了 insecure-transport=yes，到服务器的连接可能不加密、不核验服务器。")
                .arg(setting.centre->file),
            true);
    SeatOutbox outbox(state);
    if (const QString why = outbox.prepare(); !why.isEmpty())
        return fail(why);

    if (parser.isSet(sendOnceOption)) {
        Sender sender(state, settings);
        QObject::connect(&sender, &Sender::logged, &writeLog);
        const handin::SendCount count = sender.sendNow();
        std::printf("%s\n", count.sentence().toUtf8().constData());
        return count.waiting == 0 && count.setAside == 0 && count.problem.isEmpty() ? 0 : 1;
    }

    SenderThread sending(state, settings);
    QObject::connect(sending.sender(), &Sender::logged, &app, &writeLog, Qt::QueuedConnection);
    {
        HandInServer server(state, &sending, 25000);
        QObject::connect(&server, &HandInServer::logged, &writeLog);
        const int inherited = inheritedSocket();
        if (parser.isSet(socketOption) ? !server.listen(parser.value(socketOption)) : inherited < 0 || !server.adopt(inherited))
            return fail(QStringLiteral("无法在本地套接字上等待测评结果：%1")
                            .arg(parser.isSet(socketOption) ? server.errorString() : QStringLiteral("没有 --socket，systemd 也没有传来套接字")));
        writeLog(QStringLiteral("发送服务已启动：座位“%1”，待发 %2 条，已搁置 %3 条。")
                .arg(setting.centre->name)
                .arg(outbox.waitingCount().value_or(-1))
                .arg(outbox.setAsideCount().value_or(-1)),
            false);
        const int status = app.exec();
        // The sender stops before the server that receives its answers goes.
        sending.stop();
        return status;
    }
}
