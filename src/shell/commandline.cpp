// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "records/groupreport.h"
#include "records/recordexport.h"
#include "records/recordstore.h"
#include "records/reportpainter.h"
#include "shell/subject.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace zentrova {

namespace {

const QString BankOption = QStringLiteral("bank");
const QString CheckBankOption = QStringLiteral("check-bank");
const QString RecordsOption = QStringLiteral("records");
const QString ListRecordsOption = QStringLiteral("list-records");
const QString ExportRecordsOption = QStringLiteral("export-records");
const QString ReportOption = QStringLiteral("report");
const QString GroupReportOption = QStringLiteral("group-report");
const QString PersonOption = QStringLiteral("person");
const QString GroupOption = QStringLiteral("group");
const QString TestOption = QStringLiteral("test");
const QString SinceOption = QStringLiteral("since");
const QString UntilOption = QStringLiteral("until");
const QString CompareSinceOption = QStringLiteral("compare-since");
const QString CompareUntilOption = QStringLiteral("compare-until");
const QString ItemColumnsOption = QStringLiteral("item-columns");

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
    parser.addOption({GroupReportOption,
                      QStringLiteral("Write the report of a group on one test to FILE, a .pdf or .png file, and exit: "
                                     "--group-report TEST GROUP FILE, TEST as --list-records names it or the test "
                                     "window's name. Takes --since and --until, and --compare-since and "
                                     "--compare-until for an earlier sitting to compare with. Names a person only "
                                     "where the follow-up list is switched on. Needs no display."),
                      QStringLiteral("TEST")});
    parser.addOption({PersonOption, QStringLiteral("Keep the results of this run under the name TEXT."), QStringLiteral("TEXT")});
    parser.addOption({GroupOption,
                      QStringLiteral("Keep the results of this run in the group (a class) TEXT; with --export-records, "
                                     "export that group's records only."),
                      QStringLiteral("TEXT")});
    parser.addOption({TestOption,
                      QStringLiteral("With --export-records: export the records of this test only (as --list-records "
                                     "names it, or the test window's name)."),
                      QStringLiteral("TEST")});
    parser.addOption({SinceOption,
                      QStringLiteral("With --export-records or --group-report: records finished on DATE "
                                     "(YYYY-MM-DD) or later only."),
                      QStringLiteral("DATE")});
    parser.addOption({UntilOption,
                      QStringLiteral("With --export-records or --group-report: records finished on DATE "
                                     "(YYYY-MM-DD) or earlier only."),
                      QStringLiteral("DATE")});
    parser.addOption({CompareSinceOption, QStringLiteral("With --group-report: the earlier sitting starts on DATE."),
                      QStringLiteral("DATE")});
    parser.addOption({CompareUntilOption, QStringLiteral("With --group-report: the earlier sitting ends on DATE."),
                      QStringLiteral("DATE")});
    parser.addOption({ItemColumnsOption,
                      QStringLiteral("With --export-records and --test: add a column per item, named by its number, "
                                     "holding the answer's letter (or 是, 否).")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("With --report: the file to write. With --group-report: the group, "
                                                "then the file to write."),
                                 QStringLiteral("[FILE]"));
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

// Reads a date option given at most once; returns what is wrong, if anything.
QString readDateOption(const QCommandLineParser &parser, const QString &option, std::optional<QDate> *date)
{
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        return QStringLiteral("Give --%1 only once.").arg(option);
    if (values.isEmpty())
        return {};
    const QDate day = QDate::fromString(values.first(), Qt::ISODate);
    if (!day.isValid())
        return QStringLiteral("--%1 needs a date as YYYY-MM-DD, not '%2'.").arg(option, values.first());
    *date = day;
    return {};
}

// Reads a text option given at most once.
QString readTextOption(const QCommandLineParser &parser, const QString &option, std::optional<QString> *text)
{
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        return QStringLiteral("Give --%1 only once.").arg(option);
    if (!values.isEmpty())
        *text = values.first().trimmed();
    return {};
}

// The person and group of the run, and the filters of an export or a group
// report, each only with the action it serves.
QString readGroupOptions(const QCommandLineParser &parser, CommandLine *command)
{
    using Action = CommandLine::Action;
    const Action action = command->action;
    const bool exporting = action == Action::ExportRecords, grouping = action == Action::GroupReport;
    const auto only = [&](const QString &option, bool allowed, const QString &with) {
        return parser.isSet(option) && !allowed ? QStringLiteral("--%1 goes only with %2.").arg(option, with) : QString();
    };
    const QString problems[] = {
        only(PersonOption, action == Action::Run, QStringLiteral("a run of the program, not with another action")),
        only(GroupOption, action == Action::Run || exporting,
             grouping ? QStringLiteral("--export-records: give --group-report the group after the test")
                      : QStringLiteral("a run of the program or --export-records")),
        only(TestOption, exporting, QStringLiteral("--export-records")),
        only(ItemColumnsOption, exporting && parser.isSet(TestOption),
             QStringLiteral("--export-records and --test: items are numbered per test")),
        only(SinceOption, exporting || grouping, QStringLiteral("--export-records or --group-report")),
        only(UntilOption, exporting || grouping, QStringLiteral("--export-records or --group-report")),
        only(CompareSinceOption, grouping, QStringLiteral("--group-report")),
        only(CompareUntilOption, grouping, QStringLiteral("--group-report")),
        readTextOption(parser, PersonOption, &command->person),
        readTextOption(parser, GroupOption, &command->group),
        readDateOption(parser, SinceOption, &command->filter.range.since),
        readDateOption(parser, UntilOption, &command->filter.range.until),
    };
    for (const QString &problem : problems) {
        if (!problem.isEmpty())
            return problem;
    }
    command->itemColumns = parser.isSet(ItemColumnsOption);
    if (exporting) {
        command->filter.test = parser.value(TestOption);
        command->filter.group = command->group;
    }
    if (grouping) {
        const QStringList positional = parser.positionalArguments();
        if (positional.size() != 2 || parser.value(GroupReportOption).isEmpty())
            return QStringLiteral("--group-report needs a test, a group and a .pdf or .png file: --group-report TEST GROUP FILE.");
        command->filter.test = parser.value(GroupReportOption);
        command->filter.group = positional.first();
        command->reportFile = QFileInfo(positional.last()).absoluteFilePath();
        if (parser.isSet(CompareSinceOption) || parser.isSet(CompareUntilOption)) {
            DateRange earlier;
            for (const auto &[option, day] : {std::pair{CompareSinceOption, &earlier.since}, std::pair{CompareUntilOption, &earlier.until}}) {
                const QString problem = readDateOption(parser, option, day);
                if (!problem.isEmpty())
                    return problem;
            }
            command->earlier = earlier;
        }
    }
    return {};
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
    if (!parser.positionalArguments().isEmpty() && !parser.isSet(ReportOption) && !parser.isSet(GroupReportOption))
        return failure(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    CommandLine command;
    const std::pair<QString, CommandLine::Action> actions[] = {{CheckBankOption, CommandLine::Action::CheckBank},
                                                               {ListRecordsOption, CommandLine::Action::ListRecords},
                                                               {ExportRecordsOption, CommandLine::Action::ExportRecords},
                                                               {ReportOption, CommandLine::Action::Report},
                                                               {GroupReportOption, CommandLine::Action::GroupReport}};
    for (const auto &[option, action] : actions) {
        if (!parser.isSet(option))
            continue;
        if (command.action != CommandLine::Action::Run)
            return failure(
                QStringLiteral("Give only one of --check-bank, --list-records, --export-records, --report and --group-report."));
        command.action = action;
    }
    for (const auto &[option, file] : {std::pair{BankOption, &command.bankFile}, std::pair{RecordsOption, &command.recordsFile},
                                       std::pair{ExportRecordsOption, &command.exportFile}}) {
        const QString problem = readFileOption(parser, option, file);
        if (!problem.isEmpty())
            return failure(problem);
    }
    if (command.action == CommandLine::Action::Report) {
        bool isNumber = false;
        command.reportId = parser.value(ReportOption).toLongLong(&isNumber);
        if (!isNumber || command.reportId <= 0 || parser.positionalArguments().size() != 1)
            return failure(QStringLiteral("--report needs a record id, as --list-records shows it, and a .pdf or .png file: "
                                          "--report ID FILE."));
        command.reportFile = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    }
    const QString problem = readGroupOptions(parser, &command);
    return problem.isEmpty() ? command : failure(problem);
}

void useFiles(const CommandLine &command)
{
    setBankFile(command.bankFile);
    RecordStore::setDefaultPath(command.recordsFile);
    if (command.person)
        currentSubject().person = *command.person;
    if (command.group && command.action == CommandLine::Action::Run)
        currentSubject().group = *command.group;
}

int answerCommandLine(const CommandLine &command)
{
    useFiles(command);
    switch (command.action) {
    case CommandLine::Action::Run:
        break;
    case CommandLine::Action::CheckBank:
        return checkBank();
    case CommandLine::Action::ListRecords:
        return listRecords();
    case CommandLine::Action::ExportRecords:
        return exportRecords(command.exportFile, command.filter, command.itemColumns);
    case CommandLine::Action::Report:
        return writeRecordReport(command.reportId, command.reportFile);
    case CommandLine::Action::GroupReport:
        return writeGroupReportFile(command.filter, command.earlier, command.reportFile);
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
    RecordStore store;
    const auto summaries = store.summaries();
    if (!summaries)
        return printFailure(store.error());
    for (const RecordSummary &summary : *summaries)
        print(stdout, listingLine(summary));
    return 0;
}

int exportRecords(const QString &file, const RecordFilter &filter, bool itemColumns)
{
    RecordStore store;
    // Writing over the record file would lose every record.
    if (QFileInfo::exists(file) && QFileInfo(file).canonicalFilePath() == QFileInfo(store.path()).canonicalFilePath())
        return printFailure(QStringLiteral("导出文件“%1”就是测评记录文件本身，没有导出。").arg(file));
    auto records = store.records();
    if (!records)
        return printFailure(store.error());
    records->removeIf([&](const Record &record) { return !filter.accepts(record); });
    QString error;
    return exportCsv(*records, file, &error, itemColumns) ? 0 : printFailure(error);
}

int writeRecordReport(qint64 id, const QString &file)
{
    RecordStore store;
    const std::optional<Record> record = store.record(id);
    if (!record)
        return printFailure(store.error());
    QString error;
    return writeReport(*record, file, &error) ? 0 : printFailure(error);
}

int writeGroupReportFile(const RecordFilter &filter, const std::optional<DateRange> &earlier, const QString &file)
{
    RecordStore store;
    const auto summaries = store.summaries();
    if (!summaries)
        return printFailure(store.error());
    const bool followUp = followUpEnabled();
    const GroupReportRequest request{filter.test, filter.group, filter.range, earlier, followUp,
                                     followUp ? followUpBands(testWindow(*summaries, filter.test)) : QStringList()};
    QString error;
    const std::optional<GroupReport> report = makeGroupReport(*summaries, request, &error);
    return report && writeGroupReport(*report, file, &error) ? 0 : printFailure(error);
}

} // namespace zentrova
