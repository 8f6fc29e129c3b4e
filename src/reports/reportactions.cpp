// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reportactions.h"

#include "framework/messages.h"
#include "records/safesave.h"
#include "reportpainter.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>

namespace zentrova {

namespace {

const QString Title = QStringLiteral("测评报告");
const QString PdfFilter = QStringLiteral("PDF 文件 (*.pdf)");
const QString PngFilter = QStringLiteral("PNG 图片 (*.png)");

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

bool setUpWithPrintDialog(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

// "王小明 考试焦虑度测试 2026-03-05 1430.pdf" in the documents folder; a
// file name holds no path separators, and a name read from a file is cut
// short.
QString suggestedName(const Record &record)
{
    QStringList parts;
    if (!record.person.isEmpty())
        parts << displayedName(record.person);
    parts << record.caption << record.finished.toString(QStringLiteral("yyyy-MM-dd HHmm"));
    QString name = parts.join(u' ') + QLatin1String(".pdf");
    name.replace(u'/', u'－');
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name);
}

// A text box's own right-click menu (copy, select all …), for the report's
// actions to follow; nullptr for any other control.
QMenu *standardMenuOf(QWidget *widget)
{
    if (auto *edit = qobject_cast<QTextEdit *>(widget))
        return edit->createStandardContextMenu();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(widget))
        return edit->createStandardContextMenu();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->createStandardContextMenu();
    return nullptr;
}

// The text box whose viewport was clicked, or the widget itself.
QWidget *boxOf(QObject *watched)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    auto *area = widget ? qobject_cast<QAbstractScrollArea *>(widget->parentWidget()) : nullptr;
    return area && area->viewport() == widget ? area : widget;
}

} // namespace

QString displayedName(const QString &person)
{
    if (person.size() <= NameLimit)
        return person;
    qsizetype kept = NameLimit - 1;
    if (person.at(kept - 1).isHighSurrogate())
        --kept; // never half a character
    return person.left(kept) + u'…';
}

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
    const FocusKeeper keeper;
    const SaveFileAsker &asker = installedAsker();
    return asker ? asker(parent, suggested) : askReportFile(parent, suggested);
}

std::optional<QString> printPages(QWidget *parent, const QString &docName, const QString &title, int pages, const PaintPage &paint,
    const std::function<QByteArray()> &pdf)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(docName);
    if (!setUpPrinter(parent, printer))
        return std::nullopt;
    // A page printed to a file is saved as any other: whole or not at all,
    // the user's alone, never over the record file, a pipe or a device.
    const QString file = printer.outputFileName();
    if (!file.isEmpty()) {
        QString error;
        if (!saveWhole(file, QStringLiteral("打印文件"), pdf(), &error)) {
            showMessage(parent, error, title, MessageButtons::Ok);
            return std::nullopt;
        }
        return QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(file));
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        showMessage(parent, QStringLiteral("无法打印：打印机没有准备好。"), title, MessageButtons::Ok);
        return std::nullopt;
    }
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer.newPage();
        paint(painter, QRectF(0, 0, printer.width(), printer.height()), page);
    }
    if (!painter.end()) {
        showMessage(parent, QStringLiteral("打印没有完成。"), title, MessageButtons::Ok);
        return std::nullopt;
    }
    return QStringLiteral("已送往打印机 %1").arg(printer.printerName());
}

bool setUpPrinter(QWidget *parent, QPrinter &printer)
{
    const FocusKeeper keeper;
    const PrintSetup &setup = installedSetup();
    return setup ? setup(parent, printer) : setUpWithPrintDialog(parent, printer);
}

