// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "statfiles.h"

#include "framework/bankcatalog.h"
#include "framework/strings.h"
#include "itemscores.h"
#include "recordexport.h"
#include "recordstore.h"
#include "safesave.h"

#include <QHash>

#include <readstat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace zentrova {

namespace {

const QString What = QStringLiteral("导出文件");

// Limits of each format, in bytes of UTF-8 unless said.
struct FormatLimits {
    int variableLabel;
    int variableLabelCharacters;
    int valueLabel;
    int string;
};
FormatLimits limitsOf(ExportFormat format)
{
    // SPSS: labels of 255 and 120 bytes; Stata 14 (format 118): labels of 80
    // characters, strings of 2045 bytes.
    return format == ExportFormat::Spss ? FormatLimits {255, 255, 120, 32767} : FormatLimits {320, 80, 32000, 2045};
}

// The text cut at a whole character to fit bytes (and characters).
QByteArray utf8Within(const QString &text, int bytes, int characters = INT_MAX)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= bytes && text.size() <= characters)
        return utf8;
    QString cut = text.left(characters);
    while (cut.toUtf8().size() > bytes - 3)
        cut.chop(cut.size() >= 2 && cut.back().isLowSurrogate() ? 2 : 1);
    return (cut + u'…').toUtf8();
}

// The local clock's date and time as each format counts it: SPSS in seconds
// from 1582-10-14, Stata (%tc) in milliseconds from 1960-01-01.
double clockValue(const QDateTime &finished, ExportFormat format)
{
    const QDate epoch = format == ExportFormat::Spss ? QDate(1582, 10, 14) : QDate(1960, 1, 1);
    const double seconds
        = double(finished.date().toJulianDay() - epoch.toJulianDay()) * 86400 + finished.time().msecsSinceStartOfDay() / 1000.0;
    return format == ExportFormat::Spss ? seconds : seconds * 1000;
}

QString offsetText(int offset)
{
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(QChar(offset < 0 ? u'-' : u'+'))
        .arg(minutes / 60, 2, 10, QChar(u'0'))
        .arg(minutes % 60, 2, 10, QChar(u'0'));
}

// "12（2）" → "q12_2".
QByteArray itemVariableName(const QString &item)
{
    QString name = QStringLiteral("q") + item.trimmed();
    name.replace(QStringLiteral("（"), QStringLiteral("_")).remove(QStringLiteral("）"));
    return name.toLatin1();
}

// What the first walk learns, for the variables that the second fills.
struct Dictionary {
    long rows = 0;
    qint64 lastId = 0;
    int widths[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1}; // person, group, test, verdict, version, and at a centre code, seat, login, marks
    bool origin = false; // at a centre: where each record came from
    QStringList windows; // tests met, in the order met
    QStringList figureNames;
    QStringList items;
    std::optional<ItemScores> scores; // of the one test, with item columns
    // Per item: each answer's code and its words.
    QHash<QString, std::map<QString, std::set<QString>>> answers;
    // Per item column: the value each answer given is kept as, and the
    // value labels.
    struct ItemColumn {
        QHash<QString, double> values;
        std::map<double, QString> labels;
    };
    QList<ItemColumn> itemColumns;
    // Band codes: per window the code of its first band.
    QHash<QString, int> firstBandCode;
    std::map<int, QString> bandLabels;
};

// The value each answer given to an item is kept as: its score where the
// bank gives one, else its place (1, 2, …) among those given to the item;
// the answers of a value, as its label.
void describeItems(Dictionary &dictionary)
{
    for (const QString &item : std::as_const(dictionary.items)) {
        Dictionary::ItemColumn column;
        std::map<double, QStringList> byValue;
        int place = 0;
        for (const auto &[code, words] : dictionary.answers.value(item)) {
            ++place;
            for (const QString &answer : words) {
                const std::optional<double> value
                    = dictionary.scores->scored() ? dictionary.scores->score(item, answer) : std::optional<double>(place);
                if (!value)
                    continue;
                column.values.insert(answer, *value);
                byValue[*value] << answer;
            }
        }
        for (const auto &[value, answers] : byValue)
            column.labels[value] = answers.join(QStringLiteral("；"));
        dictionary.itemColumns << column;
    }
}

