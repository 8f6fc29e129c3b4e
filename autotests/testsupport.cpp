#include "testsupport.h"

#include "framework/questionbank.h"

#include <QApplication>
#include <QFileInfo>
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

} // namespace zentrova::testing
