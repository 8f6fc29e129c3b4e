// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/numbers.h"
#include "testsupport.h"

#include <QtTest>

using namespace zentrova;

class NumbersTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void lenient_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty caption counts 0") << "" << 0.0;
        QTest::newRow("whole") << "12" << 12.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("leading blanks") << "  7" << 7.0;
        QTest::newRow("trailing text") << "12分" << 12.0;
        QTest::newRow("text first") << "分12" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("dangling exponent") << "4e" << 4.0;
        QTest::newRow("overflow") << "1e999" << 0.0;
    }
    void lenient()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(lenientNumber(text), value);
    }

    void strict_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("item number") << "9" << true << 9.0;
        QTest::newRow("blanks around") << " 34 " << true << 34.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("trailing text") << "9a" << false << 0.0;
        QTest::newRow("words") << "全部答完" << false << 0.0;
    }
    void strict()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const auto number = strictNumber(text);
        QCOMPARE(number.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*number, value);
    }

    void plain_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole has no point") << 12.0 << "12";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("half") << 2.5 << "2.5";
        QTest::newRow("negative") << -3.0 << "-3";
        QTest::newRow("tenth round-trips short") << 0.1 << "0.1";
        QTest::newRow("sum of tenths") << 0.1 + 0.2 << "0.30000000000000004";
        QTest::newRow("large stays plain") << 1e7 << "10000000";
    }
    void plain()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(plainNumber(value), text);
        QCOMPARE(lenientNumber(plainNumber(value)), value == 0 ? 0.0 : value);
    }
};

ZENTROVA_TEST_MAIN(NumbersTest)
#include "tst_numbers.moc"