std::optional<int> bandCode(const Dictionary &dictionary, const Record &record)
{
    const BankTable *table = bankTableForWindow(record.window.toStdString());
    const std::optional<double> total = record.total();
    const auto band = table && total ? bandIndex(table->scoring.bands, *total) : std::nullopt;
    if (!band)
        return std::nullopt;
    return dictionary.firstBandCode.value(record.window) + int(*band);
}

// Band codes numbered through the tests in the catalogue's order, so that a
// file of one test has 1 … k; a file of several names the test in each label.
void numberBands(Dictionary &dictionary, const QHash<QString, QString> &captions)
{
    int code = 1;
    for (const BankTable &table : bankTables()) {
        const QString window = toQString(table.window);
        if (!dictionary.windows.contains(window) || table.scoring.bands.empty())
            continue;
        dictionary.firstBandCode.insert(window, code);
        for (const ScoreBand &band : table.scoring.bands) {
            const QString text = toQString(band.text), meaning = bandMeaning(window, text);
            QString label = meaning.isEmpty() ? text : text + QStringLiteral("　") + meaning;
            if (dictionary.windows.size() > 1)
                label = captions.value(window) + QStringLiteral("：") + label;
            dictionary.bandLabels[code++] = label;
        }
    }
}

QString joinedMarks(const Record &record)
{
    return record.marks.join(QStringLiteral("；"));
}

bool readDictionary(Store &store, const RecordFilter &filter, bool itemColumns, Dictionary *dictionary, QString *error)
{
    dictionary->origin = store.keepsOrigin();
    QHash<QString, QString> captions;
    const auto names = [&](const QStringList &figureNames, const QStringList &items) {
        dictionary->figureNames = figureNames;
        dictionary->items = items;
        return true;
    };
    const auto visit = [&](const Record &record) {
        if (!filter.accepts(record))
            return true;
        ++dictionary->rows;
        dictionary->lastId = std::max(dictionary->lastId, record.id);
        const QString texts[] = {record.person, record.group, record.caption, record.verdict, record.programVersion, record.personKey,
            record.provenance.seat, record.provenance.login, joinedMarks(record)};
        for (int i = 0; i < 9; ++i)
            dictionary->widths[i] = std::max(dictionary->widths[i], int(texts[i].toUtf8().size()));
        if (!dictionary->windows.contains(record.window)) {
            dictionary->windows << record.window;
            captions.insert(record.window, record.caption);
        }
        if (itemColumns && !dictionary->scores) {
            dictionary->scores = ItemScores::read(record.window, error);
            if (!dictionary->scores)
                return false;
        }
        if (itemColumns) {
            for (const ShownResult::Answer &answer : record.answers)
                dictionary->answers[answer.item][answerCode(answer.answer)].insert(answer.answer.trimmed());
        }
        return true;
    };
    // visit stops the walk only where it said why in error.
    if (const QString failed = walkAndWait(store, columnsOf(filter), itemColumns, names, visit); !failed.isEmpty() || !error->isEmpty()) {
        if (error->isEmpty())
            *error = failed + QStringLiteral("没有导出。");
        return false;
    }
    numberBands(*dictionary, captions);
    if (itemColumns && dictionary->scores)
        describeItems(*dictionary);
    return true;
}

// A ReadStat writer and what it writes into.
struct Writer {
    readstat_writer_t *writer = readstat_writer_init();
    ~Writer() { readstat_writer_free(writer); }
};

ssize_t writeBytes(const void *data, size_t length, void *context)
{
    auto *file = static_cast<SafeSave *>(context);
    return file->write(QByteArray(static_cast<const char *>(data), qsizetype(length))) ? ssize_t(length) : -1;
}

class StatFileWriter
{
public:
    StatFileWriter(const Dictionary &dictionary, ExportFormat format)
        : m_dictionary(dictionary)
        , m_format(format)
        , m_limits(limitsOf(format))
    {
    }

