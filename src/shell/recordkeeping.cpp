// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordkeeping.h"

#include "centre/personcode.h"
#include "framework/messages.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "recordwindows/recordswindow.h"
#include "reports/reportactions.h"
#include "records/safesave.h"
#include "records/store.h"
#include "shell/persondialog.h"
#include "shell/runstore.h"
#include "shell/subject.h"
#include "testcatalog.h"

#include <QEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>

#include <memory>
#include <utility>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("测评记录");
const QString AutoSaveKey = QStringLiteral("records/autoSave");
// Where earlier versions kept the person across runs.
const QString PersonKey = QStringLiteral("records/person");

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
    , m_quietWait(new QTimer(this))
    , m_store(openRunStore(PasswordPrompt::Dialog).release())
{
    m_store->setParent(this);
    auto *menu = new QMenu(Title + QStringLiteral("(&R)"), main);
    menu->setObjectName(QStringLiteral("mnuRecords"));
    menu->menuAction()->setObjectName(QStringLiteral("mnuRecords"));
    connect(addAction(menu, "mnuRecordsView", QStringLiteral("查看测评记录(&V)…")), &QAction::triggered, this, &RecordKeeping::showRecords);
    m_personAction = addAction(menu, "mnuRecordsPerson", {});
    connect(m_personAction, &QAction::triggered, this, &RecordKeeping::askPerson);
    QAction *autoSave = addAction(menu, "mnuRecordsAutoSave", QStringLiteral("自动保存测评结果(&A)"));
    autoSave->setCheckable(true);
    autoSave->setChecked(this->autoSave());
    connect(autoSave, &QAction::toggled, this, [](bool on) { settings().setValue(AutoSaveKey, on); });
    connect(
        addAction(menu, "mnuRecordsDeleteAll", QStringLiteral("删除全部记录(&D)…")), &QAction::triggered, this, &RecordKeeping::deleteAll);

    QAction *help = main->menuBar()->findChild<QMenu *>(QStringLiteral("mnuHelp"))->menuAction();
    main->menuBar()->insertMenu(help, menu);

    // A name an earlier version kept would file the next client's results
    // under it: the person now lasts for the run (--person gives it at start).
    if (settings().contains(PersonKey))
        settings().remove(PersonKey);
    // What --person and --group named, taken over for this window's run.
    const Subject given = std::exchange(currentSubject(), {});
    setPerson(given.person);
    setGroup(given.group);

    m_quietWait->setObjectName(QStringLiteral("tmrSaveWait"));
    m_quietWait->setSingleShot(true);
    m_quietWait->setInterval(QuietWaitMs);
    connect(m_quietWait, &QTimer::timeout, this, [this] {
        if (!m_saving)
            return;
        m_telling = true;
        showMessage(m_main, QStringLiteral("刚才的测评结果还在保存，请稍候。\n保存完毕后程序就会退出。"), Title, MessageButtons::Ok);
        m_telling = false;
        quitWhenSaved();
    });
    main->installEventFilter(this);

}

// The records window goes first: it asks the store until it is gone.
RecordKeeping::~RecordKeeping()
{
    delete m_recordsWindow;
}

QString RecordKeeping::person() const
{
    return m_person;
}

void RecordKeeping::setPerson(const QString &person)
{
    m_person = leftCharacters(person.trimmed(), NameLimit);
    // The menu shows who is taking the tests; a long name is cut short, and
    // an "&" stays a character.
    const QFontMetrics metrics(m_main->font());
    QString shown = metrics.elidedText(m_person, Qt::ElideRight, 16 * metrics.horizontalAdvance(u'中'));
    shown.replace(u'&', QLatin1String("&&"));
    // A seat's next student must not see the last one's code.
    m_personAction->setText(m_person.isEmpty() || codePerTest() ? QStringLiteral("当前受测者(&P)…") : QStringLiteral("当前受测者(&P)：%1…").arg(shown));
}

QString RecordKeeping::group() const
{
    return m_group;
}

void RecordKeeping::setGroup(const QString &group)
{
    m_group = leftCharacters(group.trimmed(), NameLimit);
}

bool RecordKeeping::autoSave() const
{
    return settings().value(AutoSaveKey, true).toBool();
}

bool RecordKeeping::codePerTest() const
{
    return m_store->personRule() == Store::PersonRule::CodePerTest;
}

bool RecordKeeping::watch(TestWindow *window, const QString &caption)
{
    if (codePerTest()) {
        // A code per test: asked before it, and forgotten when the test
        // window closes, whether a result came or not.
        if (person().isEmpty())
            askPersonCode();
        if (person().isEmpty())
            return false;
        connect(window, &QDialog::finished, this, [this] { setPerson({}); });
    }
    connect(window, &TestWindow::resultShown, this, [=, this](const ShownResult &shown) { keep(window, caption, shown); });
    return true;
}

