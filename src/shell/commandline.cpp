// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "centre/centreclient.h"
#include "centre/centrefile.h"
#include "centre/centrestore.h"
#include "centre/outbox.h"
#include "centre/personcode.h"
#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "records/recordexport.h"
#include "records/recordstore.h"
#include "records/reportpainter.h"
#include "shell/recordkeeping.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QApplication>
#include <QInputDialog>

#include <cstdio>

namespace zentrova {

namespace {

const QString BankOption = QStringLiteral("bank");
const QString CheckBankOption = QStringLiteral("check-bank");
const QString RecordsOption = QStringLiteral("records");
const QString ListRecordsOption = QStringLiteral("list-records");
const QString ExportRecordsOption = QStringLiteral("export-records");
const QString ReportOption = QStringLiteral("report");
const QString CentreOption = QStringLiteral("centre");
const QString PersonOption = QStringLiteral("person");
const QString SyncRecordsOption = QStringLiteral("sync-records");

void setUpParser(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Zentrova: twenty-two psychological self-assessment questionnaires in Simplified Chinese.\n"
                       "Without options it starts with the question bank Lumvex.mdb beside the program."));
    // Single-dash words read as Qt's own options do (-style, not -s -t -y …).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({BankOption,
                      QStringLiteral("Use FILE as the question bank instead of the one beside the program. "
                                     "It is opened read-only, like the shipped bank."),
                      QStringLiteral("FILE")});
    parser.addOption({CheckBankOption,
                      QStringLiteral("Open every test's table in the question bank (the shipped one, or the "
                                     "--bank file) as the test windows do, report, and exit. Needs no display.")});
    parser.addOption({RecordsOption,
                      QStringLiteral("Keep and read the records of finished tests in FILE instead of the record "
                                     "file in the user's data folder."),
                      QStringLiteral("FILE")});
    parser.addOption({ListRecordsOption,
                      QStringLiteral("Print one line per record, newest first, and exit: id, time finished, person, "
                                     "test and result, separated by tabs. Needs no display.")});
    parser.addOption({ExportRecordsOption,
                      QStringLiteral("Write every record, with its figures and answers, to FILE as CSV (UTF-8) for "
                                     "spreadsheet programs, and exit. Needs no display."),
                      QStringLiteral("FILE")});
    parser.addOption({ReportOption,
                      QStringLiteral("Write the report of the record with this id (as --list-records shows it) to "
                                     "FILE, a .pdf or .png file, and exit. Needs no display."),
                      QStringLiteral("ID")});
    parser.addOption({CentreOption,
                      QStringLiteral("Read the counselling centre's settings from FILE instead of "
                                     "$XDG_CONFIG_HOME/zentrova/centre.conf or /etc/zentrova/centre.conf."),
                      QStringLiteral("FILE")});
    parser.addOption({PersonOption,
                      QStringLiteral("Keep this run's results under TEXT: at a centre's seat the person code (测评码), "
                                     "elsewhere the name."),
                      QStringLiteral("TEXT")});
    parser.addOption({SyncRecordsOption,
                      QStringLiteral("At a centre's seat: send the results waiting for the centre's server, say how many "
                                     "went, and exit; the exit status is 0 when none is left waiting. Needs no display.")});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("With --report: the file to write."), QStringLiteral("[FILE]"));
}

CommandLine withAction(CommandLine::Action action)
{
    CommandLine command;
    command.action = action;
    return command;
}

CommandLine failure(const QString &text)
{
    CommandLine command = withAction(CommandLine::Action::Error);
    command.errorText = text;
    return command;
}

// Reads an option that names a file, given at most once, into file as an
// absolute path; returns what is wrong, if anything.
QString readFileOption(const QCommandLineParser &parser, const QString &option, QString *file)
{
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        return QStringLiteral("Give --%1 only once.").arg(option);
    if (values.isEmpty())
        return {};
    if (values.first().isEmpty())
        return QStringLiteral("--%1 needs a file name.").arg(option);
    *file = QFileInfo(values.first()).absoluteFilePath();
    return {};
}

