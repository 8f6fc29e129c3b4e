// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every message box of the program goes through showMessage(), so that the
// texts stay exact and tests can answer boxes without a real dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zentrova {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    QWidget *parent;
    QString text;
    QString title;
    MessageButtons buttons;
    // The answer Return gives; No where Yes would lose something for good.
    MessageAnswer defaultAnswer = MessageAnswer::Yes;
};

using MessageAnswerer = std::function<MessageAnswer(const MessageRequest &)>;

// Shows a modal box with no icon and waits for the answer.
MessageAnswer showMessage(
    QWidget *parent, const QString &text, const QString &title, MessageButtons buttons, MessageAnswer defaultAnswer = MessageAnswer::Yes);

// Replaces the real box (an empty answerer restores it); returns the previous one.
MessageAnswerer setMessageAnswerer(MessageAnswerer answerer);

// The question every test asks before it ends; true when answered Yes.
bool confirmEndOfTest(QWidget *parent);

} // namespace zentrova
