// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordswindow.h"

#include "framework/bankcatalog.h"
#include "framework/messages.h"
#include "framework/strings.h"
#include "groupreportwindow.h"
#include "pagearea.h"
#include "reports/recordcharts.h"
#include "reports/reportactions.h"
#include "reports/reportpainter.h"

#include <QAbstractTableModel>
#include <QAccessible>
#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>

#include <limits>
#include <map>

namespace zentrova {

namespace {

enum Column { Finished, Person, Group, Test, Result, Elapsed, ColumnCount };

constexpr int SortRole = Qt::UserRole;
constexpr int IdRole = Qt::UserRole + 1;

const QString Title = QStringLiteral("测评记录");

QString personText(const QString &person)
{
    return person.isEmpty() ? QStringLiteral("（未填写）") : displayedName(person);
}

// Selection and focus that can be seen (WCAG 2.1): white text on a blue of
// 6.6:1, the same whether or not the window is active.
constexpr QColor SelectionBlue(0x1f, 0x5f, 0x9e);

QPalette readablePalette(QPalette palette)
{
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, SelectionBlue);
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return palette;
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

    // Views ask with indexes that are not there (Ctrl+C on an empty table):
    // those have no data.
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.model() != this || index.row() >= m_summaries.size() || index.column() >= ColumnCount)
            return {};
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
        case Group:
            return displayedName(summary.group);
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
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
            return {};
        static const QString captions[] = {
            QStringLiteral("完成时间"), QStringLiteral("受测者"), QStringLiteral("小组"), QStringLiteral("测评"), QStringLiteral("结果"), QStringLiteral("用时")};
        return captions[section];
    }

private:
    QList<RecordSummary> m_summaries;
};

// The records table. Qt's table view tells a screen reader that its current
// cell has the focus whenever the cell changes, also while a filter has the
// focus, and the reader leaves the filter for the cell: told only while the
// table has the focus.
class RecordsTable : public QTableView
{
public:
    using QTableView::QTableView;

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override
    {
        if (hasFocus())
            QTableView::currentChanged(current, previous);
        else
            QAbstractItemView::currentChanged(current, previous); // NOLINT(bugprone-parent-virtual-call)
    }
};

// The current cell framed in a colour that stands out from what is under
// it: white on the selection, the selection's blue on the page.
class FocusFrameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        painter->save();
        painter->setPen(QPen(option.state & QStyle::State_Selected ? QColor(Qt::white) : SelectionBlue, 2));
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }
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

    void setFilters(const QString &window, const std::optional<QString> &person, const std::optional<QString> &group = {})
    {
        m_window = window;
        m_person = person;
        m_group = group;
        invalidate();
    }

protected:
    // The usual order, by time finished, read without a QVariant per
    // comparison: sorting 100,000 rows makes two million of them.
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        if (left.column() != Finished || right.column() != Finished)
            return QSortFilterProxyModel::lessThan(left, right);
        const QList<RecordSummary> &summaries = m_model->summaries();
        return summaries.at(left.row()).finished < summaries.at(right.row()).finished;
    }

    bool filterAcceptsRow(int row, const QModelIndex &) const override
    {
        const RecordSummary &summary = m_model->summaries().at(row);
        return (m_window.isEmpty() || summary.window == m_window) && (!m_person || summary.person == *m_person)
            && (!m_group || summary.group == *m_group);
    }

private:
    RecordsModel *m_model;
    QString m_window; // empty: every test
    std::optional<QString> m_person; // none: everyone
    std::optional<QString> m_group; // none: every group
};

// What the report says, in a sentence for a screen reader: the test, the
// person, the total and the band.
QString reportSummary(const Record &record)
{
    QStringList parts = {record.caption, QStringLiteral("受测者：%1").arg(personText(record.person))};
    const QString result = record.resultLine();
    if (!result.isEmpty())
        parts << result;
    parts << record.finished.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return parts.join(QStringLiteral("，"));
}

