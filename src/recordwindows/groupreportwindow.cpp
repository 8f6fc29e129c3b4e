// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "groupreportwindow.h"

#include "framework/messages.h"
#include "framework/strings.h"
#include "pagearea.h"
#include "reports/reportactions.h"
#include "reports/reportpainter.h"

#include <QAccessible>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolButton>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("小组报告");

} // namespace

// The page scaled to its size, or a line saying why there is none; named
// and described for a screen reader by what it shows.
class GroupPageView : public QWidget
{
public:
    explicit GroupPageView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("groupReportView"));
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(QStringLiteral("小组报告页面"));
    }

    void setReport(std::optional<GroupReport> report, const QString &note)
    {
        m_report = std::move(report);
        m_pages = m_report ? groupReportPages(*m_report) : 0;
        m_note = note;
        setAccessibleDescription(m_report ? QStringLiteral("%1，%2，%3人（共%4条记录）")
                                                .arg(m_report->caption, m_report->request.group.value_or(QStringLiteral("全部小组")))
                                                .arg(m_report->tested)
                                                .arg(m_report->records)
                                          : note);
        QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
        update();
    }
    const std::optional<GroupReport> &report() const { return m_report; }
    int pages() const { return m_pages; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xe8, 0xe8, 0xe8));
        if (!m_report) {
            painter.setPen(QColor(0x50, 0x50, 0x50));
            painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, m_note);
            return;
        }
        const double sheet = double(height()) / m_pages;
        for (int page = 0; page < m_pages; ++page)
            paintGroupReport(painter, drawSheet(painter, QRectF(0, page * sheet, width(), sheet)), *m_report, page);
    }

private:
    std::optional<GroupReport> m_report;
    int m_pages = 0;
    QString m_note;
};

GroupReportWindow::GroupReportWindow(Store &store, const QString &test, const std::optional<QString> &group, QWidget *parent)
    : QMainWindow(parent, Qt::Window)
    , m_store(store)
    , m_test(test)
    , m_group(group)
    , m_since(new QDateEdit(this))
    , m_until(new QDateEdit(this))
    , m_compare(new QCheckBox(QStringLiteral("与前次比较(&C)"), this))
    , m_earlierSince(new QDateEdit(this))
    , m_earlierUntil(new QDateEdit(this))
    , m_followUp(new QCheckBox(QStringLiteral("建议关注名单(&F)"), this))
    , m_bands(new QToolButton(this))
    , m_page(new GroupPageView(this))
    , m_area(new PageArea(
          m_page, [this] { return m_page->pages(); }, this))
{
    setObjectName(QStringLiteral("frm小组报告"));
    setWindowTitle(Title);
    setAttribute(Qt::WA_DeleteOnClose);

    const QDate today = QDate::currentDate();
    for (QDateEdit *edit : {m_since, m_until, m_earlierSince, m_earlierUntil}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setDate(today);
    }
    m_since->setObjectName(QStringLiteral("dtpSince"));
    m_until->setObjectName(QStringLiteral("dtpUntil"));
    m_earlierSince->setObjectName(QStringLiteral("dtpEarlierSince"));
    m_earlierUntil->setObjectName(QStringLiteral("dtpEarlierUntil"));
    m_since->setAccessibleName(QStringLiteral("本次开始日期"));
    m_until->setAccessibleName(QStringLiteral("本次结束日期"));
    m_earlierSince->setAccessibleName(QStringLiteral("前次开始日期"));
    m_earlierUntil->setAccessibleName(QStringLiteral("前次结束日期"));
    m_compare->setObjectName(QStringLiteral("chkCompare"));
    m_followUp->setObjectName(QStringLiteral("chkFollowUp"));
    m_bands->setObjectName(QStringLiteral("cmdFollowUpBands"));
    m_earlierSince->setEnabled(false);
    m_earlierUntil->setEnabled(false);
    m_followUp->setChecked(followUpEnabled());
    m_followUp->setToolTip(QStringLiteral("列出最近一次结果落在标记分数段的受测者，作为谈话的建议，不是诊断"));
    m_bands->setText(QStringLiteral("标记分数段(&B)"));
    m_bands->setPopupMode(QToolButton::InstantPopup);
    m_bands->setMenu(new QMenu(m_bands));

    auto *save = new QPushButton(QStringLiteral("保存报告(&S)…"), this);
    save->setObjectName(QStringLiteral("cmdSavePdf"));
    save->setToolTip(QStringLiteral("按所填文件名的后缀保存为PDF或PNG文件"));
    auto *print = new QPushButton(QStringLiteral("打印(&P)…"), this);
    print->setObjectName(QStringLiteral("cmdPrint"));
    auto *zoomLabel = new QLabel(QStringLiteral("缩放(&Z)："), this);
    QComboBox *zoom = m_area->makeZoomChoice(this);
    zoomLabel->setBuddy(zoom);

    const auto labelled = [this](const QString &text, QWidget *buddy) {
        auto *label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    auto *dayRow = new QHBoxLayout;
    dayRow->addWidget(labelled(QStringLiteral("本次(&N)："), m_since));
    dayRow->addWidget(m_since);
    dayRow->addWidget(labelled(QStringLiteral("至(&U)"), m_until));
    dayRow->addWidget(m_until);
    dayRow->addSpacing(16);
    dayRow->addWidget(m_compare);
    dayRow->addWidget(labelled(QStringLiteral("前次(&E)："), m_earlierSince));
    dayRow->addWidget(m_earlierSince);
    dayRow->addWidget(labelled(QStringLiteral("至(&L)"), m_earlierUntil));
    dayRow->addWidget(m_earlierUntil);
    dayRow->addStretch();
    auto *actions = new QHBoxLayout;
    actions->addWidget(m_followUp);
    actions->addWidget(m_bands);
    addItemAnalysisSwitch(actions);
    actions->addStretch();
    actions->addWidget(zoomLabel);
    actions->addWidget(zoom);
    actions->addSpacing(16);
    actions->addWidget(save);
    actions->addWidget(print);
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(dayRow);
    layout->addLayout(actions);
    layout->addWidget(m_area, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("statusLine"));
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);

    for (QDateEdit *edit : {m_since, m_until, m_earlierSince, m_earlierUntil})
        connect(edit, &QDateEdit::dateChanged, this, &GroupReportWindow::refresh);
    connect(m_compare, &QCheckBox::toggled, this, &GroupReportWindow::compareLatestSittings);
    connect(m_followUp, &QCheckBox::toggled, this, [this](bool on) {
        setFollowUp(on);
        refresh();
    });
    connect(save, &QPushButton::clicked, this, &GroupReportWindow::saveAsPdf);
    connect(print, &QPushButton::clicked, this, &GroupReportWindow::print);
    m_page->setReport(std::nullopt, QStringLiteral("正在读取记录…"));
    // The test's records of the group alone, whatever the records window
    // has read: the store picks them on its indexes.
    SummaryQuery query {RecordFilter {m_test, m_group, {}}, SummaryOrder::Finished, Qt::AscendingOrder, std::nullopt, 0};
    auto *reading = store.summaries(query);
    m_reading = reading;
    reading->then(this, [this, store = &store](StoreReply<QList<RecordSummary>> &reply) {
        if (!reply.error().isEmpty()) {
            m_records.emplace();
            m_page->setReport(std::nullopt, reply.error());
            statusBar()->showMessage(reply.error());
            Q_EMIT loaded();
        } else if (reply.value().isEmpty()) {
            // None to take the test's caption from: the store's list of
            // tests has it, for the sentence that says there are none.
            auto *tests = store->facets();
            m_reading = tests;
            tests->then(this, [this](StoreReply<StoreFacets> &facets) {
                for (const StoreFacets::Test &test : facets.error().isEmpty() ? facets.value().tests : QList<StoreFacets::Test>()) {
                    if (test.window == m_test)
                        m_test = test.caption;
                }
                recordsRead({});
                Q_EMIT loaded();
            });
        } else {
            recordsRead(reply.value());
            Q_EMIT loaded();
        }
    });
    // Within a 1366×768 screen, the page's whole width at the least.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1366, 768);
    resize(std::min(900, screen.width()), std::min(860, screen.height() - 40));
}

