// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "focusrings.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace zentrova
{

namespace
{

class FocusRingStyle : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter, const QWidget *widget) const override
    {
        if (element == PE_FrameFocusRect) {
            ring(painter, option->rect);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if ((element == PE_PanelButtonCommand || element == PE_PanelButtonTool) && (option->state & State_HasFocus))
            ring(painter, option->rect);
    }

    void drawComplexControl(
        ComplexControl control, const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if ((control == CC_ComboBox || control == CC_ToolButton || control == CC_SpinBox) && (option->state & State_HasFocus))
            ring(painter, option->rect);
    }

private:
    // Just inside the style's own outline, so that every pixel of it
    // changes against the control's face.
    static void ring(QPainter *painter, const QRect &rect)
    {
        const QRect outer = rect.adjusted(1, 1, -1, -1);
        painter->fillRect(QRect(outer.left(), outer.top(), outer.width(), 2), FocusRingColour);
        painter->fillRect(QRect(outer.left(), outer.bottom() - 1, outer.width(), 2), FocusRingColour);
        painter->fillRect(QRect(outer.left(), outer.top(), 2, outer.height()), FocusRingColour);
        painter->fillRect(QRect(outer.right() - 1, outer.top(), 2, outer.height()), FocusRingColour);
    }
};

} // namespace

void installFocusRings()
{
    QApplication::setStyle(new FocusRingStyle);
}

} // namespace zentrova