// The report of the selected record as a page, or a line saying why there
// is none. It takes the focus, so that a keyboard user can scroll it and
// open it full size (Return), and tells a screen reader what it shows.
class ReportView : public QWidget
{
public:
    explicit ReportView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("reportView"));
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(QStringLiteral("报告预览"));
        setRecord(std::nullopt);
    }

    void setRecord(std::optional<Record> record, const QString &note = {})
    {
        m_record = std::move(record);
        m_note = note.isEmpty() ? QStringLiteral("选中一条记录，这里显示它的报告。") : note;
        setAccessibleDescription(m_record ? reportSummary(*m_record) : m_note);
        QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
        setToolTip(m_record ? QStringLiteral("双击或按回车键，以原大打开报告") : QString());
        update();
    }
    const std::optional<Record> &record() const { return m_record; }

    std::function<void()> opened; // double-click or Return

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xe8, 0xe8, 0xe8));
        if (hasFocus()) {
            painter.setPen(QPen(SelectionBlue, 2));
            painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        }
        if (!m_record) {
            painter.setPen(QColor(0x50, 0x50, 0x50));
            painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, m_note);
            return;
        }
        paintReport(painter, drawSheet(painter, rect()), *m_record);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && m_record && opened)
            opened();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_record && opened)
            opened();
        else
            QWidget::keyPressEvent(event); // arrows and pages scroll the area
    }
    void focusInEvent(QFocusEvent *event) override
    {
        QWidget::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QWidget::focusOutEvent(event);
        update();
    }

private:
    std::optional<Record> m_record;
    QString m_note;
};