// The sittings: the test's records of the group, by day, split where more
// than a week passes without one. Every day of them is reported to begin
// with; compared, the latest sitting with the one before.
void GroupReportWindow::recordsRead(const QList<RecordSummary> &records)
{
    m_records = records;
    QList<QDate> days;
    for (const RecordSummary &record : records)
        days << record.finished.date();
    std::sort(days.begin(), days.end());
    for (const QDate &day : std::as_const(days)) {
        if (m_sittings.isEmpty() || m_sittings.last().second.daysTo(day) > 7)
            m_sittings.append({day, day});
        else
            m_sittings.last().second = day;
    }
    const QDate today = QDate::currentDate();
    const QSignalBlocker blockers[] = {QSignalBlocker(m_since), QSignalBlocker(m_until), QSignalBlocker(m_earlierSince),
                                       QSignalBlocker(m_earlierUntil)};
    m_since->setDate(days.isEmpty() ? today : days.first());
    m_until->setDate(days.isEmpty() ? today : days.last());
    const bool twoSittings = m_sittings.size() >= 2;
    m_earlierSince->setDate(twoSittings ? m_sittings[m_sittings.size() - 2].first : m_since->date().addMonths(-6));
    m_earlierUntil->setDate(twoSittings ? m_sittings[m_sittings.size() - 2].second : m_since->date().addDays(-1));
    refresh();
    fillBandMenu();
}

// Switched on while the reported days are still every day of the records,
// the comparison takes the latest sitting and the one before it.
void GroupReportWindow::compareLatestSittings(bool on)
{
    m_earlierSince->setEnabled(on);
    m_earlierUntil->setEnabled(on);
    if (on && m_sittings.size() >= 2 && m_since->date() == m_sittings.first().first && m_until->date() == m_sittings.last().second) {
        const QSignalBlocker since(m_since), until(m_until);
        m_since->setDate(m_sittings.last().first);
        m_until->setDate(m_sittings.last().second);
    }
    refresh();
}

