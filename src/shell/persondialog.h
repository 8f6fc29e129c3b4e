// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// 当前受测者…: the name, and optionally the group (a class), under which
// the results that follow are kept.
#pragma once

#include <QDialog>

class QLineEdit;

namespace zentrova {

class PersonDialog : public QDialog
{
    Q_OBJECT

public:
    PersonDialog(const QString &person, const QString &group, QWidget *parent = nullptr);

    QString person() const;
    QString group() const;

private:
    QLineEdit *m_person;
    QLineEdit *m_group;
};

} // namespace zentrova