RecordsWindow::RecordsWindow(Store &store, QWidget *parent, const QStringList &testOrder)
    : QMainWindow(parent, Qt::Window)
    , m_testOrder(testOrder)
    , m_store(store)
    , m_model(new RecordsModel(this))
    , m_filter(new RecordsFilter(m_model, this))
    , m_table(new RecordsTable(this))
    , m_testChoice(new QComboBox(this))
    , m_personChoice(new QComboBox(this))
    , m_groupChoice(new QComboBox(this))
    , m_report(new ReportView(this))
    , m_totals(new TotalsChart(this))
    , m_bands(new BandCountChart(this))
    , m_charts(new QWidget(this))
{
    setObjectName(QStringLiteral("frm测评记录"));
    setWindowTitle(Title);
    setPalette(readablePalette(palette()));
    resize(1180, 720);

    m_testChoice->setObjectName(QStringLiteral("cboTest"));
    m_personChoice->setObjectName(QStringLiteral("cboPerson"));
    m_testChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // A long name is cut short in the list, never widening the window.
    m_personChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_personChoice->setMinimumContentsLength(10);
    m_groupChoice->setObjectName(QStringLiteral("cboGroup"));
    m_groupChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_groupChoice->setMinimumContentsLength(6);

    m_table->setObjectName(QStringLiteral("tblRecords"));
    m_table->setAccessibleName(Title);
    m_table->setModel(m_filter);
    m_table->setItemDelegate(new FocusFrameDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false); // Tab goes on to the next control
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing measures all the rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(false);
    const int em = fontMetrics().horizontalAdvance(u'中');
    for (const auto &[column, width] : {std::pair {Finished, 9}, {Person, 6}, {Group, 6}, {Test, 13}, {Result, 14}, {Elapsed, 5}})
        m_table->setColumnWidth(column, width * em + 12);
    m_table->horizontalHeader()->setSectionResizeMode(Result, QHeaderView::Stretch);
    m_table->sortByColumn(Finished, Qt::DescendingOrder);
    m_table->setSortingEnabled(true);

    m_delete = new QPushButton(QStringLiteral("删除所选(&D)…"), this);
    m_delete->setObjectName(QStringLiteral("cmdDelete"));
    m_delete->setToolTip(QStringLiteral("删除表中选中的记录（Delete）"));
    connect(m_delete, &QPushButton::clicked, this, &RecordsWindow::deleteSelected);
    m_deleteAction = new QAction(QStringLiteral("删除所选…"), this);
    m_deleteAction->setObjectName(QStringLiteral("actDeleteSelected"));
    m_deleteAction->setShortcut(QKeySequence::Delete);
    m_deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_table->addAction(m_deleteAction);
    connect(m_deleteAction, &QAction::triggered, this, &RecordsWindow::deleteSelected);
    m_groupReport = new QPushButton(QStringLiteral("小组报告(&R)…"), this);
    m_groupReport->setObjectName(QStringLiteral("cmdGroupReport"));
    m_groupReport->setToolTip(QStringLiteral("所选测评在所选小组中的统计报告：各分数段人数、总分和两次测评的比较"));
    connect(m_groupReport, &QPushButton::clicked, this, &RecordsWindow::showGroupReport);

    m_actions = new ReportActions(this, [this] { return m_report->record(); });
    m_actions->offerInMenus(statusBar());
    statusBar()->setObjectName(QStringLiteral("statusLine"));
    addAction(m_deleteAction); // in the window's right-click menu too

    auto *testLabel = new QLabel(QStringLiteral("测评(&T)："), this);
    testLabel->setBuddy(m_testChoice);
    auto *personLabel = new QLabel(QStringLiteral("受测者(&P)："), this);
    personLabel->setBuddy(m_personChoice);
    auto *groupLabel = new QLabel(QStringLiteral("小组(&G)："), this);
    groupLabel->setBuddy(m_groupChoice);
    auto *bar = new QHBoxLayout;
    bar->addWidget(testLabel);
    bar->addWidget(m_testChoice);
    bar->addSpacing(12);
    bar->addWidget(personLabel);
    bar->addWidget(m_personChoice);
    bar->addSpacing(12);
    bar->addWidget(groupLabel);
    bar->addWidget(m_groupChoice);
    bar->addStretch();
    bar->addWidget(m_groupReport);
    bar->addWidget(m_delete);
    QList<QWidget *> tabOrder = {m_testChoice, m_personChoice, m_groupChoice, m_groupReport, m_delete};
    for (QToolButton *button : m_actions->makeButtons(this)) {
        bar->addWidget(button);
        tabOrder << button;
    }

    auto *chartRow = new QHBoxLayout(m_charts);
    chartRow->setContentsMargins(0, 0, 0, 0);
    chartRow->addWidget(m_totals);
    chartRow->addWidget(m_bands);
    m_totals->setObjectName(QStringLiteral("totalsChart"));
    m_bands->setObjectName(QStringLiteral("bandChart"));
    // However wide the charts would like to be, they never take width from
    // the report.
    m_charts->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *left = new QSplitter(Qt::Vertical, this);
    left->addWidget(m_table);
    left->addWidget(m_charts);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 2);
    left->setChildrenCollapsible(false);

    // The report's side: its zoom and a button that opens it full size.
    auto *zoomLabel = new QLabel(QStringLiteral("缩放(&Z)："), this);
    m_open = new QPushButton(QStringLiteral("打开报告(&O)"), this);
    QPushButton *open = m_open;
    open->setObjectName(QStringLiteral("cmdOpenReport"));
    open->setToolTip(QStringLiteral("在单独的窗口中以原大显示报告（在预览上双击或按回车键亦可）"));
    connect(open, &QPushButton::clicked, this, &RecordsWindow::openReport);
    m_report->opened = [this] { openReport(); };
    m_area = new PageArea(
        m_report, [this] { return m_report->record() ? 1 : 0; }, this);
    // The page as wide as its side: its text as large as the room allows.
    m_zoom = m_area->makeZoomChoice(this);
    zoomLabel->setBuddy(m_zoom);

    auto *reportSide = new QWidget(this);
    auto *reportColumn = new QVBoxLayout(reportSide);
    reportColumn->setContentsMargins(0, 0, 0, 0);
    auto *reportBar = new QHBoxLayout;
    reportBar->addWidget(zoomLabel);
    reportBar->addWidget(m_zoom);
    reportBar->addStretch();
    reportBar->addWidget(open);
    reportColumn->addLayout(reportBar);
    reportColumn->addWidget(m_area, 1);
    reportSide->setMinimumWidth(360);

    // The report takes the room: more than half the width at first, and all
    // the room a larger window gives.
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(reportSide);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    split->setSizes({520, 640});

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    setCentralWidget(central);

    tabOrder << m_table << m_totals << m_bands << m_zoom << open << m_report;
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // Escape and Ctrl+W close the window, as they do a dialog.
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    connect(m_testChoice, &QComboBox::currentIndexChanged, this, &RecordsWindow::applyFilters);
    connect(m_personChoice, &QComboBox::currentIndexChanged, this, &RecordsWindow::applyFilters);
    connect(m_groupChoice, &QComboBox::currentIndexChanged, this, &RecordsWindow::applyFilters);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RecordsWindow::showCurrentRecord);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &RecordsWindow::updateDeleteEnabled);

    reload();
}

