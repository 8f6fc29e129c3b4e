// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "groupreportwindow.h"

#include "framework/messages.h"
#include "framework/strings.h"
#include "reports/reportactions.h"
#include "reports/reportpainter.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("小组报告");

} // namespace

// The page scaled to fit, or a line saying why there is none.
class GroupPageView : public QWidget
{
public:
    explicit GroupPageView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("groupReportView"));
        setMinimumSize(420, 560);
    }

    void setReport(std::optional<GroupReport> report, const QString &note)
    {
        m_report = std::move(report);
        m_note = note;
        update();
    }
    const std::optional<GroupReport> &report() const { return m_report; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xe8, 0xe8, 0xe8));
        if (!m_report) {
            painter.setPen(QColor(0x60, 0x60, 0x60));
            painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, m_note);
            return;
        }
        paintGroupReport(painter, drawSheet(painter, rect()), *m_report);
    }

private:
    std::optional<GroupReport> m_report;
    QString m_note;
};

GroupReportWindow::GroupReportWindow(QList<RecordSummary> records, const QString &test, const std::optional<QString> &group,
                                     QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_records(std::move(records))
    , m_test(test)
    , m_group(group)
    , m_since(new QDateEdit(this))
    , m_until(new QDateEdit(this))
    , m_compare(new QCheckBox(QStringLiteral("与前次比较："), this))
    , m_earlierSince(new QDateEdit(this))
    , m_earlierUntil(new QDateEdit(this))
    , m_followUp(new QCheckBox(QStringLiteral("建议关注名单"), this))
    , m_bands(new QToolButton(this))
    , m_page(new GroupPageView(this))
{
    setObjectName(QStringLiteral("frm小组报告"));
    setWindowTitle(Title);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 900);

    // The sitting reported: every day of the test's records to begin with.
    const RecordFilter filter{m_test, m_group, {}};
    QDate first, last;
    for (const RecordSummary &record : std::as_const(m_records)) {
        if (!filter.accepts(record))
            continue;
        const QDate day = record.finished.date();
        first = first.isValid() ? std::min(first, day) : day;
        last = std::max(last, day);
    }
    const QDate today = QDate::currentDate();
    for (QDateEdit *edit : {m_since, m_until, m_earlierSince, m_earlierUntil}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    m_since->setObjectName(QStringLiteral("dtpSince"));
    m_until->setObjectName(QStringLiteral("dtpUntil"));
    m_earlierSince->setObjectName(QStringLiteral("dtpEarlierSince"));
    m_earlierUntil->setObjectName(QStringLiteral("dtpEarlierUntil"));
    m_compare->setObjectName(QStringLiteral("chkCompare"));
    m_followUp->setObjectName(QStringLiteral("chkFollowUp"));
    m_bands->setObjectName(QStringLiteral("cmdFollowUpBands"));
    m_since->setDate(first.isValid() ? first : today);
    m_until->setDate(last.isValid() ? last : today);
    m_earlierSince->setDate(m_since->date().addMonths(-6));
    m_earlierUntil->setDate(m_since->date().addDays(-1));
    m_earlierSince->setEnabled(false);
    m_earlierUntil->setEnabled(false);
    m_followUp->setChecked(followUpEnabled());
    m_followUp->setToolTip(QStringLiteral("列出最近一次结果落在标记分数段的受测者，作为谈话的建议，不是诊断"));
    m_bands->setText(QStringLiteral("标记分数段"));
    m_bands->setPopupMode(QToolButton::InstantPopup);
    m_bands->setMenu(new QMenu(m_bands));

    auto *save = new QPushButton(QStringLiteral("保存为PDF…"), this);
    save->setObjectName(QStringLiteral("cmdSavePdf"));
    auto *print = new QPushButton(QStringLiteral("打印…"), this);
    print->setObjectName(QStringLiteral("cmdPrint"));

    auto *days = new QHBoxLayout;
    days->addWidget(new QLabel(QStringLiteral("本次："), this));
    days->addWidget(m_since);
    days->addWidget(new QLabel(QStringLiteral("至"), this));
    days->addWidget(m_until);
    days->addSpacing(16);
    days->addWidget(m_compare);
    days->addWidget(m_earlierSince);
    days->addWidget(new QLabel(QStringLiteral("至"), this));
    days->addWidget(m_earlierUntil);
    days->addStretch();
    auto *actions = new QHBoxLayout;
    actions->addWidget(m_followUp);
    actions->addWidget(m_bands);
    addItemAnalysisSwitch(actions);
    actions->addStretch();
    actions->addWidget(save);
    actions->addWidget(print);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(days);
    layout->addLayout(actions);
    layout->addWidget(m_page, 1);

    for (QDateEdit *edit : {m_since, m_until, m_earlierSince, m_earlierUntil})
        connect(edit, &QDateEdit::dateChanged, this, &GroupReportWindow::refresh);
    connect(m_compare, &QCheckBox::toggled, this, [this](bool on) {
        m_earlierSince->setEnabled(on);
        m_earlierUntil->setEnabled(on);
        refresh();
    });
    connect(m_followUp, &QCheckBox::toggled, this, [this](bool on) {
        setFollowUp(on);
        refresh();
    });
    connect(save, &QPushButton::clicked, this, &GroupReportWindow::saveAsPdf);
    connect(print, &QPushButton::clicked, this, &GroupReportWindow::print);
    refresh();
    fillBandMenu();
}

GroupReportWindow::~GroupReportWindow() = default;

const std::optional<GroupReport> &GroupReportWindow::report() const
{
    return m_page->report();
}

void GroupReportWindow::refresh()
{
    const QString window = testWindow(m_records, m_test);
    GroupReportRequest request{m_test, m_group, DateRange{m_since->date(), m_until->date()}, std::nullopt, m_followUp->isChecked(),
                               followUpBands(window)};
    if (m_compare->isChecked())
        request.earlier = DateRange{m_earlierSince->date(), m_earlierUntil->date()};
    QString error;
    std::optional<GroupReport> report = makeGroupReport(m_records, request, &error);
    if (report && m_itemAnalysis && m_itemAnalysis->isChecked())
        error = addItemAnalysisTo(*report);
    if (!error.isEmpty())
        report.reset(); // the analysis needs answers the store could not give
    m_page->setReport(std::move(report), error.endsWith(u'。') ? error : error + u'。');
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

// Empty where the analysis was added; otherwise why not.
QString GroupReportWindow::addItemAnalysisTo(GroupReport &report)
{
    const auto store = RecordSource::open();
    QString error;
    return addItemAnalysis(report, *store, &error) ? QString() : error;
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
    QString path = askSaveFile(this, QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    QString error;
    if (!writeGroupReport(*shown, path, &error))
        showMessage(this, error, Title, MessageButtons::Ok);
}

void GroupReportWindow::print()
{
    const std::optional<GroupReport> &shown = report();
    if (shown)
        printPage(this, shown->caption, Title, [&](QPainter &painter, const QRectF &page) { paintGroupReport(painter, page, *shown); });
}

} // namespace zentrova
