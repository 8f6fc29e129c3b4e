// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>
#include <QTextEdit>

namespace zentrova {

namespace {

constexpr char DisplayNameProperty[] = "accessibleDisplayName";

// A label named for what it shows. Qt reports a label's text as its name,
// and nothing at all once it is given a name; this one keeps the text as its
// description and value. The name stays off QWidget::accessibleName() so
// that QLabel::setText() goes on telling assistive technology of each new
// text.
class NamedDisplay : public QAccessibleWidget
{
public:
    explicit NamedDisplay(QLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name:
            return widget()->property(DisplayNameProperty).toString();
        case QAccessible::Description:
        case QAccessible::Value:
            return shownText(widget());
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }
};

QAccessibleInterface *namedDisplayFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QLabel") && object->property(DisplayNameProperty).isValid())
        return new NamedDisplay(static_cast<QLabel *>(object));
    return nullptr;
}

} // namespace

void nameDisplay(QWidget *display, const QString &name)
{
    if (!display)
        return;
    auto *label = qobject_cast<QLabel *>(display);
    if (!label) {
        display->setAccessibleName(name);
        return;
    }
    // Installed after QApplication's own factory, so asked before it.
    static const bool installed = (QAccessible::installFactory(namedDisplayFactory), true);
    Q_UNUSED(installed);
    label->setProperty(DisplayNameProperty, name);
    // An interface made before the name was given would not know it.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(label);
    if (accessible && !dynamic_cast<NamedDisplay *>(accessible))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(accessible));
}

QString shownText(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget)) {
        const bool rich = label->textFormat() == Qt::RichText
            || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        if (!rich)
            return label->text();
        QTextDocument document;
        document.setHtml(label->text());
        return document.toPlainText();
    }
    if (auto *edit = qobject_cast<const QTextEdit *>(widget))
        return edit->toPlainText();
    if (auto *line = qobject_cast<const QLineEdit *>(widget))
        return line->text();
    return {};
}

bool isAnswerLetter(const QString &caption)
{
    // Not QChar::isLetter(): "是" is a letter too, and an answer in itself.
    return caption.size() == 1 && caption.at(0).toUpper() >= u'A' && caption.at(0).toUpper() <= u'Z';
}

QString answerName(const QString &letter, const QString &text)
{
    const QString words = text.trimmed();
    if (words.isEmpty())
        return {};
    if (!words.startsWith(letter))
        return letter + u'：' + words;
    static const QString Dashes = QStringLiteral("－-—–");
    qsizetype rest = letter.size();
    while (rest < words.size() && Dashes.contains(words.at(rest)))
        ++rest;
    if (rest == letter.size())
        return words;
    return letter + u'：' + words.mid(rest).trimmed();
}

} // namespace zentrova
