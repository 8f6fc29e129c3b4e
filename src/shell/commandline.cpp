// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "centre/centrefile.h"
#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "reports/groupreport.h"
#include "records/recordexport.h"
#include "records/statfiles.h"
#include "records/recordstore.h"
#include "centre/seatstore.h"
#include "reports/reportpainter.h"
#include "records/safesave.h"
#include "shell/runstore.h"
#include "shell/subject.h"
#include "shell/testcatalog.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <unistd.h>
#include <variant>

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
const QString CentreOption = QStringLiteral("centre");
const QString SyncRecordsOption = QStringLiteral("sync-records");
const QString ItemAnalysisOption = QStringLiteral("item-analysis");

const QString FileValue = QStringLiteral("文件");
const QString FileArgument = QStringLiteral("与 --report 一起：要写入的文件。与 --group-report 一起：小组，然后是要写入的文件。");
const QString TextValue = QStringLiteral("文字");
const QString TestValue = QStringLiteral("测试");
const QString DateValue = QStringLiteral("日期");

// The options, with the texts --help prints. Qt's own help and version
// options speak English, so these stand in for them.
QList<QCommandLineOption> options()
{
    return {
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示这些选项，然后退出。")},
        {QStringLiteral("help-all"), QStringLiteral("显示这些选项和 Qt 自身的选项（如 -style），然后退出。")},
        {{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("显示版本，然后退出。")},
        {BankOption, QStringLiteral("用这个文件代替程序旁边的题库；它和随附的题库一样只读打开。"), FileValue},
        {CheckBankOption,
            QStringLiteral("像测试窗口那样打开题库（随附的，或 --bank 给出的）中每个测试的表，报告结果后退出。不需要显示器。")},
        {RecordsOption, QStringLiteral("在这个文件中保存和读取测评记录，代替用户数据文件夹中的测评记录文件。"), FileValue},
        {ListRecordsOption,
            QStringLiteral("每条记录打印一行，最新的在前，然后退出：编号、完成时间、受测者、测试和结果"
                           "（测评中心的记录再加测评码、座位、登录名、送达时间和存疑），以制表符分隔；"
                           "字段中的控制字符写成 \\t、\\n、\\\\ 之类的转义。不需要显示器。")},
        {ExportRecordsOption,
            QStringLiteral("把每条记录连同得分和答案以 CSV（UTF-8）写入文件，供电子表格程序打开，然后退出；"
                           "文件名以 .sav 结尾时写成 SPSS 和 PSPP 的数据文件，以 .dta 结尾时写成 Stata 的数据文件，带全部标签；"
                           "文件名为 - 时以 CSV 写到标准输出。不需要显示器。"),
            FileValue},
        {ReportOption,
            QStringLiteral("把这个编号（即 --list-records 列出的编号）的记录的报告写入文件（.pdf 或 .png），然后退出。不需要显示器。"),
            QStringLiteral("编号")},
        {GroupReportOption,
            QStringLiteral("把一个小组在一项测试上的小组报告写入文件（.pdf 或 .png），然后退出：--group-report 测试 小组 文件；"
                           "测试按 --list-records 列出的名称或测试窗口的名称给出。可与 --since、--until 一起用，"
                           "并可用 --compare-since、--compare-until 给出较早的一次测评以作比较。只有开启了“建议关注”名单时才写出受测者的姓名。"
                           "不需要显示器。"),
            TestValue},
        {PersonOption, QStringLiteral("本次运行的结果记在这个受测者名下，不留到下次：在测评中心的座位上是测评码，其他时候是姓名。"),
            TextValue},
        {GroupOption, QStringLiteral("本次运行中保存的测评结果记在这个小组（如班级）下；与 --export-records 一起：只导出这个小组的记录。"),
            TextValue},
        {TestOption, QStringLiteral("与 --export-records 一起：只导出这项测试的记录（按 --list-records 列出的名称或测试窗口的名称）。"),
            TestValue},
        {SinceOption, QStringLiteral("与 --export-records 或 --group-report 一起：只取这一天（YYYY-MM-DD）及以后完成的记录。"), DateValue},
        {UntilOption, QStringLiteral("与 --export-records 或 --group-report 一起：只取这一天（YYYY-MM-DD）及以前完成的记录。"), DateValue},
        {CompareSinceOption, QStringLiteral("与 --group-report 一起：作比较的较早一次测评从这一天开始。"), DateValue},
        {CompareUntilOption, QStringLiteral("与 --group-report 一起：作比较的较早一次测评到这一天为止。"), DateValue},
        {ItemColumnsOption,
            QStringLiteral("与 --export-records 和 --test 一起：每道题一列，以题号为列名，填答案的字母（或“是”“否”）。")},
        {ItemAnalysisOption,
            QStringLiteral("单独使用时：把每项测试在每个小组的题目分析（人数、克隆巴赫 α 及其 95% 置信区间、每题的校正题总相关和删除该题后的 α）"
                           "以 CSV 写入给出的文件，然后退出；可与 --group、--test、--since、--until 一起用。"
                           "与 --group-report 一起：小组报告加上题目分析。不需要显示器。")},
        {CentreOption,
            QStringLiteral("从这个文件读取测评中心的设置，代替用户配置文件夹中的或 /etc/zentrova 中的 centre.conf。"),
            FileValue},
        {SyncRecordsOption,
            QStringLiteral("在测评中心的座位上：把等待发送的测评结果送到测评中心的服务器，说明送出了多少条，然后退出；"
                           "没有结果再等待时退出状态为 0。不需要显示器。")},
    };
}

// Qt's own options, which QApplication takes out once it opens a window. Read
// (and left to it) here too, so that whether a command line is right is
// known before any display is touched.
QList<QCommandLineOption> qtOptions()
{
    QList<QCommandLineOption> list;
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle",
             "style", "stylesheet", "display", "geometry", "title", "name", "session", "qmljsdebugger"})
        list.append(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("值")));
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        list.append(QCommandLineOption(QString::fromLatin1(name)));
    for (QCommandLineOption &option : list)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return list;
}

