// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The text box and the word-wrapped label of the test windows, used from the
// .ui files as a promoted QTextEdit and QLabel. Both set their lines as
// close as the ink allows with a clear pixel row between them, whatever the
// face in use asks for: the Noto CJK faces ask for almost half an em more
// than the windows were drawn for, and the defined texts would no longer fit
// their defined places.
#pragma once

#include <QLabel>
#include <QTextEdit>

namespace zentrova {

// The distance from one line of text to the next in the widget's font, in
// whole pixels: the ink of its tallest and lowest glyphs with a clear pixel
// row to spare.
qreal linePitch(const QWidget *widget);

class TextBox : public QTextEdit
{
public:
    explicit TextBox(QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void keepLinePitch();

    bool m_keepingPitch = false;
};

// Only a word-wrapped plain text is set at the pitch; any other label is
// drawn as QLabel draws it.
class TextLabel : public QLabel
{
public:
    using QLabel::QLabel;

    int heightForWidth(int width) const override;

    // A wrapped line and where it is drawn, in the label's coordinates.
    struct ShownLine {
        QRect rect;
        QString text;
    };
    // The lines of a wrapped plain text as drawn; empty for any other label.
    QList<ShownLine> shownLines() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool isWrappedPlainText() const;
    QStringList lines(int width) const;
};

} // namespace zentrova
