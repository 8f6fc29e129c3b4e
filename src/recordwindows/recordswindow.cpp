// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordswindow.h"

#include "framework/bankcatalog.h"
#include "framework/messages.h"
#include "framework/strings.h"
#include "groupreportwindow.h"
#include "recordsmodel.h"
#include "sittingswindow.h"
#include "pagearea.h"
#include "reports/recordcharts.h"
#include "reports/reportactions.h"
#include "reports/reportpainter.h"

#include <QAccessible>
#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>

#include <limits>
#include <map>

#include <algorithm>

namespace zentrova {

namespace {

using Column = RecordsModel::Column;
constexpr int IdRole = RecordsModel::IdRole;

const QString Title = QStringLiteral("测评记录");
// The date a day field shows as 不限.
const QDate Unbounded(2000, 1, 1);

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

    // The row the keyboard moves to is selected, also with Ctrl held
    // (Ctrl+Home, Ctrl+End), so that the rows highlighted are never other
    // than the record the preview shows. Shift still extends, and Ctrl+Space
    // and Ctrl+click still pick rows one by one.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index, const QEvent *event) const override
    {
        if (event && event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<const QKeyEvent *>(event);
            if ((key->modifiers() & Qt::ControlModifier) && !(key->modifiers() & Qt::ShiftModifier) && key->key() != Qt::Key_Space)
                return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        }
        return QTableView::selectionCommand(index, event);
    }

    // The header takes no focus: its sorting is offered here too, for the
    // current cell's column, with the window's own actions.
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        QMenu menu(this);
        const int column = std::max(0, currentIndex().column());
        const QString caption = model()->headerData(column, Qt::Horizontal).toString();
        const auto sortBy = [this, column](Qt::SortOrder order) { sortByColumn(column, order); };
        connect(menu.addAction(QStringLiteral("按“%1”升序排列(&A)").arg(caption)), &QAction::triggered, this,
                [sortBy] { sortBy(Qt::AscendingOrder); });
        connect(menu.addAction(QStringLiteral("按“%1”降序排列(&S)").arg(caption)), &QAction::triggered, this,
                [sortBy] { sortBy(Qt::DescendingOrder); });
        menu.addSeparator();
        menu.addActions(window()->actions());
        const QPoint at = event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()
            ? viewport()->mapToGlobal(visualRect(currentIndex()).center())
            : event->globalPos();
        menu.exec(at);
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

// A day to filter by. Tab leaves it, as it leaves every other control,
// also while it reads 不限 (where Qt's date field keeps it); the arrow keys
// move between its year, month and day.
class DayField : public QDateEdit
{
public:
    using QDateEdit::QDateEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) && !(event->modifiers() & Qt::ControlModifier)) {
            QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
            return;
        }
        QDateEdit::keyPressEvent(event);
    }
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