void setUpParser(QCommandLineParser &parser)
{
    // Single-dash words read as Qt's own options do (-style, not -s -t -y …).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options());
    parser.addOptions(qtOptions());
    parser.addPositionalArgument(FileValue, FileArgument, u'[' + FileValue + u']');
}

// Columns as a terminal shows them: the Chinese characters take two.
qsizetype displayWidth(const QString &text)
{
    return std::accumulate(
        text.begin(), text.end(), qsizetype(0), [](qsizetype width, QChar c) { return width + (c.unicode() < 0x1100 ? 1 : 2); });
}

// The pieces a help line may break between: each Chinese character, a
// space, and each run of other characters (an option name, "YYYY-MM-DD",
// ".png") whole. Closing punctuation stays with what it closes, opening
// punctuation with what it opens.
QStringList wrappingUnits(const QString &text)
{
    const QString closing = QStringLiteral("，。；：、）」”！？"), opening = QStringLiteral("（「“");
    const auto inWord = [&](QChar c) { return displayWidth(c) == 1 && c != u' ' && !closing.contains(c) && !opening.contains(c); };
    QStringList units;
    for (const QChar c : text) {
        if (!units.isEmpty() && (closing.contains(c) || opening.contains(units.last().back()) || (inWord(c) && inWord(units.last().back()))))
            units.last() += c;
        else
            units.append(QString(c));
    }
    return units;
}

} // namespace