RecordsWindow::~RecordsWindow()
{
    // Answers nobody will read are not worked out.
    for (StoreRequest *request : {m_loading.data(), m_reading.data()}) {
        if (request)
            request->cancel();
    }
}

const std::optional<Record> &RecordsWindow::shownRecord() const
{
    return m_report->record();
}

void RecordsWindow::reload()
{
    if (m_loading)
        m_loading->cancel();
    m_loading = m_store.summaries({})->then(this, [this](const StoreReply<QList<RecordSummary>> &reply) {
        if (!reply.error().isEmpty())
            showMessage(this, reply.error(), Title, MessageButtons::Ok);
        m_model->setSummaries(reply.error().isEmpty() ? reply.value() : QList<RecordSummary>());
        fillFilters();
        applyFilters();
    });
}

// The tests and people that have records, keeping what was chosen; tests in
// the menu's order.
void RecordsWindow::fillFilters()
{
    const QVariant test = m_testChoice->currentData();
    const QVariant person = m_personChoice->currentData();
    std::map<std::pair<qsizetype, QString>, QString> tests; // (place in the menu, caption) → window
    std::map<QString, bool> people;
    for (const RecordSummary &summary : m_model->summaries()) {
        const qsizetype place = m_testOrder.indexOf(summary.window);
        tests.emplace(std::pair(place < 0 ? m_testOrder.size() : place, summary.caption), summary.window);
        people.emplace(summary.person, true);
    }
    const QSignalBlocker testBlocker(m_testChoice), personBlocker(m_personChoice);
    m_testChoice->clear();
    m_testChoice->addItem(QStringLiteral("全部测评"), QString());
    for (const auto &[key, window] : tests)
        m_testChoice->addItem(key.second, window);
    m_testChoice->setCurrentIndex(std::max(0, m_testChoice->findData(test)));
    m_personChoice->clear();
    m_personChoice->addItem(QStringLiteral("全部受测者"));
    for (const auto &[name, _] : people)
        m_personChoice->addItem(personText(name), name);
    m_personChoice->setCurrentIndex(person.isValid() ? std::max(0, m_personChoice->findData(person)) : 0);
    fillGroupChoice();
}

void RecordsWindow::fillGroupChoice()
{
    const QVariant group = m_groupChoice->currentData();
    std::map<QString, bool> groups;
    for (const RecordSummary &summary : m_model->summaries())
        groups.emplace(summary.group, true);
    const QSignalBlocker blocker(m_groupChoice);
    m_groupChoice->clear();
    m_groupChoice->addItem(QStringLiteral("全部小组"));
    for (const auto &[name, _] : groups)
        m_groupChoice->addItem(name.isEmpty() ? QStringLiteral("（未分组）") : displayedName(name), name);
    m_groupChoice->setCurrentIndex(group.isValid() ? std::max(0, m_groupChoice->findData(group)) : 0);
}