    readstat_error_t write(Store &store, const RecordFilter &filter, bool itemColumns, SafeSave &file, QString *storeError)
    {
        readstat_writer_t *w = m_writer.writer;
        readstat_set_data_writer(w, &writeBytes);
        readstat_writer_set_file_label(w, "Zentrova");
        if (m_format == ExportFormat::Stata)
            readstat_writer_set_file_format_version(w, 118); // the first with UTF-8
        defineVariables(itemColumns);
        readstat_error_t status = m_format == ExportFormat::Spss ? readstat_begin_writing_sav(w, &file, m_dictionary.rows)
                                                                 : readstat_begin_writing_dta(w, &file, m_dictionary.rows);
        long written = 0;
        const auto visit = [&](const Record &record) {
            if (!filter.accepts(record) || record.id > m_dictionary.lastId)
                return true;
            if (++written > m_dictionary.rows)
                return false;
            status = writeRow(record);
            return status == READSTAT_OK;
        };
        if (status != READSTAT_OK)
            return status;
        *storeError = walkAndWait(store, columnsOf(filter), false, [](const QStringList &, const QStringList &) { return true; }, visit);
        if (!storeError->isEmpty() && status == READSTAT_OK && written <= m_dictionary.rows)
            return READSTAT_ERROR_USER_ABORT; // the store failed: it says why
        if (written != m_dictionary.rows)
            return READSTAT_ERROR_ROW_COUNT_MISMATCH;
        return status == READSTAT_OK ? readstat_end_writing(w) : status;
    }

private:
    readstat_variable_t *add(const char *name, readstat_type_t type, const QString &label, int width = 0)
    {
        readstat_variable_t *variable = readstat_add_variable(m_writer.writer, name, type, size_t(width));
        readstat_variable_set_label(variable, utf8Within(label, m_limits.variableLabel, m_limits.variableLabelCharacters).constData());
        readstat_variable_set_measure(variable, type == READSTAT_TYPE_STRING ? READSTAT_MEASURE_NOMINAL : READSTAT_MEASURE_SCALE);
        return variable;
    }

    readstat_variable_t *addString(const char *name, const QString &label, int width)
    {
        return add(name, READSTAT_TYPE_STRING, label, std::min(width, m_limits.string));
    }

    readstat_variable_t *addLabelled(const QByteArray &name, const QString &label, const std::map<double, QString> &labels)
    {
        const bool whole = std::all_of(labels.begin(), labels.end(), [](const auto &l) { return l.first == std::trunc(l.first); });
        readstat_variable_t *variable = add(name.constData(), whole ? READSTAT_TYPE_INT32 : READSTAT_TYPE_DOUBLE, label);
        readstat_variable_set_measure(variable, READSTAT_MEASURE_ORDINAL);
        // Stata labels whole numbers only.
        if (labels.empty() || (!whole && m_format == ExportFormat::Stata))
            return variable;
        readstat_label_set_t *set
            = readstat_add_label_set(m_writer.writer, whole ? READSTAT_TYPE_INT32 : READSTAT_TYPE_DOUBLE, ("l" + name).constData());
        for (const auto &[value, text] : labels) {
            const QByteArray words = utf8Within(text, m_limits.valueLabel);
            if (whole)
                readstat_label_int32_value(set, int32_t(value), words.constData());
            else
                readstat_label_double_value(set, value, words.constData());
        }
        readstat_variable_set_label_set(variable, set);
        return variable;
    }

    void defineVariables(bool itemColumns)
    {
        const int *widths = m_dictionary.widths;
        m_id = add("id", READSTAT_TYPE_DOUBLE, QStringLiteral("编号"));
        readstat_variable_set_format(m_id, m_format == ExportFormat::Spss ? "F10.0" : "%10.0g");
        m_person = addString("person", QStringLiteral("受测者"), widths[0]);
        m_group = addString("group", QStringLiteral("小组"), widths[1]);
        m_test = addString("test", QStringLiteral("测试"), widths[2]);
        m_finished = add("finished", READSTAT_TYPE_DOUBLE, QStringLiteral("完成时间（完成地的当地时间）"));
        readstat_variable_set_format(m_finished, m_format == ExportFormat::Spss ? "DATETIME20" : "%tc");
        m_offset = addString("utc_offset", QStringLiteral("完成地的UTC偏移"), 6);
        m_duration = add("duration_s", READSTAT_TYPE_DOUBLE, QStringLiteral("用时（秒）"));
        int figure = 0;
        for (const QString &name : m_dictionary.figureNames) {
            const QByteArray variable = name == QStringLiteral("总分") ? QByteArray("total") : "score" + QByteArray::number(++figure);
            m_figures << add(variable.constData(), READSTAT_TYPE_DOUBLE, name);
        }
        std::map<double, QString> bands(m_dictionary.bandLabels.begin(), m_dictionary.bandLabels.end());
        m_band = addLabelled("band", QStringLiteral("分数段"), bands);
        m_verdict = addString("verdict", QStringLiteral("评语或分数段"), widths[3]);
        m_version = addString("version", QStringLiteral("程序版本"), widths[4]);
        m_bank = addString("bank_sha256", QStringLiteral("题库SHA-256"), 64);
        if (m_dictionary.origin) {
            m_code = addString("code", QStringLiteral("测评码"), widths[5]);
            m_seat = addString("seat", QStringLiteral("座位"), widths[6]);
            m_login = addString("login", QStringLiteral("登录名"), widths[7]);
            m_arrived = add("arrived", READSTAT_TYPE_DOUBLE, QStringLiteral("送达时间（UTC）"));
            readstat_variable_set_format(m_arrived, m_format == ExportFormat::Spss ? "DATETIME20" : "%tc");
            m_marks = addString("marks", QStringLiteral("存疑"), widths[8]);
        }
        if (!itemColumns)
            return;
        for (qsizetype i = 0; i < m_dictionary.itemColumns.size(); ++i) {
            const QString &item = m_dictionary.items[i];
            const QString text = m_dictionary.scores->text(item);
            m_items << addLabelled(
                itemVariableName(item), text.isEmpty() ? item : item + QStringLiteral("　") + text, m_dictionary.itemColumns[i].labels);
            m_itemIndex.insert(item, i);
        }
    }

