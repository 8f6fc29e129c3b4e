// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sittingswindow.h"

#include "framework/messages.h"
#include "framework/strings.h"

#include <QBoxLayout>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace zentrova
{

namespace
{

const QString Title = QStringLiteral("测评场次");
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

QString testsText(const QStringList &windows, const QList<StoreFacets::Test> &offered)
{
    if (windows.isEmpty())
        return QStringLiteral("全部测试");
    QStringList captions;
    for (const QString &window : windows) {
        const auto test = std::find_if(offered.cbegin(), offered.cend(), [&](const auto &each) { return each.window == window; });
        captions << (test != offered.cend() ? test->caption : window);
    }
    return captions.join(QStringLiteral("、"));
}

} // namespace

SittingsWindow::SittingsWindow(Store &store, const QList<StoreFacets::Test> &tests, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_offered(tests)
    , m_table(new QTableWidget(0, 7, this))
    , m_class(new QLineEdit(this))
    , m_tests(new QListWidget(this))
    , m_opens(new QDateTimeEdit(this))
    , m_closes(new QDateTimeEdit(this))
    , m_open(new QPushButton(QStringLiteral("开设场次(&O)"), this))
    , m_close(new QPushButton(QStringLiteral("关闭所选场次(&C)…"), this))
    , m_refresh(new QPushButton(QStringLiteral("刷新(&R)"), this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("frm测评场次"));
    setWindowTitle(Title);
    m_table->setObjectName(QStringLiteral("tblSittings"));
    m_class->setObjectName(QStringLiteral("txtSittingClass"));
    m_tests->setObjectName(QStringLiteral("lstSittingTests"));
    m_opens->setObjectName(QStringLiteral("dtpSittingOpens"));
    m_closes->setObjectName(QStringLiteral("dtpSittingCloses"));
    m_open->setObjectName(QStringLiteral("cmdOpenSitting"));
    m_close->setObjectName(QStringLiteral("cmdCloseSitting"));
    m_refresh->setObjectName(QStringLiteral("cmdRefreshSittings"));
    m_status->setObjectName(QStringLiteral("lblSittingsStatus"));

    m_table->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("班级"), QStringLiteral("测试"), QStringLiteral("开始"),
        QStringLiteral("结束"), QStringLiteral("开设人"), QStringLiteral("关闭人")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_class->setMaxLength(64); // as long as the server keeps
    m_class->setPlaceholderText(QStringLiteral("如：初二（3）班"));
    for (const StoreFacets::Test &test : tests) {
        auto *item = new QListWidgetItem(test.caption, m_tests);
        item->setData(Qt::UserRole, test.window);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime hour(now.date(), QTime(now.time().hour(), 0));
    for (QDateTimeEdit *edit : {m_opens, m_closes}) {
        edit->setDisplayFormat(TimeFormat);
        edit->setCalendarPopup(true);
    }
    m_opens->setDateTime(hour);
    m_closes->setDateTime(hour.addSecs(2 * 3600));

    auto *opening = new QGroupBox(QStringLiteral("开设新的测评场次"), this);
    opening->setObjectName(QStringLiteral("fraOpenSitting"));
    auto *form = new QFormLayout(opening);
    form->addRow(QStringLiteral("班级(&L)："), m_class);
    form->addRow(QStringLiteral("测试(&T)（不选即全部测试）："), m_tests);
    form->addRow(QStringLiteral("开始(&B)："), m_opens);
    form->addRow(QStringLiteral("结束(&E)："), m_closes);
    form->addRow(m_open);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addWidget(opening);
    resize(760, 640);

    connect(m_open, &QPushButton::clicked, this, &SittingsWindow::openSitting);
    connect(m_close, &QPushButton::clicked, this, &SittingsWindow::closeSitting);
    connect(m_refresh, &QPushButton::clicked, this, &SittingsWindow::refresh);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] { setBusy(!m_running.isNull()); });

    if (const QString refusal = m_store.refusal(Store::Action::Sittings); !refusal.isEmpty()) {
        m_status->setText(refusal);
        for (QWidget *control : std::initializer_list<QWidget *> {m_table, opening, m_refresh, m_close})
            control->setEnabled(false);
        return;
    }
    refresh();
}

SittingsWindow::~SittingsWindow()
{
    if (m_running)
        m_running->cancel();
}

void SittingsWindow::setBusy(bool busy)
{
    m_open->setEnabled(!busy);
    m_refresh->setEnabled(!busy);
    m_close->setEnabled(!busy && !m_table->selectedItems().isEmpty());
}

void SittingsWindow::fail(const QString &error)
{
    m_status->clear();
    showMessage(this, error, Title, MessageButtons::Ok);
}

void SittingsWindow::refresh()
{
    setBusy(true);
    m_status->setText(QStringLiteral("正在读取测评场次……"));
    m_running = m_store.sittings()->then(this, [this](const StoreReply<QList<Sitting>> &reply) {
        m_running = nullptr;
        if (reply.error().isEmpty())
            showSittings(reply.value());
        else
            fail(reply.error());
        setBusy(false);
    });
}

void SittingsWindow::showSittings(const QList<Sitting> &sittings)
{
    m_table->setRowCount(0);
    m_table->setRowCount(int(sittings.size()));
    for (int row = 0; row < sittings.size(); ++row) {
        const Sitting &sitting = sittings[row];
        const QStringList cells {QString::number(sitting.id), sitting.group, testsText(sitting.tests, m_offered),
            sitting.opens.toLocalTime().toString(TimeFormat), sitting.closes.toLocalTime().toString(TimeFormat), sitting.openedBy,
            sitting.closedBy};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, sitting.id);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_status->setText(sittings.isEmpty() ? QStringLiteral("还没有测评场次。") : QStringLiteral("共 %1 个测评场次。").arg(sittings.size()));
}

void SittingsWindow::openSitting()
{
    const QString group = m_class->text().trimmed();
    if (group.isEmpty()) {
        fail(QStringLiteral("请填写要开设测评场次的班级。"));
        return;
    }
    if (m_closes->dateTime() <= m_opens->dateTime()) {
        fail(QStringLiteral("测评场次的结束时间必须晚于开始时间。"));
        return;
    }
    QStringList tests;
    for (int i = 0; i < m_tests->count(); ++i) {
        if (m_tests->item(i)->checkState() == Qt::Checked)
            tests << m_tests->item(i)->data(Qt::UserRole).toString();
    }
    setBusy(true);
    m_status->setText(QStringLiteral("正在开设测评场次……"));
    m_running
        = m_store.openSitting(group, tests, m_opens->dateTime(), m_closes->dateTime())->then(this, [this](const StoreReply<qint64> &reply) {
              m_running = nullptr;
              if (!reply.error().isEmpty()) {
                  fail(reply.error());
                  setBusy(false);
                  return;
              }
              m_class->clear();
              refresh();
          });
}

void SittingsWindow::closeSitting()
{
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    if (chosen.isEmpty())
        return;
    const qint64 id = chosen.first()->data(Qt::UserRole).toLongLong();
    const QString group = m_table->item(chosen.first()->row(), 1)->text();
    if (showMessage(this,
            QStringLiteral("现在关闭 %1 的测评场次（编号 %2）吗？关闭以后交来的结果仍会保存，但会被标为存疑。").arg(group).arg(id), Title,
            MessageButtons::YesNo, MessageAnswer::No)
        != MessageAnswer::Yes)
        return;
    setBusy(true);
    m_status->setText(QStringLiteral("正在关闭测评场次……"));
    m_running = m_store.closeSitting(id)->then(this, [this](const StoreReply<bool> &reply) {
        m_running = nullptr;
        if (!reply.error().isEmpty()) {
            fail(reply.error());
            setBusy(false);
            return;
        }
        refresh();
    });
}

} // namespace zentrova
