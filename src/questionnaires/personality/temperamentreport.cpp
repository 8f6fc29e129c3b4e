// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The report of the temperament test: submitting the sheet, and switching
// between the scoring rules and the explanation of the four temperaments.

#include "framework/messages.h"
#include "temperamenttexts.h"
#include "temperamentwindow.h"
#include "ui_temperamentwindow.h"

#include <QRegularExpression>

namespace zentrova {

namespace {

// The rules were laid out for a face whose widths put each numbered rule at
// the start of a line by runs of spaces; in any other face they start in the
// middle of one. Each rule gets a line of its own instead, indented as the
// first.
QString rulesOnTheirOwnLines()
{
    const QString rules = QString::fromUtf8(TemperamentRulesText);
    const QString indent = rules.left(rules.indexOf(u'、') - 1);
    return QString(rules).replace(QRegularExpression(QStringLiteral("(?<=[^ 　])[ 　]+(?=\\d、)")), u'\n' + indent);
}

} // namespace

void TemperamentWindow::submit()
{
    const MessageAnswer sure = showMessage(this,
                                           QStringLiteral("所有的题目你都全部全部做完了吗？ 如果没做完，测试结果可能就不准确。"),
                                           QStringLiteral("提交测试提示"),
                                           MessageButtons::YesNo);
    if (sure != MessageAnswer::Yes)
        return;
    for (QLabel *name : {ui->Label75, ui->Label76, ui->Label77, ui->Label78})
        name->show();
    ui->Command1->hide();
    ui->Command3->setEnabled(false);
    ui->Command5->show();
    ui->Command5->setText(QStringLiteral("气质解释"));
    ui->Frame1->hide();
    ui->Frame2->hide();
    ui->Frame3->show();
    ui->Text1->setPlainText(rulesOnTheirOwnLines());
    handOverResult(shownResult());
}

void TemperamentWindow::explain()
{
    ui->Frame1->hide();
    ui->Frame3->hide();
    ui->Frame2->show();
    ui->Command3->setText(QStringLiteral("返回"));
    ui->Command3->setEnabled(true);
    ui->Text2->setPlainText(QString::fromUtf8(TemperamentExplanationText));
}

void TemperamentWindow::back()
{
    ui->Command3->setText(QStringLiteral("提交测试"));
    ui->Command3->setEnabled(false);
    ui->Frame1->hide();
    ui->Frame2->hide();
    ui->Frame3->show();
}

} // namespace zentrova
