// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Keeps a window's controls in proportion to its client area. ResizeInit
// records the client size and, in each control's "Tag" property, the control's
// left, top, width and height in twips; ResizeForm scales every control from
// those records to the current client size.
#pragma once

#include <QSize>

class QWidget;

namespace zentrova {

inline constexpr int TwipsPerPixel = 15; // at 96 dpi

class LayoutScaler
{
public:
    void resizeInit(QWidget *client);
    void resizeForm(QWidget *client) const;

    QSize recordedClientTwips() const { return m_clientTwips; }

private:
    QSize m_clientTwips;
};

} // namespace zentrova