void RecordsWindow::applyFilters()
{
    const QVariant person = m_personChoice->currentData();
    const QVariant group = m_groupChoice->currentData();
    m_filter->setFilters(m_testChoice->currentData().toString(), person.isValid() ? std::optional(person.toString()) : std::nullopt,
                         group.isValid() ? std::optional(group.toString()) : std::nullopt);
    // The record on show is the one selected, so that 删除所选 deletes what
    // the user sees, also when filtering moved the current row.
    QItemSelectionModel *selection = m_table->selectionModel();
    if (!selection->currentIndex().isValid() && m_filter->rowCount() > 0)
        m_table->selectRow(0);
    else if (selection->currentIndex().isValid() && !selection->isRowSelected(selection->currentIndex().row()))
        selection->select(selection->currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    showCurrentRecord();
    updateDeleteEnabled();
}

void RecordsWindow::showCurrentRecord()
{
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    if (!current.isValid()) {
        QString note;
        if (!m_model->rowCount())
            note = QStringLiteral("还没有测评记录。");
        else if (!m_filter->rowCount())
            note = QStringLiteral("没有符合所选测评、受测者和小组的记录。");
        if (m_reading)
            m_reading->cancel();
        showRecord(std::nullopt, note);
    } else {
        const qint64 id = current.data(IdRole).toLongLong();
        if (!m_report->record() || m_report->record()->id != id) {
            if (m_reading)
                m_reading->cancel();
            m_reading = m_store.record(id)->then(this, [this](const StoreReply<Record> &reply) {
                showRecord(reply.error().isEmpty() ? std::optional(reply.value()) : std::nullopt, reply.error());
            });
        }
    }
    updateCharts();
}

void RecordsWindow::showRecord(const std::optional<Record> &record, const QString &note)
{
    m_report->setRecord(record, note);
    m_actions->setEnabled(m_report->record().has_value());
    m_open->setEnabled(m_report->record().has_value());
    m_area->fit();
}

void RecordsWindow::updateDeleteEnabled()
{
    const bool any = m_table->selectionModel()->hasSelection();
    m_delete->setEnabled(any);
    m_deleteAction->setEnabled(any);
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
    const QVariant group = m_groupChoice->currentData();
    QList<TotalsChart::Point> points;
    QString caption;
    for (const RecordSummary &summary : m_model->summaries()) {
        if (summary.window == test)
            caption = summary.caption;
        if (summary.window == test && summary.total && (!person.isValid() || summary.person == person.toString())
            && (!group.isValid() || summary.group == group.toString()))
            points.append({summary.finished.toMSecsSinceEpoch(), summary.person, *summary.total});
    }
    QList<BandCountChart::Bar> bars;
    if (const BankTable *table = bankTableForWindow(test.toStdString())) {
        // From the lowest totals up, as the report's band scale.
        std::vector<ScoreBand> bands = table->scoring.bands;
        std::stable_sort(bands.begin(), bands.end(), [](const ScoreBand &a, const ScoreBand &b) {
            return a.low.value_or(std::numeric_limits<int>::min()) < b.low.value_or(std::numeric_limits<int>::min());
        });
        for (const ScoreBand &band : bands) {
            const auto count
                = std::count_if(points.begin(), points.end(), [&](const TotalsChart::Point &p) { return band.holds(p.total); });
            bars.append({toQString(band.text), int(count)});
        }
    }
    m_totals->setTest(caption, test);
    m_bands->setTest(caption);
    const bool showTotals = !points.isEmpty();
    const bool showBands = !points.isEmpty() && !bars.isEmpty();
    m_totals->setPoints(showTotals ? points : QList<TotalsChart::Point>());
    m_bands->setBars(showBands ? bars : QList<BandCountChart::Bar>());
    m_totals->setVisible(showTotals);
    m_bands->setVisible(showBands);
    m_charts->setVisible(showTotals || showBands);
}

GroupReportWindow *RecordsWindow::showGroupReport()
{
    const QString test = chartedTest();
    if (test.isEmpty()) {
        showMessage(this, QStringLiteral("请先选择一项测评。"), Title, MessageButtons::Ok);
        return nullptr;
    }
    const QVariant group = m_groupChoice->currentData();
    auto *window = new GroupReportWindow(m_store, m_model->summaries(), test, group.isValid() ? std::optional(group.toString()) : std::nullopt, this);
    window->show();
    return window;
}

void RecordsWindow::deleteSelected()
{
    // The selection where it holds the record on show, else that record
    // alone: never rows that only look chosen.
    const QItemSelectionModel *selection = m_table->selectionModel();
    const QModelIndex current = selection->currentIndex();
    const QModelIndexList rows = current.isValid() && !selection->isRowSelected(current.row()) ? QModelIndexList {current}
                                                                                                 : selection->selectedRows();
    QList<qint64> ids;
    QStringList named;
    for (const QModelIndex &row : rows) {
        ids << row.data(IdRole).toLongLong();
        const RecordSummary &summary = m_model->summaries().at(m_filter->mapToSource(row).row());
        named << QStringLiteral("%1 %2 %3").arg(personText(summary.person), summary.finished.date().toString(QStringLiteral("yyyy年M月d日")),
                                                summary.caption);
    }
    if (ids.isEmpty())
        return;
    constexpr int NamedAtMost = 3;
    const QString question = ids.size() == 1
        ? QStringLiteral("删除%1的记录？").arg(named.first())
        : QStringLiteral("删除这%1条记录？\n%2%3").arg(ids.size()).arg(named.mid(0, NamedAtMost).join(u'\n'), ids.size() > NamedAtMost ? QStringLiteral("\n……") : QString());
    if (showMessage(this, question, QStringLiteral("删除测评记录"), MessageButtons::YesNo, MessageAnswer::No) != MessageAnswer::Yes)
        return;
    m_store.remove(ids)->then(this, [this, count = ids.size()](const StoreReply<int> &reply) {
        if (!reply.error().isEmpty())
            showMessage(this, reply.error(), Title, MessageButtons::Ok);
        m_report->setRecord(std::nullopt);
        reload();
        if (reply.error().isEmpty())
            statusBar()->showMessage(QStringLiteral("已删除%1条记录").arg(count));
    });
}

void RecordsWindow::openReport()
{
    const std::optional<Record> &record = m_report->record();
    if (!record)
        return;
    // A dialog of its own, not modal: Escape closes it, and a screen reader
    // hears a dialog.
    auto *window = new QDialog(this);
    window->setObjectName(QStringLiteral("frm测评报告"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("测评报告 — %1").arg(record->caption));
    auto *view = new ReportView(window);
    view->setRecord(record);
    auto *area = new PageArea(
        view, [] { return 1; }, window);
    area->setZoom(100);
    // The page's own save, print and copy, as buttons and in its menu.
    auto *actions = new ReportActions(window, [view] { return view->record(); });
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(8, 6, 8, 0);
    for (QToolButton *button : actions->makeButtons(window))
        bar->addWidget(button);
    bar->addStretch();
    auto *note = new QStatusBar(window);
    note->setObjectName(QStringLiteral("reportNote"));
    note->setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(area, 1);
    layout->addWidget(note);
    actions->offerInMenus(note);
    connect(new QShortcut(QKeySequence::Close, window), &QShortcut::activated, window, &QWidget::close);
    // The page's width in full and as much of its height as the screen holds.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    window->resize(std::min(view->width() + area->verticalScrollBar()->sizeHint().width() + 4, screen.width()),
        std::min(view->height() + 4, screen.height() - 60));
    window->show();
    view->setFocus();
}

} // namespace zentrova
