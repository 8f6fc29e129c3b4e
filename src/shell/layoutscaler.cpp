// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "layoutscaler.h"

#include "framework/numbers.h"

#include <QRect>
#include <QVariant>
#include <QWidget>

#include <array>
#include <cmath>

namespace zentrova {

namespace {

constexpr const char *TagProperty = "Tag";

QWidgetList controlsOf(QWidget *client)
{
    return client->findChildren<QWidget *>();
}

// The four numbers of a Tag: each field runs up to the next space, and a field
// with no space after it reads as 0.
std::array<double, 4> readTag(const QString &tag)
{
    std::array<double, 4> values{};
    qsizetype from = 0;
    for (double &value : values) {
        const qsizetype space = tag.indexOf(u' ', from);
        if (space < 0)
            break;
        value = lenientNumber(tag.mid(from, space - from));
        from = space + 1;
    }
    return values;
}

} // namespace

void LayoutScaler::resizeInit(QWidget *client)
{
    m_clientTwips = client->size() * TwipsPerPixel;
    for (QWidget *control : controlsOf(client)) {
        const QRect g = control->geometry();
        QString tag;
        for (int twips : {g.x(), g.y(), g.width(), g.height()})
            tag += plainNumber(twips * TwipsPerPixel) + u' ';
        control->setProperty(TagProperty, tag);
    }
}

void LayoutScaler::resizeForm(QWidget *client) const
{
    if (m_clientTwips.isEmpty())
        return;
    const double horizontal = double(client->width() * TwipsPerPixel) / m_clientTwips.width();
    const double vertical = double(client->height() * TwipsPerPixel) / m_clientTwips.height();
    for (QWidget *control : controlsOf(client)) {
        const QVariant tag = control->property(TagProperty);
        if (!tag.isValid())
            continue; // never recorded: nothing to scale it from
        const auto [left, top, width, height] = readTag(tag.toString());
        auto pixels = [](double twips) { return int(std::lround(twips / TwipsPerPixel)); };
        control->setGeometry(pixels(horizontal * left), pixels(vertical * top), pixels(horizontal * width), pixels(vertical * height));
    }
}

} // namespace zentrova
