#include "temperamentwindow.h"

#include "framework/accessibility.h"
#include "framework/numbers.h"
#include "temperamentscoring.h"
#include "temperamenttexts.h"
#include "ui_temperamentwindow.h"

#include <QEvent>

#include <utility>

namespace zentrova {

namespace {

// What answers A to E stand for, in the words of the instruction.
const QStringList AnswerMeanings = {QStringLiteral("很符合自己情况的"), QStringLiteral("比较符合的"), QStringLiteral("介于符合与不够之间的"),
                                    QStringLiteral("比较不符合的"), QStringLiteral("完全不符合的")};

QString instruction()
{
    QStringList choices;
    for (int k = 0; k < AnswerMeanings.size(); ++k)
        choices << AnswerMeanings.at(k) + QStringLiteral("－－－选") + QChar(u'A' + k) + u'项';
    return QStringLiteral("　　选择选项时，你认为：　") + choices.join(u'；') + u'。';
}

const QString Instruction = instruction();

// What answers A to E write into the item's cell.
const QStringList AnswerScores = {QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("-2")};

} // namespace

const QColor TemperamentWindow::NotReached(255, 192, 128);
const QColor TemperamentWindow::Reached(255, 0, 255);
const QColor TemperamentWindow::Skipped(255, 255, 0);

TemperamentWindow::TemperamentWindow(QWidget *parent)
    : TestWindow(parent)
    , ui(std::make_unique<Ui::TemperamentWindow>())
{
    ui->setupUi(this);
    // The heading is 26.25 pt; a .ui font size is a whole number.
    QFont heading = ui->Label3->font();
    heading.setPointSizeF(26.25);
    ui->Label3->setFont(heading);
    for (int item = 1; item <= ItemCount; ++item) {
        m_cells << findChild<QLabel *>(QStringLiteral("Label2_%1").arg(item - 1));
        m_numbers << findChild<QLabel *>(QStringLiteral("Label%1").arg(10 + item));
    }
    for (int i = 0; i < ItemCount; ++i) {
        m_cells[i]->setAutoFillBackground(true);
        setCellColour(i, i == 0 ? Reached : NotReached);
        m_numbers[i]->installEventFilter(this);
    }

    const QList<QAbstractButton *> options = optionButtons();
    for (int k = 0; k < options.size(); ++k)
        connect(options[k], &QAbstractButton::clicked, this, [this, k] { answer(k); });
    connect(ui->Command1, &QAbstractButton::clicked, this, &TemperamentWindow::next);
    connect(ui->Command4, &QAbstractButton::clicked, this, &TemperamentWindow::skip);
    connect(ui->Command2, &QAbstractButton::clicked, this, &TemperamentWindow::askToEnd);
    // Command3 and Command5 each serve two steps, told apart by their captions.
    connect(ui->Command5, &QAbstractButton::clicked, this, [this] {
        if (ui->Command5->text() == QStringLiteral("统计结果"))
            computeTotals();
        else
            explain();
    });
    connect(ui->Command3, &QAbstractButton::clicked, this, [this] {
        if (ui->Command3->text() == QStringLiteral("返回"))
            back();
        else
            submit();
    });
    setAnswerButtons(options);
    setAnswerTexts(AnswerMeanings);
    // The sheet read aloud: each cell by its item, each total by its temperament.
    for (int item = 1; item <= ItemCount; ++item)
        nameDisplay(cell(item), QStringLiteral("第%1题得分").arg(item));
    for (const auto &[total, temperament] : totalCells())
        nameDisplay(total, temperament->text() + QStringLiteral("总分"));
    fixSize();

    openBank();
    ui->Label4->setText(Instruction);
    for (QLabel *number : std::as_const(m_numbers))
        number->setEnabled(false);
}

TemperamentWindow::~TemperamentWindow() = default;

QList<QAbstractButton *> TemperamentWindow::optionButtons() const
{
    return {ui->Option1, ui->Option2, ui->Option3, ui->Option4, ui->Option5};
}

QList<std::pair<QLabel *, QLabel *>> TemperamentWindow::totalCells() const
{
    return {{ui->Label5, ui->Label75}, {ui->Label6, ui->Label76}, {ui->Label7, ui->Label77}, {ui->Label8, ui->Label78}};
}

// Items left unanswered on the sheet have no answer to give.
ShownResult TemperamentWindow::shownResult() const
{
    ShownResult shown;
    for (const auto &[total, temperament] : totalCells())
        shown.figures.append({temperament->text(), total->text()});
    const QList<QAbstractButton *> options = optionButtons();
    for (int item = 1; item <= ItemCount; ++item) {
        const qsizetype option = AnswerScores.indexOf(cell(item)->text());
        if (option >= 0)
            shown.answers.append({numberLabel(item)->text(), answerWords(options.at(option))});
    }
    return shown;
}

void TemperamentWindow::setCellColour(int index, const QColor &colour)
{
    QPalette palette = m_cells[index]->palette();
    palette.setColor(QPalette::Window, colour);
    m_cells[index]->setPalette(palette);
}

void TemperamentWindow::answer(int option)
{
    if (m_currentItem >= 0 && m_currentItem < ItemCount)
        m_cells[m_currentItem]->setText(AnswerScores.at(option));
}

void TemperamentWindow::next()
{
    ++m_currentItem;
    computeTotals();
    clearChoice(optionButtons());
    // Without a bank to move through, the press ends here.
    if (!cursor().next() || (cursor().isPastEnd() && !cursor().moveLast()))
        return;
    if (m_currentItem == ItemCount) {
        endOfSheet();
        return;
    }
    if (m_currentItem > ItemCount)
        return;
    setCellColour(m_currentItem, Reached);
}

void TemperamentWindow::endOfSheet()
{
    ui->Command5->show();
    ui->Command5->setText(QStringLiteral("统计结果"));
    ui->Label1->hide();
    ui->Command1->hide();
    ui->Command3->show();
    ui->Command4->hide();
    for (QAbstractButton *option : optionButtons())
        option->hide();
    ui->Label4->setText(QStringLiteral(
        "　　如果所有的题目你都没有全部回答，测试结果可能就不准确，请双击左边的深绿色题号继续答题；"
        "如果所有题目你己全部答完，请按“提交测试“按钮，了解你的气质特征。"));
    ui->Label81->show();
    ui->Label81->setText(QStringLiteral("　<==双击未答题目的深绿色题号继续答题"));
    for (QLabel *number : std::as_const(m_numbers))
        number->setEnabled(true);
}

void TemperamentWindow::skip()
{
    if (m_currentItem >= 0 && m_currentItem < ItemCount)
        setCellColour(m_currentItem, Skipped);
}

void TemperamentWindow::recall(int item)
{
    m_currentItem = qint16(item - 1);
    ui->Label1->show();
    ui->Label81->hide();
    for (QAbstractButton *option : optionButtons())
        option->show();
    clearChoice(optionButtons());
    ui->Label4->setText(Instruction);
    ui->Label1->setText(QString::fromUtf8(TemperamentItems[item - 1]));
    setCellColour(item - 1, Reached);
}

void TemperamentWindow::computeTotals()
{
    QStringList answers;
    for (const QLabel *c : std::as_const(m_cells))
        answers << c->text();
    const std::array<double, 4> totals = temperamentTotals(answers);
    const QList<std::pair<QLabel *, QLabel *>> cells = totalCells();
    for (int band = 0; band < 4; ++band)
        cells[band].first->setText(plainNumber(totals[band]));
}

// Items are recalled by double-clicking their numbers, once these are enabled.
bool TemperamentWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        const qsizetype index = m_numbers.indexOf(qobject_cast<QLabel *>(watched));
        if (index >= 0 && m_numbers[index]->isEnabled()) {
            recall(int(index) + 1);
            return true;
        }
    }
    return TestWindow::eventFilter(watched, event);
}

} // namespace zentrova
