// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reportactions.h"

#include "framework/messages.h"
#include "reportpainter.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QWidget>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("测评报告");

SaveFileAsker &installedAsker()
{
    static SaveFileAsker asker;
    return asker;
}

PrintSetup &installedSetup()
{
    static PrintSetup setup;
    return setup;
}

QString askWithFileDialog(QWidget *parent, const QString &suggested)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("保存报告为PDF"), suggested, QStringLiteral("PDF 文件 (*.pdf)"));
}

bool setUpWithPrintDialog(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

// "考试焦虑度测试 2026-03-05 1430.pdf" in the documents folder; a file name
// holds no path separators.
QString suggestedName(const Record &record)
{
    QString name = QStringLiteral("%1 %2.pdf").arg(record.caption, record.finished.toString(QStringLiteral("yyyy-MM-dd HHmm")));
    name.replace(u'/', u'－');
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name);
}

} // namespace

SaveFileAsker setSaveFileAsker(SaveFileAsker asker)
{
    return std::exchange(installedAsker(), std::move(asker));
}

PrintSetup setPrintSetup(PrintSetup setup)
{
    return std::exchange(installedSetup(), std::move(setup));
}

QString askSaveFile(QWidget *parent, const QString &suggested)
{
    const SaveFileAsker &asker = installedAsker();
    return asker ? asker(parent, suggested) : askWithFileDialog(parent, suggested);
}

bool setUpPrinter(QWidget *parent, QPrinter &printer)
{
    const PrintSetup &setup = installedSetup();
    return setup ? setup(parent, printer) : setUpWithPrintDialog(parent, printer);
}

ReportActions::ReportActions(QWidget *parent, CurrentRecord current)
    : QObject(parent)
    , m_parent(parent)
    , m_current(std::move(current))
    , m_savePdf(new QAction(QStringLiteral("保存为PDF…"), parent))
    , m_print(new QAction(QStringLiteral("打印…"), parent))
    , m_copyImage(new QAction(QStringLiteral("复制为图片"), parent))
{
    m_savePdf->setObjectName(QStringLiteral("actReportSavePdf"));
    m_print->setObjectName(QStringLiteral("actReportPrint"));
    m_copyImage->setObjectName(QStringLiteral("actReportCopyImage"));
    m_savePdf->setShortcut(QKeySequence::Save);
    m_print->setShortcut(QKeySequence::Print);
    for (QAction *action : actions())
        action->setShortcutContext(Qt::WindowShortcut);
    parent->addActions(actions());
    connect(m_savePdf, &QAction::triggered, this, &ReportActions::saveAsPdf);
    connect(m_print, &QAction::triggered, this, &ReportActions::printReport);
    connect(m_copyImage, &QAction::triggered, this, &ReportActions::copyAsImage);
}

void ReportActions::setEnabled(bool enabled)
{
    for (QAction *action : actions())
        action->setEnabled(enabled);
}

void ReportActions::saveAsPdf()
{
    const std::optional<Record> record = m_current();
    if (!record)
        return;
    const SaveFileAsker &asker = installedAsker();
    QString path = asker ? asker(m_parent, suggestedName(*record)) : askWithFileDialog(m_parent, suggestedName(*record));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    QString error;
    if (!writeReport(*record, path, &error))
        showMessage(m_parent, error, Title, MessageButtons::Ok);
}

void ReportActions::printReport()
{
    const std::optional<Record> record = m_current();
    if (!record)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(record->caption);
    const PrintSetup &setup = installedSetup();
    if (!(setup ? setup(m_parent, printer) : setUpWithPrintDialog(m_parent, printer)))
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        showMessage(m_parent, QStringLiteral("无法打印：打印机没有准备好。"), Title, MessageButtons::Ok);
        return;
    }
    paintReport(painter, QRectF(0, 0, printer.width(), printer.height()), *record);
}

void ReportActions::copyAsImage()
{
    if (const std::optional<Record> record = m_current())
        QGuiApplication::clipboard()->setImage(reportImage(*record));
}

} // namespace zentrova