RecordsWindow::RecordsWindow(Store &store, QWidget *parent, const QList<StoreFacets::Test> &tests)
    : QMainWindow(parent, Qt::Window)
    , m_store(store)
    , m_offered(tests)
    , m_model(new RecordsModel(store, this))
    , m_table(new RecordsTable(this))
    , m_count(new QLabel(this))
    , m_testChoice(new QComboBox(this))
    , m_personChoice(new QComboBox(this))
    , m_groupChoice(new QComboBox(this))
    , m_since(new DayField(this))
    , m_until(new DayField(this))
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
    m_table->setModel(m_model);
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
    // What matters in sight at the window's size: the result and the time
    // taken beside the short columns, the result taking what room is left.
    const QFontMetrics metrics = fontMetrics();
    const int em = metrics.horizontalAdvance(u'中');
    m_table->setColumnWidth(Column::Finished, metrics.horizontalAdvance(QStringLiteral("2026-12-07 14:30")) + 14);
    m_table->setColumnWidth(Column::Person, 4 * em + 14);
    m_table->setColumnWidth(Column::Group, 4 * em + 14);
    m_table->setColumnWidth(Column::Test, 6 * em + 14);
    m_table->setColumnWidth(Column::Elapsed, metrics.horizontalAdvance(QStringLiteral("120分钟")) + 14);
    m_table->horizontalHeader()->setSectionResizeMode(Column::Result, QHeaderView::Stretch);
    m_table->horizontalHeader()->setMinimumSectionSize(3 * em);
    // Sorted by the store: the header's indicator first set as the model
    // starts, so that enabling sorting asks for no second reading.
    m_table->horizontalHeader()->setSortIndicator(Column::Finished, Qt::DescendingOrder);
    m_table->setSortingEnabled(true);
    m_count->setObjectName(QStringLiteral("lblCount"));

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
    if (m_store.refusal(Store::Action::Accept).isEmpty()) {
        m_accept = new QPushButton(QStringLiteral("认可所选(&A)…"), this);
        m_accept->setObjectName(QStringLiteral("cmdAccept"));
        m_accept->setToolTip(QStringLiteral("认可选中的存疑记录，使它们照原样计入小组报告（认可由服务器记录在案）"));
        connect(m_accept, &QPushButton::clicked, this, &RecordsWindow::acceptSelected);
        m_acceptAction = new QAction(QStringLiteral("认可所选…"), this);
        m_acceptAction->setObjectName(QStringLiteral("actAcceptSelected"));
        m_table->addAction(m_acceptAction);
        connect(m_acceptAction, &QAction::triggered, this, &RecordsWindow::acceptSelected);
    }
    if (m_store.refusal(Store::Action::Sittings).isEmpty()) {
        m_sittings = new QPushButton(QStringLiteral("测评场次(&S)…"), this);
        m_sittings->setObjectName(QStringLiteral("cmdSittings"));
        m_sittings->setToolTip(QStringLiteral("为班级开设或关闭测评场次"));
        connect(m_sittings, &QPushButton::clicked, this, &RecordsWindow::showSittings);
    }

    m_actions = new ReportActions(this, [this] { return m_report->record(); });
    m_actions->offerInMenus(statusBar());
    statusBar()->setObjectName(QStringLiteral("statusLine"));
    statusBar()->addPermanentWidget(m_count);
    addAction(m_deleteAction); // in the window's right-click menu too
    if (m_acceptAction)
        addAction(m_acceptAction);

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
    QList<QWidget *> tabOrder = {m_testChoice, m_personChoice, m_groupChoice, m_groupReport};
    for (QPushButton *button : {m_sittings, m_accept, m_delete}) {
        if (button) {
            bar->addWidget(button);
            tabOrder << button;
        }
    }

    // The days a record was finished in, above the table; the earliest date
    // a field offers reads 不限, no bound on that side.
    auto *days = new QWidget(this);
    auto *dayRow = new QHBoxLayout(days);
    dayRow->setContentsMargins(0, 0, 0, 0);
    for (const auto &[edit, name, label] : {std::tuple {m_since, "dtpSince", QStringLiteral("日期(&A)：")}, {m_until, "dtpUntil", QStringLiteral("至(&U)")}}) {
        edit->setObjectName(QString::fromLatin1(name));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setMinimumDate(Unbounded);
        edit->setSpecialValueText(QStringLiteral("不限"));
        edit->setDate(Unbounded);
        auto *caption = new QLabel(label, this);
        caption->setBuddy(edit);
        dayRow->addWidget(caption);
        dayRow->addWidget(edit);
        connect(edit, &QDateEdit::dateChanged, this, &RecordsWindow::applyFilters);
    }
    m_since->setAccessibleName(QStringLiteral("最早完成日期"));
    m_until->setAccessibleName(QStringLiteral("最晚完成日期"));
    dayRow->addStretch();
    auto *listing = new QWidget(this);
    auto *listingColumn = new QVBoxLayout(listing);
    listingColumn->setContentsMargins(0, 0, 0, 0);
    listingColumn->addWidget(days);
    listingColumn->addWidget(m_table, 1);
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
    left->addWidget(listing);
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
    split->setSizes({570, 590});

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    setCentralWidget(central);

    tabOrder << m_since << m_until << m_table << m_totals << m_bands << m_zoom << open << m_report;
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
    connect(m_model, &RecordsModel::pageArrived, this, &RecordsWindow::pageArrived);
    connect(m_model, &RecordsModel::recordCountChanged, this, &RecordsWindow::showCount);
    connect(m_model, &RecordsModel::failed, this, &RecordsWindow::tellFailure);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        showCurrentRecord();
        updateDeleteEnabled();
    });

    // The focus where the keyboard works at once, framed on the first row
    // as soon as it is read.
    m_table->setFocus();
    reload();
}

