// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A report's A4 page on screen, scrolled at a zoom: the records window's
// preview, the full-size report and the group report alike.
#pragma once

#include <QScrollArea>

#include <functional>

class QComboBox;

namespace zentrova
{

class PageArea : public QScrollArea
{
public:
    static constexpr int WholePage = 0;
    static constexpr int FitWidth = -1;

    // page draws its sheets one under the other into its whole rectangle;
    // pages says how many there are, none where page shows a line saying
    // why in the room there is.
    PageArea(QWidget *page, std::function<int()> pages, QWidget *parent);

    void setZoom(int zoom);
    // Sizes the page for the zoom.
    void fit();

    // A choice of zooms for this area (整页, 适合宽度, 75% …), named
    // cboZoom, at FitWidth.
    QComboBox *makeZoomChoice(QWidget *parent);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_page;
    std::function<int()> m_pages;
    int m_zoom = FitWidth;
};

} // namespace zentrova
