// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reportpainter.h"

#include "framework/bankcatalog.h"
#include "framework/strings.h"
#include "records/safesave.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace zentrova {

namespace {

// The page is laid out in tenths of a millimetre, whatever it is drawn on;
// fonts are sized in the same unit, so that text keeps its place on a screen,
// on paper and in a PDF alike.
constexpr QSizeF Page(2100, 2970);
constexpr double Margin = 180;
constexpr double Width = Page.width() - 2 * Margin;
constexpr double FooterTop = Page.height() - Margin - 150;

const QColor Ink(0x22, 0x22, 0x22);
// Grey small print stands at 4.5:1 or more on white and on the pale teal.
const QColor Grey(0x5c, 0x5c, 0x5c);
const QColor Teal(0, 128, 128);
const QColor PaleTeal(0xe3, 0xf1, 0xf1);

// The kai headings by the windows' own name, so that they get the windows'
// face. The song text names the face the windows use for 宋体 outright, so
// that a report drawn without the windows' substitutions reads alike: Noto
// Serif CJK SC has a real bold and every ideograph of a name, 喆 and 𠮷 alike,
// where the AR PL song face has neither; reportPdf() mends what Qt's PDF
// text layer makes of it. Latin letters and digits come from DejaVu Serif:
// the Noto face's contextual alternates give digits after a Latin letter
// ("UTC+08:00") glyphs that no PDF reader can turn back into digits.
const QString SongFace = QStringLiteral("Noto Serif CJK SC");

QFont face(const QStringList &families, double points, bool bold = false)
{
    QFont font(families.first());
    font.setFamilies(families);
    font.setPixelSize(qRound(points * 25.4 / 72 * 10));
    font.setBold(bold);
    return font;
}

QFont song(double points, bool bold = false)
{
    return face({QStringLiteral("DejaVu Serif"), SongFace}, points, bold);
}

QFont kai(double points, bool bold = false)
{
    return face({QStringLiteral("楷体_GB2312")}, points, bold);
}

// Draws text wrapped within the page's width from y down; returns the height used.
double paragraph(QPainter &painter, double y, const QString &text, const QFont &font, const QColor &colour, int flags = Qt::AlignLeft)
{
    painter.setFont(font);
    painter.setPen(colour);
    const QRectF box(Margin, y, Width, Page.height());
    const QRectF used = painter.boundingRect(box, flags | Qt::TextWordWrap, text);
    painter.drawText(box, flags | Qt::TextWordWrap, text);
    return used.height();
}

double heading(QPainter &painter, double y, const QString &text)
{
    const double height = paragraph(painter, y, text, kai(14, true), Teal);
    painter.setPen(QPen(PaleTeal, 4));
    painter.drawLine(QPointF(Margin, y + height + 8), QPointF(Margin + Width, y + height + 8));
    return height + 30;
}

QString offsetText(const QDateTime &time)
{
    const int minutes = time.offsetFromUtc() / 60;
    return QStringLiteral("UTC%1%2:%3")
        .arg(minutes < 0 ? QStringLiteral("−") : QStringLiteral("+"))
        .arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0'))
        .arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

double header(QPainter &painter, const Record &record)
{
    double y = Margin;
    painter.setFont(song(9));
    painter.setPen(Grey);
    const QRectF line(Margin, y, Width, 50);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zentrova　心理自测报告"));
    if (record.id > 0)
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("记录 %1").arg(record.id));
    y += 60;
    painter.setPen(QPen(Teal, 6));
    painter.drawLine(QPointF(Margin, y), QPointF(Margin + Width, y));
    y += 50;

    y += paragraph(painter, y, record.caption, song(20, true), Ink) + 40;

    const QString person = record.person.isEmpty() ? QStringLiteral("未填写") : record.person;
    const QString elapsed = record.elapsedMinutes ? QStringLiteral("%1分钟").arg(*record.elapsedMinutes) : QStringLiteral("不计时");
    const QString finished
        = QStringLiteral("%1（%2）").arg(record.finished.toString(QStringLiteral("yyyy年M月d日　HH:mm")), offsetText(record.finished));
    const QList<std::pair<QString, QString>> facts
        = {{QStringLiteral("受测者"), person}, {QStringLiteral("完成时间"), finished}, {QStringLiteral("用时"), elapsed}};
    const QFont label = song(11);
    const double labelWidth = QFontMetricsF(label).horizontalAdvance(QStringLiteral("完成时间：")) + 10;
    for (const auto &[name, value] : facts) {
        painter.setFont(label);
        painter.setPen(Grey);
        painter.drawText(QRectF(Margin, y, labelWidth, 60), Qt::AlignLeft | Qt::AlignVCenter, name + u'：');
        painter.setPen(Ink);
        painter.drawText(QRectF(Margin + labelWidth, y, Width - labelWidth, 60), Qt::AlignLeft | Qt::AlignVCenter, value);
        y += 60;
    }
    return y + 40;
}

// Each figure in a box of its own, its name above its value, four to a row.
double figures(QPainter &painter, double y, const QList<ShownResult::Figure> &figures)
{
    constexpr int PerRow = 4;
    constexpr double Gap = 30, BoxHeight = 200;
    const double boxWidth = (Width - (PerRow - 1) * Gap) / PerRow;
    for (int i = 0; i < figures.size(); ++i) {
        const QRectF box(Margin + (i % PerRow) * (boxWidth + Gap), y + (i / PerRow) * (BoxHeight + Gap), boxWidth, BoxHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(PaleTeal);
        painter.drawRoundedRect(box, 20, 20);
        painter.setBrush(Qt::NoBrush);
        painter.setFont(song(10));
        painter.setPen(Grey);
        painter.drawText(box.adjusted(20, 15, -20, 0), Qt::AlignHCenter | Qt::AlignTop, figures[i].name);
        // A long value (a type's name) shrinks to its box rather than leave it.
        QFont value = song(22, true);
        const double advance = QFontMetricsF(value).horizontalAdvance(figures[i].value);
        if (advance > box.width() - 40)
            value.setPixelSize(std::max(20, int(value.pixelSize() * (box.width() - 40) / advance)));
        painter.setFont(value);
        painter.setPen(Ink);
        painter.drawText(box.adjusted(20, 60, -20, -10), Qt::AlignCenter, figures[i].value);
    }
    const int rows = int(figures.size() + PerRow - 1) / PerRow;
    return rows > 0 ? rows * (BoxHeight + Gap) + 10 : 0;
}

double verdict(QPainter &painter, double y, const QString &text)
{
    painter.setFont(song(9));
    painter.setPen(Grey);
    painter.drawText(QRectF(Margin + 40, y + 15, Width - 80, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("结论"));
    painter.setFont(song(12));
    const QRectF textBox(Margin + 40, y + 65, Width - 80, Page.height());
    const double height = painter.boundingRect(textBox, Qt::TextWordWrap, text).height() + 95;
    painter.setPen(QPen(Teal, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(Margin, y, Width, height), 20, 20);
    painter.setPen(Ink);
    painter.drawText(textBox, Qt::TextWordWrap, text);
    return height + 40;
}

// A band as a stretch of the total's scale: [from, to), a band "7－15分"
// covering 7 up to 16. Open ends are filled in below.
struct Stretch {
    std::optional<double> from, to;
    QString text;
    bool holdsTotal;
};

// The test's bands side by side as a horizontal scale, with the total marked.
double bandChart(QPainter &painter, double y, const std::vector<ScoreBand> &bands, double total, const QString &totalText)
{
    std::vector<Stretch> stretches;
    for (const ScoreBand &band : bands) {
        Stretch stretch {{}, {}, toQString(band.text), band.holds(total)};
        if (band.low)
            stretch.from = *band.low;
        if (band.high)
            stretch.to = *band.high + (band.highIncluded ? 1 : 0);
        stretches.push_back(stretch);
    }
    // An open end reaches as far as a typical band, or past the total.
    std::vector<double> widths;
    for (const Stretch &s : stretches) {
        if (s.from && s.to)
            widths.push_back(*s.to - *s.from);
    }
    std::sort(widths.begin(), widths.end());
    const double typical = widths.empty() ? 10 : widths[widths.size() / 2];
    for (Stretch &s : stretches) {
        if (!s.from)
            s.from = std::min(*s.to - typical, std::floor(total));
        if (!s.to)
            s.to = std::max(*s.from + typical, std::floor(total) + 1);
    }
    std::sort(stretches.begin(), stretches.end(), [](const Stretch &a, const Stretch &b) { return *a.from < *b.from; });
    double low = *stretches.front().from, high = *stretches.front().to;
    for (const Stretch &s : stretches) {
        low = std::min(low, *s.from);
        high = std::max(high, *s.to);
    }
    const auto x = [&](double value) { return Margin + (std::clamp(value, low, high) - low) / (high - low) * Width; };

    constexpr double MarkHeight = 110, BarHeight = 120;
    const double barTop = y + MarkHeight;
    for (const Stretch &s : stretches) {
        const QRectF stretch(x(*s.from), barTop, x(*s.to) - x(*s.from), BarHeight);
        painter.setPen(QPen(Qt::white, 4));
        painter.setBrush(s.holdsTotal ? QColor(0x7f, 0xbf, 0xbf) : PaleTeal);
        painter.drawRect(stretch);
        // The band's text, smaller where the band is narrow.
        QFont font = song(10);
        const double advance = QFontMetricsF(font).horizontalAdvance(s.text);
        if (advance > stretch.width() - 10)
            font.setPixelSize(std::max(16, int(font.pixelSize() * (stretch.width() - 10) / advance)));
        painter.setFont(font);
        painter.setPen(Ink);
        painter.drawText(stretch, Qt::AlignCenter, s.text);
    }
    // A total n sits in the middle of its step [n, n + 1).
    const double mark = x(total + 0.5);
    QPainterPath arrow;
    arrow.moveTo(mark, barTop - 5);
    arrow.lineTo(mark - 25, barTop - 45);
    arrow.lineTo(mark + 25, barTop - 45);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc0, 0x39, 0x2b));
    painter.drawPath(arrow);
    painter.setBrush(Qt::NoBrush);
    painter.setFont(song(10, true));
    painter.setPen(QColor(0xc0, 0x39, 0x2b));
    const double labelWidth = QFontMetricsF(painter.font()).horizontalAdvance(totalText) + 10;
    const double labelLeft = std::clamp(mark - labelWidth / 2, Margin, Margin + Width - labelWidth);
    painter.drawText(QRectF(labelLeft, y, labelWidth, MarkHeight - 50), Qt::AlignCenter, totalText);
    return MarkHeight + BarHeight + 50;
}

// An item as the user met it: a test that opens with a page of its own
// numbers its rows from 2, but its first question is question 1.
QString itemAsMet(const QString &item, int firstItem)
{
    qsizetype digits = 0;
    while (digits < item.size() && item[digits].isDigit())
        ++digits;
    bool ok = false;
    const int number = item.left(digits).toInt(&ok);
    return ok ? QString::number(number - (firstItem - 1)) + item.mid(digits) : item;
}

// Text broken into lines at most width wide, as a paragraph breaks it.
QStringList wrapped(const QString &text, const QFont &font, double width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

// Where a centre's record came from and each of its marks, a line each;
// none for a record of one's own.
QStringList originLines(const Record &record)
{
    QStringList parts;
    if (!record.provenance.seat.isEmpty())
        parts << QStringLiteral("座位 %1").arg(record.provenance.seat);
    if (!record.provenance.login.isEmpty())
        parts << QStringLiteral("登录名 %1").arg(record.provenance.login);
    if (record.provenance.arrived.isValid())
        parts << QStringLiteral("送达 %1").arg(record.provenance.arrived.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    QStringList lines;
    if (!parts.isEmpty())
        lines << parts.join(QStringLiteral("　·　"));
    for (const QString &mark : record.marks)
        lines << QStringLiteral("存疑：%1").arg(mark);
    return lines;
}

constexpr double SmallPrintLine = 40;

// The answers in columns, in reading order (across, then down), in the
// largest font that fits them into the room left above the footer. In one
// column a long answer wraps within the page; only where even the smallest
// font leaves too little room are answers shortened.
void answers(QPainter &painter, double y, const QList<ShownResult::Answer> &given, int firstItem, qsizetype originLineCount)
{
    QList<ShownResult::Answer> answers = given;
    for (ShownResult::Answer &answer : answers)
        answer.item = itemAsMet(answer.item, firstItem);
    const double room = FooterTop - 60 - SmallPrintLine * double(originLineCount) - y;
    constexpr double ColumnGap = 60, NumberGap = 15;
    QFont font;
    double lineHeight = 0, numberWidth = 0, cellWidth = 0;
    int columns = 1, rows = int(answers.size());
    bool shortened = false;
    for (double points = 10.5; points >= 6; points -= 0.5) {
        font = song(points);
        const QFontMetricsF metrics(font);
        numberWidth = 0;
        double answerWidth = 0;
        for (const ShownResult::Answer &answer : answers) {
            numberWidth = std::max(numberWidth, metrics.horizontalAdvance(answer.item + u'．'));
            answerWidth = std::max(answerWidth, metrics.horizontalAdvance(answer.answer));
        }
        answerWidth = std::min(answerWidth, Width - numberWidth - NumberGap);
        lineHeight = metrics.height() * 1.3;
        cellWidth = numberWidth + NumberGap + answerWidth + ColumnGap;
        const int linesInRoom = std::max(1, int(room / lineHeight));
        columns = std::max(1, int((Width + ColumnGap) / cellWidth));
        rows = (int(answers.size()) + columns - 1) / columns;
        if (columns == 1) {
            rows = 0;
            for (const ShownResult::Answer &answer : answers)
                rows += int(wrapped(answer.answer, font, answerWidth).size());
        }
        if (rows <= linesInRoom)
            break;
        // Still too many at the smallest size: more, narrower columns, and
        // answers shortened to fit them.
        if (points <= 6) {
            rows = linesInRoom;
            columns = (int(answers.size()) + rows - 1) / rows;
            cellWidth = (Width + ColumnGap) / columns;
            shortened = true;
        }
    }
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double answerWidth = cellWidth - numberWidth - NumberGap - ColumnGap;
    int row = 0;
    for (int i = 0; i < answers.size(); ++i) {
        const double left = Margin + (i % columns) * cellWidth;
        const double top = y + (columns == 1 ? row : i / columns) * lineHeight;
        const QStringList lines = columns == 1 && !shortened
            ? wrapped(answers[i].answer, font, answerWidth)
            : QStringList {metrics.elidedText(answers[i].answer, Qt::ElideRight, answerWidth)};
        painter.setPen(Grey);
        painter.drawText(QRectF(left, top, numberWidth, lineHeight), Qt::AlignRight | Qt::AlignVCenter, answers[i].item + u'．');
        painter.setPen(Ink);
        for (qsizetype k = 0; k < lines.size(); ++k)
            painter.drawText(QRectF(left + numberWidth + NumberGap, top + k * lineHeight, answerWidth + ColumnGap / 2, lineHeight),
                Qt::AlignLeft | Qt::AlignVCenter, lines[k]);
        row += int(std::max<qsizetype>(1, lines.size()));
    }
}

// What made the report is for the program rather than the reader: small
// print above the footer's rule, and whole in the PDF's metadata. Where the
// record came from and what is doubtful about it stand above it.
void footer(QPainter &painter, const Record &record)
{
    QString made = QStringLiteral("Zentrova %1").arg(record.programVersion);
    if (!record.bankSha256.isEmpty())
        made += QStringLiteral("　·　题库 SHA-256 %1…").arg(record.bankSha256.left(16));
    painter.setFont(song(6.5));
    painter.setPen(Grey);
    const QStringList lines = originLines(record) << made;
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(QRectF(Margin, FooterTop - 45 - SmallPrintLine * double(lines.size() - 1 - i), Width, SmallPrintLine),
            Qt::AlignRight | Qt::AlignVCenter, painter.fontMetrics().elidedText(lines[i], Qt::ElideRight, int(Width)));
    painter.setPen(QPen(Teal, 3));
    painter.drawLine(QPointF(Margin, FooterTop), QPointF(Margin + Width, FooterTop));
    paragraph(painter, FooterTop + 30, QStringLiteral("本结果仅供参考，不构成任何心理诊断。"), kai(12, true), Ink, Qt::AlignHCenter);
}

// Qt's PDF text layer maps each glyph of an embedded face back to the
// lowest code in the Basic Multilingual Plane that the face gives it. The
// Noto CJK faces give many ideographs' glyphs to a radical as well, so 马
// would read as ⻢ and 小 as ⼩; and a glyph reached only from beyond that
// plane, 𠮷, would read as nothing. So the page is drawn once more into a
// recorder that keeps the text of every run and the glyph each character
// got in its face, and each face's map is written anew from what was drawn:
// a glyph as the character drawn with it, and the face's first glyphs as
// the characters beyond the plane that documentPdf() draws first, off the
// page.

// What one face drew: its glyphs and the characters drawn with them.
struct DrawnFace {
    QRawFont font;
    QHash<quint32, char32_t> drawn;
    QList<char32_t> beyondPlane; // sorted, as they are drawn first
    QFont primer; // a font that reaches the face, to draw them with
};

// A face's PostScript name from its name table, as a PDF names the face.
QByteArray postScriptName(const QRawFont &font)
{
    const QByteArray table = font.fontTable("name");
    const auto word = [&](qsizetype at) { return at + 2 <= table.size() ? quint16(quint8(table[at]) << 8 | quint8(table[at + 1])) : 0; };
    const qsizetype strings = word(4);
    for (int i = 0; i < word(2); ++i) {
        const qsizetype record = 6 + 12 * i;
        if (word(record + 6) != 6)
            continue;
        const QByteArray bytes = table.mid(strings + word(record + 10), word(record + 8));
        if (word(record) == 1) // Macintosh: plain ASCII
            return bytes;
        QString name;
        for (qsizetype c = 0; c + 1 < bytes.size(); c += 2)
            name += QChar(quint16(quint8(bytes[c]) << 8 | quint8(bytes[c + 1])));
        return name.toLatin1();
    }
    return {};
}

// Keeps the text of every run drawn and draws nothing.
class TextRecorder : public QPaintDevice, public QPaintEngine
{
public:
    TextRecorder(QSize size, int dpi)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_size(size)
        , m_dpi(dpi)
    {
    }

    QPaintEngine *paintEngine() const override { return const_cast<TextRecorder *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }
    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override { }
    void drawPath(const QPainterPath &) override { }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { }
    void drawPolygon(const QPoint *, int, PolygonDrawMode) override { }
    void drawTextItem(const QPointF &, const QTextItem &item) override { m_runs.append({item.text(), item.font()}); }
    Type type() const override { return QPaintEngine::User; }

    // By face: the glyph each character of the runs got, as a one-character
    // layout in the run's font finds it (no Chinese glyph depends on its
    // neighbours).
    QHash<QByteArray, DrawnFace> faces() const
    {
        QHash<QByteArray, DrawnFace> faces;
        QSet<std::pair<QString, char32_t>> seen;
        for (const auto &[text, font] : m_runs) {
            for (const char32_t code : text.toUcs4()) {
                if (code <= 0x20 || seen.contains({font.key(), code}))
                    continue;
                seen.insert({font.key(), code});
                QTextLayout layout(QString::fromUcs4(&code, 1), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                for (const QGlyphRun &run : layout.glyphRuns()) {
                    if (run.glyphIndexes().size() != 1)
                        continue;
                    const QByteArray name = postScriptName(run.rawFont());
                    DrawnFace &face = faces[name];
                    if (!face.font.isValid()) {
                        face.font = run.rawFont();
                        face.primer = font;
                    }
                    face.drawn.insert(run.glyphIndexes().first(), code);
                    if (code > 0xffff && !face.beyondPlane.contains(code))
                        face.beyondPlane.insert(std::lower_bound(face.beyondPlane.begin(), face.beyondPlane.end(), code), code);
                }
            }
        }
        return faces;
    }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return qRound(m_size.width() * 25.4 / m_dpi);
        case PdmHeightMM:
            return qRound(m_size.height() * 25.4 / m_dpi);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize m_size;
    int m_dpi;
    QList<std::pair<QString, QFont>> m_runs;
};

struct PdfObject {
    qsizetype lengthAt = 0, dataAt = 0, dataLength = 0;
    const DrawnFace *face = nullptr;
};

QByteArray utf16Hex(char32_t code)
{
    const QString text = QString::fromUcs4(&code, 1);
    QByteArray hex;
    for (QChar unit : text)
        hex += QByteArray::number(unit.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex;
}

// The ToUnicode map Qt writes: bfrange entries, a range to one code or to a
// list of codes.
QMap<int, char32_t> readToUnicode(const QByteArray &cmap)
{
    QMap<int, char32_t> glyphs;
    static const QRegularExpression entry(QStringLiteral("<([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})> (?:<([0-9A-Fa-f]{4})>|\\[([^\\]]*)\\])"));
    static const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]{4})>"));
    for (const QRegularExpressionMatch &m : entry.globalMatch(QString::fromLatin1(cmap))) {
        const int first = m.captured(1).toInt(nullptr, 16), last = m.captured(2).toInt(nullptr, 16);
        if (m.capturedLength(3) > 0) {
            const int start = m.captured(3).toInt(nullptr, 16);
            for (int glyph = first; glyph <= last; ++glyph)
                glyphs[glyph] = char32_t(start + glyph - first);
        } else {
            int glyph = first;
            for (const QRegularExpressionMatch &c : code.globalMatch(m.captured(4)))
                glyphs[glyph++] = char32_t(c.captured(1).toInt(nullptr, 16));
        }
    }
    glyphs.remove(0);
    return glyphs;
}

QByteArray writeToUnicode(const QMap<int, char32_t> &glyphs)
{
    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    const QList<int> ids = glyphs.keys();
    for (qsizetype from = 0; from < ids.size(); from += 100) { // a block holds 100 at most
        const qsizetype count = std::min<qsizetype>(100, ids.size() - from);
        cmap += QByteArray::number(count) + " beginbfchar\n";
        for (qsizetype i = from; i < from + count; ++i)
            cmap += '<' + QByteArray::number(ids[i], 16).rightJustified(4, '0').toUpper() + "> <" + utf16Hex(glyphs[ids[i]]) + ">\n";
        cmap += "endbfchar\n";
    }
    return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

void mendTextLayer(QByteArray &pdf, const QHash<QByteArray, DrawnFace> &faces)
{
    // Qt writes one classic cross-reference table of fixed-width entries.
    const qsizetype start = pdf.lastIndexOf("startxref\n");
    if (start < 0)
        return;
    const qsizetype xref = pdf.mid(start + 10, 20).split('\n').first().trimmed().toLongLong();
    static const QRegularExpression head(QStringLiteral("^xref\\n0 (\\d+)\\n"));
    const QRegularExpressionMatch table = head.match(QString::fromLatin1(pdf.mid(xref, 40)));
    if (!table.hasMatch())
        return;
    const qsizetype entries = xref + table.capturedLength(), count = table.captured(1).toLongLong();
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < count; ++i)
        offsets << pdf.mid(entries + 20 * i, 10).toLongLong();

    // Qt names a face "ABCDEF+PostScriptName", its map in the same dictionary.
    static const QRegularExpression reference(QStringLiteral("/BaseFont /(?:[A-Z]{6}\\+)?([^\\s/<>\\[]+)[^>]*?/ToUnicode (\\d+) 0 R"));
    static const QRegularExpression length(QStringLiteral("^\\d+ 0 obj\\n<< /Length (\\d+) >>\\nstream\\n"));
    QMap<qsizetype, PdfObject> maps; // by offset, to be replaced from the last on
    for (const QRegularExpressionMatch &m : reference.globalMatch(QString::fromLatin1(pdf))) {
        const qsizetype object = m.captured(2).toLongLong();
        const auto face = faces.constFind(m.captured(1).toLatin1());
        if (object <= 0 || object >= count || face == faces.constEnd())
            continue;
        const qsizetype at = offsets[object];
        const QRegularExpressionMatch stream = length.match(QString::fromLatin1(pdf.mid(at, 80)));
        if (stream.hasMatch())
            maps[at] = {at + stream.capturedStart(1), at + stream.capturedEnd(0), stream.captured(1).toLongLong(), &*face};
    }
    if (maps.isEmpty())
        return;

    QList<std::pair<qsizetype, qsizetype>> shifts; // where, by how much
    for (auto it = maps.end(); it != maps.begin();) {
        --it;
        const PdfObject &object = *it;
        QMap<int, char32_t> glyphs = readToUnicode(pdf.mid(object.dataAt, object.dataLength));
        const DrawnFace &face = *object.face;
        // A code Qt chose names the glyph it has in the face; the glyph
        // names the character drawn with it.
        for (char32_t &code : glyphs) {
            const QList<quint32> glyph = face.font.glyphIndexesForString(QString::fromUcs4(&code, 1));
            if (glyph.size() == 1 && face.drawn.contains(glyph.first()))
                code = face.drawn.value(glyph.first());
        }
        // The face has those beyond the plane as its first glyphs, with no code.
        const QList<char32_t> &drawnFirst = face.beyondPlane;
        bool primed = !drawnFirst.isEmpty();
        for (int glyph = 1; glyph <= drawnFirst.size(); ++glyph)
            primed = primed && !glyphs.contains(glyph);
        if (primed) {
            for (qsizetype i = 0; i < drawnFirst.size(); ++i)
                glyphs[int(i) + 1] = drawnFirst[i];
        }
        const QByteArray cmap = writeToUnicode(glyphs);
        const QByteArray replacement = QByteArray::number(cmap.size())
            + pdf.mid(object.lengthAt, object.dataAt - object.lengthAt).mid(QByteArray::number(object.dataLength).size()) + cmap;
        const qsizetype replaced = object.dataAt + object.dataLength - object.lengthAt;
        pdf.replace(object.lengthAt, replaced, replacement);
        shifts.append({object.lengthAt, replacement.size() - replaced});
    }
    qsizetype moved = 0;
    for (const auto &[where, by] : shifts)
        moved += by;
    for (qsizetype i = 1; i < count; ++i) {
        qsizetype offset = offsets[i];
        for (const auto &[where, by] : shifts) {
            if (offsets[i] > where)
                offset += by;
        }
        pdf.replace(entries + moved + 20 * i, 10, QByteArray::number(offset).rightJustified(10, '0'));
    }
    const qsizetype startValue = pdf.lastIndexOf("startxref\n") + 10;
    const qsizetype valueEnd = pdf.indexOf('\n', startValue);
    pdf.replace(startValue, valueEnd - startValue, QByteArray::number(xref + moved) + ' ');
}

} // namespace

void paintReport(QPainter &painter, const QRectF &target, const Record &record)
{
    painter.save();
    reportstyle::fitPage(painter, target);

    double y = header(painter, record);
    y += heading(painter, y, QStringLiteral("测评结果"));
    y += figures(painter, y, record.figures);
    if (!record.verdict.isEmpty())
        y += verdict(painter, y, record.conclusion());

    const BankTable *table = bankTableForWindow(record.window.toStdString());
    const std::optional<double> total = record.total();
    if (table && !table->scoring.bands.empty() && total) {
        const ShownResult::Figure *figure = record.totalFigure();
        const QString totalText = figure->name + u' ' + figure->value;
        y += heading(painter, y, QStringLiteral("分数段"));
        y += bandChart(painter, y, table->scoring.bands, *total, totalText);
    }

    y += heading(painter, y, QStringLiteral("作答记录（共%1项）").arg(record.answers.size()));
    if (record.answers.isEmpty())
        paragraph(painter, y, QStringLiteral("这次测评没有记下作答。"), song(10.5), Grey);
    else
        answers(painter, y, record.answers, table ? table->scoring.firstItem : 1, originLines(record).size());

    footer(painter, record);
    painter.restore();
}

namespace {

// Pages drawn on white one under the other, width pixels wide.
QImage pagesImage(int pages, const PaintPage &paint, int width)
{
    const int height = qRound(width * Page.height() / Page.width());
    QImage image(width, height * pages, QImage::Format_RGB32);
    // The page's true resolution, so that the picture prints at A4.
    const int dotsPerMetre = qRound(width * 10000 / Page.width());
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int page = 0; page < pages; ++page)
        paint(painter, QRectF(0, page * height, width, height), page);
    return image;
}

} // namespace

QByteArray documentPdf(const QString &title, int pages, const PaintPage &paint, const QByteArray &metadata)
{
    constexpr int Dpi = 300;
    const QSize size = QPageSize(QPageSize::A4).sizePixels(Dpi);
    TextRecorder recorder(size, Dpi);
    {
        QPainter painter(&recorder);
        for (int page = 0; page < pages; ++page)
            paint(painter, QRectF(QPointF(), size), page);
    }
    const QHash<QByteArray, DrawnFace> faces = recorder.faces();

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF());
        pdf.setResolution(Dpi);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Zentrova %1").arg(QCoreApplication::applicationVersion()));
        if (!metadata.isEmpty())
            pdf.setDocumentXmpMetadata(metadata);
        QPainter painter;
        if (!painter.begin(&pdf))
            return {};
        // First, off the page, so that they take each face's first glyphs.
        for (const DrawnFace &face : faces) {
            painter.setFont(face.primer);
            for (char32_t code : face.beyondPlane)
                painter.drawText(QPointF(-10000, -10000), QString::fromUcs4(&code, 1));
        }
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                pdf.newPage();
            paint(painter, QRectF(0, 0, pdf.width(), pdf.height()), page);
        }
    }
    QByteArray bytes = buffer.data();
    mendTextLayer(bytes, faces);
    return bytes;
}

