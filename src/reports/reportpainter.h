// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One record's report on one A4 page, drawn by the same code on screen, into
// a PDF, on a printer and into an image.
#pragma once

#include "records/record.h"

#include <QColor>
#include <QSizeF>
#include <QFont>
#include <QImage>
#include <QStringList>

#include <functional>

class QPainter;
class QRectF;

namespace zentrova {

// Paints the report as an A4 page fitted into target, centred, its
// proportions kept. The page's white is left to the caller.
void paintReport(QPainter &painter, const QRectF &target, const Record &record);

// A white A4 sheet with a shadow, as large as fits in area with a little
// room around it, for a page shown on screen; returns the sheet.
QRectF drawSheet(QPainter &painter, const QRectF &area);

// The report as a picture of the page, width pixels wide, on white.
QImage reportImage(const Record &record, int width = 1240);

// The report as a one-page A4 PDF, its fonts embedded, its text layer
// reading back every character drawn (a name's 𠮷 too), and what made it
// (program, record, bank) in its metadata as well as in small print.
QByteArray reportPdf(const Record &record);

// The PDF's XMP metadata: the test, and what made the report (program,
// record number, the bank's whole SHA-256).
QByteArray reportMetadata(const Record &record);

// Writes the report as a one-page A4 PDF or a PNG picture, by the file's
// suffix (.pdf, .png). The file is readable by the user alone and appears
// whole or not at all (see SafeSave): an existing file is replaced only once
// the new one is complete, and one that is no regular file, or the record
// file itself, never. On failure error says why, in a sentence naming the
// file.
bool writeReport(const Record &record, const QString &path, QString *error);

// The report page's layout and pieces, for other pages drawn in its style (a
// group's report): lengths in tenths of a millimetre on an A4 page.
namespace reportstyle {
QSizeF page();
double margin();
QColor ink();
QColor grey();
QColor teal();
QColor paleTeal();
QFont song(double points, bool bold = false);
QFont kai(double points, bool bold = false);
// Scales and moves the painter so that the page fills target, centred, its
// proportions kept; the caller saves and restores the painter around it.
void fitPage(QPainter &painter, const QRectF &target);
// Each of these draws from y down and returns the height used.
double paragraph(QPainter &painter, double y, const QString &text, const QFont &font, const QColor &colour,
                 int flags = Qt::AlignLeft);
double heading(QPainter &painter, double y, const QString &text);
// Where the footer starts; the note that the results are no diagnosis, and
// the program that drew the page.
double footerTop();
void footer(QPainter &painter);
} // namespace reportstyle

// Draws page number page (from 0) of a document of A4 pages into target.
using PaintPage = std::function<void(QPainter &painter, const QRectF &target, int page)>;

// A document of pages A4 pages as a PDF titled title, its text layer reading
// back every character as drawn (a name's 𠮷 and 马 too), with XMP
// metadata where given.
QByteArray documentPdf(const QString &title, int pages, const PaintPage &paint, const QByteArray &metadata = {});

// Writes a document of A4 pages into a PDF titled title, or a PNG picture
// of the pages one under the other, by the file's suffix, as writeReport()
// does: the user's alone, whole or not at all.
bool writeDocumentFile(const QString &path, const QString &title, int pages, const PaintPage &paint, QString *error);

} // namespace zentrova