QString helpText(bool withQtOptions)
{
    QList<std::pair<QString, QString>> lines;
    for (const QCommandLineOption &option : options()) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += QStringLiteral(" <%1>").arg(option.valueName());
        lines.append({left, option.description()});
    }
    // Taken by QApplication before the program reads its own.
    const std::pair<const char *, const char *> qtOptions[] = {
        {"-platform <平台>", "用这个 Qt 平台插件显示窗口，如 xcb、wayland、offscreen。"},
        {"-platformtheme <主题>", "使用这个平台主题。"},
        {"-style <样式>", "窗口部件的样式，如 fusion。"},
        {"-stylesheet <文件>", "使用这个样式表文件。"},
        {"-reverse", "界面从右向左排列。"},
        {"-qwindowgeometry <几何>", "第一个窗口的大小和位置，如 800x600+0+0。"},
        {"-qwindowtitle <标题>", "第一个窗口的标题。"},
        {"-display <显示>", "使用这个 X11 显示（xcb 平台）。"},
    };
    QList<std::pair<QString, QString>> qtLines;
    for (const auto &[left, right] : qtOptions)
        qtLines.append({QString::fromUtf8(left), QString::fromUtf8(right)});
    qsizetype column = 0;
    for (const auto &line : lines + qtLines)
        column = std::max(column, displayWidth(line.first));
    // Descriptions wrapped within 80 columns.
    const qsizetype room = std::max<qsizetype>(80 - column - 4, 20);
    auto table = [&](const QList<std::pair<QString, QString>> &rows) {
        QString text;
        for (const auto &[left, right] : rows) {
            QString line = QStringLiteral("  ") + left + QString(column - displayWidth(left) + 2, u' ');
            qsizetype width = 0;
            for (const QString &word : wrappingUnits(right)) {
                if (width > 0 && width + displayWidth(word) > room) {
                    while (line.endsWith(u' '))
                        line.chop(1);
                    text += line + u'\n';
                    line = QString(column + 4, u' ');
                    width = 0;
                }
                if (width == 0 && word == QLatin1String(" "))
                    continue;
                line += word;
                width += displayWidth(word);
            }
            text += line + u'\n';
        }
        return text;
    };
    const QString name = QCoreApplication::applicationName();
    QString text = QStringLiteral("用法：%1 [选项] [文件]\n"
                                  "Zentrova：二十二种简体中文心理自评问卷。\n"
                                  "不带选项时，程序用它旁边的题库 Lumvex.mdb 打开窗口。\n\n"
                                  "选项：\n")
                       .arg(name)
        + table(lines) + QStringLiteral("\n参数：\n")
        + table({{u'[' + FileValue + u']', FileArgument}});
    if (withQtOptions)
        text += QStringLiteral("\nQt 的选项（打开窗口时有效）：\n") + table(qtLines);
    return text;
}

namespace {

// Qt's reading errors in the program's language; Qt words them in English.
QString parserError(const QCommandLineParser &parser)
{
    const QString error = parser.errorText();
    const QRegularExpressionMatch quoted = QRegularExpression(QStringLiteral("'(.*)'")).match(error);
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("没有“%1”这个选项。").arg(parser.unknownOptionNames().join(QStringLiteral("”“")));
    if (error.startsWith(QLatin1String("Missing value after")) && quoted.hasMatch())
        return QStringLiteral("选项“%1”后面缺少值。").arg(quoted.captured(1));
    if (error.startsWith(QLatin1String("Unexpected value after")) && quoted.hasMatch())
        return QStringLiteral("选项“%1”不带值。").arg(quoted.captured(1));
    return error;
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
        return QStringLiteral("选项 --%1 只能给一次。").arg(option);
    if (values.isEmpty())
        return {};
    if (values.first().isEmpty())
        return QStringLiteral("选项 --%1 需要一个文件名。").arg(option);
    // "-" is standard output, where an option writes.
    *file = values.first() == QLatin1String("-") && option == ExportRecordsOption ? values.first()
                                                                                  : QFileInfo(values.first()).absoluteFilePath();
    return {};
}

// The first error writing to standard output, checked before exiting.
int &stdoutError()
{
    static int errnum = 0;
    return errnum;
}

bool writeOut(std::FILE *stream, const QByteArray &bytes)
{
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    if (!written && stream == stdout && stdoutError() == 0)
        stdoutError() = errno;
    return written;
}

void print(std::FILE *stream, const QString &text)
{
    writeOut(stream, (text + u'\n').toUtf8());
}

// One line on stderr; the exit code of a failed action.
int printFailure(const QString &text)
{
    print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + text);
    return 1;
}