namespace
{

// Writes pages as PDF (made by pdf) or PNG (drawn by paint), by the file's
// suffix, whole or not at all.
bool writePages(const QString &path, const std::function<QByteArray()> &pdf, int pages, const PaintPage &paint, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("png")) {
        *error = QStringLiteral("报告只能存为 .pdf 或 .png 文件，“%1”两者都不是").arg(path);
        return false;
    }
    // Drawn in memory first: the writers would hide a full disk until the
    // end, and the file is then written whole or not at all.
    QByteArray bytes;
    if (suffix == QLatin1String("pdf")) {
        bytes = pdf();
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!pagesImage(pages, paint, 1240).save(&buffer, "PNG"))
            bytes.clear();
    }
    if (bytes.isEmpty()) {
        *error = QStringLiteral("无法写入报告文件“%1”：报告没能画出来").arg(path);
        return false;
    }
    return saveWhole(path, QStringLiteral("报告文件"), bytes, error);
}

} // namespace

QImage reportImage(const Record &record, int width)
{
    return pagesImage(
        1, [&](QPainter &painter, const QRectF &page, int) { paintReport(painter, page, record); }, width);
}

QByteArray reportMetadata(const Record &record)
{
    const auto escaped = [](const QString &text) { return text.toHtmlEscaped().toUtf8(); };
    QStringList made {QStringLiteral("Zentrova %1").arg(record.programVersion)};
    if (record.id > 0)
        made << QStringLiteral("记录 %1").arg(record.id);
    if (!record.bankSha256.isEmpty())
        made << QStringLiteral("题库 SHA-256 %1").arg(record.bankSha256);
    made << originLines(record);
    return "<?xpacket begin=\"\xef\xbb\xbf\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
           "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">"
        + escaped(record.caption)
        + "</rdf:li></rdf:Alt></dc:title>\n"
          "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">"
        + escaped(made.join(QStringLiteral("；")))
        + "</rdf:li></rdf:Alt></dc:description>\n"
          "<pdf:Keywords>"
        + escaped(made.join(QStringLiteral("；")))
        + "</pdf:Keywords>\n"
          "<xmp:CreatorTool>"
        + escaped(QStringLiteral("Zentrova %1").arg(QCoreApplication::applicationVersion()))
        + "</xmp:CreatorTool>\n"
          "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>\n";
}