    readstat_error_t insert(readstat_variable_t *variable, std::optional<double> value)
    {
        if (!value)
            return readstat_insert_missing_value(m_writer.writer, variable);
        if (readstat_variable_get_type(variable) == READSTAT_TYPE_INT32)
            return readstat_insert_int32_value(m_writer.writer, variable, int32_t(*value));
        return readstat_insert_double_value(m_writer.writer, variable, *value);
    }

    readstat_error_t insert(readstat_variable_t *variable, const QString &text)
    {
        return readstat_insert_string_value(m_writer.writer, variable, utf8Within(text, m_limits.string).constData());
    }

    readstat_error_t writeRow(const Record &record)
    {
        std::optional<double> duration;
        if (record.elapsedMinutes)
            duration = *record.elapsedMinutes * 60.0;
        std::optional<double> band;
        if (const auto code = bandCode(m_dictionary, record))
            band = *code;
        const readstat_error_t fixed[]
            = {readstat_begin_row(m_writer.writer), insert(m_id, double(record.id)), insert(m_person, record.person),
                insert(m_group, record.group), insert(m_test, record.caption), insert(m_finished, clockValue(record.finished, m_format)),
                insert(m_offset, offsetText(record.finished.offsetFromUtc())), insert(m_duration, duration), insert(m_band, band),
                insert(m_verdict, record.verdict), insert(m_version, record.programVersion), insert(m_bank, record.bankSha256)};
        for (readstat_error_t status : fixed) {
            if (status != READSTAT_OK)
                return status;
        }
        if (m_dictionary.origin) {
            const QDateTime arrived = record.provenance.arrived.toUTC();
            const readstat_error_t origin[]
                = {insert(m_code, record.personKey), insert(m_seat, record.provenance.seat), insert(m_login, record.provenance.login),
                    insert(m_arrived, arrived.isValid() ? std::optional(clockValue(arrived, m_format)) : std::nullopt),
                    insert(m_marks, joinedMarks(record))};
            for (readstat_error_t status : origin) {
                if (status != READSTAT_OK)
                    return status;
            }
        }
        for (qsizetype i = 0; i < m_figures.size(); ++i) {
            const auto figure = std::find_if(
                record.figures.begin(), record.figures.end(), [&](const auto &f) { return f.name == m_dictionary.figureNames[i]; });
            if (const readstat_error_t status
                = insert(m_figures[i], figure == record.figures.end() ? std::nullopt : Record::numberShown(figure->value)))
                return status;
        }
        std::vector<std::optional<double>> values(m_items.size());
        for (const ShownResult::Answer &answer : record.answers) {
            const qsizetype i = m_itemIndex.value(answer.item, -1);
            if (i < 0)
                continue;
            const QHash<QString, double> &given = m_dictionary.itemColumns[i].values;
            if (const auto value = given.constFind(answer.answer.trimmed()); value != given.cend())
                values[i] = *value;
        }
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            if (const readstat_error_t status = insert(m_items[i], values[i]))
                return status;
        }
        return readstat_end_row(m_writer.writer);
    }

    const Dictionary &m_dictionary;
    ExportFormat m_format;
    FormatLimits m_limits;
    Writer m_writer;
    readstat_variable_t *m_id = nullptr, *m_person = nullptr, *m_group = nullptr, *m_test = nullptr, *m_finished = nullptr,
                        *m_offset = nullptr, *m_duration = nullptr, *m_band = nullptr, *m_verdict = nullptr, *m_version = nullptr,
                        *m_bank = nullptr, *m_code = nullptr, *m_seat = nullptr, *m_login = nullptr, *m_arrived = nullptr,
                        *m_marks = nullptr;
    QList<readstat_variable_t *> m_figures, m_items;
    QHash<QString, qsizetype> m_itemIndex; // item number → place in m_items
};

