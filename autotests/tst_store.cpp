// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The record file's store as the windows ask it: pages, filters and orders
// done in SQL, damage found rather than shown, and requests that queue,
// cancel and answer on the caller's thread.
#include "records/localstore.h"
#include "records/recordexport.h"
#include "recordwindows/recordswindow.h"
#include "testsupport.h"

#include <QPointer>
#include <QTableView>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>
#include <future>

using namespace zentrova;
using namespace zentrova::testing;

Q_DECLARE_METATYPE(zentrova::RecordFilter)
Q_DECLARE_METATYPE(zentrova::SummaryOrder)
Q_DECLARE_METATYPE(zentrova::SummaryQuery)

namespace {

constexpr int RecordCount = 300;

void sql(const QString &path, const QByteArray &statements)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const int code = sqlite3_exec(db, statements.constData(), nullptr, nullptr, nullptr);
    QVERIFY2(code == SQLITE_OK, sqlite3_errmsg(db));
    sqlite3_close(db);
}

// Records of three tests, four people (one unnamed), three groups (one
// none), finishing times that tie, elapsed times and totals that are missing.
void fill(const QString &path)
{
    Record first;
    first.window = "frmW0";
    first.caption = "测验0";
    first.finished = QDateTime(QDate(2026, 6, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
    first.figures = {{"总分", "5"}};
    first.person = "王小明";
    first.group = "一班";
    QVERIFY(RecordStore(path).add(first));
    sql(path, R"(
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < )" + QByteArray::number(RecordCount - 1) + R"()
        INSERT INTO records (window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version,
                             bank_sha256, person_group)
        SELECT 'frmW' || (i % 3), '测验' || (i % 3), 1780000000000 + (i % 50) * 28800000,
               CASE WHEN i % 7 = 0 THEN -5 * 3600 ELSE 8 * 3600 END,
               CASE WHEN i % 5 = 0 THEN NULL ELSE i % 13 END, '', 
               CASE i % 4 WHEN 0 THEN '' WHEN 1 THEN '王小明' WHEN 2 THEN '李雷' ELSE '张三' END, '1', 'x',
               CASE i % 3 WHEN 0 THEN '' WHEN 1 THEN '一班' ELSE '二班' END
        FROM n;
        INSERT INTO figures (record, position, name, value)
        SELECT id, 0, '总分', CASE WHEN id % 11 = 0 THEN '无' ELSE CAST(id % 17 AS TEXT) END FROM records WHERE id > 1;)");
}

// Every record as the table holds it, for the listing to be compared with.
struct Row {
    RecordSummary summary;
    std::optional<double> total;
};
QList<Row> everyRow(const QString &path)
{
    QList<Row> rows;
    RecordStore(path).forEachRecord([](const QStringList &, const QStringList &) { return true; }, [&](const Record &record) {
        RecordSummary summary;
        summary.id = record.id;
        summary.finished = record.finished;
        summary.person = record.person;
        summary.window = record.window;
        summary.caption = record.caption;
        summary.group = record.group;
        summary.elapsedMinutes = record.elapsedMinutes;
        rows.append({summary, record.total()});
        return true;
    });
    return rows;
}

// The order the listing must have, written out plainly.
std::function<bool(const Row &, const Row &)> before(SummaryOrder order, Qt::SortOrder direction)
{
    return [=](const Row &a, const Row &b) {
        const auto key = [&](const Row &r) {
            QString column;
            double number = 0;
            switch (order) {
            case SummaryOrder::Finished:
                break;
            case SummaryOrder::Person:
                column = r.summary.person;
                break;
            case SummaryOrder::Test:
                column = r.summary.caption;
                break;
            case SummaryOrder::Group:
                column = r.summary.group;
                break;
            case SummaryOrder::Elapsed:
                number = r.summary.elapsedMinutes.value_or(-1);
                break;
            case SummaryOrder::Total:
                number = r.total.value_or(-1e308);
                break;
            }
            return std::tuple(column.toUtf8(), number, r.summary.finished.toMSecsSinceEpoch(), r.summary.id);
        };
        return direction == Qt::AscendingOrder ? key(a) < key(b) : key(b) < key(a);
    };
}

// Records that CSV must carry intact: separators, quotes and line breaks
// inside fields, text a spreadsheet would run, figures missing, repeated or
// not numbers, times before 1970 and before the year 1, offsets with seconds,
// and a name that is not UTF-8 (written by another tool).
void fillAwkward(const QString &path)
{
    const auto at = [](QDate date, QTime time, int offset) { return QDateTime(date, time, Qt::OffsetFromUTC, offset); };
    const auto record = [](QString window, QString caption, QString person, QString group, QDateTime finished) {
        Record r;
        r.window = window;
        r.caption = caption;
        r.person = person;
        r.group = group;
        r.finished = finished;
        r.programVersion = "1.2";
        r.bankSha256 = "ab";
        return r;
    };
    QList<Record> records;
    records << record("frmW1", "测验\"引号\"", "张,三", "一班", at(QDate(2026, 6, 1), QTime(9, 0), 8 * 3600));
    records.last().elapsedMinutes = 12;
    records.last().figures = {{"总分", "23"}, {"因子A", "=1+2"}};
    records.last().verdict = "好\n很好";
    records.last().answers = {{"1", "A：很符合"}, {"2", "是"}};
    records << record("frmW1", "测验\"引号\"", "=HYPERLINK(\"x\")", "", at(QDate(2026, 6, 2), QTime(23, 59, 59), 5 * 3600 + 30 * 60 + 15));
    records.last().figures = {{"总分", "-5"}};
    records.last().answers = {{"1", " b：有时"}, {"3", "否"}};
    records << record("frmW2", "测验2", "@李四", "二班\r\n", at(QDate(1969, 12, 31), QTime(23, 59, 59, 500), -5 * 3600));
    records.last().programVersion = "1,3";
    records << record("frmW2", "测验2", "+86 138", "一班", at(QDate(2026, 6, 1), QTime(0, 30), -(9 * 3600 + 30 * 60)));
    records.last().elapsedMinutes = 0;
    records.last().figures = {{"因子B", "\t7"}, {"总分", "abc"}, {"总分", "99"}};
    records.last().answers = {{"2", "C"}, {"1", "A"}};
    records << record("frmW1", "测验\"引号\"", "王", "二班", at(QDate(-5, 3, 1), QTime(12, 0), 0));
    records.last().elapsedMinutes = -3;
    RecordStore store(path);
    for (const Record &r : std::as_const(records))
        QVERIFY2(store.add(r), qPrintable(store.error()));
    sql(path, "UPDATE records SET person = CAST(x'e4b8e78e8b' AS TEXT) WHERE person = '王'");
}

template<typename T> T answerOf(StoreReply<T> *reply)
{
    reply->waitForDone();
    [&] { QVERIFY2(reply->error().isEmpty(), qPrintable(reply->error())); }();
    return reply->error().isEmpty() ? reply->value() : T();
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_path;
    QList<Row> m_rows;

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }

    void initTestCase()
    {
        m_path = m_folder.filePath("records.db");
        fill(m_path);
        m_rows = everyRow(m_path);
        QCOMPARE(m_rows.size(), RecordCount);
    }

    // The engine's own CSV is byte for byte the export's, whatever the
    // records hold and the filter takes; a sink that fails fails the write.
    void csvAsTheExportWritesIt_data()
    {
        QTest::addColumn<RecordFilter>("filter");
        QTest::addColumn<bool>("itemColumns");
        QTest::addColumn<bool>("missing");

        RecordFilter quotedTest;
        quotedTest.test = "测验\"引号\"";
        RecordFilter secondTest;
        secondTest.test = "frmW2";
        RecordFilter group;
        group.group = "一班";
        RecordFilter ungrouped;
        ungrouped.group = QString();
        RecordFilter twoDays;
        twoDays.range = {QDate(2026, 6, 1), QDate(2026, 6, 2)};
        RecordFilter none;
        none.group = "无此组";

        QTest::newRow("every record") << RecordFilter() << false << false;
        QTest::newRow("every record, item columns") << RecordFilter() << true << false;
        QTest::newRow("a test by its caption, item columns") << quotedTest << true << false;
        QTest::newRow("a test by its window") << secondTest << false << false;
        QTest::newRow("a group") << group << true << false;
        QTest::newRow("without a group") << ungrouped << false << false;
        QTest::newRow("two days, read where finished") << twoDays << true << false;
        QTest::newRow("nothing taken") << none << true << false;
        QTest::newRow("a missing file") << RecordFilter() << true << true;
    }
    void csvAsTheExportWritesIt()
    {
        QFETCH(RecordFilter, filter);
        QFETCH(bool, itemColumns);
        QFETCH(bool, missing);

        const QString path = m_folder.filePath(missing ? "missing.db" : "awkward.db");
        if (!missing && !QFile::exists(path))
            fillAwkward(path);
        LocalStore store(path);
        QByteArray expected;
        StoreReply<qint64> *walked = streamCsvByWalk(store, [&](const QByteArray &bytes) { return expected += bytes, true; }, filter, itemColumns);
        walked->waitForDone();
        const QString walkError = walked->error();
        QByteArray written;
        StoreReply<qint64> *direct
            = streamCsv(store, [&](const QByteArray &bytes) { return written += bytes, true; }, filter, itemColumns);
        direct->waitForDone();
        QVERIFY2(walkError.isEmpty(), qPrintable(walkError));
        QCOMPARE(direct->error(), walkError);
        QCOMPARE(written, expected);
        qint64 taken = 0;
        RecordStore(path).forEachRecord([](const QStringList &, const QStringList &) { return true; }, [&](const Record &record) {
            taken += filter.accepts(record);
            return true;
        });
        QCOMPARE(direct->value(), taken);

        // A writer that stops the export is no failure of the file.
        StoreReply<qint64> *stopped = streamCsv(store, [](const QByteArray &) { return false; }, filter, itemColumns);
        stopped->waitForDone();
        QCOMPARE(stopped->error(), walkError);
    }

    // Every page in turn, each starting after the last row of the one
    // before, lists exactly the records the filter takes, in order, once.
    void listing_data()
    {
        QTest::addColumn<RecordFilter>("filter");
        QTest::addColumn<SummaryOrder>("order");
        QTest::addColumn<Qt::SortOrder>("direction");
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<bool>("olderFile"); // from before totals: listed as it is, then as its next write leaves it

        const RecordFilter all;
        RecordFilter second;
        second.group = "二班";
        RecordFilter ungroupedWeek;
        ungroupedWeek.group = QString();
        ungroupedWeek.range = {QDate(2026, 5, 29), QDate(2026, 6, 4)};
        RecordFilter oneTestByCaption;
        oneTestByCaption.test = "测验1";
        RecordFilter onePersonOneTest;
        onePersonOneTest.person = "王小明";
        onePersonOneTest.test = "frmW2";
        RecordFilter unnamed;
        unnamed.person = QString();

        QTest::newRow("newest first") << all << SummaryOrder::Finished << Qt::DescendingOrder << 7 << false;
        QTest::newRow("a group, oldest first") << second << SummaryOrder::Finished << Qt::AscendingOrder << 9 << false;
        QTest::newRow("by person") << all << SummaryOrder::Person << Qt::AscendingOrder << 13 << false;
        QTest::newRow("one person's test, by test") << onePersonOneTest << SummaryOrder::Test << Qt::DescendingOrder << 4 << false;
        QTest::newRow("by elapsed time, some without") << all << SummaryOrder::Elapsed << Qt::AscendingOrder << 11 << false;
        QTest::newRow("by total, some without") << all << SummaryOrder::Total << Qt::DescendingOrder << 17 << false;
        QTest::newRow("without a group, in a week") << ungroupedWeek << SummaryOrder::Group << Qt::DescendingOrder << 5 << false;
        QTest::newRow("a test named by caption, by group") << oneTestByCaption << SummaryOrder::Group << Qt::AscendingOrder << 8 << false;
        QTest::newRow("by total, a file from before totals") << all << SummaryOrder::Total << Qt::AscendingOrder << 23 << true;
        QTest::newRow("unnamed, whole listing") << unnamed << SummaryOrder::Person << Qt::DescendingOrder << 0 << false;
    }
    void listing()
    {
        QFETCH(RecordFilter, filter);
        QFETCH(SummaryOrder, order);
        QFETCH(Qt::SortOrder, direction);
        QFETCH(int, pageSize);
        QFETCH(bool, olderFile);

        QList<Row> expected;
        std::copy_if(m_rows.begin(), m_rows.end(), std::back_inserter(expected), [&](const Row &row) {
            return filter.accepts(row.summary) && (!filter.person || *filter.person == row.summary.person);
        });
        std::sort(expected.begin(), expected.end(), before(order, direction));
        QVERIFY(!expected.isEmpty());

        QString path = m_path;
        if (olderFile) {
            path = m_folder.filePath("older.db");
            QFile::remove(path);
            QVERIFY(QFile::copy(m_path, path));
            sql(path, "DROP TRIGGER figures_give_total; DROP INDEX records_by_total; ALTER TABLE records DROP COLUMN total;"
                      " PRAGMA user_version = 4");
        }
        for (int round = 0; round < (olderFile ? 2 : 1); ++round) {
            // A write that changes no record brings the file up to date.
            if (round == 1)
                QVERIFY(RecordStore(path).removeRecords({-1}));
            LocalStore store(path);
            QCOMPARE(answerOf(store.count(filter)), int(expected.size()));
            QList<RecordSummary> listed;
            SummaryQuery query {filter, order, direction, std::nullopt, pageSize};
            for (int pages = 0; pages <= RecordCount; ++pages) {
                const QList<RecordSummary> page = answerOf(store.summaries(query));
                QVERIFY(pageSize == 0 || page.size() <= pageSize);
                if (page.isEmpty())
                    break;
                listed += page;
                query.after = page.last().id;
                if (pageSize == 0)
                    break;
            }
            QCOMPARE(listed.size(), expected.size());
            for (qsizetype i = 0; i < listed.size(); ++i) {
                QCOMPARE(listed[i].id, expected[i].summary.id);
                QCOMPARE(listed[i].finished, expected[i].summary.finished);
                QVERIFY(listed[i].total == expected[i].total);
            }
        }
    }

    // An index that another process left out of step with its table: the
    // store checked the file at its first save, notices the change, and
    // neither lists a wrong value nor takes a record it may never give back.
    void damage_data()
    {
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<QByteArray>("columns");
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<SummaryQuery>("listing");

        SummaryQuery newest {{}, SummaryOrder::Finished, Qt::DescendingOrder, std::nullopt, 20};
        SummaryQuery group = newest;
        group.filter.group = "一班";
        QTest::newRow("finishing times set to 1970") << QByteArray("records_by_finished") << QByteArray("(finished_ms)")
                                                     << QByteArray("finished_ms = 0") << newest;
        QTest::newRow("groups renamed") << QByteArray("records_by_group") << QByteArray("(person_group, finished_ms)")
                                        << QByteArray("person_group = '三班'") << group;
    }
    void damage()
    {
        QFETCH(QByteArray, index);
        QFETCH(QByteArray, columns);
        QFETCH(QByteArray, change);
        QFETCH(SummaryQuery, listing);

        const QString path = m_folder.filePath(QString::fromLatin1(index) + ".db");
        QVERIFY(QFile::copy(m_path, path));
        LocalStore store(path);
        Record another;
        another.window = "frmW0";
        another.caption = "测验0";
        another.finished = QDateTime::currentDateTime();
        answerOf(store.keep(another));

        // The index declared on another column while the table changes, then
        // declared as before: its entries keep the old values.
        const QByteArray declare = "PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = 'CREATE INDEX " + index + " ON records ";
        sql(path, declare + "(elapsed_minutes)' WHERE name = '" + index + "'");
        sql(path, "UPDATE records SET " + change);
        sql(path, declare + columns + "' WHERE name = '" + index + "'");

        auto *listed = store.summaries(listing);
        listed->waitForDone();
        QVERIFY2(listed->error().contains("已损坏"), qPrintable(listed->error()));

        auto *kept = store.keep(another);
        kept->waitForDone();
        QVERIFY2(kept->error().contains("已损坏"), qPrintable(kept->error()));
        QCOMPARE(answerOf(store.count({})), RecordCount + 1);
    }

    // Delete removes the records the window shows as chosen, and the
    // question names them: after a key that moves the current row without
    // selecting it (Ctrl+Home), the record on show, not the row left
    // highlighted.
    void deleteRemovesWhatIsShown_data()
    {
        QTest::addColumn<QList<QKeyCombination>>("keys");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("removed");

        QTest::newRow("Down ×3, Ctrl+Home") << QList<QKeyCombination> {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::ControlModifier | Qt::Key_Home}
                                            << "删除王小明 2026年12月7日 考试焦虑度测试的记录？" << QStringList {"王小明"};
        QTest::newRow("Down, Shift+Down ×3")
            << QList<QKeyCombination> {Qt::Key_Down, Qt::ShiftModifier | Qt::Key_Down, Qt::ShiftModifier | Qt::Key_Down,
                                       Qt::ShiftModifier | Qt::Key_Down}
            << "删除这4条记录？\n李雷 2026年12月6日 考试焦虑度测试\n张三 2026年12月5日 考试焦虑度测试\n韩梅梅 2026年12月4日 考试焦虑度测试\n……"
            << QStringList {"李雷", "张三", "韩梅梅", "（未填写）"};
    }
    void deleteRemovesWhatIsShown()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(QString, question);
        QFETCH(QStringList, removed);

        RecordStore store;
        QVERIFY(store.removeAll());
        const QStringList people = {"", "韩梅梅", "张三", "李雷", "王小明"}; // the oldest first
        for (int day = 0; day < people.size(); ++day) {
            Record record;
            record.person = people[day];
            record.figures = {{"总分", "40"}};
            record.window = "frm考试焦虑";
            record.caption = "考试焦虑度测试";
            record.finished = QDateTime(QDate(2026, 12, 3 + day), QTime(10, 0), Qt::OffsetFromUTC, 8 * 3600);
            QVERIFY(store.add(record));
        }
        // One older record of someone else, so that the first rows are not all there is.
        Record older;
        older.person = "赵六";
        older.window = "frm你可断吗";
        older.caption = "你可断吗？";
        older.finished = QDateTime(QDate(2026, 1, 1), QTime(10, 0), Qt::OffsetFromUTC, 8 * 3600);
        QVERIFY(store.add(older));

        LocalStore local(store.path());
        RecordsWindow window(local);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(settled(window));
        auto *table = window.findChild<QTableView *>("tblRecords");
        // Tab from the first filter to the table, as a user comes to it.
        window.findChild<QWidget *>("cboTest")->setFocus();
        for (int tabs = 0; tabs < 20 && QApplication::focusWidget() != table; ++tabs)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), table);
        for (const QKeyCombination key : keys) {
            QTest::keyClick(table, key.key(), key.keyboardModifiers());
            QVERIFY(settled(window));
        }
        const qint64 previewed = window.shownRecord()->id;
        ScriptedAnswers answers({MessageAnswer::Yes});
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(answers.asked().first().text, question);
        QVERIFY(settled(window));
        // The record the preview showed is gone, whatever else went with it.
        QVERIFY(!store.record(previewed));

        QStringList left;
        const auto kept = store.summaries();
        QVERIFY2(kept, qPrintable(store.error()));
        for (const RecordSummary &summary : *kept)
            left << (summary.person.isEmpty() ? "（未填写）" : summary.person);
        QStringList expected = QStringList {"（未填写）", "韩梅梅", "张三", "李雷", "王小明", "赵六"};
        for (const QString &person : removed)
            expected.removeOne(person);
        std::sort(left.begin(), left.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(left, expected);
        window.close();
    }

    // Cancelled while it walks: the walk stops at SQLite's next check, no
    // answer comes, and the reply still goes away.
    void cancelMidFlight()
    {
        LocalStore store(m_path);
        std::promise<StoreRequest *> made;
        std::atomic_int visited = 0;
        auto *walk = store.forEachRecord({}, true, [](const QStringList &, const QStringList &) { return true; },
            [&, reply = made.get_future().share()](const Record &) {
                if (visited++ == 0)
                    reply.get()->cancel();
                return true;
            });
        QSignalSpy answered(walk, &StoreRequest::finished);
        QPointer<StoreRequest> alive(walk);
        made.set_value(walk);
        QTRY_VERIFY(alive.isNull());
        QCOMPARE(answered.count(), 0);
        QVERIFY2(visited < RecordCount, qPrintable(QString::number(visited)));
        // The store goes on answering.
        QCOMPARE(answerOf(store.count({})), RecordCount);
    }

    // Calls made while another request holds the worker, and from inside an
    // answer, queue behind it; none waits for another, and each is answered
    // on this thread in the order asked.
    void callsWhileAnotherWaits()
    {
        const QString path = m_folder.filePath("calls.db");
        QVERIFY(QFile::copy(m_path, path));
        LocalStore store(path);
        std::promise<void> release;
        auto released = release.get_future().share();
        QStringList answers;
        store.forEachRecord({}, false, [released](const QStringList &, const QStringList &) {
            released.wait();
            return false;
        }, nullptr)->then(this, [&](StoreReply<qint64> &) { answers << "walk"; });

        Record kept;
        kept.window = "frmW1";
        kept.caption = "测验1";
        kept.person = "韩梅梅";
        kept.finished = QDateTime(QDate(2027, 1, 2), QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600);
        qint64 keptId = 0;
        store.keep(kept)->then(this, [&](StoreReply<Kept> &reply) {
            answers << "keep";
            keptId = reply.value().id;
            // Asked from inside an answer: the newest record is the one kept.
            store.summaries({{}, SummaryOrder::Finished, Qt::DescendingOrder, std::nullopt, 1})->then(this, [&](StoreReply<QList<RecordSummary>> &page) {
                answers << (page.value().value(0).id == keptId ? "newest" : "other");
                store.remove({keptId})->then(this, [&](StoreReply<int> &removed) {
                    answers << QString("removed %1").arg(removed.value());
                });
            });
        });
        store.facets()->then(this, [&](StoreReply<StoreFacets> &facets) {
            answers << facets.value().people.join(u'、');
        });
        QVERIFY(answers.isEmpty());
        release.set_value();
        QTRY_COMPARE(answers.size(), 5);
        QCOMPARE(answers, QStringList({"walk", "keep", "韩梅梅、李雷、王小明、张三", "newest", "removed 1"}));
        QCOMPARE(answerOf(store.count({})), RecordCount);
    }
};


ZENTROVA_TEST_MAIN(StoreTest)
#include "tst_store.moc"
