// The shipped bank against the windows that read it: whatever a user
// answers, the total lands in a band the window shows, and every band can be
// reached.
#include "framework/bankcatalog.h"
#include "framework/numbers.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "testsupport.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

struct Band {
    double low;  // inclusive
    double high; // inclusive
};
using Bands = QList<Band>;

constexpr double Unbounded = std::numeric_limits<double>::infinity();

// The highest total still "below" limit (不足25分).
double below(double limit)
{
    return std::nextafter(limit, -Unbounded);
}

QString describe(const Band &band)
{
    return QStringLiteral("%1–%2").arg(band.low).arg(band.high);
}

} // namespace

Q_DECLARE_METATYPE(Bands)

class BankContentTest : public QObject
{
    Q_OBJECT

private slots:
    void totalsFallInTheBands_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("scores");
        QTest::addColumn<Bands>("bands"); // as the window shows them; none: a bare total
        const QStringList abc = {"分数A", "分数B", "分数C"};
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << abc << Bands{{24, 30}, {17, 23}, {10, 16}};
        QTest::newRow("love score") << "frm你的爱情分值" << abc << Bands{{35, Unbounded}, {30, 34}, {25, 29}, {-Unbounded, below(25)}};
        QTest::newRow("popularity") << "frm受欢迎的人" << abc << Bands{};
        QTest::newRow("true friend") << "frm知心朋友测试" << abc << Bands{{20, 27}, {14, 19}, {10, 13}};
        QTest::newRow("intelligence, worth in 选项A–C") << "frm你聪明吗" << QStringList{"选项A", "选项B", "选项C"}
                                                        << Bands{{90, Unbounded}, {60, 90}, {30, 60}, {-Unbounded, 30}};
        QTest::newRow("jealousy") << "frm女性嫉妒心理" << QStringList{"分数Ａ", "分数Ｂ", "分数Ｃ", "分数Ｄ"}
                                  << Bands{{30, 35}, {24, 29}, {16, 23}, {8, 15}};
        QTest::newRow("inferiority") << "frm如何克服自卑感" << abc << Bands{{11, 13}, {14, 27}, {28, 41}, {42, 55}};
    }
    void totalsFallInTheBands()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, scores);
        QFETCH(Bands, bands);
        const BankTable *table = bankTableForWindow(window.toStdString());
        QVERIFY(table);
        RecordCursor cursor;
        QString error;
        QVERIFY2(cursor.open(shippedBankPath(), toQString(table->table), QStringList{"测试题号"} + scores, &error), qPrintable(error));

        // The lowest and highest total: each item's cheapest and dearest answer.
        double lowest = 0, highest = 0;
        for (int item = 1; item <= table->itemCount; ++item, cursor.next()) {
            QVERIFY2(!cursor.isPastEnd(), qPrintable(QStringLiteral("the table ends before item %1").arg(item)));
            QCOMPARE(cursor.value("测试题号"), QString::number(item));
            double cheapest = Unbounded, dearest = -Unbounded;
            for (const QString &field : scores) {
                const QString text = cursor.value(field);
                const std::optional<double> score = strictNumber(text);
                QVERIFY2(score, qPrintable(QStringLiteral("item %1: %2 holds \"%3\", not a number").arg(item).arg(field, text)));
                // The band limits are whole numbers with gaps between them.
                if (!bands.isEmpty())
                    QVERIFY2(*score == std::floor(*score), qPrintable(QStringLiteral("item %1: %2 is not a whole number").arg(item).arg(field)));
                cheapest = std::min(cheapest, *score);
                dearest = std::max(dearest, *score);
            }
            lowest += cheapest;
            highest += dearest;
        }
        QVERIFY2(!cursor.isPastEnd(), "no closing row");
        QCOMPARE(cursor.value("测试题号"), QString::number(table->endNumber));

        const auto inABand = [&](double total) {
            return std::any_of(bands.begin(), bands.end(), [total](const Band &b) { return b.low <= total && total <= b.high; });
        };
        if (bands.isEmpty())
            return;
        for (double total = lowest; total <= highest; ++total)
            QVERIFY2(inABand(total), qPrintable(QStringLiteral("a total of %1 (reachable %2 to %3) falls in no band").arg(total).arg(lowest).arg(highest)));
        for (const Band &band : bands)
            QVERIFY2(band.low <= highest && band.high >= lowest,
                     qPrintable(QStringLiteral("band %1 cannot be reached: totals run %2 to %3").arg(describe(band)).arg(lowest).arg(highest)));
    }
};

ZENTROVA_TEST_MAIN(BankContentTest)
#include "tst_bankcontent.moc"
