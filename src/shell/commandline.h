// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's command line. Without options the program starts as it
// always does; the options are for trying a bank of one's own, for scripts
// and for packagers.
#pragma once

#include "records/groupstats.h"
#include "records/store.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zentrova {

// The reverse-DNS name of the program: its .desktop file, icon and metadata.
inline constexpr auto ApplicationId = "io.github.zentrova.zentrova";

struct CommandLine {
    enum class Action {
        Run,           // start the program, with bankFile and recordsFile when given
        CheckBank,     // open every table of the bank, report, and exit
        ListRecords,   // print a line per record, and exit
        ExportRecords, // write every record to exportFile as CSV, and exit
        Report,        // write the report of record reportId to reportFile, and exit
        GroupReport,   // write the group report of filter.test and filter.group to reportFile, and exit
        SyncRecords,   // at a centre's seat: send what waits for the server, and exit
        ItemAnalysis,  // write the item analysis of the filter's records to itemAnalysisFile as CSV, and exit
        Help,
        Version,
        Error,         // errorText says what is wrong
    };
    Action action = Action::Run;
    QString bankFile;    // absolute; empty for the bank beside the program
    QString recordsFile; // absolute; empty for the one in the user's data folder
    QString exportFile; // absolute, or "-" for standard output
    qint64 reportId = 0;
    QString reportFile; // absolute
    QString centreFile; // absolute; empty for the usual places
    QString errorText;
    // Who takes the tests of this run (Run), as 当前受测者… would set them;
    // at a centre's seat the person is the 测评码.
    std::optional<QString> person;
    std::optional<QString> group;
    // Which records ExportRecords and GroupReport take; the group report's
    // earlier sitting, to compare with.
    RecordFilter filter;
    std::optional<DateRange> earlier;
    bool itemColumns = false; // ExportRecords: a column per item
    bool itemAnalysis = false; // GroupReport: with its item analysis
    QString itemAnalysisFile; // absolute
};

// Name, version and desktop file name of the application, for the help text,
// --version and the desktop's window matching. Callable before any
// application object exists.
void setApplicationIdentity();

// Reads the arguments, the program's own name first: raw, or as QApplication
// left them once it has taken out Qt's own options (-style, -platform …).
// Relative bank paths are resolved against the working directory now.
CommandLine parseCommandLine(const QStringList &arguments);

// Points the question bank and the record file at the files the command
// line names, or at the usual ones where it names none.
void useFiles(const CommandLine &command);

// What --help prints, with Qt's own options for --help-all: each option's
// description wrapped within 80 columns, between words, never inside an
// option name or a file suffix.
QString helpText(bool withQtOptions);

// Decides the centre setting of the run from the centre file (--centre,
// or the usual places). Returns the sentence that forbids running, if any:
// a centre file that cannot serve, or a bad --person at a seat.
QString useCentre(const CommandLine &command);

// Carries out every action but Run, without any window or display, and
// returns the exit code: 1 also when standard output could not be written
// whole (a full disk, a closed pipe). Needs a QCoreApplication.
int answerCommandLine(const CommandLine &command);

// Opens every test's table in the bank the windows would use, exactly as they
// open it; prints which file that is and what, if anything, fails. 0 when all
// open, 1 otherwise.
int checkBank();

// The commands below read the run's store, waiting for each answer (the
// command line has no window to keep painting).

// Prints a line per record of the store, newest first (see listingLine()).
// 0 when it could be read (a missing record file holds none).
int listRecords(Store &store);

// Writes the records of the store that filter takes to file as CSV,
// or as an SPSS (.sav) or Stata (.dta) file by its suffix, with a column per
// item where itemColumns is set, or as CSV to standard output when file is
// "-"; 0 on success.
int exportRecords(Store &store, const QString &file, const RecordFilter &filter = {}, bool itemColumns = false);

// Writes the report of a group on a test (as the filter names them) to file
// (.pdf or .png), with the follow-up list where the settings switch it on
// and the item analysis where itemAnalysis asks for it; 0 on success. Needs
// a QGuiApplication: text is drawn.
int writeGroupReportFile(Store &store,
    const RecordFilter &filter, const std::optional<DateRange> &earlier, const QString &file, bool itemAnalysis = false);

// Writes the item analysis of each test and group the filter takes to file
// as CSV; 0 on success.
int writeItemAnalysisFile(Store &store, const RecordFilter &filter, const QString &file);

// Sends a seat's waiting results to the centre's server and says how many
// went; 0 when none is left waiting.
int syncRecords();

// Writes the report of one record to file (.pdf or .png); 0 on success.
// Needs a QGuiApplication: text is drawn.
int writeRecordReport(Store &store, qint64 id, const QString &file);

} // namespace zentrova
