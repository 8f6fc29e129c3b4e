// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "persondialog.h"

#include "framework/strings.h"
#include "reports/reportactions.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zentrova {

PersonDialog::PersonDialog(const QString &person, const QString &group, QWidget *parent)
    : QDialog(parent)
    , m_person(new QLineEdit(person, this))
    , m_group(new QLineEdit(group, this))
{
    setObjectName(QStringLiteral("dlgPerson"));
    setWindowTitle(QStringLiteral("当前受测者"));
    m_person->setObjectName(QStringLiteral("txtPerson"));
    m_group->setObjectName(QStringLiteral("txtGroup"));
    // Capped as the records window shows names, by character.
    m_person->setValidator(new CharacterLimit(NameLimit, m_person));
    m_group->setValidator(new CharacterLimit(NameLimit, m_group));
    m_group->setPlaceholderText(QStringLiteral("可不填，如“初二（3）班”"));

    auto *question = new QLabel(QStringLiteral("此后保存的测评结果记在谁的名下？（留空则不记姓名，最多%1个字）").arg(NameLimit), this);
    question->setWordWrap(true);
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("姓名(&N)："), m_person);
    fields->addRow(QStringLiteral("小组(&G)："), m_group);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

QString PersonDialog::person() const
{
    return m_person->text().trimmed();
}

QString PersonDialog::group() const
{
    return m_group->text().trimmed();
}

} // namespace zentrova