void RecordKeeping::keep(TestWindow *window, const QString &caption, const ShownResult &shown)
{
    auto record = std::make_shared<Record>(Record::fromShown(shown, caption, person(), bankSha256(), group()));
    // The result view offers the report of this result, kept or not; where
    // it does, keeping it is the user's choice.
    const bool reported = m_store->refusal(Store::Action::ReportResult).isEmpty();
    if (reported)
        (new ReportActions(window, [record] { return std::optional<Record>(*record); }))->offerInMenus();
    if (reported && !autoSave())
        return;
    // Kept off the user-interface thread; a failure (a store that keeps no
    // results says so), or what the store has to say, is told over the test
    // window, or over the main window once the test has been left.
    ++m_saving;
    m_store->keep(*record)->then(this, [this, record, reported, shownIn = QPointer<QWidget>(window)](const StoreReply<Kept> &reply) {
        --m_saving;
        const QString error = reply.error();
        if (error.isEmpty() && reply.value().id) {
            record->id = reply.value().id;
            if (m_recordsWindow)
                m_recordsWindow->reload();
        }
        if (!error.isEmpty() && reported && shownIn) {
            showMessage(shownIn, QStringLiteral("%1\n结果仍显示在测评窗口中，可单击右键选择“保存报告…”或按Ctrl+S另行保存。").arg(error),
                Title, MessageButtons::Ok);
        } else if (!error.isEmpty() && reported) {
            showMessage(m_main, QStringLiteral("%1\n测评窗口已经关闭，这次的测评结果没能保存。").arg(error), Title, MessageButtons::Ok);
        } else if (const QString said = error.isEmpty() ? reply.value().notice : error; !said.isEmpty()) {
            showMessage(shownIn ? shownIn.data() : m_main, said, Title, MessageButtons::Ok);
        }
        quitWhenSaved();
    });
}

// Results the store holds in memory only (a seat's, not yet taken by its
// hand-in service) are lost on quitting: the user is asked first.
bool RecordKeeping::mayQuitWithPending()
{
    const int pending = m_store->pending();
    if (pending == 0)
        return true;
    const QString question = QStringLiteral("还有 %1 份测评结果没能交给本机的发送服务，退出程序后它们就会丢失。\n确实要退出吗？")
                                 .arg(pending);
    return showMessage(m_main, question, Title, MessageButtons::YesNo, MessageAnswer::No) == MessageAnswer::Yes;
}

bool RecordKeeping::eventFilter(QObject *watched, QEvent *event)
{
    // The program ends when the main window closes: not before a result on
    // its way to the store is kept, or its failure told, and not before the
    // user agrees to lose what the store could not take.
    if (watched == m_main && event->type() == QEvent::Close && m_saving > 0) {
        event->ignore();
        if (!m_quitting) {
            m_quitting = true;
            m_quietWait->start();
        }
        return true;
    }
    if (watched == m_main && event->type() == QEvent::Close && !mayQuitWithPending()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void RecordKeeping::quitWhenSaved()
{
    if (!m_quitting || m_saving > 0 || m_telling)
        return;
    m_quitting = false;
    m_quietWait->stop();
    m_main->close();
}

RecordsWindow *RecordKeeping::recordsWindow() const
{
    return m_recordsWindow;
}

void RecordKeeping::showRecords()
{
    if (const QString refusal = m_store->refusal(Store::Action::Read); !refusal.isEmpty()) {
        showMessage(m_main, refusal, Title, MessageButtons::Ok);
        return;
    }
    if (!m_recordsWindow) {
        QList<StoreFacets::Test> tests;
        for (std::string_view window : testWindows())
            tests.append({toQString(window), toQString(testCaption(window))});
        m_recordsWindow = new RecordsWindow(*m_store, m_main, tests);
    } else
        m_recordsWindow->reload();
    m_recordsWindow->show();
    m_recordsWindow->raise();
    m_recordsWindow->activateWindow();
}

void RecordKeeping::askPerson()
{
    if (codePerTest()) {
        askPersonCode();
        return;
    }
    const FocusKeeper keeper;
    PersonDialog dialog(person(), group(), m_main);
    if (dialog.exec() != QDialog::Accepted)
        return;
    setPerson(dialog.person());
    setGroup(dialog.group());
}

// At a seat nobody types a name: the student's code, checked by its last
// character, so that a mistyped code does not file a result under another.
void RecordKeeping::askPersonCode()
{
    const FocusKeeper keeper;
    QString code = person();
    for (;;) {
        bool ok = false;
        code = QString::fromStdString(normalPersonCode(
            QInputDialog::getText(m_main, QStringLiteral("当前受测者"), QStringLiteral("请输入你的测评码："), QLineEdit::Normal, code, &ok)
                .toStdString()));
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
    if (const QString refusal = m_store->refusal(Store::Action::RemoveAll); !refusal.isEmpty()) {
        showMessage(m_main, refusal, Title, MessageButtons::Ok);
        return;
    }
    const QString question = QStringLiteral("确实要删除全部测评记录吗？删除后不能恢复。");
    if (showMessage(m_main, question, QStringLiteral("删除全部记录"), MessageButtons::YesNo, MessageAnswer::No) != MessageAnswer::Yes)
        return;
    m_store->removeAll()->then(this, [this](const StoreReply<int> &reply) {
        if (!reply.error().isEmpty())
            showMessage(m_main, reply.error(), Title, MessageButtons::Ok);
        if (m_recordsWindow)
            m_recordsWindow->reload();
    });
}

// The bank does not change while the program runs: hashed once.
const QString &RecordKeeping::bankSha256()
{
    if (!m_bankSha256)
        m_bankSha256 = fileSha256(bankPath());
    return *m_bankSha256;
}

} // namespace zentrova
