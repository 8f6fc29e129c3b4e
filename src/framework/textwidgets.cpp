// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "textwidgets.h"

#include <QEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTextBlock>
#include <QTextLayout>
#include <QtMath>

namespace zentrova {

qreal linePitch(const QWidget *widget)
{
    // From the highest to the lowest ink of the glyphs that reach furthest in
    // the song and kai faces (quotes and brackets, the song comma, the kai
    // 事 and 抖): their bounds in whole pixels, soft edges included, as the
    // lines sit on whole pixels too. One row more stays clear between lines
    // (two at twice the scale), and one more for a bold that thickens strokes
    // past those bounds.
    const QFont font = widget->font();
    const QRectF ink = QFontMetricsF(font, widget).tightBoundingRect(QStringLiteral("“（量事存疼刚型，抖；察布）”"));
    return std::ceil(ink.height()) + (font.bold() ? 2 : 1);
}

TextBox::TextBox(QWidget *parent)
    : QTextEdit(parent)
{
    // Every new text (set, bound or typed) comes in new blocks.
    connect(document(), &QTextDocument::contentsChanged, this, &TextBox::keepLinePitch);
}

void TextBox::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        keepLinePitch();
}

void TextBox::keepLinePitch()
{
    // Setting the formats changes the contents too.
    if (m_keepingPitch)
        return;
    const QScopedValueRollback keeping(m_keepingPitch, true);
    const qreal pitch = linePitch(this);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.lineHeightType() == QTextBlockFormat::FixedHeight && format.lineHeight() == pitch)
            continue;
        format.setLineHeight(pitch, QTextBlockFormat::FixedHeight);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
}

bool TextLabel::isWrappedPlainText() const
{
    return wordWrap() && pixmap().isNull()
        && (textFormat() == Qt::PlainText || (textFormat() == Qt::AutoText && !Qt::mightBeRichText(text())));
}

// The text broken into lines as QLabel breaks it, without the spaces that
// end a line.
QStringList TextLabel::lines(int width) const
{
    QStringList lines;
    for (const QString &paragraph : text().split(u'\n')) {
        if (paragraph.isEmpty()) {
            lines << QString();
            continue;
        }
        QTextLayout layout(paragraph, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString text = paragraph.mid(line.textStart(), line.textLength());
            while (!text.isEmpty() && text.back().isSpace())
                text.chop(1);
            lines << text;
        }
        layout.endLayout();
    }
    return lines;
}

int TextLabel::heightForWidth(int width) const
{
    if (!isWrappedPlainText())
        return QLabel::heightForWidth(width);
    // The frame, if any, around the contents.
    const QSize chrome = size() - contentsRect().size();
    return qCeil(lines(width - chrome.width()).size() * linePitch(this)) + chrome.height();
}

QList<TextLabel::ShownLine> TextLabel::shownLines() const
{
    if (!isWrappedPlainText())
        return {};
    const QRect room = contentsRect();
    const qreal pitch = linePitch(this);
    const QStringList texts = lines(room.width());
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    qreal top = room.top();
    if (align & Qt::AlignVCenter)
        top += (room.height() - texts.size() * pitch) / 2;
    else if (align & Qt::AlignBottom)
        top += room.height() - texts.size() * pitch;
    QList<ShownLine> shown;
    for (int i = 0; i < texts.size(); ++i) {
        const int lineTop = qRound(top + i * pitch);
        shown.append({QRect(room.left(), lineTop, room.width(), qRound(top + (i + 1) * pitch) - lineTop), texts.at(i)});
    }
    return shown;
}

void TextLabel::paintEvent(QPaintEvent *event)
{
    if (!isWrappedPlainText()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    // Each line centred on its em, as the face's own taller line would be.
    const int flags = int(align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextDontClip;
    for (const ShownLine &line : shownLines())
        style()->drawItemText(&painter, line.rect, flags, palette(), isEnabled(), line.text, foregroundRole());
}

} // namespace zentrova