// A day written YYYY-MM-DD and nothing else, or why the text is none: a time
// of day cannot choose records by day, and is said rather than dropped.
std::variant<QDate, QString> strictDate(const QString &option, const QString &text)
{
    const QRegularExpressionMatch written
        = QRegularExpression(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d+)?)?)([Zz]|[+-]\\d{2}:?\\d{2})?)?$"))
              .match(text);
    const QDate day = QDate::fromString(written.captured(1), QStringLiteral("yyyy-MM-dd"));
    if (written.hasMatch() && day.isValid() && written.hasCaptured(2))
        return QStringLiteral("选项 --%1 按整天选取记录，不能带时刻：“%2”中的时刻 %3 用不上，请只写日期 %4。")
            .arg(option, text, written.captured(2), written.captured(1));
    if (!written.hasMatch() || !day.isValid())
        return QStringLiteral("选项 --%1 需要一个 YYYY-MM-DD 格式的日期，“%2”不是。").arg(option, text);
    return day;
}

// Reads a date option given at most once; returns what is wrong, if anything.
QString readDateOption(const QCommandLineParser &parser, const QString &option, std::optional<QDate> *date)
{
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        return QStringLiteral("选项 --%1 只能给一次。").arg(option);
    if (values.isEmpty())
        return {};
    const auto day = strictDate(option, values.first());
    if (const QString *problem = std::get_if<QString>(&day))
        return *problem;
    *date = std::get<QDate>(day);
    return {};
}

// A range whose end comes before its start would take no record at all.
QString reversedRange(const DateRange &range, const QString &sinceOption, const QString &untilOption)
{
    if (!range.since || !range.until || *range.since <= *range.until)
        return {};
    return QStringLiteral("--%1 的日期 %2 在 --%3 的日期 %4 之后，这段日期里不会有任何记录。")
        .arg(sinceOption, range.since->toString(Qt::ISODate), untilOption, range.until->toString(Qt::ISODate));
}

// A name as given on the command line (a person, a group, a test), with
// the spaces around it gone as the windows keep names: one rule for every
// option and argument that names something.
QString givenName(const QString &text)
{
    return text.trimmed();
}

// Reads a text option given at most once.
QString readTextOption(const QCommandLineParser &parser, const QString &option, std::optional<QString> *text)
{
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        return QStringLiteral("选项 --%1 只能给一次。").arg(option);
    if (!values.isEmpty())
        *text = givenName(values.first());
    return {};
}

