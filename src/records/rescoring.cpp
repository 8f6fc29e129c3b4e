// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "rescoring.h"

#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "recordexport.h"

#include <QUrl>

#include <sqlite3.h>

#include <cmath>

namespace zentrova {

namespace {

QString quoted(std::string_view identifier)
{
    QString name = toQString(identifier);
    return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The option an answer chose, counted from 0: its letter (A：…), or 是 and
// 否 in that order; nullopt where it names none.
std::optional<int> optionOf(const QString &answer)
{
    const QString code = answerCode(answer);
    if (code == QStringLiteral("是"))
        return 0;
    if (code == QStringLiteral("否"))
        return 1;
    if (code.size() == 1 && code[0] >= u'A' && code[0] <= u'Z')
        return code[0].unicode() - u'A';
    return std::nullopt;
}

} // namespace

Rescorer::Rescorer(QString bankPath)
    : m_bankPath(std::move(bankPath))
{
}

const std::optional<Rescorer::Rows> &Rescorer::rowsOf(const QString &window)
{
    const auto known = m_rows.find(window);
    if (known != m_rows.end())
        return known->second;
    std::optional<Rows> &rows = m_rows[window];
    const BankTable *table = bankTableForWindow(window.toStdString());
    sqlite3 *db = nullptr;
    const QByteArray uri = QUrl::fromLocalFile(m_bankPath).toEncoded() + "?mode=ro&immutable=1";
    if (!table || sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    distrustSchema(db);
    const std::vector<std::string_view> fields = table->fields();
    QString sql = QStringLiteral("SELECT ");
    for (size_t i = 0; i < fields.size(); ++i)
        sql += (i ? QStringLiteral(", ") : QString()) + quoted(fields[i]);
    sql += QStringLiteral(" FROM ") + quoted(table->table);
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
        rows.emplace();
        const auto number = std::find(fields.begin(), fields.end(), std::string_view("测试题号"));
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QHash<QString, QString> row;
            for (int i = 0; i < int(fields.size()); ++i)
                row.insert(toQString(fields[size_t(i)]), QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, i))));
            if (number != fields.end())
                rows->insert(row.value(QStringLiteral("测试题号")).trimmed().toInt(), row);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

QString Rescorer::doubt(const Record &record)
{
    const BankTable *table = bankTableForWindow(record.window.toStdString());
    if (!table || !table->scoring.noTotal.empty())
        return {};
    const Scoring &scoring = table->scoring;
    const std::optional<double> shown = record.total();
    if (!shown)
        return QStringLiteral("记录中没有总分");
    if (!m_bankSha256)
        m_bankSha256 = fileSha256(m_bankPath);
    if (record.bankSha256 != *m_bankSha256)
        return QStringLiteral("用的题库与本机的不同，总分无法核对");
    const std::optional<Rows> &rows = rowsOf(record.window);
    double total = 0;
    for (const ShownResult::Answer &answer : record.answers) {
        // "12" or, for the second statement of item 12, "12（2）".
        const QStringList parts = QString(answer.item).remove(u'）').split(u'（');
        bool isNumber = false;
        const int item = parts.value(0).toInt(&isNumber);
        const int statement = parts.size() > 1 ? parts[1].toInt() : 1;
        const std::optional<int> option = optionOf(answer.answer);
        if (!isNumber || !option)
            return QStringLiteral("第 %1 题的作答“%2”无法读出").arg(answer.item, answer.answer);
        if (!scoring.weights.empty()) {
            if (*option >= int(scoring.weights.size()))
                return QStringLiteral("第 %1 题的作答“%2”无法读出").arg(answer.item, answer.answer);
            total += scoring.weights[size_t(*option)];
            continue;
        }
        const size_t group = scoring.fields.size() == 1 ? 0 : size_t(statement - 1);
        if (!rows || group >= scoring.fields.size() || size_t(*option) >= scoring.fields[group].size() || !rows->contains(item))
            return QStringLiteral("第 %1 题无法按题库计分").arg(answer.item);
        const auto score = Record::numberShown(rows->value(item).value(toQString(scoring.fields[group][size_t(*option)])));
        if (!score)
            return QStringLiteral("第 %1 题无法按题库计分").arg(answer.item);
        total += *score;
    }
    if (std::abs(total - *shown) > 1e-6)
        return QStringLiteral("总分 %1 与作答不符（按作答应为 %2）").arg(*shown).arg(total);
    return {};
}

} // namespace zentrova
