// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pagearea.h"

#include <QComboBox>
#include <QScrollBar>

namespace zentrova
{

PageArea::PageArea(QWidget *page, std::function<int()> pages, QWidget *parent)
    : QScrollArea(parent)
    , m_page(page)
    , m_pages(std::move(pages))
{
    setFocusPolicy(Qt::NoFocus); // the page itself takes the focus
    setWidget(page);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Mid);
}

void PageArea::setZoom(int zoom)
{
    m_zoom = zoom;
    fit();
}

void PageArea::fit()
{
    constexpr double Margins = 24;
    const QSize room = maximumViewportSize();
    const int pages = m_pages();
    if (pages == 0 || (m_zoom == WholePage && pages == 1)) {
        m_page->resize(room);
        return;
    }
    if (m_zoom == WholePage) { // each sheet as high as the room
        m_page->resize(room.width() - verticalScrollBar()->sizeHint().width(), room.height() * pages);
        return;
    }
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    // A share of the page's true size: A4 at 96 dpi.
    const double width = m_zoom == FitWidth ? room.width() - scrollBar : 210 / 25.4 * 96 * m_zoom / 100 + Margins;
    m_page->resize(int(width), int(((width - Margins) * 297 / 210 + Margins) * pages));
}

QComboBox *PageArea::makeZoomChoice(QWidget *parent)
{
    auto *zoom = new QComboBox(parent);
    zoom->setObjectName(QStringLiteral("cboZoom"));
    zoom->addItem(QStringLiteral("整页"), WholePage);
    zoom->addItem(QStringLiteral("适合宽度"), FitWidth);
    for (const int percent : {75, 100, 150, 200})
        zoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    connect(zoom, &QComboBox::currentIndexChanged, this, [this, zoom] { setZoom(zoom->currentData().toInt()); });
    zoom->setCurrentIndex(zoom->findData(FitWidth));
    return zoom;
}

void PageArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    fit();
}

} // namespace zentrova