QString askReportFile(QWidget *parent, const QString &suggested)
{
    QFileDialog dialog(parent, QStringLiteral("保存报告"), QFileInfo(suggested).path());
    dialog.setObjectName(QStringLiteral("dlgSaveReport"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Qt's own dialog adds the suffix before it checks for an existing file;
    // a desktop's dialog may check the name as typed and let Qt add the
    // suffix afterwards, replacing a report unasked.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({PdfFilter, PngFilter});
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString &filter) { dialog.setDefaultSuffix(filter == PngFilter ? QStringLiteral("png") : QStringLiteral("pdf")); });
    dialog.selectFile(QFileInfo(suggested).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

FocusKeeper::FocusKeeper()
    : m_window(QApplication::activeWindow())
    , m_focus(QApplication::focusWidget())
{
}

FocusKeeper::~FocusKeeper()
{
    if (m_window && m_window->isVisible()) {
        m_window->activateWindow();
        if (m_focus && m_focus->window() == m_window)
            m_focus->setFocus(Qt::ActiveWindowFocusReason);
    }
}

ReportActions::ReportActions(QWidget *parent, CurrentRecord current)
    : QObject(parent)
    , m_parent(parent)
    , m_current(std::move(current))
    , m_savePdf(new QAction(QStringLiteral("保存报告…"), parent))
    , m_print(new QAction(QStringLiteral("打印…"), parent))
    , m_copyImage(new QAction(QStringLiteral("复制为图片"), parent))
{
    m_savePdf->setObjectName(QStringLiteral("actReportSavePdf"));
    m_print->setObjectName(QStringLiteral("actReportPrint"));
    m_copyImage->setObjectName(QStringLiteral("actReportCopyImage"));
    m_savePdf->setShortcut(QKeySequence::Save);
    m_print->setShortcut(QKeySequence::Print);
    m_copyImage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    // A screen reader and a tool tip tell each action with its keys.
    const QString what[]
        = {QStringLiteral("把报告保存为PDF或PNG文件"), QStringLiteral("打印报告"), QStringLiteral("把报告作为图片复制到剪贴板")};
    int i = 0;
    for (QAction *action : actions()) {
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(QStringLiteral("%1（%2）").arg(what[i++], action->shortcut().toString(QKeySequence::NativeText)));
    }
    parent->addActions(actions());
    connect(m_savePdf, &QAction::triggered, this, &ReportActions::saveReport);
    connect(m_print, &QAction::triggered, this, &ReportActions::printReport);
    connect(m_copyImage, &QAction::triggered, this, &ReportActions::copyAsImage);
}

void ReportActions::setEnabled(bool enabled)
{
    for (QAction *action : actions())
        action->setEnabled(enabled);
}

QList<QToolButton *> ReportActions::makeButtons(QWidget *parent) const
{
    QList<QToolButton *> buttons;
    for (QAction *action : actions()) {
        auto *button = new QToolButton(parent);
        button->setObjectName(action->objectName() + QLatin1String("Button"));
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFocusPolicy(Qt::StrongFocus);
        buttons << button;
    }
    return buttons;
}

void ReportActions::offerInMenus(QStatusBar *note)
{
    m_parent->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Actions are no controls: a screen reader learns of them, and of their
    // keys, from the window's description.
    if (m_parent->accessibleDescription().isEmpty()) {
        QStringList told;
        for (const QAction *action : actions())
            told << QStringLiteral("%1（%2）").arg(action->text(), action->shortcut().toString(QKeySequence::NativeText));
        m_parent->setAccessibleDescription(QStringLiteral("报告：%1；Shift+F10打开菜单").arg(told.join(QStringLiteral("，"))));
    }
    for (QWidget *child : m_parent->findChildren<QWidget *>()) {
        if (qobject_cast<QTextEdit *>(child) || qobject_cast<QPlainTextEdit *>(child) || qobject_cast<QLineEdit *>(child)) {
            child->installEventFilter(this);
            if (auto *area = qobject_cast<QAbstractScrollArea *>(child))
                area->viewport()->installEventFilter(this);
        }
    }
    // A shortcut, not an action: an action would show in the window's menu.
    auto *menuKey = new QShortcut(m_parent);
    menuKey->setKeys({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    connect(menuKey, &QShortcut::activated, this, &ReportActions::openMenuOfFocus);

    if (!note) {
        // A line along the foot of a window laid out without one, shown
        // once there is something to say.
        note = new QStatusBar(m_parent);
        note->setObjectName(QStringLiteral("reportNote"));
        note->setSizeGripEnabled(false);
        note->setAutoFillBackground(true);
        note->hide();
        m_noteAlongFoot = true;
    }
    m_note = note;
}

bool ReportActions::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    QWidget *box = boxOf(watched);
    std::unique_ptr<QMenu> menu(standardMenuOf(box));
    if (!menu)
        return false;
    menu->addSeparator();
    menu->addActions(actions());
    const FocusKeeper keeper;
    menu->exec(static_cast<QContextMenuEvent *>(event)->globalPos());
    return true;
}

// As a right click on the focused control: its own menu, or else that of the
// window.
void ReportActions::openMenuOfFocus()
{
    QWidget *target = QApplication::focusWidget();
    if (!target || target->window() != m_parent->window())
        target = m_parent;
    QPoint at = target->rect().center();
    if (auto *view = qobject_cast<QAbstractItemView *>(target); view && view->currentIndex().isValid())
        at = view->viewport()->mapTo(view, view->visualRect(view->currentIndex()).center());
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
}

void ReportActions::tell(const QString &note)
{
    if (m_note) {
        if (m_noteAlongFoot && m_note->isHidden()) {
            // The window grows by the line, so that it covers nothing of
            // the window's own layout.
            const int height = m_note->sizeHint().height();
            const QSize size = m_parent->size();
            if (m_parent->minimumSize() == m_parent->maximumSize())
                m_parent->setFixedSize(size.width(), size.height() + height);
            else
                m_parent->resize(size.width(), size.height() + height);
            m_note->setGeometry(0, size.height(), size.width(), height);
        }
        m_note->showMessage(note);
        m_note->show();
        // A status bar's name is its message: a screen reader says it.
        QAccessibleEvent changed(m_note, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void ReportActions::saveReport()
{
    const std::optional<Record> record = m_current();
    if (!record)
        return;
    const QString path = askSaveFile(m_parent, suggestedName(*record));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeReport(*record, path, &error)) {
        showMessage(m_parent, error, Title, MessageButtons::Ok);
        return;
    }
    tell(QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(path)));
}

void ReportActions::printReport()
{
    const std::optional<Record> record = m_current();
    if (!record)
        return;
    const std::optional<QString> done = printPages(
        m_parent, record->caption, Title, 1, [&](QPainter &painter, const QRectF &page, int) { paintReport(painter, page, *record); },
        [&] { return reportPdf(*record); });
    if (done)
        tell(*done);
}

void ReportActions::copyAsImage()
{
    if (const std::optional<Record> record = m_current()) {
        QGuiApplication::clipboard()->setImage(reportImage(*record));
        tell(QStringLiteral("报告已作为图片复制到剪贴板"));
    }
}

} // namespace zentrova