GroupReportWindow::~GroupReportWindow()
{
    if (m_reading)
        m_reading->cancel();
    // A walk of every record for a page nobody will see stops.
    if (m_analysing)
        m_analysing->cancel();
}

const std::optional<GroupReport> &GroupReportWindow::report() const
{
    return m_page->report();
}

void GroupReportWindow::refresh()
{
    if (!m_records)
        return; // shown once read
    const QString window = testWindow(*m_records, m_test);
    GroupReportRequest request{m_test, m_group, DateRange{m_since->date(), m_until->date()}, std::nullopt, m_followUp->isChecked(),
                               followUpBands(window)};
    if (m_compare->isChecked())
        request.earlier = DateRange{m_earlierSince->date(), m_earlierUntil->date()};
    QString error;
    std::optional<GroupReport> report = makeGroupReport(*m_records, request, &error);
    if (m_analysing)
        m_analysing->cancel();
    if (!report || !m_itemAnalysis || !m_itemAnalysis->isChecked()) {
        showReport(std::move(report), error);
        return;
    }
    // The analysis needs every answer of the test's records: the report
    // shows once the store has walked them.
    const ItemAnalysisRequest analysis = requestItemAnalysis(m_store, itemAnalysisFilter(*report), false);
    m_analysing = analysis.walk->then(this, [this, made = *report, result = analysis.result](const StoreReply<qint64> &walk) {
        QString error = walk.error();
        std::optional<GroupReport> shown;
        if (const auto analyses = error.isEmpty() ? result(&error) : std::nullopt) {
            shown = made;
            setItemAnalysis(*shown, *analyses);
        }
        showReport(std::move(shown), error);
    });
}

void GroupReportWindow::showReport(std::optional<GroupReport> report, QString error)
{
    if (!error.isEmpty()) {
        report.reset(); // the analysis needs answers the store could not give
        if (!error.endsWith(u'。'))
            error += u'。';
    }
    m_page->setReport(std::move(report), error);
    m_area->fit();
    if (!error.isEmpty())
        statusBar()->showMessage(error);
    else
        statusBar()->clearMessage();
}

// The item analysis is off unless switched on: it reads every answer of the
// test's records from the store.
void GroupReportWindow::addItemAnalysisSwitch(QBoxLayout *row)
{
    m_itemAnalysis = new QCheckBox(QStringLiteral("题目分析"), this);
    m_itemAnalysis->setObjectName(QStringLiteral("chkItemAnalysis"));
    m_itemAnalysis->setToolTip(QStringLiteral("克隆巴赫 α 及其置信区间，每题的校正题总相关和删除该题后的 α"));
    row->addWidget(m_itemAnalysis);
    connect(m_itemAnalysis, &QCheckBox::toggled, this, &GroupReportWindow::refresh);
}

// A checkable entry per band of the test (or verdict met in its records),
// kept in the settings as it is ticked.
void GroupReportWindow::fillBandMenu()
{
    QMenu *menu = m_bands->menu();
    menu->clear();
    const std::optional<GroupReport> &shown = report();
    if (!shown)
        return;
    QStringList classes;
    for (const ScoreBand &band : shown->bands)
        classes << toQString(band.text);
    for (const auto &[verdict, count] : shown->verdicts)
        classes << verdict;
    const QString window = shown->window;
    const QStringList marked = followUpBands(window);
    for (const QString &name : std::as_const(classes)) {
        QAction *action = menu->addAction(name);
        action->setCheckable(true);
        action->setChecked(marked.contains(name));
        connect(action, &QAction::toggled, this, [this, window, name](bool on) {
            QStringList bands = followUpBands(window);
            bands.removeAll(name);
            if (on)
                bands << name;
            setFollowUpBands(window, bands);
            refresh();
        });
    }
    m_bands->setEnabled(!classes.isEmpty());
}

void GroupReportWindow::saveAsPdf()
{
    const std::optional<GroupReport> &shown = report();
    if (!shown)
        return;
    QString name = QStringLiteral("%1 %2 %3.pdf")
                       .arg(shown->caption, shown->request.group.value_or(QStringLiteral("全部小组")),
                            shown->last.toString(QStringLiteral("yyyy-MM-dd")));
    name.replace(u'/', u'－');
    // Saved as the name the dialog asked about: its suffix says PDF or PNG.
    const QString path = askSaveFile(this, QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeGroupReport(*shown, path, &error)) {
        showMessage(this, error, Title, MessageButtons::Ok);
        return;
    }
    statusBar()->showMessage(QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(path)));
}

void GroupReportWindow::print()
{
    const std::optional<GroupReport> &shown = report();
    if (!shown)
        return;
    const std::optional<QString> done = printPages(
        this, shown->caption, Title, groupReportPages(*shown),
        [&](QPainter &painter, const QRectF &target, int page) { paintGroupReport(painter, target, *shown, page); },
        [&] { return groupReportPdf(*shown); });
    if (done)
        statusBar()->showMessage(*done);
}

} // namespace zentrova
