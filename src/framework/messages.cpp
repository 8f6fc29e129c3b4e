// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace zentrova {

namespace {

MessageAnswerer &installedAnswerer()
{
    static MessageAnswerer answerer;
    return answerer;
}

MessageAnswer askWithRealBox(const MessageRequest &request)
{
    QMessageBox box(QMessageBox::NoIcon, request.title, request.text, QMessageBox::NoButton, request.parent);
    box.setObjectName(QStringLiteral("messageBox"));
    if (request.buttons == MessageButtons::Ok) {
        box.addButton(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return MessageAnswer::Ok;
    }
    box.addButton(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.addButton(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(request.defaultAnswer == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace

MessageAnswer showMessage(QWidget *parent, const QString &text, const QString &title, MessageButtons buttons, MessageAnswer defaultAnswer)
{
    const MessageRequest request {parent, text, title, buttons, defaultAnswer};
    if (const MessageAnswerer &answerer = installedAnswerer())
        return answerer(request);
    return askWithRealBox(request);
}

MessageAnswerer setMessageAnswerer(MessageAnswerer answerer)
{
    return std::exchange(installedAnswerer(), std::move(answerer));
}

bool confirmEndOfTest(QWidget *parent)
{
    return showMessage(parent, QStringLiteral("你确实要结束测试吗？？？"), QStringLiteral("结束测试确认"), MessageButtons::YesNo)
        == MessageAnswer::Yes;
}

} // namespace zentrova