void print(std::FILE *stream, const QString &text)
{
    std::fputs(qUtf8Printable(text + u'\n'), stream);
}

// One line on stderr; the exit code of a failed action.
int printFailure(const QString &text)
{
    print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + text);
    return 1;
}

} // namespace

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("zentrova"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTROVA_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(ApplicationId));
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    setUpParser(parser);
    if (!parser.parse(arguments))
        return failure(parser.errorText());
    // Qt also adds --help-all (help with its own options).
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return withAction(CommandLine::Action::Help);
    if (parser.isSet(QStringLiteral("version")))
        return withAction(CommandLine::Action::Version);
    if (!parser.positionalArguments().isEmpty() && !parser.isSet(ReportOption))
        return failure(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    CommandLine command;
    const std::pair<QString, CommandLine::Action> actions[] = {{CheckBankOption, CommandLine::Action::CheckBank},
                                                               {ListRecordsOption, CommandLine::Action::ListRecords},
                                                               {ExportRecordsOption, CommandLine::Action::ExportRecords},
                                                               {ReportOption, CommandLine::Action::Report},
                                                               {SyncRecordsOption, CommandLine::Action::SyncRecords}};
    for (const auto &[option, action] : actions) {
        if (!parser.isSet(option))
            continue;
        if (command.action != CommandLine::Action::Run)
            return failure(
                QStringLiteral("Give only one of --check-bank, --list-records, --export-records, --report and --sync-records."));
        command.action = action;
    }
    for (const auto &[option, file] : {std::pair{BankOption, &command.bankFile}, std::pair{RecordsOption, &command.recordsFile},
                                       std::pair{ExportRecordsOption, &command.exportFile},
                                       std::pair{CentreOption, &command.centreFile}}) {
        const QString problem = readFileOption(parser, option, file);
        if (!problem.isEmpty())
            return failure(problem);
    }
    command.person = parser.value(PersonOption).trimmed();
    if (command.action == CommandLine::Action::Report) {
        bool isNumber = false;
        command.reportId = parser.value(ReportOption).toLongLong(&isNumber);
        if (!isNumber || command.reportId <= 0 || parser.positionalArguments().size() != 1)
            return failure(QStringLiteral("--report needs a record id, as --list-records shows it, and a .pdf or .png file: "
                                          "--report ID FILE."));
        command.reportFile = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    }
    return command;
}

void useFiles(const CommandLine &command)
{
    setBankFile(command.bankFile);
    RecordStore::setDefaultPath(command.recordsFile);
    RecordKeeping::setRunPerson(command.person);
}

QString useCentre(const CommandLine &command, bool gui)
{
    const CentreSetting setting = readCentreFile(command.centreFile);
    setCurrentCentre(setting);
    if (!setting.problem.isEmpty())
        return setting.problem;
    if (isCounsellor()) {
        useCentreStore(
            *setting.centre,
            [gui](const QString &prompt) -> std::optional<QString> {
                if (!gui)
                    return askPasswordOnTerminal(prompt);
                // Asked for by the store's worker; the dialog belongs on the
                // application's thread, which waits for it meanwhile.
                std::optional<QString> password;
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [&] {
                        bool ok = false;
                        const QString given = QInputDialog::getText(QApplication::activeWindow(), QStringLiteral("测评中心"), prompt,
                                                                    QLineEdit::Password, {}, &ok);
                        if (ok)
                            password = given;
                    },
                    Qt::BlockingQueuedConnection);
                return password;
            },
            gui);
    }
    if (isSeat() && !command.person.isEmpty() && !isPersonCode(command.person.toStdString()))
        return QStringLiteral("“%1”不是有效的测评码：测评码由数字和最后一位校验码（0–9 或 X）组成。").arg(command.person);
    return {};
}