QString number(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'f', 4) : QString();
}

} // namespace

ExportFormat exportFormat(const QString &path)
{
    if (path.endsWith(QLatin1String(".sav"), Qt::CaseInsensitive))
        return ExportFormat::Spss;
    if (path.endsWith(QLatin1String(".dta"), Qt::CaseInsensitive))
        return ExportFormat::Stata;
    return ExportFormat::Csv;
}

bool exportStatFile(
    Store &store, const QString &path, ExportFormat format, QString *error, const RecordFilter &filter, bool itemColumns)
{
    SafeSave file(path, What);
    Dictionary dictionary;
    error->clear();
    if (!readDictionary(store, filter, itemColumns, &dictionary, error))
        return false;
    if (!file.open()) {
        *error = file.error();
        return false;
    }
    StatFileWriter writer(dictionary, format);
    QString storeError;
    const readstat_error_t status = writer.write(store, filter, itemColumns, file, &storeError);
    if (status == READSTAT_OK && file.commit())
        return true;
    if (!storeError.isEmpty())
        *error = storeError + QStringLiteral("没有导出。");
    else if (!file.error().isEmpty())
        *error = file.error();
    else if (status == READSTAT_ERROR_ROW_COUNT_MISMATCH)
        *error = QStringLiteral("导出时记录有了变化，导出文件“%1”没有保存，请再导出一次。").arg(path);
    else
        *error
            = QStringLiteral("无法写入导出文件“%1”：%2，导出文件没有保存。").arg(path, QString::fromUtf8(readstat_error_message(status)));
    return false;
}

bool exportRecordsFile(Store &store, const QString &path, QString *error, const RecordFilter &filter, bool itemColumns)
{
    const ExportFormat format = exportFormat(path);
    return format == ExportFormat::Csv ? exportCsv(store, path, error, filter, itemColumns)
                                       : exportStatFile(store, path, format, error, filter, itemColumns);
}

namespace {

// The latest scored answers of each person, per test and group, gathered
// on the store's thread as its walk goes.
struct ItemGathering {
    struct Sitting {
        QDateTime finished;
        qint64 id = 0;
        QHash<QString, double> scores;
    };
    struct Gathered {
        GroupItemAnalysis analysis;
        std::map<QString, Sitting> people; // nameless records under their id
    };

    RecordFilter filter;
    bool perGroup = false;
    std::map<std::pair<QString, QString>, Gathered> groups;
    QHash<QString, std::optional<ItemScores>> banks;
    QStringList allItems;
    QString error; // a bank that could not be read

    bool visit(const Record &record)
    {
        if (!filter.accepts(record))
            return true;
        auto bank = banks.find(record.window);
        if (bank == banks.end()) {
            bank = banks.insert(record.window, ItemScores::read(record.window, &error));
            if (!*bank)
                return false;
        }
        const ItemScores &scores = **bank;
        if (!scores.scored())
            return true;
        const QString group = perGroup ? record.group : filter.group.value_or(QString());
        Gathered &gathered = groups[{record.window, group}];
        gathered.analysis.window = record.window;
        gathered.analysis.caption = record.caption;
        gathered.analysis.group = group;
        Sitting &sitting = gathered.people[record.person.isEmpty() ? QStringLiteral("\n%1").arg(record.id) : record.person];
        const qint64 at = record.finished.toMSecsSinceEpoch(),
                     before = sitting.finished.isValid() ? sitting.finished.toMSecsSinceEpoch() : 0;
        if (sitting.finished.isValid() && (at < before || (at == before && record.id < sitting.id)))
            return true;
        sitting = {record.finished, record.id, {}};
        for (const ShownResult::Answer &answer : record.answers) {
            if (const auto score = scores.score(answer.item, answer.answer))
                sitting.scores.insert(answer.item, *score);
        }
        return true;
    }

