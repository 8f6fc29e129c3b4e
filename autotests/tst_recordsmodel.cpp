// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The records window's table over a record file of a few thousand records:
// pages that arrive as the view asks for them list every record once, in
// the store's order, whatever the order and however a filter changes while
// a page is on its way; the delete question names what it deletes; and the
// table shows what matters and sorts from the keyboard.
#include "records/localstore.h"
#include "recordwindows/recordsmodel.h"
#include "recordwindows/recordswindow.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <sqlite3.h>

using namespace zentrova;
using namespace zentrova::testing;

Q_DECLARE_METATYPE(zentrova::RecordFilter)

namespace {

constexpr int RecordCount = 3000;
constexpr int PageSize = 37;

// Records of three tests, 60 people in 6 groups, finishing times that tie
// in fives, elapsed times and totals that are sometimes missing.
bool fill(const QString &path)
{
    Record first;
    first.window = "frm考试焦虑";
    first.caption = "考试焦虑度测试";
    first.finished = QDateTime(QDate(2026, 6, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
    first.figures = {{"总分", "5"}};
    first.person = "王小明";
    first.group = "一班";
    if (!RecordStore(path).add(first))
        return false;
    const QByteArray sql = R"(
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < )"
        + QByteArray::number(RecordCount - 1) + R"()
        INSERT INTO records (window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version,
                             bank_sha256, person_group)
        SELECT 'frmW' || (i % 3), '测验' || (i % 3), 1780000000000 + (i / 5) * 600000, 8 * 3600,
               CASE WHEN i % 7 = 0 THEN NULL ELSE i % 13 END, '', CASE WHEN i % 61 = 0 THEN '' ELSE '学生' || (i % 60) END,
               '1', 'x', '班级' || (i % 60 % 6)
        FROM n;
        INSERT INTO figures (record, position, name, value)
        SELECT id, 0, '总分', CASE WHEN id % 11 = 0 THEN '无' ELSE CAST(id % 17 AS TEXT) END FROM records WHERE id > 1;)";
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const bool filled = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return filled;
}

template<typename T> T answerOf(StoreReply<T> *reply)
{
    reply->waitForDone();
    [&] { QVERIFY2(reply->error().isEmpty(), qPrintable(reply->error())); }();
    return reply->error().isEmpty() ? reply->value() : T();
}

// The whole listing in one request: what the pages must add up to.
QList<qint64> fullListing(LocalStore &store, const RecordFilter &filter, SummaryOrder order, Qt::SortOrder direction)
{
    QList<qint64> ids;
    for (const RecordSummary &summary : answerOf(store.summaries({filter, order, direction, std::nullopt, 0})))
        ids << summary.id;
    return ids;
}

// Fetches every page as a view scrolled to the end would.
bool fetchAll(RecordsModel &model)
{
    for (int pages = 0; pages <= RecordCount; ++pages) {
        if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 20000))
            return false;
        if (!model.canFetchMore({}))
            return model.isComplete();
        model.fetchMore({});
    }
    return false;
}

QList<qint64> idsOf(const RecordsModel &model)
{
    QList<qint64> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids << model.summary(row).id;
    return ids;
}

// Runs action on the popup menu the next key opens, from inside its loop.
void whenPopup(std::function<void(QMenu *menu)> action)
{
    QTimer::singleShot(0, [action = std::move(action)] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
            action(menu);
    });
}

RecordSummary summary(const QString &person, QDate day, const QString &caption)
{
    RecordSummary made;
    made.person = person;
    made.finished = QDateTime(day, QTime(10, 0), Qt::OffsetFromUTC, 8 * 3600);
    made.caption = caption;
    return made;
}

} // namespace

class RecordsModelTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_path;

