// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordswindow.h"

#include "framework/bankcatalog.h"
#include "framework/messages.h"
#include "framework/strings.h"
#include "recordcharts.h"
#include "reportactions.h"
#include "reportpainter.h"

#include <QAbstractTableModel>
#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>

#include <map>

namespace zentrova {

namespace {

enum Column { Finished, Person, Test, Result, Elapsed, ColumnCount };

constexpr int SortRole = Qt::UserRole;
constexpr int IdRole = Qt::UserRole + 1;

const QString Title = QStringLiteral("测评记录");

QString personText(const QString &person)
{
    return person.isEmpty() ? QStringLiteral("（未填写）") : person;
}

} // namespace

// The store's summaries as table rows. The view asks only for the rows on
// screen, so that ten thousand records open as quickly as ten.
class RecordsModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setSummaries(QList<RecordSummary> summaries)
    {
        beginResetModel();
        m_summaries = std::move(summaries);
        endResetModel();
    }
    const QList<RecordSummary> &summaries() const { return m_summaries; }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_summaries.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const RecordSummary &summary = m_summaries.at(index.row());
        if (role == IdRole)
            return summary.id;
        if (role == SortRole) {
            switch (index.column()) {
            case Finished:
                return summary.finished.toMSecsSinceEpoch();
            case Elapsed:
                return summary.elapsedMinutes.value_or(-1);
            default:
                return data(index, Qt::DisplayRole);
            }
        }
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case Finished:
            return summary.finished.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        case Person:
            return personText(summary.person);
        case Test:
            return summary.caption;
        case Result:
            return summary.resultLine;
        case Elapsed:
            return summary.elapsedMinutes ? QStringLiteral("%1分钟").arg(*summary.elapsedMinutes) : QString();
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QString captions[] = {
            QStringLiteral("完成时间"), QStringLiteral("受测者"), QStringLiteral("测评"), QStringLiteral("结果"), QStringLiteral("用时")};
        return captions[section];
    }

private:
    QList<RecordSummary> m_summaries;
};

// Rows of one test and one person, or of all; read straight from the
// summaries rather than through the model's texts.
class RecordsFilter : public QSortFilterProxyModel
{
public:
    explicit RecordsFilter(RecordsModel *model, QObject *parent)
        : QSortFilterProxyModel(parent)
        , m_model(model)
    {
        setSourceModel(model);
        setSortRole(SortRole);
    }

    void setFilters(const QString &window, const std::optional<QString> &person)
    {
        m_window = window;
        m_person = person;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &) const override
    {
        const RecordSummary &summary = m_model->summaries().at(row);
        return (m_window.isEmpty() || summary.window == m_window) && (!m_person || summary.person == *m_person);
    }

private:
    RecordsModel *m_model;
    QString m_window; // empty: every test
    std::optional<QString> m_person; // none: everyone
};

// The report of the selected record as a page scaled to fit, or a line
// saying why there is none.
class ReportView : public QWidget
{
public:
    explicit ReportView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("reportView"));
        setMinimumWidth(300);
    }

    void setRecord(std::optional<Record> record, const QString &note = {})
    {
        m_record = std::move(record);
        m_note = note;
        update();
    }
    const std::optional<Record> &record() const { return m_record; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xe8, 0xe8, 0xe8));
        if (!m_record) {
            painter.setPen(QColor(0x60, 0x60, 0x60));
            painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                m_note.isEmpty() ? QStringLiteral("选中一条记录，这里显示它的报告。") : m_note);
            return;
        }
        // An A4 sheet with a little room around it.
        const QRectF room = QRectF(rect()).adjusted(12, 12, -12, -12);
        const double scale = std::min(room.width() / 210, room.height() / 297);
        QRectF sheet(0, 0, 210 * scale, 297 * scale);
        sheet.moveCenter(room.center());
        painter.fillRect(sheet.translated(2, 2), QColor(0xb0, 0xb0, 0xb0));
        painter.fillRect(sheet, Qt::white);
        paintReport(painter, sheet, *m_record);
    }

