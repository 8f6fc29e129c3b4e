// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordexport.h"

#include "framework/accessibility.h"

#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace zentrova {

namespace {

QString oneLine(QString text)
{
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

// "+08:00", "-05:30", "+00:00".
QString utcOffsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    const QChar zero = u'0';
    return QStringLiteral("%1%2:%3").arg(QChar(seconds < 0 ? u'-' : u'+')).arg(minutes / 60, 2, 10, zero).arg(minutes % 60, 2, 10, zero);
}

// Quoted where the text holds a separator, quote or line break (RFC 4180).
QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString csvRow(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(u',') + QStringLiteral("\r\n");
}

QString answersText(const QList<ShownResult::Answer> &answers)
{
    QStringList parts;
    for (const ShownResult::Answer &answer : answers)
        parts << answer.item + u':' + answer.answer;
    return parts.join(QStringLiteral("; "));
}

} // namespace

QString listingLine(const RecordSummary &summary)
{
    const QStringList fields{QString::number(summary.id), summary.finished.toString(Qt::ISODate), summary.person, summary.caption,
                             summary.resultLine};
    QStringList cleaned;
    for (const QString &field : fields)
        cleaned << oneLine(field);
    return cleaned.join(u'\t');
}

QString answerCode(const QString &answer)
{
    const QString text = answer.trimmed();
    if (isAnswerLetter(text.left(1)) && (text.size() == 1 || !text.at(1).isLetterOrNumber()))
        return text.left(1).toUpper();
    return text;
}

bool exportCsv(const QList<Record> &records, const QString &path, QString *error, bool itemColumns)
{
    // Oldest first, like a log: a later export of more records adds rows at
    // the bottom, and figure columns at the right in the order first shown.
    QList<Record> chronological = records;
    std::reverse(chronological.begin(), chronological.end());
    QStringList figureNames, items;
    for (const Record &record : std::as_const(chronological)) {
        for (const ShownResult::Figure &figure : record.figures) {
            if (!figureNames.contains(figure.name))
                figureNames << figure.name;
        }
        for (const ShownResult::Answer &answer : record.answers) {
            if (itemColumns && !items.contains(answer.item))
                items << answer.item;
        }
    }

    QString text = csvRow(QStringList{QStringLiteral("编号"), QStringLiteral("完成时间"), QStringLiteral("UTC偏移"),
                                      QStringLiteral("受测者"), QStringLiteral("小组"), QStringLiteral("测试"),
                                      QStringLiteral("用时（分钟）")}
                          + figureNames
                          + QStringList{QStringLiteral("评语或分数段"), QStringLiteral("答案"), QStringLiteral("程序版本"),
                                        QStringLiteral("题库SHA-256")}
                          + items);
    for (const Record &record : std::as_const(chronological)) {
        QStringList row{QString::number(record.id), record.finished.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        utcOffsetText(record.finished.offsetFromUtc()), record.person, record.group, record.caption,
                        record.elapsedMinutes ? QString::number(*record.elapsedMinutes) : QString()};
        for (const QString &name : std::as_const(figureNames)) {
            const auto figure = std::find_if(record.figures.begin(), record.figures.end(), [&](const auto &f) { return f.name == name; });
            row << (figure != record.figures.end() ? figure->value : QString());
        }
        row << record.verdict << answersText(record.answers) << record.programVersion << record.bankSha256;
        for (const QString &item : std::as_const(items)) {
            const auto answer = std::find_if(record.answers.begin(), record.answers.end(), [&](const auto &a) { return a.item == item; });
            row << (answer != record.answers.end() ? answerCode(answer->answer) : QString());
        }
        text += csvRow(row);
    }

    // Written beside the target and renamed over it once complete; readable
    // by the user alone before the first byte goes in.
    const QByteArray bytes = "\xEF\xBB\xBF" + text.toUtf8();
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write(bytes) == bytes.size() && file.commit();
    if (!written && error)
        *error = QStringLiteral("无法写入导出文件“%1”（%2），没有导出。").arg(path, file.errorString());
    return written;
}

} // namespace zentrova