RecordsWindow::~RecordsWindow()
{
    for (QPointer<StoreRequest> *reply : {&m_facetsReply, &m_recordReply, &m_totalsReply, &m_removeReply, &m_acceptReply}) {
        if (*reply)
            (*reply)->cancel();
    }
}

const std::optional<Record> &RecordsWindow::shownRecord() const
{
    return m_report->record();
}

template<typename T, typename Done> void RecordsWindow::ask(QPointer<StoreRequest> &slot, StoreReply<T> *reply, Done done)
{
    if (slot)
        slot->cancel();
    slot = reply;
    reply->then(this, [this, &slot, done](StoreReply<T> &answered) {
        slot = nullptr;
        if (answered.error().isEmpty())
            done(answered.value());
        else
            tellFailure(answered.error());
        checkSettled();
    });
}

bool RecordsWindow::isBusy() const
{
    return m_model->isLoading() || m_facetsReply || m_recordReply || m_totalsReply || m_removeReply || m_acceptReply;
}

void RecordsWindow::checkSettled()
{
    if (!isBusy())
        Q_EMIT settled();
}

// A store that cannot be read is said once in a box, then on the status line.
void RecordsWindow::tellFailure(const QString &error)
{
    m_failure = error;
    if (m_failureTold) {
        statusBar()->showMessage(error);
        return;
    }
    m_failureTold = true;
    showMessage(this, error, Title, MessageButtons::Ok);
}

void RecordsWindow::reload()
{
    m_failureTold = false;
    m_failure.clear();
    m_charted.reset();
    // The first page first: the store answers in the order asked.
    m_model->setFilter(chosenFilter());
    ask(m_facetsReply, m_store.facets(), [this](const StoreFacets &facets) { fillFilters(facets); });
}

// The tests, people and groups that have records, keeping what was chosen;
// tests in the menu's order, people and groups in pinyin order.
void RecordsWindow::fillFilters(const StoreFacets &facets)
{
    m_tests = facets.tests;
    m_anyRecords = !facets.tests.isEmpty();
    const QVariant test = m_testChoice->currentData();
    const QVariant person = m_personChoice->currentData();
    const QVariant group = m_groupChoice->currentData();
    std::map<std::pair<qsizetype, QString>, QString> tests; // (place in the menu, caption) → window
    for (const StoreFacets::Test &each : facets.tests) {
        const auto offered = std::find_if(m_offered.cbegin(), m_offered.cend(), [&](const auto &test) { return test.window == each.window; });
        tests.emplace(std::pair(offered - m_offered.cbegin(), each.caption), each.window);
    }
    const QSignalBlocker testBlocker(m_testChoice), personBlocker(m_personChoice), groupBlocker(m_groupChoice);
    m_testChoice->clear();
    m_testChoice->addItem(QStringLiteral("全部测评"), QString());
    for (const auto &[key, window] : tests)
        m_testChoice->addItem(key.second, window);
    m_testChoice->setCurrentIndex(std::max(0, m_testChoice->findData(test)));
    m_personChoice->clear();
    m_personChoice->addItem(QStringLiteral("全部受测者"));
    if (facets.unnamed)
        m_personChoice->addItem(personText({}), QString());
    for (const QString &name : facets.people)
        m_personChoice->addItem(personText(name), name);
    m_personChoice->setCurrentIndex(person.isValid() ? std::max(0, m_personChoice->findData(person)) : 0);
    m_groupChoice->clear();
    m_groupChoice->addItem(QStringLiteral("全部小组"));
    if (facets.ungrouped)
        m_groupChoice->addItem(QStringLiteral("（未分组）"), QString());
    for (const QString &name : facets.groups)
        m_groupChoice->addItem(displayedName(name), name);
    m_groupChoice->setCurrentIndex(group.isValid() ? std::max(0, m_groupChoice->findData(group)) : 0);
    // A choice that has no records left (the last of them deleted) goes
    // back to all.
    if (chosenFilter() != m_model->filter())
        applyFilters();
    else if (!m_model->rowCount())
        showCurrentRecord(); // its note says whether there are any records
}

RecordFilter RecordsWindow::chosenFilter() const
{
    RecordFilter filter;
    filter.test = m_testChoice->currentData().toString();
    if (const QVariant person = m_personChoice->currentData(); person.isValid())
        filter.person = person.toString();
    if (const QVariant group = m_groupChoice->currentData(); group.isValid())
        filter.group = group.toString();
    if (m_since->date() != Unbounded)
        filter.range.since = m_since->date();
    if (m_until->date() != Unbounded)
        filter.range.until = m_until->date();
    return filter;
}

