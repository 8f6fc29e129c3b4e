// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One record's report on one A4 page, drawn by the same code on screen, into
// a PDF, on a printer and into an image.
#pragma once

#include "record.h"

#include <QImage>

class QPainter;
class QRectF;

namespace zentrova {

// Paints the report as an A4 page fitted into target, centred, its
// proportions kept. The page's white is left to the caller.
void paintReport(QPainter &painter, const QRectF &target, const Record &record);

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

} // namespace zentrova