private:
    std::optional<Record> m_record;
    QString m_note;
};

RecordsWindow::RecordsWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(new RecordsModel(this))
    , m_filter(new RecordsFilter(m_model, this))
    , m_table(new QTableView(this))
    , m_testChoice(new QComboBox(this))
    , m_personChoice(new QComboBox(this))
    , m_report(new ReportView(this))
    , m_totals(new TotalsChart(this))
    , m_bands(new BandCountChart(this))
    , m_charts(new QWidget(this))
{
    setObjectName(QStringLiteral("frm测评记录"));
    setWindowTitle(Title);
    resize(1180, 720);

    m_testChoice->setObjectName(QStringLiteral("cboTest"));
    m_personChoice->setObjectName(QStringLiteral("cboPerson"));
    m_testChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_personChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    m_table->setObjectName(QStringLiteral("tblRecords"));
    m_table->setModel(m_filter);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing measures all the rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(false);
    const int em = fontMetrics().horizontalAdvance(u'中');
    for (const auto &[column, width] : {std::pair {Finished, 9}, {Person, 6}, {Test, 13}, {Result, 14}, {Elapsed, 5}})
        m_table->setColumnWidth(column, width * em + 12);
    m_table->horizontalHeader()->setSectionResizeMode(Result, QHeaderView::Stretch);
    m_table->sortByColumn(Finished, Qt::DescendingOrder);
    m_table->setSortingEnabled(true);

    auto *remove = new QPushButton(QStringLiteral("删除所选…"), this);
    remove->setObjectName(QStringLiteral("cmdDelete"));
    connect(remove, &QPushButton::clicked, this, &RecordsWindow::deleteSelected);

    m_actions = new ReportActions(this, [this] { return m_report->record(); });

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("测评："), this));
    bar->addWidget(m_testChoice);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(QStringLiteral("受测者："), this));
    bar->addWidget(m_personChoice);
    bar->addStretch();
    bar->addWidget(remove);
    for (QAction *action : m_actions->actions()) {
        auto *button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        bar->addWidget(button);
    }

    auto *chartRow = new QHBoxLayout(m_charts);
    chartRow->setContentsMargins(0, 0, 0, 0);
    chartRow->addWidget(m_totals);
    chartRow->addWidget(m_bands);
    m_totals->setObjectName(QStringLiteral("totalsChart"));
    m_bands->setObjectName(QStringLiteral("bandChart"));

    auto *left = new QSplitter(Qt::Vertical, this);
    left->addWidget(m_table);
    left->addWidget(m_charts);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 1);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(m_report);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    connect(m_testChoice, &QComboBox::currentIndexChanged, this, &RecordsWindow::applyFilters);
    connect(m_personChoice, &QComboBox::currentIndexChanged, this, &RecordsWindow::applyFilters);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RecordsWindow::showCurrentRecord);

    reload();
}

RecordsWindow::~RecordsWindow() = default;

const std::optional<Record> &RecordsWindow::shownRecord() const
{
    return m_report->record();
}

void RecordsWindow::reload()
{
    std::optional<QList<RecordSummary>> summaries = m_store->summaries();
    if (!summaries)
        showMessage(this, m_store->error(), Title, MessageButtons::Ok);
    m_model->setSummaries(summaries.value_or(QList<RecordSummary>()));
    fillFilters();
    applyFilters();
}

// The tests and people that have records, keeping what was chosen.
void RecordsWindow::fillFilters()
{
    const QVariant test = m_testChoice->currentData();
    const QVariant person = m_personChoice->currentData();
    std::map<QString, QString> tests; // caption → window, in caption order
    std::map<QString, bool> people;
    for (const RecordSummary &summary : m_model->summaries()) {
        tests.emplace(summary.caption, summary.window);
        people.emplace(summary.person, true);
    }
    const QSignalBlocker testBlocker(m_testChoice), personBlocker(m_personChoice);
    m_testChoice->clear();
    m_testChoice->addItem(QStringLiteral("全部测评"), QString());
    for (const auto &[caption, window] : tests)
        m_testChoice->addItem(caption, window);
    m_testChoice->setCurrentIndex(std::max(0, m_testChoice->findData(test)));
    m_personChoice->clear();
    m_personChoice->addItem(QStringLiteral("全部受测者"));
    for (const auto &[name, _] : people)
        m_personChoice->addItem(personText(name), name);
    m_personChoice->setCurrentIndex(person.isValid() ? std::max(0, m_personChoice->findData(person)) : 0);
}

