// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"

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
}

CommandLine failure(const QString &text)
{
    CommandLine command;
    command.action = CommandLine::Action::Error;
    command.errorText = text;
    return command;
}

void print(std::FILE *stream, const QString &text)
{
    std::fputs(qUtf8Printable(text + u'\n'), stream);
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
        return {CommandLine::Action::Help, {}, {}};
    if (parser.isSet(QStringLiteral("version")))
        return {CommandLine::Action::Version, {}, {}};
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    CommandLine command;
    if (parser.isSet(CheckBankOption))
        command.action = CommandLine::Action::CheckBank;
    const QStringList banks = parser.values(BankOption);
    if (banks.size() > 1)
        return failure(QStringLiteral("Give --bank only once."));
    if (!banks.isEmpty()) {
        if (banks.first().isEmpty())
            return failure(QStringLiteral("--bank needs a file name."));
        command.bankFile = QFileInfo(banks.first()).absoluteFilePath();
    }
    return command;
}

int answerCommandLine(const CommandLine &command)
{
    switch (command.action) {
    case CommandLine::Action::Run:
        break;
    case CommandLine::Action::CheckBank:
        setBankFile(command.bankFile);
        return checkBank();
    case CommandLine::Action::Help:
    case CommandLine::Action::Version: {
        // Qt's own output, --help-all included; process() exits after printing.
        QCommandLineParser parser;
        setUpParser(parser);
        parser.process(QCoreApplication::arguments());
        break;
    }
    case CommandLine::Action::Error:
        print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + command.errorText);
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

} // namespace zentrova
