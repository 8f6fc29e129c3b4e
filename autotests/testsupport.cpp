// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/questionnaireform.h"
#include "framework/strings.h"
#include "questionnaires/testwindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <sqlite3.h>

namespace zentrova::testing {

ScriptedAnswers::ScriptedAnswers(QList<MessageAnswer> answers)
    : m_answers(std::move(answers))
{
    m_previous = setMessageAnswerer([this](const MessageRequest &request) {
        m_asked.append(request);
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : m_yesNoDefault;
    });
}

ScriptedAnswers::~ScriptedAnswers()
{
    setMessageAnswerer(std::move(m_previous));
}

TestBank::TestBank(const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path().toUtf8().constData(), &db);
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qWarning("test bank: %s", error);
    sqlite3_free(error);
    sqlite3_close(db);
    setProgramFolder(m_dir.path());
}

TestBank::~TestBank()
{
    setProgramFolder({});
}

QString TestBank::path() const
{
    return bankPathIn(m_dir.path());
}

QString shippedBankPath()
{
    return qEnvironmentVariable("ZENTROVA_SHIPPED_BANK");
}

void useShippedBank()
{
    setProgramFolder(QFileInfo(shippedBankPath()).absolutePath());
}

void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action = std::move(action)] {
        QWidget *modal = QApplication::activeModalWidget();
        action(modal);
    });
}

QList<QWidget *> visibleTopLevels()
{
    QList<QWidget *> visible;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            visible.append(w);
    }
    return visible;
}

int itemCount(const QString &window)
{
    return bankTableForWindow(window.toStdString())->itemCount;
}

QString catalogueTableSql(const QString &window, int rows, const std::function<QString(const QString &column, int row)> &value)
{
    const BankTable *table = bankTableForWindow(window.toStdString());
    const QString name = quotedIdentifier(toQString(table->table));
    QStringList columns, quoted;
    for (std::string_view field : table->fields()) {
        columns << toQString(field);
        quoted << quotedIdentifier(columns.last());
    }
    QString sql = QStringLiteral("BEGIN;\nCREATE TABLE %1 (%2);\n").arg(name, quoted.join(", "));
    for (int n = 1; n <= rows; ++n) {
        QStringList values;
        for (const QString &column : columns)
            values << value(column, n);
        sql += QStringLiteral("INSERT INTO %1 VALUES (%2);\n").arg(name, values.join(", "));
    }
    return sql + QStringLiteral("COMMIT;\n");
}

OpenedWindow::OpenedWindow(const QString &name)
    : window(createTestWindow(name.toStdString(), nullptr))
{
    if (!window)
        qFatal("no test window %s", qPrintable(name));
    window->show();
}

OpenedWindow::~OpenedWindow() = default;

QAbstractButton *OpenedWindow::button(const QString &name) const
{
    return child<QAbstractButton>(name);
}

QLabel *OpenedWindow::label(const QString &name) const
{
    return child<QLabel>(name);
}

QString OpenedWindow::text(const QString &name) const
{
    return label(name)->text();
}

QStringList OpenedWindow::texts(const QStringList &labels) const
{
    QStringList captions;
    for (const QString &name : labels)
        captions << text(name);
    return captions;
}

bool OpenedWindow::shown(const QString &name) const
{
    return child(name)->isVisibleTo(window.get());
}

void OpenedWindow::click(const QString &name) const
{
    button(name)->click();
}

void OpenedWindow::choose(int option) const
{
    click(QStringLiteral("Option%1").arg(option));
}

void OpenedWindow::next() const
{
    click(QStringLiteral("Command1"));
}

void OpenedWindow::answerAll(int option, int items) const
{
    for (int i = 0; i < items; ++i) {
        choose(option);
        next();
    }
}

void OpenedWindow::key(Qt::Key key) const
{
    QTest::keyClick(window.get(), key);
}

int OpenedWindow::chosen() const
{
    const auto *form = qobject_cast<const QuestionnaireForm *>(window.get());
    if (!form)
        qFatal("%s answers outside the questionnaire flow", qPrintable(window->objectName()));
    for (int i = 0; i < form->options().size(); ++i) {
        if (form->options().at(i)->isChecked())
            return i + 1;
    }
    return 0;
}

const char *const AsFirstReleaseLeftIt
    = "DROP TRIGGER figures_give_total; DROP INDEX records_by_total; ALTER TABLE records DROP COLUMN total;"
      " DROP INDEX records_by_window; DROP INDEX records_by_caption; DROP INDEX records_by_person; DROP INDEX records_by_group;"
      " DROP INDEX records_by_elapsed; DROP TABLE outbox; ALTER TABLE records DROP COLUMN person_group; PRAGMA user_version = 1";

void failOnThreadWarnings()
{
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("^Timers cannot be (started|stopped) from another thread")),
        QRegularExpression(QStringLiteral("^QObject::(startTimer|killTimer|setParent|moveToThread|connect)")),
        QRegularExpression(QStringLiteral("^QObject: Cannot create children for a parent that is in a different thread")),
        QRegularExpression(QStringLiteral("^QSocketNotifier: .*another thread")),
        QRegularExpression(QStringLiteral("^QBasicTimer::(start|stop): ")),
    };
    for (const QRegularExpression &pattern : patterns)
        QTest::failOnWarning(pattern);
}

} // namespace zentrova::testing