void RecordsWindow::applyFilters()
{
    const QVariant person = m_personChoice->currentData();
    m_filter->setFilters(m_testChoice->currentData().toString(), person.isValid() ? std::optional(person.toString()) : std::nullopt);
    // The record on show is the one selected, so that 删除所选 deletes what
    // the user sees, also when filtering moved the current row.
    QItemSelectionModel *selection = m_table->selectionModel();
    if (!selection->currentIndex().isValid() && m_filter->rowCount() > 0)
        m_table->selectRow(0);
    else if (selection->currentIndex().isValid() && !selection->isRowSelected(selection->currentIndex().row()))
        selection->select(selection->currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    showCurrentRecord();
}

void RecordsWindow::showCurrentRecord()
{
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    if (!current.isValid()) {
        m_report->setRecord(std::nullopt, m_model->rowCount() ? QString() : QStringLiteral("还没有测评记录。"));
    } else {
        const qint64 id = current.data(IdRole).toLongLong();
        if (!m_report->record() || m_report->record()->id != id) {
            std::optional<Record> record = m_store->record(id);
            m_report->setRecord(record, record ? QString() : m_store->error());
        }
    }
    m_actions->setEnabled(m_report->record().has_value());
    updateCharts();
}

// The test chosen in the filter, or else that of the selected record.
QString RecordsWindow::chartedTest() const
{
    const QString chosen = m_testChoice->currentData().toString();
    if (!chosen.isEmpty())
        return chosen;
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    return current.isValid() ? m_model->summaries().at(m_filter->mapToSource(current).row()).window : QString();
}

void RecordsWindow::updateCharts()
{
    const QString test = chartedTest();
    const QVariant person = m_personChoice->currentData();
    QList<TotalsChart::Point> points;
    for (const RecordSummary &summary : m_model->summaries()) {
        if (summary.window == test && summary.total && (!person.isValid() || summary.person == person.toString()))
            points.append({summary.finished.toMSecsSinceEpoch(), summary.person, *summary.total});
    }
    QList<BandCountChart::Bar> bars;
    if (const BankTable *table = bankTableForWindow(test.toStdString())) {
        for (const ScoreBand &band : table->scoring.bands) {
            const auto count
                = std::count_if(points.begin(), points.end(), [&](const TotalsChart::Point &p) { return band.holds(p.total); });
            bars.append({toQString(band.text), int(count)});
        }
    }
    const bool showTotals = points.size() >= 2;
    const bool showBands = !points.isEmpty() && !bars.isEmpty();
    m_totals->setPoints(showTotals ? points : QList<TotalsChart::Point>());
    m_bands->setBars(showBands ? bars : QList<BandCountChart::Bar>());
    m_totals->setVisible(showTotals);
    m_bands->setVisible(showBands);
    m_charts->setVisible(showTotals || showBands);
}

void RecordsWindow::deleteSelected()
{
    QList<qint64> ids;
    for (const QModelIndex &row : m_table->selectionModel()->selectedRows())
        ids << row.data(IdRole).toLongLong();
    if (ids.isEmpty())
        return;
    const QString question = QStringLiteral("确实要删除所选的%1条测评记录吗？删除后不能恢复。").arg(ids.size());
    if (showMessage(this, question, QStringLiteral("删除测评记录"), MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    if (!m_store->remove(ids))
        showMessage(this, m_store->error(), Title, MessageButtons::Ok);
    m_report->setRecord(std::nullopt);
    reload();
}

} // namespace zentrova