int answerCommandLine(const CommandLine &command)
{
    useFiles(command);
    if (command.action != CommandLine::Action::Help && command.action != CommandLine::Action::Version
        && command.action != CommandLine::Action::Error) {
        const QString problem = useCentre(command, false);
        if (!problem.isEmpty())
            return printFailure(problem);
        const bool readsRecords = command.action == CommandLine::Action::ListRecords
            || command.action == CommandLine::Action::ExportRecords || command.action == CommandLine::Action::Report;
        if (isSeat() && readsRecords)
            return printFailure(seatRefusal());
    }
    switch (command.action) {
    case CommandLine::Action::Run:
        break;
    case CommandLine::Action::CheckBank:
        return checkBank();
    case CommandLine::Action::ListRecords:
        return listRecords();
    case CommandLine::Action::ExportRecords:
        return exportRecords(command.exportFile);
    case CommandLine::Action::Report:
        return writeRecordReport(command.reportId, command.reportFile);
    case CommandLine::Action::SyncRecords:
        return syncRecords();
    case CommandLine::Action::Help:
    case CommandLine::Action::Version: {
        // Qt's own output, --help-all included; process() exits after printing.
        QCommandLineParser parser;
        setUpParser(parser);
        parser.process(QCoreApplication::arguments());
        break;
    }
    case CommandLine::Action::Error:
        printFailure(command.errorText);
        print(stderr, QStringLiteral("Run '%1 --help' for its options.").arg(QCoreApplication::applicationName()));
        return 1;
    }
    return 0;
}

int checkBank()
{
    const QString path = bankPath();
    const auto tables = bankTables();
    QStringList problems;
    for (const BankTable &table : tables) {
        QStringList fields;
        for (std::string_view field : table.fields())
            fields << toQString(field);
        RecordCursor cursor;
        QString error;
        // A file that does not open fails every table alike: tell it once.
        if (!cursor.open(path, toQString(table.table), fields, &error) && !problems.contains(error))
            problems << error;
    }
    const QString name = QCoreApplication::applicationName();
    for (const QString &problem : problems)
        print(stderr, name + QStringLiteral(": ") + problem);
    if (!problems.isEmpty())
        return 1;
    print(stdout, QStringLiteral("%1: question bank %2: all %3 tables open").arg(name, path).arg(tables.size()));
    return 0;
}

int listRecords()
{
    const auto store = RecordSource::open();
    const auto summaries = store->summaries();
    if (!summaries)
        return printFailure(store->error());
    for (const RecordSummary &summary : *summaries)
        print(stdout, listingLine(summary));
    return 0;
}

int exportRecords(const QString &file)
{
    // Writing over the record file would lose every record.
    if (QFileInfo::exists(file) && QFileInfo(file).canonicalFilePath() == QFileInfo(RecordStore::defaultPath()).canonicalFilePath())
        return printFailure(QStringLiteral("导出文件“%1”就是测评记录文件本身，没有导出。").arg(file));
    const auto store = RecordSource::open();
    const auto records = store->records();
    if (!records)
        return printFailure(store->error());
    QString error;
    return exportCsv(*records, file, &error) ? 0 : printFailure(error);
}

int writeRecordReport(qint64 id, const QString &file)
{
    const auto store = RecordSource::open();
    const std::optional<Record> record = store->record(id);
    if (!record)
        return printFailure(store->error());
    QString error;
    return writeReport(*record, file, &error) ? 0 : printFailure(error);
}

int syncRecords()
{
    if (!isSeat())
        return printFailure(QStringLiteral("这台计算机不是测评中心的座位，没有等待发送的测评结果。"));
    RecordStore store;
    CentreClient client(currentCentre().centre->connection);
    const SendOutcome outcome = sendOutbox(store, client, currentCentre().centre->name);
    print(stdout, QStringLiteral("%1: 已送出 %2 条测评结果，还有 %3 条等待发送。")
                      .arg(QCoreApplication::applicationName())
                      .arg(outcome.sent)
                      .arg(outcome.waiting));
    if (!outcome.error.isEmpty())
        return printFailure(outcome.error);
    return outcome.waiting == 0 ? 0 : 1;
}

} // namespace zentrova
