// "你属于哪种气质？": sixty statements answered on a five-point scale into a
// score sheet, which can be reviewed item by item before the sheet is
// submitted; the report then shows the scoring rules and what each
// temperament means. The sheet is the only store of the answers.
#pragma once

#include "framework/testwindow.h"

#include <QColor>
#include <QList>

#include <memory>
#include <utility>

class QLabel;

namespace Ui {
class TemperamentWindow;
}

namespace zentrova {

class TemperamentWindow : public TestWindow
{
    Q_OBJECT

public:
    static constexpr int ItemCount = 60;

    // Cell colours: not reached yet, reached (current at some time), skipped.
    static const QColor NotReached;
    static const QColor Reached;
    static const QColor Skipped;

    explicit TemperamentWindow(QWidget *parent = nullptr);
    ~TemperamentWindow() override;

    // 0-based index of the current item; ItemCount once the sheet has ended.
    int currentItem() const { return m_currentItem; }

    // Score cell and number label of item n (1 to 60).
    QLabel *cell(int item) const { return m_cells.at(item - 1); }
    QLabel *numberLabel(int item) const { return m_numbers.at(item - 1); }

    void answer(int option);
    void next();
    void skip();
    void recall(int item);
    void computeTotals();
    void submit();
    void explain();
    void back();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void endOfSheet();
    void setCellColour(int index, const QColor &colour);
    QList<QAbstractButton *> optionButtons() const;
    // Each temperament's total cell with the label that names it, in the
    // order of the sheet's bands.
    QList<std::pair<QLabel *, QLabel *>> totalCells() const;
    // What the submitted report shows: the four totals named as the sheet
    // names them, and the answers on the sheet.
    ShownResult shownResult() const;

    std::unique_ptr<Ui::TemperamentWindow> ui;
    QList<QLabel *> m_cells;
    QList<QLabel *> m_numbers;
    qint16 m_currentItem = 0;
};

} // namespace zentrova
