// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordexport.h"

#include "framework/accessibility.h"
#include "framework/formulaguard.h"
#include "safesave.h"

#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace zentrova {

namespace {

// A field on one line: control characters and the line separators as
// escapes (\t, \n, \r, \0, \\, \xNN, \uNNNN), so that each record is one
// line whatever a name holds.
QString oneLine(const QString &text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            line += QStringLiteral("\\\\");
        else if (u == u'\t')
            line += QStringLiteral("\\t");
        else if (u == u'\n')
            line += QStringLiteral("\\n");
        else if (u == u'\r')
            line += QStringLiteral("\\r");
        else if (u == 0)
            line += QStringLiteral("\\0");
        else if (u < 0x20 || u == 0x7f)
            line += QStringLiteral("\\x%1").arg(int(u), 2, 16, QChar(u'0'));
        else if ((u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            line += QStringLiteral("\\u%1").arg(int(u), 4, 16, QChar(u'0'));
        else
            line += c;
    }
    return line;
}

// "+08:00", "-05:30", "+00:00"; "+05:30:15" where there are seconds.
QString utcOffsetText(int offset)
{
    const qint64 seconds = std::abs(qint64(offset));
    const QChar zero = u'0';
    QString text = QStringLiteral("%1%2:%3")
                       .arg(QChar(offset < 0 ? u'-' : u'+'))
                       .arg(seconds / 3600, 2, 10, zero)
                       .arg(seconds / 60 % 60, 2, 10, zero);
    if (seconds % 60 != 0)
        text += QStringLiteral(":%1").arg(seconds % 60, 2, 10, zero);
    return text;
}

// Quoted where the text holds a separator, quote or line break (RFC 4180).
// Text that a spreadsheet would run as a formula gets an apostrophe first,
// as spreadsheets themselves mark text; numbers stay numbers.
QString csvField(const QString &text)
{
    QString field = text;
    if (runsAsFormula(std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()))))
        field.prepend(u'\'');
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return c == u',' || c == u'"' || c == u'\n' || c == u'\r'; }))
        return field;
    return u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Appended to row, to keep an export of many records from allocating for
// every field.
void appendCsvRow(QString &row, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += u',';
        row += csvField(fields[i]);
    }
    row += QStringLiteral("\r\n");
}

QString csvRow(const QStringList &fields)
{
    QString row;
    appendCsvRow(row, fields);
    return row;
}

QString answersText(const QList<ShownResult::Answer> &answers)
{
    QString text;
    text.reserve(answers.size() * 16);
    for (const ShownResult::Answer &answer : answers) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += answer.item;
        text += u':';
        text += answer.answer;
    }
    return text;
}

// At a centre: who by 测评码, which seat and login handed it in, when it
// arrived (ISO 8601 in this computer's time, with its offset), and its marks.
QStringList originFields(const QString &personKey, const Provenance &provenance, const QStringList &marks)
{
    const QDateTime arrived = provenance.arrived.toLocalTime();
    return {personKey, provenance.seat, provenance.login,
        arrived.isValid() ? arrived.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + utcOffsetText(arrived.offsetFromUtc()) : QString(),
        marks.join(QStringLiteral("；"))};
}

} // namespace

QString csvLine(const QStringList &fields)
{
    return csvRow(fields);
}

const QStringList OriginColumns {
    QStringLiteral("测评码"), QStringLiteral("座位"), QStringLiteral("登录名"), QStringLiteral("送达时间"), QStringLiteral("存疑")};

QString listingLine(const RecordSummary &summary, bool origin)
{
    // ISO 8601 offsets stop at minutes; an offset with seconds keeps them.
    const int offset = summary.finished.offsetFromUtc();
    const QString finished = offset % 60 == 0 ? summary.finished.toString(Qt::ISODate)
                                              : summary.finished.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + utcOffsetText(offset);
    QStringList fields {QString::number(summary.id), finished, summary.person, summary.caption, summary.resultLine};
    if (origin)
        fields << originFields(summary.personKey, summary.provenance, summary.marks);
    QStringList escaped;
    for (const QString &field : fields)
        escaped << oneLine(field);
    return escaped.join(u'\t');
}

QString answerCode(const QString &answer)
{
    const QString text = answer.trimmed();
    if (isAnswerLetter(text.left(1)) && (text.size() == 1 || !text.at(1).isLetterOrNumber()))
        return text.left(1).toUpper();
    return text;
}