private slots:
    void init() { failOnThreadWarnings(); }

    void initTestCase()
    {
        m_path = m_folder.filePath("records.db");
        QVERIFY(fill(m_path));
    }

    // Sorted by each column (the header's click), the pages that arrive, a
    // few dozen rows at a time, add up to the store's whole listing in the
    // same order: no record twice, none left out, ties on the key included;
    // and the count said beside them is theirs.
    void pagesAddUp_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::SortOrder>("direction");
        QTest::addColumn<RecordFilter>("filter");

        RecordFilter group;
        group.group = "班级2";
        RecordFilter twoDays;
        twoDays.range = {QDate(2026, 5, 30), QDate(2026, 5, 31)};
        RecordFilter unnamedOneTest;
        unnamedOneTest.person = QString();
        unnamedOneTest.test = "frmW1";
        QTest::newRow("newest first") << int(RecordsModel::Finished) << Qt::DescendingOrder << RecordFilter();
        QTest::newRow("oldest first, one group") << int(RecordsModel::Finished) << Qt::AscendingOrder << group;
        QTest::newRow("by person") << int(RecordsModel::Person) << Qt::AscendingOrder << RecordFilter();
        QTest::newRow("by group, backwards") << int(RecordsModel::Group) << Qt::DescendingOrder << RecordFilter();
        QTest::newRow("by test") << int(RecordsModel::Test) << Qt::AscendingOrder << RecordFilter();
        QTest::newRow("by result, some without a total") << int(RecordsModel::Result) << Qt::DescendingOrder << RecordFilter();
        QTest::newRow("by time taken, some without") << int(RecordsModel::Elapsed) << Qt::AscendingOrder << group;
        QTest::newRow("two days, by test") << int(RecordsModel::Test) << Qt::DescendingOrder << twoDays;
        QTest::newRow("the unnamed of one test, by person") << int(RecordsModel::Person) << Qt::DescendingOrder << unnamedOneTest;
    }
    void pagesAddUp()
    {
        QFETCH(int, column);
        QFETCH(Qt::SortOrder, direction);
        QFETCH(RecordFilter, filter);

        LocalStore store(m_path);
        RecordsModel model(store, nullptr, PageSize);
        const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.sort(column, direction);
        model.setFilter(filter);
        QVERIFY(fetchAll(model));

        const QList<qint64> expected = fullListing(store, filter, RecordsModel::orderOf(column), direction);
        QVERIFY(expected.size() > 2 * PageSize || filter.person);
        QCOMPARE(idsOf(model), expected);
        QCOMPARE(model.recordCount(), std::optional<int>(int(expected.size())));
        QCOMPARE(model.order(), RecordsModel::orderOf(column));
    }

    // A filter changed while a page is on its way, or several pages in: the
    // answer to the old one never lands, and the table ends as the new
    // filter's listing, counted as such.
    void filterChangedMidFetch_data()
    {
        QTest::addColumn<int>("pagesFirst"); // read under the old filter before the change

        QTest::newRow("before the first page") << 0;
        QTest::newRow("after three pages, a fourth asked") << 3;
    }
    void filterChangedMidFetch()
    {
        QFETCH(int, pagesFirst);

        LocalStore store(m_path);
        RecordsModel model(store, nullptr, PageSize);
        const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy failures(&model, &RecordsModel::failed);
        model.restart();
        for (int page = 0; page < pagesFirst; ++page) {
            QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 20000));
            model.fetchMore({});
        }
        QVERIFY(model.isLoading());
        RecordFilter group;
        group.group = "班级4";
        group.test = "frmW2";
        model.setFilter(group);
        QVERIFY(fetchAll(model));
        QCOMPARE(idsOf(model), fullListing(store, group, SummaryOrder::Finished, Qt::DescendingOrder));
        QCOMPARE(model.recordCount(), std::optional<int>(answerOf(store.count(group))));
        QCOMPARE(failures.count(), 0);
    }

    // The question names what Delete removes: one record in full; more by
    // their number and the first three.
    void deleteQuestion_data()
    {
        QTest::addColumn<QList<RecordSummary>>("records");
        QTest::addColumn<QString>("question");

        const RecordSummary wang = summary("王小明", QDate(2026, 12, 7), "考试焦虑度测试");
        const RecordSummary unnamed = summary("", QDate(2026, 1, 5), "你可断吗？");
        const RecordSummary li = summary("李雷", QDate(2026, 12, 6), "考试焦虑度测试");
        const RecordSummary zhang = summary("张三", QDate(2025, 3, 1), "你有真正的朋友吗");
        QTest::newRow("one") << QList {wang} << "删除王小明 2026年12月7日 考试焦虑度测试的记录？";
        QTest::newRow("one without a name") << QList {unnamed} << "删除（未填写） 2026年1月5日 你可断吗？的记录？";
        QTest::newRow("two") << QList {wang, li}
                             << "删除这2条记录？\n王小明 2026年12月7日 考试焦虑度测试\n李雷 2026年12月6日 考试焦虑度测试";
        QTest::newRow("four: three named") << QList {li, wang, zhang, unnamed}
                                           << "删除这4条记录？\n李雷 2026年12月6日 考试焦虑度测试\n王小明 2026年12月7日 考试焦虑度测试\n"
                                              "张三 2025年3月1日 你有真正的朋友吗\n……";
    }
    void deleteQuestion()
    {
        QFETCH(QList<RecordSummary>, records);
        QFETCH(QString, question);
        QCOMPARE(zentrova::deleteQuestion(records), question);
    }

    // At its first size the window shows the result and the time taken
    // without scrolling, has the focus on the table's first row, and sorts
    // from the keyboard: Shift+F10 on the first cell offers the column's
    // orders, and choosing one re-reads the table in it.
    void tableAtFirstSight()
    {
        LocalStore store(m_path);
        RecordsWindow window(store);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(settled(window));
        auto *table = window.findChild<QTableView *>("tblRecords");
        QCOMPARE(QApplication::focusWidget(), table);
        QCOMPARE(table->currentIndex().row(), 0);
        QVERIFY(table->selectionModel()->isRowSelected(0));
        QHeaderView *header = table->horizontalHeader();
        for (const int column : {int(RecordsModel::Result), int(RecordsModel::Elapsed)}) {
            const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
            QVERIFY2(header->sectionViewportPosition(column) >= 0 && right <= table->viewport()->width(),
                     qPrintable(QString("column %1 ends at %2 of %3").arg(column).arg(right).arg(table->viewport()->width())));
        }
        QVERIFY(header->sectionSize(RecordsModel::Result) >= 8 * table->fontMetrics().horizontalAdvance(u'中'));
        QCOMPARE(window.findChild<QLabel *>("lblCount")->text(), QString("共%1条记录").arg(RecordCount));
        // One's own file has no doubts to accept and no sittings.
        QVERIFY(!window.findChild<QPushButton *>("cmdAccept") && !window.findChild<QPushButton *>("cmdSittings"));

        // On the first cell, then on the person's.
        QCOMPARE(table->currentIndex().column(), 0);
        QStringList offered;
        whenPopup([&](QMenu *menu) {
            for (QAction *action : menu->actions())
                offered << action->text();
            menu->close();
        });
        QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY2(offered.size() > 3 && offered.contains("删除所选…"), qPrintable(offered.join(u'|')));
        QCOMPARE(offered.first(), "按“完成时间”升序排列(&A)");
        QTest::keyClick(table, Qt::Key_Right);
        window.activateWindow(); // the offscreen platform leaves it inactive after a popup
        QVERIFY(QTest::qWaitForWindowActive(&window));
        whenPopup([&](QMenu *menu) {
            offered = {menu->actions().at(1)->text()};
            menu->actions().at(1)->trigger();
            menu->close();
        });
        QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(offered, QStringList {"按“受测者”降序排列(&S)"});
        QVERIFY(settled(window));
        auto *model = qobject_cast<RecordsModel *>(table->model());
        QCOMPARE(model->order(), SummaryOrder::Person);
        QCOMPARE(model->direction(), Qt::DescendingOrder);
        QCOMPARE(header->sortIndicatorSection(), int(RecordsModel::Person));
        const QList<qint64> expected = fullListing(store, {}, SummaryOrder::Person, Qt::DescendingOrder).mid(0, model->rowCount());
        QCOMPARE(idsOf(*model), expected);

        // The days chosen above the table read the table again, counted.
        window.findChild<QDateEdit *>("dtpSince")->setDate(QDate(2026, 5, 30));
        window.findChild<QDateEdit *>("dtpUntil")->setDate(QDate(2026, 5, 31));
        QVERIFY(settled(window));
        RecordFilter twoDays;
        twoDays.range = {QDate(2026, 5, 30), QDate(2026, 5, 31)};
        const int inTwoDays = answerOf(store.count(twoDays));
        QVERIFY(inTwoDays > 0 && inTwoDays < RecordCount);
        QCOMPARE(window.findChild<QLabel *>("lblCount")->text(), QString("共%1条记录").arg(inTwoDays));
        QCOMPARE(model->filter().range, twoDays.range);
        for (int row = 0; row < model->rowCount(); ++row)
            QVERIFY(twoDays.range.holds(model->summary(row).finished));
    }
};

ZENTROVA_TEST_MAIN(RecordsModelTest)
#include "tst_recordsmodel.moc"
