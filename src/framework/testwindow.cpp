#include "testwindow.h"

#include "accessibility.h"
#include "bankcatalog.h"
#include "messages.h"
#include "strings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>

namespace zentrova {

TestWindow::TestWindow(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_cursor.setOnRefresh([this] { nameAnswers(); });
}

void TestWindow::handOverResult(ShownResult result)
{
    if (m_resultHandedOver)
        return;
    m_resultHandedOver = true;
    result.window = objectName();
    Q_EMIT resultShown(result);
}

void TestWindow::fixSize()
{
    setFixedSize(size());
}

bool TestWindow::openBank()
{
    const BankTable *entry = bankTableForWindow(objectName().toStdString());
    if (!entry)
        return false;
    QStringList fields;
    for (std::string_view field : entry->fields())
        fields << toQString(field);

    QString error;
    const bool opened = m_cursor.open(bankPath(), toQString(entry->table), fields, &error);
    for (const FieldBinding &binding : entry->bindings) {
        auto *control = findChild<QWidget *>(toQString(binding.control));
        if (!control)
            continue;
        m_cursor.bind(control, toQString(binding.field));
        if (binding.field == "测试题目" || binding.field == "测试内容")
            nameDisplay(control, QStringLiteral("题目"));
        else if (binding.field == "测试题号")
            nameDisplay(control, QStringLiteral("题号"));
    }
    nameAnswers();
    if (!opened)
        showMessage(this, error, QStringLiteral("题库错误"), MessageButtons::Ok);
    return opened;
}

void TestWindow::askToEnd()
{
    if (confirmEndOfTest(this))
        accept();
}

namespace {

// Buttons that go back from a view or out of the test (the temperament
// report's "返回", a test that is left with "返回"). Enter only moves a test
// on: going back or leaving stays a deliberate click.
bool goesBackOrOut(const QAbstractButton *button)
{
    static const QStringList captions = {QStringLiteral("返回"), QStringLiteral("结束"), QStringLiteral("结束测试"),
                                         QStringLiteral("测试结束")};
    return captions.contains(button->text().trimmed());
}

} // namespace

QAbstractButton *TestWindow::primaryButton() const
{
    for (const char *name : {"Command1", "Command3"}) {
        auto *button = findChild<QAbstractButton *>(QString::fromLatin1(name));
        if (isUsable(button) && !goesBackOrOut(button))
            return button;
    }
    return nullptr;
}

void TestWindow::setAnswerButtons(const QList<QAbstractButton *> &buttons)
{
    m_answers = buttons;
}

void TestWindow::setAnswerTexts(const QList<QWidget *> &shownIn)
{
    m_answerShownIn = {shownIn.begin(), shownIn.end()};
    m_answerTexts.clear();
    nameAnswers();
}

void TestWindow::setAnswerTexts(const QStringList &texts)
{
    m_answerShownIn.clear();
    m_answerTexts = texts;
    nameAnswers();
}

void TestWindow::nameAnswers()
{
    for (int i = 0; i < m_answers.size(); ++i) {
        QAbstractButton *button = m_answers.at(i);
        const QWidget *shownIn = m_answerShownIn.value(i);
        const QString text = shownIn ? shownText(shownIn) : m_answerTexts.value(i);
        const QString caption = button->text().trimmed();
        // An empty name leaves Qt's own, the caption.
        const QString name = isAnswerLetter(caption) ? answerName(caption, text) : QString();
        const QString description = isAnswerLetter(caption) ? QString() : text.trimmed();
        // Each setting tells assistive technology of a change: only real ones.
        if (button->accessibleName() != name)
            button->setAccessibleName(name);
        if (button->accessibleDescription() != description)
            button->setAccessibleDescription(description);
    }
}

QAbstractButton *TestWindow::answerForKey(int key) const
{
    for (int i = 0; i < m_answers.size(); ++i) {
        QAbstractButton *button = m_answers.at(i);
        const QString caption = button->text().trimmed();
        const bool letterMatches = isAnswerLetter(caption) && caption.at(0).toUpper().unicode() == key;
        if ((key == Qt::Key_1 + i || letterMatches) && isUsable(button))
            return button;
    }
    return nullptr;
}

void TestWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (QAbstractButton *button = primaryButton(); button && isUsable(button))
            button->click();
        return;
    case Qt::Key_Escape:
        // Leaving a test loses its answers: only the window's own buttons and
        // close box do that, never a stray key.
        return;
    default:
        if (QAbstractButton *button = answerForKey(event->key())) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void clearChoice(const QList<QAbstractButton *> &buttons)
{
    for (QAbstractButton *button : buttons) {
        if (!button->isChecked())
            continue;
        QButtonGroup *group = button->group();
        const bool groupExclusive = group && group->exclusive();
        const bool autoExclusive = button->autoExclusive();
        if (group)
            group->setExclusive(false);
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(autoExclusive);
        if (group)
            group->setExclusive(groupExclusive);
    }
}

QString answerWords(const QAbstractButton *button)
{
    const QString name = button->accessibleName();
    return name.isEmpty() ? button->text().trimmed() : name;
}

bool isUsable(const QAbstractButton *button)
{
    return button && button->isEnabled() && button->isVisibleTo(button->window());
}

} // namespace zentrova