StoreReply<qint64> *streamCsv(Store &store, std::function<bool(const QByteArray &)> write, const RecordFilter &filter, bool itemColumns)
{
    const auto bytes = [write](const char *data, size_t size) { return write(QByteArray::fromRawData(data, qsizetype(size))); };
    if (StoreReply<qint64> *direct = store.csvFromOwnBytes(filter, itemColumns, bytes))
        return direct;
    return streamCsvByWalk(store, std::move(write), filter, itemColumns);
}

StoreReply<qint64> *streamCsvByWalk(Store &store, std::function<bool(const QByteArray &)> write, const RecordFilter &filter,
                                    bool itemColumns)
{
    // Oldest first, like a log: a later export of more records adds rows at
    // the bottom, and figure columns at the right in the order first shown.
    // The columns, named by the walk's first call and read by each row after
    // it, on the store's thread. At a centre, where each record came from,
    // before the item columns.
    auto columns = std::make_shared<std::pair<QStringList, QStringList>>();
    const bool origin = store.keepsOrigin();
    const auto header = [columns, write, origin](const QStringList &names, const QStringList &itemNumbers) {
        *columns = {names, itemNumbers};
        return write("\xEF\xBB\xBF"
            + csvRow(QStringList {QStringLiteral("编号"), QStringLiteral("完成时间"), QStringLiteral("受测者"), QStringLiteral("小组"),
                         QStringLiteral("测试"), QStringLiteral("用时（分钟）")}
                + names
                + QStringList {QStringLiteral("评语或分数段"), QStringLiteral("答案"), QStringLiteral("程序版本"),
                    QStringLiteral("题库SHA-256")}
                + (origin ? OriginColumns : QStringList()) + itemNumbers)
                  .toUtf8());
    };
    const auto row = [columns, write, filter, origin](const Record &record) {
        const auto &[figureNames, items] = *columns;
        if (!filter.accepts(record))
            return true;
        // The program's own fields: plain numbers and times, never guarded.
        // Formatted by hand: QDateTime::toString() reads its format anew for
        // every one of a million rows.
        const QDate date = record.finished.date();
        const QTime time = record.finished.time();
        QString line;
        line.reserve(1024);
        char made[64];
        // ISO 8601 with the offset, which statistics programs read as a time.
        const int length = std::snprintf(made, sizeof made, "%lld,%04d-%02d-%02dT%02d:%02d:%02d", record.id, date.year(), date.month(),
            date.day(), time.hour(), time.minute(), time.second());
        line += QLatin1StringView(made, length);
        line += utcOffsetText(record.finished.offsetFromUtc());
        line += u',';
        QStringList fields {record.person, record.group, record.caption,
            record.elapsedMinutes ? QString::number(*record.elapsedMinutes) : QString()};
        for (const QString &name : std::as_const(figureNames)) {
            const auto figure = std::find_if(record.figures.begin(), record.figures.end(), [&](const auto &f) { return f.name == name; });
            fields << (figure != record.figures.end() ? figure->value : QString());
        }
        // Named, so that no reader takes the version "1.2" for a number.
        fields << record.verdict << answersText(record.answers) << QStringLiteral("Zentrova ") + record.programVersion << record.bankSha256;
        if (origin)
            fields << originFields(record.personKey, record.provenance, record.marks);
        for (const QString &item : std::as_const(items)) {
            const auto answer = std::find_if(record.answers.begin(), record.answers.end(), [&](const auto &a) { return a.item == item; });
            fields << (answer != record.answers.end() ? answerCode(answer->answer) : QString());
        }
        appendCsvRow(line, fields);
        return write(line.toUtf8());
    };
    return store.forEachRecord(columnsOf(filter), itemColumns, header, row);
}

bool writeCsv(Store &store, const std::function<bool(const QByteArray &)> &write, QString *error, const RecordFilter &filter,
              bool itemColumns)
{
    bool written = true;
    StoreReply<qint64> *walk = streamCsv(store, [&](const QByteArray &bytes) { return written = write(bytes); }, filter, itemColumns);
    walk->waitForDone();
    *error = walk->error();
    return written && error->isEmpty();
}

bool exportCsv(Store &store, const QString &path, QString *error, const RecordFilter &filter, bool itemColumns)
{
    SafeSave file(path, QStringLiteral("导出文件"));
    QString storeError;
    if (file.open() && writeCsv(store, [&](const QByteArray &bytes) { return file.write(bytes); }, &storeError, filter, itemColumns)
        && file.commit())
        return true;
    // Either the file or the records failed; the other said nothing.
    *error = storeError.isEmpty() ? file.error() : storeError + QStringLiteral("没有导出。");
    return false;
}

} // namespace zentrova
