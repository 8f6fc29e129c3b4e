// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordkeeping.h"

#include "framework/messages.h"
#include "framework/questionbank.h"
#include "framework/testwindow.h"
#include "records/recordstore.h"
#include "records/recordswindow.h"
#include "records/reportactions.h"

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("测评记录");
const QString AutoSaveKey = QStringLiteral("records/autoSave");
const QString PersonKey = QStringLiteral("records/person");

// $XDG_CONFIG_HOME/zentrova/zentrova.conf, which holds the person's name:
// private to the user like the records (the file 0600 in a folder 0700),
// made so before QSettings writes it under whatever umask, and put right
// where an earlier version left it readable by others.
QSettings settings()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zentrova");
    QDir().mkpath(QFileInfo(folder).path());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
        ::chmod(native.constData(), 0700);
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/zentrova.conf")).constData(),
        O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
    return QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova"));
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
}

QString RecordKeeping::person() const
{
    return settings().value(PersonKey).toString();
}

void RecordKeeping::setPerson(const QString &person)
{
    settings().setValue(PersonKey, person.trimmed());
}

bool RecordKeeping::autoSave() const
{
    return settings().value(AutoSaveKey, true).toBool();
}

void RecordKeeping::watch(TestWindow *window, const QString &caption)
{
    connect(window, &TestWindow::resultShown, this, [=, this](const ShownResult &shown) { keep(window, caption, shown); });
}

void RecordKeeping::keep(TestWindow *window, const QString &caption, const ShownResult &shown)
{
    auto record = std::make_shared<Record>(Record::fromShown(shown, caption, person(), bankSha256()));
    // The result view offers the report of this result, kept or not.
    new ReportActions(window, [record] { return std::optional<Record>(*record); });
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
    if (!autoSave())
        return;
    // Written off the user-interface thread; a failure is told over the test
    // window, or over the main window once the test has been left.
    RecordStore().addInBackground(
        *record, this, [this, record, shownIn = QPointer<QWidget>(window)](std::optional<qint64> id, const QString &error) {
            if (id) {
                record->id = *id;
                if (m_recordsWindow)
                    m_recordsWindow->reload();
                return;
            }
            showMessage(shownIn ? shownIn.data() : m_main,
                QStringLiteral("%1\n结果仍显示在测评窗口中，可单击右键选择“保存为PDF…”另行保存。").arg(error), Title, MessageButtons::Ok);
        });
}

RecordsWindow *RecordKeeping::recordsWindow() const
{
    return m_recordsWindow;
}

void RecordKeeping::showRecords()
{
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
    bool ok = false;
    const QString name = QInputDialog::getText(m_main, QStringLiteral("当前受测者"),
        QStringLiteral("此后保存的测评结果记在谁的名下？（留空则不记姓名）"), QLineEdit::Normal, person(), &ok);
    if (ok)
        setPerson(name);
}

void RecordKeeping::deleteAll()
{
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
