// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordkeeping.h"

#include "centre/centrefile.h"
#include "centre/outbox.h"
#include "centre/personcode.h"
#include "framework/messages.h"
#include "framework/questionbank.h"
#include "framework/testwindow.h"
#include "records/recordstore.h"
#include "records/recordswindow.h"
#include "records/reportactions.h"

#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include <memory>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("测评记录");
const QString AutoSaveKey = QStringLiteral("records/autoSave");
const QString PersonKey = QStringLiteral("records/person");

// $XDG_CONFIG_HOME/zentrova/zentrova.conf
QSettings settings()
{
    return QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova"));
}

QString &runPerson()
{
    static QString person;
    return person;
}

QAction *addAction(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

RecordKeeping::RecordKeeping(QMainWindow *main)
    : QObject(main)
    , m_main(main)
{
    auto *menu = new QMenu(Title, main);
    menu->setObjectName(QStringLiteral("mnuRecords"));
    menu->menuAction()->setObjectName(QStringLiteral("mnuRecords"));
    connect(addAction(menu, "mnuRecordsView", QStringLiteral("查看测评记录…")), &QAction::triggered, this, &RecordKeeping::showRecords);
    connect(addAction(menu, "mnuRecordsPerson", QStringLiteral("当前受测者…")), &QAction::triggered, this, &RecordKeeping::askPerson);
    QAction *autoSave = addAction(menu, "mnuRecordsAutoSave", QStringLiteral("自动保存测评结果"));
    autoSave->setCheckable(true);
    autoSave->setChecked(this->autoSave());
    connect(autoSave, &QAction::toggled, this, [](bool on) { settings().setValue(AutoSaveKey, on); });
    connect(addAction(menu, "mnuRecordsDeleteAll", QStringLiteral("删除全部记录…")), &QAction::triggered, this, &RecordKeeping::deleteAll);

    QAction *help = main->menuBar()->findChild<QMenu *>(QStringLiteral("mnuHelp"))->menuAction();
    main->menuBar()->insertMenu(help, menu);

    if (isSeat()) {
        m_outbox = new OutboxWorker(*currentCentre().centre, this);
        connect(m_outbox, &OutboxWorker::attempted, this, &RecordKeeping::sendingTried);
    }
}

void RecordKeeping::setRunPerson(const QString &person)
{
    runPerson() = person.trimmed();
}

QString RecordKeeping::person() const
{
    // A seat's code belongs to one student's run, never to the next.
    if (!runPerson().isEmpty() || isSeat())
        return runPerson();
    return settings().value(PersonKey).toString();
}

void RecordKeeping::setPerson(const QString &person)
{
    if (isSeat() || !runPerson().isEmpty())
        setRunPerson(person);
    else
        settings().setValue(PersonKey, person.trimmed());
}

bool RecordKeeping::autoSave() const
{
    return settings().value(AutoSaveKey, true).toBool();
}

void RecordKeeping::watch(TestWindow *window, const QString &caption)
{
    connect(window, &TestWindow::resultShown, this, [=, this](const ShownResult &shown) { keep(window, caption, shown); });
    if (isSeat() && person().isEmpty())
        askPerson();
}

void RecordKeeping::keep(TestWindow *window, const QString &caption, const ShownResult &shown)
{
    auto record = std::make_shared<Record>(Record::fromShown(shown, caption, person(), bankSha256()));
    // The result view offers the report of this result, kept or not.
    new ReportActions(window, [record] { return std::optional<Record>(*record); });
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
    // A seat keeps every result until the centre's server has it.
    if (!autoSave() && !isSeat())
        return;
    // Written off the user-interface thread; a failure is told over the test
    // window, or over the main window once the test has been left.
    RecordStore().addInBackground(
        *record, this,
        [this, record, shownIn = QPointer<QWidget>(window)](std::optional<qint64> id, const QString &error) {
            if (id && m_outbox) {
                m_outbox->sendSoon();
                return;
            }
            if (id) {
                record->id = *id;
                if (m_recordsWindow)
                    m_recordsWindow->reload();
                return;
            }
            showMessage(shownIn ? shownIn.data() : m_main,
                QStringLiteral("%1\n结果仍显示在测评窗口中，可单击右键选择“保存为PDF…”另行保存。").arg(error), Title, MessageButtons::Ok);
        },
        isSeat() ? QUuid::createUuid() : QUuid());
}

void RecordKeeping::sendingTried(const SendOutcome &outcome)
{
    if (outcome.waiting == 0 || m_toldSendingLater)
        return;
    m_toldSendingLater = true;
    showMessage(m_main,
        QStringLiteral("测评结果已保存在这台计算机上，但暂时没能送到测评中心（%1）。程序会自动再送，送到后这台计算机上不再保留。").arg(outcome.error),
        Title, MessageButtons::Ok);
}

RecordsWindow *RecordKeeping::recordsWindow() const
{
    return m_recordsWindow;
}

void RecordKeeping::showRecords()
{
    if (isSeat()) {
        showMessage(m_main, seatRefusal(), Title, MessageButtons::Ok);
        return;
    }
    if (!m_recordsWindow)
        m_recordsWindow = new RecordsWindow(m_main);
    else
        m_recordsWindow->reload();
    m_recordsWindow->show();
    m_recordsWindow->raise();
    m_recordsWindow->activateWindow();
}

void RecordKeeping::askPerson()
{
    if (isSeat()) {
        askPersonCode();
        return;
    }
    bool ok = false;
    const QString name = QInputDialog::getText(m_main, QStringLiteral("当前受测者"),
        QStringLiteral("此后保存的测评结果记在谁的名下？（留空则不记姓名）"), QLineEdit::Normal, person(), &ok);
    if (ok)
        setPerson(name);
}

// At a seat nobody types a name: the student's code, checked by its last
// character, so that a mistyped code does not file a result under another.
void RecordKeeping::askPersonCode()
{
    QString code = person();
    for (;;) {
        bool ok = false;
        code = QInputDialog::getText(m_main, QStringLiteral("当前受测者"), QStringLiteral("请输入你的测评码："), QLineEdit::Normal, code, &ok)
                   .trimmed()
                   .toUpper();
        if (!ok)
            return;
        if (isPersonCode(code.toStdString()))
            break;
        showMessage(m_main, QStringLiteral("测评码“%1”有误，请核对后重新输入。").arg(code), Title, MessageButtons::Ok);
    }
    setPerson(code);
}

void RecordKeeping::deleteAll()
{
    if (isSeat()) {
        showMessage(m_main, seatRefusal(), Title, MessageButtons::Ok);
        return;
    }
    // A centre's records go one by one, each noted in its deletion log.
    if (isCounsellor()) {
        showMessage(m_main, QStringLiteral("测评中心的记录请在“查看测评记录”窗口中选中后删除。"), Title, MessageButtons::Ok);
        return;
    }
    const QString question = QStringLiteral("确实要删除全部测评记录吗？删除后不能恢复。");
    if (showMessage(m_main, question, QStringLiteral("删除全部记录"), MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    RecordStore store;
    if (!store.removeAll())
        showMessage(m_main, store.error(), Title, MessageButtons::Ok);
    if (m_recordsWindow)
        m_recordsWindow->reload();
}

// The bank does not change while the program runs: hashed once.
const QString &RecordKeeping::bankSha256()
{
    if (!m_bankSha256)
        m_bankSha256 = fileSha256(bankPath());
    return *m_bankSha256;
}

} // namespace zentrova