void RecordsWindow::applyFilters()
{
    m_model->setFilter(chosenFilter());
}

// The first page in: the record that was on show stays so where it is
// still listed, else the first row is chosen.
void RecordsWindow::pageArrived()
{
    QItemSelectionModel *selection = m_table->selectionModel();
    if (!selection->currentIndex().isValid() && m_model->rowCount() > 0) {
        const int shown = m_report->record() ? m_model->rowOf(m_report->record()->id) : -1;
        const QModelIndex row = m_model->index(std::max(0, shown), Column::Finished);
        selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (!m_model->rowCount()) {
        showCurrentRecord();
    }
    updateDeleteEnabled();
    checkSettled();
}

void RecordsWindow::showCount()
{
    const std::optional<int> count = m_model->recordCount();
    m_count->setText(count ? QStringLiteral("共%1条记录").arg(*count) : QStringLiteral("正在计数…"));
    checkSettled();
}

void RecordsWindow::showCurrentRecord()
{
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    if (!current.isValid()) {
        if (m_recordReply)
            m_recordReply->cancel();
        m_recordReply = nullptr;
        m_asked = 0;
        QString note;
        if (!m_failure.isEmpty())
            note = m_failure;
        else if (!m_model->isComplete())
            note = QStringLiteral("正在读取记录…");
        else if (!m_anyRecords)
            note = QStringLiteral("还没有测评记录。");
        else
            note = QStringLiteral("没有符合所选测评、受测者和小组的记录。");
        m_report->setRecord(std::nullopt, note);
    } else {
        const qint64 id = current.data(IdRole).toLongLong();
        if ((!m_report->record() || m_report->record()->id != id) && m_asked != id) {
            m_asked = id;
            ask(m_recordReply, m_store.record(id), [this](const Record &record) {
                m_asked = 0;
                m_report->setRecord(record);
                m_actions->setEnabled(true);
                m_open->setEnabled(true);
                m_area->fit();
            });
        }
    }
    m_actions->setEnabled(m_report->record().has_value());
    m_open->setEnabled(m_report->record().has_value());
    m_area->fit();
    updateCharts();
}

void RecordsWindow::updateDeleteEnabled()
{
    const bool any = m_table->selectionModel()->hasSelection() && !m_removeReply;
    m_delete->setEnabled(any);
    m_deleteAction->setEnabled(any);
    if (m_accept) {
        const QList<RecordSummary> chosen = chosenRecords();
        const bool doubtful
            = !m_acceptReply && std::any_of(chosen.begin(), chosen.end(), [](const RecordSummary &summary) { return !summary.marks.isEmpty(); });
        m_accept->setEnabled(doubtful);
        m_acceptAction->setEnabled(doubtful);
    }
}

// The selection where it holds the record on show, else that record alone:
// never rows that only look chosen.
QList<RecordSummary> RecordsWindow::chosenRecords() const
{
    const QItemSelectionModel *selection = m_table->selectionModel();
    const QModelIndex current = selection->currentIndex();
    const QModelIndexList rows
        = current.isValid() && !selection->isRowSelected(current.row()) ? QModelIndexList {current} : selection->selectedRows();
    QList<RecordSummary> chosen;
    for (const QModelIndex &row : rows)
        chosen << m_model->summary(row.row());
    return chosen;
}

// The test chosen in the filter, or else that of the selected record.
QString RecordsWindow::chartedTest() const
{
    const QString chosen = m_testChoice->currentData().toString();
    if (!chosen.isEmpty())
        return chosen;
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    return current.isValid() ? m_model->summary(current.row()).window : QString();
}

// The charted test's totals under the filters, as the store sums them up:
// asked again only where the test or the filters changed.
void RecordsWindow::updateCharts()
{
    RecordFilter filter = chosenFilter();
    filter.test = chartedTest();
    if (m_charted == filter)
        return;
    m_charted = filter;
    const QString test = filter.test;
    if (test.isEmpty()) {
        if (m_totalsReply)
            m_totalsReply->cancel();
        m_totalsReply = nullptr;
        m_charts->hide();
        return;
    }
    ask(m_totalsReply, m_store.totals(filter), [this, test](const QList<TotalPoint> &totals) {
        QString caption;
        for (const StoreFacets::Test &each : std::as_const(m_tests)) {
            if (each.window == test)
                caption = each.caption;
        }
        QList<TotalsChart::Point> points;
        points.reserve(totals.size());
        for (const TotalPoint &total : totals)
            points.append({total.finished.toMSecsSinceEpoch(), total.person, total.total, total.finished.offsetFromUtc()});
        QList<BandCountChart::Bar> bars;
        if (const BankTable *table = bankTableForWindow(test.toStdString())) {
            // From the lowest totals up, as the report's band scale.
            std::vector<ScoreBand> bands = table->scoring.bands;
            std::stable_sort(bands.begin(), bands.end(), [](const ScoreBand &a, const ScoreBand &b) {
                return a.low.value_or(std::numeric_limits<int>::min()) < b.low.value_or(std::numeric_limits<int>::min());
            });
            for (const ScoreBand &band : bands) {
                const auto count = std::count_if(points.begin(), points.end(), [&](const TotalsChart::Point &p) { return band.holds(p.total); });
                bars.append({toQString(band.text), int(count)});
            }
        }
        m_totals->setTest(caption, test);
        m_bands->setTest(caption);
        const bool showTotals = !points.isEmpty();
        const bool showBands = showTotals && !bars.isEmpty();
        m_totals->setPoints(showTotals ? points : QList<TotalsChart::Point>());
        m_bands->setBars(showBands ? bars : QList<BandCountChart::Bar>());
        m_totals->setVisible(showTotals);
        m_bands->setVisible(showBands);
        m_charts->setVisible(showTotals || showBands);
    });
}

GroupReportWindow *RecordsWindow::showGroupReport()
{
    const QString test = chartedTest();
    if (test.isEmpty()) {
        showMessage(this, QStringLiteral("请先选择一项测评。"), Title, MessageButtons::Ok);
        return nullptr;
    }
    auto *window = new GroupReportWindow(m_store, test, chosenFilter().group, this);
    window->show();
    return window;
}

void RecordsWindow::deleteSelected()
{
    if (m_removeReply)
        return;
    const QList<RecordSummary> chosen = chosenRecords();
    if (chosen.isEmpty())
        return;
    if (showMessage(this, deleteQuestion(chosen), QStringLiteral("删除测评记录"), MessageButtons::YesNo, MessageAnswer::No)
        != MessageAnswer::Yes)
        return;
    QList<qint64> ids;
    for (const RecordSummary &summary : std::as_const(chosen))
        ids << summary.id;
    m_failureTold = false; // a failed delete is said in a box
    ask(m_removeReply, m_store.remove(ids), [this](int removed) {
        statusBar()->showMessage(QStringLiteral("已删除%1条记录").arg(removed));
        m_report->setRecord(std::nullopt);
        reload();
    });
    // The table as it is until the store has answered; a failure is said
    // and leaves it so.
    connect(m_removeReply, &QObject::destroyed, this, &RecordsWindow::updateDeleteEnabled);
    updateDeleteEnabled();
}

void RecordsWindow::acceptSelected()
{
    if (!m_accept || m_acceptReply)
        return;
    QList<qint64> ids;
    for (const RecordSummary &summary : chosenRecords()) {
        if (!summary.marks.isEmpty())
            ids << summary.id;
    }
    if (ids.isEmpty())
        return;
    const QString question = QStringLiteral("认可所选的%1条存疑记录吗？认可后它们照原样计入小组报告，服务器会记下是谁在何时认可的。").arg(ids.size());
    if (showMessage(this, question, QStringLiteral("认可测评记录"), MessageButtons::YesNo, MessageAnswer::No) != MessageAnswer::Yes)
        return;
    m_failureTold = false; // a refusal is said in a box
    ask(m_acceptReply, m_store.accept(ids), [this](int accepted) {
        statusBar()->showMessage(QStringLiteral("已认可%1条记录").arg(accepted));
        m_report->setRecord(std::nullopt); // read again, without its marks
        reload();
    });
    connect(m_acceptReply, &QObject::destroyed, this, &RecordsWindow::updateDeleteEnabled);
    updateDeleteEnabled();
}

SittingsWindow *RecordsWindow::showSittings()
{
    if (!m_sittings)
        return nullptr;
    auto *window = findChild<SittingsWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new SittingsWindow(m_store, m_offered, this);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
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