    QList<GroupItemAnalysis> analyses()
    {
        QList<GroupItemAnalysis> result;
        for (auto &[key, gathered] : groups) {
            GroupItemAnalysis &analysis = gathered.analysis;
            const ItemScores &scores = **banks.constFind(analysis.window);
            for (const QString &item : std::as_const(allItems)) {
                if (std::any_of(
                        gathered.people.begin(), gathered.people.end(), [&](const auto &p) { return p.second.scores.contains(item); })) {
                    analysis.items << item;
                    analysis.texts << scores.text(item);
                }
            }
            QList<QList<double>> rows;
            for (const auto &[person, sitting] : gathered.people) {
                QList<double> row;
                for (const QString &item : std::as_const(analysis.items)) {
                    if (sitting.scores.contains(item))
                        row << sitting.scores.value(item);
                }
                if (row.size() == analysis.items.size())
                    rows << row;
                else
                    ++analysis.incomplete;
            }
            analysis.figures = analyseItems(rows);
            analysis.figures.perItem.resize(analysis.items.size());
            result << analysis;
        }
        return result;
    }
};

} // namespace

ItemAnalysisRequest requestItemAnalysis(Store &store, const RecordFilter &filter, bool perGroup)
{
    auto gathering = std::make_shared<ItemGathering>();
    gathering->filter = filter;
    gathering->perGroup = perGroup;
    StoreReply<qint64> *walk = store.forEachRecord(
        columnsOf(filter), true,
        [gathering](const QStringList &, const QStringList &items) {
            gathering->allItems = items;
            return true;
        },
        [gathering](const Record &record) { return gathering->visit(record); });
    return {walk, [gathering](QString *error) -> std::optional<QList<GroupItemAnalysis>> {
                if (!gathering->error.isEmpty()) {
                    *error = gathering->error;
                    return std::nullopt;
                }
                return gathering->analyses();
            }};
}

std::optional<QList<GroupItemAnalysis>> analyseItemsOf(Store &store, const RecordFilter &filter, bool perGroup, QString *error)
{
    const ItemAnalysisRequest request = requestItemAnalysis(store, filter, perGroup);
    request.walk->waitForDone();
    if (const QString failed = request.walk->error(); !failed.isEmpty()) {
        *error = failed;
        return std::nullopt;
    }
    return request.result(error);
}

bool exportItemAnalysis(Store &store, const QString &path, const RecordFilter &filter, QString *error)
{
    const auto analyses = analyseItemsOf(store, filter, true, error);
    if (!analyses) {
        *error += QStringLiteral("没有导出。");
        return false;
    }
    QString text = QStringLiteral("\uFEFF")
        + csvLine({QStringLiteral("测试"), QStringLiteral("小组"), QStringLiteral("人数"), QStringLiteral("计入的题目数"),
            QStringLiteral("α"), QStringLiteral("α的95%置信区间下限"), QStringLiteral("α的95%置信区间上限"), QStringLiteral("题号"),
            QStringLiteral("题目"), QStringLiteral("校正的题总相关"), QStringLiteral("删除该题后的α"), QStringLiteral("说明")});
    for (const GroupItemAnalysis &analysis : *analyses) {
        const ItemAnalysis &f = analysis.figures;
        QStringList notes;
        if (f.n < FewPeopleForItemAnalysis)
            notes << QStringLiteral("人数少于%1，数字仅供参考").arg(FewPeopleForItemAnalysis);
        if (analysis.incomplete > 0)
            notes << QStringLiteral("%1人的答案不全，未计入").arg(analysis.incomplete);
        for (qsizetype i = 0; i < analysis.items.size(); ++i) {
            const ItemFigures &item = f.perItem[i];
            QStringList itemNotes = notes;
            if (item.constant)
                itemNotes.prepend(QStringLiteral("所有人的得分相同，未计入α"));
            text += csvLine({analysis.caption, analysis.group, QString::number(f.n), QString::number(f.items), number(f.alpha),
                number(f.alphaInterval ? std::optional(f.alphaInterval->first) : std::nullopt),
                number(f.alphaInterval ? std::optional(f.alphaInterval->second) : std::nullopt), analysis.items[i], analysis.texts[i],
                number(item.correctedItemTotal), number(item.alphaIfDeleted), itemNotes.join(QStringLiteral("；"))});
        }
    }
    return saveWhole(path, QStringLiteral("题目分析文件"), text.toUtf8(), error);
}

} // namespace zentrova