QByteArray reportPdf(const Record &record)
{
    return documentPdf(
        record.caption, 1, [&](QPainter &painter, const QRectF &page, int) { paintReport(painter, page, record); }, reportMetadata(record));
}

QRectF drawSheet(QPainter &painter, const QRectF &area)
{
    const QRectF room = area.adjusted(12, 12, -12, -12);
    const double scale = std::min(room.width() / 210, room.height() / 297);
    QRectF sheet(0, 0, 210 * scale, 297 * scale);
    sheet.moveCenter(room.center());
    painter.fillRect(sheet.translated(2, 2), QColor(0xb0, 0xb0, 0xb0));
    painter.fillRect(sheet, Qt::white);
    return sheet;
}

bool writeReport(const Record &record, const QString &path, QString *error)
{
    const auto paint = [&](QPainter &painter, const QRectF &page, int) { paintReport(painter, page, record); };
    return writePages(
        path, [&] { return reportPdf(record); }, 1, paint, error);
}

bool writeDocumentFile(const QString &path, const QString &title, int pages, const PaintPage &paint, QString *error)
{
    return writePages(
        path, [&] { return documentPdf(title, pages, paint); }, pages, paint, error);
}

namespace reportstyle {

QSizeF page()
{
    return Page;
}

double margin()
{
    return Margin;
}

QColor ink()
{
    return Ink;
}

QColor grey()
{
    return Grey;
}

QColor teal()
{
    return Teal;
}

QColor paleTeal()
{
    return PaleTeal;
}

QFont song(double points, bool bold)
{
    return zentrova::song(points, bold);
}

QFont kai(double points, bool bold)
{
    return zentrova::kai(points, bold);
}

void fitPage(QPainter &painter, const QRectF &target)
{
    const double scale = std::min(target.width() / Page.width(), target.height() / Page.height());
    painter.translate(target.center() - QPointF(Page.width(), Page.height()) * scale / 2);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
}

double paragraph(QPainter &painter, double y, const QString &text, const QFont &font, const QColor &colour, int flags)
{
    return zentrova::paragraph(painter, y, text, font, colour, flags);
}

double heading(QPainter &painter, double y, const QString &text)
{
    return zentrova::heading(painter, y, text);
}

double footerTop()
{
    return FooterTop;
}

void footer(QPainter &painter)
{
    Record made;
    made.programVersion = QCoreApplication::applicationVersion();
    zentrova::footer(painter, made);
}

} // namespace reportstyle

} // namespace zentrova
