// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a screen reader says for the test windows' controls.
#pragma once

#include <QString>

class QWidget;

namespace zentrova {

// Gives a control that shows a changing text a fixed accessible name saying
// what it shows ("题目", "总分", "测试结果"). A label goes on reporting its
// current text, as its description and value, where Qt would otherwise have
// given the text as its name; a text box reports its text itself, as it
// always does.
void nameDisplay(QWidget *display, const QString &name);

// The plain text a label or text box shows.
QString shownText(const QWidget *widget);

// Whether a button caption is an answer letter ("A" to "Z"), which says
// nothing about the answer by itself.
bool isAnswerLetter(const QString &caption);

// The accessible name of the answer with this letter whose words are text:
// "A：很符合自己的情况". A text that starts with its letter keeps its own
// wording ("A．开头有些拘束…"), but a dash leader after the letter
// ("A－－－很符合…") is read as "：". Empty when there is no text.
QString answerName(const QString &letter, const QString &text);

} // namespace zentrova