// The person and group of the run, and the filters of an export or a group
// report, each only with the action it serves.
QString readGroupOptions(const QCommandLineParser &parser, CommandLine *command)
{
    using Action = CommandLine::Action;
    const Action action = command->action;
    const bool exporting = action == Action::ExportRecords || action == Action::ItemAnalysis, grouping = action == Action::GroupReport;
    const auto only = [&](const QString &option, bool allowed, const QString &with) {
        return parser.isSet(option) && !allowed ? QStringLiteral("选项 --%1 只能%2。").arg(option, with) : QString();
    };
    const QString problems[] = {
        only(PersonOption, action == Action::Run, QStringLiteral("在打开窗口时使用，不能与其他操作一起给出")),
        only(GroupOption, action == Action::Run || exporting,
             grouping ? QStringLiteral("在打开窗口时或与 --export-records 一起使用；--group-report 的小组写在测试之后")
                      : QStringLiteral("在打开窗口时或与 --export-records 一起使用")),
        only(TestOption, exporting, QStringLiteral("与 --export-records 一起使用")),
        only(ItemColumnsOption, exporting && parser.isSet(TestOption),
             QStringLiteral("与 --export-records 和 --test 一起使用，因为题号是每项测试各自的")),
        only(SinceOption, exporting || grouping, QStringLiteral("与 --export-records 或 --group-report 一起使用")),
        only(UntilOption, exporting || grouping, QStringLiteral("与 --export-records 或 --group-report 一起使用")),
        only(CompareSinceOption, grouping, QStringLiteral("与 --group-report 一起使用")),
        only(CompareUntilOption, grouping, QStringLiteral("与 --group-report 一起使用")),
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
        command->filter.test = givenName(parser.value(TestOption));
        command->filter.group = command->group;
    }
    if (grouping) {
        const QStringList positional = parser.positionalArguments();
        if (positional.size() != 2 || parser.value(GroupReportOption).isEmpty())
            return QStringLiteral("--group-report 需要一项测试、一个小组和一个 .pdf 或 .png 文件：--group-report 测试 小组 文件。");
        command->filter.test = givenName(parser.value(GroupReportOption));
        command->filter.group = givenName(positional.first());
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
    const QString reversed = reversedRange(command->filter.range, SinceOption, UntilOption);
    if (!reversed.isEmpty() || !command->earlier)
        return reversed;
    return reversedRange(*command->earlier, CompareSinceOption, CompareUntilOption);
}

// --item-analysis: alone, a CSV of its own, its file the one argument; with
// --group-report, the report's section.
QString readItemAnalysisOption(const QCommandLineParser &parser, CommandLine *command)
{
    if (!parser.isSet(ItemAnalysisOption))
        return {};
    if (command->action == CommandLine::Action::GroupReport) {
        command->itemAnalysis = true;
        return {};
    }
    if (command->action != CommandLine::Action::Run)
        return QStringLiteral("选项 --item-analysis 只能单独使用（写出 CSV 文件），或者与 --group-report 一起使用。");
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return QStringLiteral("--item-analysis 需要一个要写入的 .csv 文件：--item-analysis 文件。");
    command->action = CommandLine::Action::ItemAnalysis;
    command->itemAnalysisFile = QFileInfo(positional.first()).absoluteFilePath();
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
        return failure(parserError(parser));
    // Qt also adds --help-all (help with its own options).
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return withAction(CommandLine::Action::Help);
    if (parser.isSet(QStringLiteral("version")))
        return withAction(CommandLine::Action::Version);
    if (!parser.positionalArguments().isEmpty() && !parser.isSet(ReportOption) && !parser.isSet(GroupReportOption)
        && !parser.isSet(ItemAnalysisOption))
        return failure(QStringLiteral("多余的参数“%1”。").arg(parser.positionalArguments().first()));

    CommandLine command;
    const std::pair<QString, CommandLine::Action> actions[] = {{CheckBankOption, CommandLine::Action::CheckBank},
                                                               {ListRecordsOption, CommandLine::Action::ListRecords},
                                                               {ExportRecordsOption, CommandLine::Action::ExportRecords},
                                                               {ReportOption, CommandLine::Action::Report},
                                                               {GroupReportOption, CommandLine::Action::GroupReport},
                                                               {SyncRecordsOption, CommandLine::Action::SyncRecords}};
    for (const auto &[option, action] : actions) {
        if (!parser.isSet(option))
            continue;
        if (command.action != CommandLine::Action::Run)
            return failure(
                QStringLiteral("--check-bank、--list-records、--export-records、--report、--group-report 和 --sync-records 一次只能给一个。"));
        command.action = action;
    }
    for (const auto &[option, file] : {std::pair{BankOption, &command.bankFile}, std::pair{RecordsOption, &command.recordsFile},
                                       std::pair{ExportRecordsOption, &command.exportFile},
                                       std::pair{CentreOption, &command.centreFile}}) {
        const QString problem = readFileOption(parser, option, file);
        if (!problem.isEmpty())
            return failure(problem);
    }
    if (command.action == CommandLine::Action::Report) {
        bool isNumber = false;
        command.reportId = parser.value(ReportOption).toLongLong(&isNumber);
        if (!isNumber || command.reportId <= 0 || parser.positionalArguments().size() != 1)
            return failure(QStringLiteral("--report 需要一个记录编号（即 --list-records 列出的编号）和一个 .pdf 或 .png 文件："
                                          "--report 编号 文件。"));
        command.reportFile = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    }
    QString problem = readItemAnalysisOption(parser, &command);
    if (problem.isEmpty())
        problem = readGroupOptions(parser, &command);
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

QString useCentre(const CommandLine &command)
{
    const CentreSetting setting = readCentreFile(command.centreFile);
    setCurrentCentre(setting);
    if (!setting.problem.isEmpty())
        return setting.problem;
    if (!setting.notice.isEmpty())
        print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + setting.notice);
    if (command.person) {
        QString person;
        if (const QString problem = personOfRun(*command.person, &person); !problem.isEmpty())
            return problem;
        currentSubject().person = person;
    }
    return {};
}

namespace {

// The commands that read kept results, given the run's store.
int answerFromStore(const CommandLine &command, Store &store)
{
    if (const QString refusal = store.refusal(Store::Action::Read); !refusal.isEmpty())
        return printFailure(refusal);
    switch (command.action) {
    case CommandLine::Action::ListRecords:
        return listRecords(store);
    case CommandLine::Action::ExportRecords:
        return exportRecords(store, command.exportFile, command.filter, command.itemColumns);
    case CommandLine::Action::Report:
        return writeRecordReport(store, command.reportId, command.reportFile);
    case CommandLine::Action::GroupReport:
        return writeGroupReportFile(store, command.filter, command.earlier, command.reportFile, command.itemAnalysis);
    case CommandLine::Action::ItemAnalysis:
        return writeItemAnalysisFile(store, command.filter, command.itemAnalysisFile);
    default:
        return 0;
    }
}

int answer(const CommandLine &command)
{
    if (command.action != CommandLine::Action::Help && command.action != CommandLine::Action::Version
        && command.action != CommandLine::Action::Error) {
        const QString problem = useCentre(command);
        if (!problem.isEmpty())
            return printFailure(problem);
    }
    switch (command.action) {
    case CommandLine::Action::Run:
        break;
    case CommandLine::Action::CheckBank:
        return checkBank();
    case CommandLine::Action::ListRecords:
    case CommandLine::Action::ExportRecords:
    case CommandLine::Action::Report:
    case CommandLine::Action::GroupReport:
    case CommandLine::Action::ItemAnalysis:
        return answerFromStore(command, *openRunStore(PasswordPrompt::Terminal));
    case CommandLine::Action::SyncRecords:
        return syncRecords();
    case CommandLine::Action::Help:
    case CommandLine::Action::Version: {
        QCommandLineParser parser;
        setUpParser(parser);
        parser.parse(QCoreApplication::arguments());
        if (command.action == CommandLine::Action::Version)
            print(stdout, QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion());
        else
            writeOut(stdout, helpText(parser.isSet(QStringLiteral("help-all"))).toUtf8());
        break;
    }
    case CommandLine::Action::Error:
        printFailure(command.errorText);
        print(stderr, QStringLiteral("运行“%1 --help”可以看到它的选项。").arg(QCoreApplication::applicationName()));
        return 1;
    }
    return 0;
}

} // namespace

int answerCommandLine(const CommandLine &command)
{
    useFiles(command);
    // Ctrl+C in the middle of writing a file leaves nothing of it behind.
    if (command.action == CommandLine::Action::ExportRecords || command.action == CommandLine::Action::Report
        || command.action == CommandLine::Action::GroupReport)
        removeTemporaryOnInterrupt();
    const int code = answer(command);
    // A full disk or a closed pipe shows only here, once the last lines go out.
    if (std::fflush(stdout) != 0 && stdoutError() == 0)
        stdoutError() = errno;
    if (std::ferror(stdout) && stdoutError() == 0)
        stdoutError() = EIO;
    if (code == 0 && stdoutError() != 0)
        return printFailure(QStringLiteral("无法写入标准输出：%1，输出不完整。").arg(systemCause(stdoutError())));
    return code;
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
    print(stdout, QStringLiteral("%1：题库 %2：全部 %3 个表都能打开").arg(name, path).arg(tables.size()));
    return 0;
}

namespace {

// The store's answer, waited for; nullopt where it failed, said in error.
template<typename T> std::optional<T> waitFor(StoreReply<T> *reply, QString *error)
{
    reply->waitForDone();
    *error = reply->error();
    if (!error->isEmpty())
        return std::nullopt;
    return reply->value();
}

// Every record's summary, newest first.
std::optional<QList<RecordSummary>> allSummaries(Store &store, QString *error)
{
    return waitFor(store.summaries({}), error);
}

} // namespace

int listRecords(Store &store)
{
    QString error;
    const auto summaries = allSummaries(store, &error);
    if (!summaries)
        return printFailure(error);
    for (const RecordSummary &summary : *summaries)
        print(stdout, listingLine(summary, store.keepsOrigin()));
    return 0;
}

namespace {

// Whether the menu or any record knows a test by this caption or window name.
bool knownTest(const QList<RecordSummary> &records, const QString &test)
{
    const std::vector<std::string_view> windows = testWindows();
    return std::any_of(windows.begin(), windows.end(),
               [&](std::string_view window) { return toQString(window) == test || toQString(testCaption(window)) == test; })
        || std::any_of(records.begin(), records.end(), [&](const RecordSummary &r) { return r.window == test || r.caption == test; });
}

// Before an export or a group report writes anything: the sentence that
// refuses a test or a group that nothing knows, so that a mistyped name
// never replaces a good file with an empty one.
QString unknownNames(const QList<RecordSummary> &records, const RecordFilter &filter)
{
    QStringList unknown;
    if (!filter.test.isEmpty() && !knownTest(records, filter.test))
        unknown << QStringLiteral("没有名为“%1”的测评（测评按 --list-records 列出的名称或测试窗口的名称给出）").arg(filter.test);
    if (filter.group
        && std::none_of(records.begin(), records.end(), [&](const RecordSummary &r) { return r.group == *filter.group; }))
        unknown << QStringLiteral("测评记录中没有名为“%1”的小组").arg(*filter.group);
    return unknown.isEmpty() ? QString() : unknown.join(QStringLiteral("，")) + QStringLiteral("，没有写入任何文件。");
}

// What an export's filter asks for, in words.
QString filterText(const RecordFilter &filter)
{
    QStringList parts;
    if (!filter.test.isEmpty())
        parts << QStringLiteral("测评“%1”").arg(filter.test);
    if (filter.group)
        parts << QStringLiteral("小组“%1”").arg(*filter.group);
    const QString since = filter.range.since ? filter.range.since->toString(Qt::ISODate) : QString();
    const QString until = filter.range.until ? filter.range.until->toString(Qt::ISODate) : QString();
    if (!since.isEmpty() && !until.isEmpty())
        parts << QStringLiteral("%1 至 %2").arg(since, until);
    else if (!since.isEmpty())
        parts << QStringLiteral("%1 及以后").arg(since);
    else if (!until.isEmpty())
        parts << QStringLiteral("%1 及以前").arg(until);
    return parts.join(QStringLiteral("，"));
}

// Checks an export's filter against the store: the refusal of unknown names,
// if any; takesNone tells whether known names take no record at all.
QString checkFilter(Store &store, const RecordFilter &filter, bool *takesNone)
{
    *takesNone = false;
    if (filter.test.isEmpty() && !filter.group && filter.range.isOpen())
        return {};
    QString error;
    const auto summaries = allSummaries(store, &error);
    if (!summaries)
        return error;
    const QString unknown = unknownNames(*summaries, filter);
    *takesNone = unknown.isEmpty()
        && std::none_of(summaries->begin(), summaries->end(), [&](const RecordSummary &r) { return filter.accepts(r); });
    return unknown;
}

} // namespace

int exportRecords(Store &store, const QString &file, const RecordFilter &filter, bool itemColumns)
{
    bool takesNone = false;
    if (const QString refusal = checkFilter(store, filter, &takesNone); !refusal.isEmpty())
        return printFailure(refusal);
    QString error;
    if (file != QLatin1String("-")) {
        if (!exportRecordsFile(store, file, &error, filter, itemColumns))
            return printFailure(error);
    } else if (!writeCsv(store, [](const QByteArray &bytes) { return writeOut(stdout, bytes); }, &error, filter, itemColumns)) {
        return printFailure(error.isEmpty() ? QStringLiteral("无法写入标准输出：%1，导出不完整。").arg(systemCause(stdoutError())) : error);
    }
    // Known names, but nothing in the days asked for: the header alone, said.
    if (takesNone)
        print(stderr,
            QStringLiteral("%1: 没有符合条件（%2）的测评记录，只导出了表头。").arg(QCoreApplication::applicationName(), filterText(filter)));
    return 0;
}

int writeRecordReport(Store &store, qint64 id, const QString &file)
{
    QString error;
    const std::optional<Record> record = waitFor(store.record(id), &error);
    if (!record)
        return printFailure(error);
    return writeReport(*record, file, &error) ? 0 : printFailure(error);
}

int writeGroupReportFile(
    Store &store, const RecordFilter &filter, const std::optional<DateRange> &earlier, const QString &file, bool itemAnalysis)
{
    QString error;
    const auto summaries = allSummaries(store, &error);
    if (!summaries)
        return printFailure(error);
    if (const QString unknown = unknownNames(*summaries, filter); !unknown.isEmpty())
        return printFailure(unknown);
    const bool followUp = followUpEnabled();
    const GroupReportRequest request{filter.test, filter.group, filter.range, earlier, followUp,
                                     followUp ? followUpBands(testWindow(*summaries, filter.test)) : QStringList()};
    std::optional<GroupReport> report = makeGroupReport(*summaries, request, &error);
    if (!report || (itemAnalysis && !addItemAnalysis(*report, store, &error)))
        return printFailure(error);
    return writeGroupReport(*report, file, &error) ? 0 : printFailure(error);
}

int writeItemAnalysisFile(Store &store, const RecordFilter &filter, const QString &file)
{
    QString error;
    return exportItemAnalysis(store, file, filter, &error) ? 0 : printFailure(error);
}

int syncRecords()
{
    if (!isSeat())
        return printFailure(QStringLiteral("这台计算机不是测评中心的座位，没有等待发送的测评结果。"));
    // The seat's hand-in service sends; it answers within 30 seconds.
    const seat::ServiceAnswer answer = seat::askService({{QStringLiteral("send"), true}}, 30000);
    if (!answer.failure.isEmpty()) {
        if (::geteuid() != 0)
            return printFailure(QStringLiteral("无法联系本机的发送服务（%1）：请管理员检查 zentrova-seatd。").arg(answer.failure));
        // Root may send the service's outbox itself, with the service's own
        // program and settings.
        const QString program = qEnvironmentVariable("ZENTROVA_SEATD", QStringLiteral("/usr/sbin/zentrova-seatd"));
        QProcess service;
        service.setProcessChannelMode(QProcess::ForwardedChannels);
        service.start(program, {"--send-once", "--state", qEnvironmentVariable("ZENTROVA_SEATD_STATE", QStringLiteral("/var/lib/private/zentrova-seatd")),
                                   "--centre", currentCentre().centre->file, "--password-file",
                                   qEnvironmentVariable("ZENTROVA_SEAT_PASSWORD", QStringLiteral("/etc/zentrova/seat.password"))});
        if (!service.waitForFinished(30000)) {
            service.kill();
            service.waitForFinished();
            return printFailure(QStringLiteral("%1 没有在 30 秒内送完。").arg(program));
        }
        return service.exitStatus() == QProcess::NormalExit ? service.exitCode() : 1;
    }
    const handin::SendCount count = handin::SendCount::fromJson(answer.reply);
    print(stdout, QStringLiteral("%1：%2").arg(QCoreApplication::applicationName(), count.sentence()));
    return count.waiting == 0 && count.setAside == 0 && count.problem.isEmpty() ? 0 : 1;
}

} // namespace zentrova
