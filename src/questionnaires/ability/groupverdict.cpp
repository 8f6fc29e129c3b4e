#include "groupverdict.h"

#include "framework/numbers.h"

#include <QLabel>

#include <cmath>

namespace zentrova {

void countYesForGroup(const QLabel *itemNumber, const GroupTallies &tallies, int sign)
{
    const auto number = strictNumber(itemNumber->text());
    if (!number || *number < 1 || *number > 18 || std::floor(*number) != *number)
        return;
    QLabel *tally = tallies.at((static_cast<int>(*number) - 1) % 3);
    tally->setText(plainNumber(lenientNumber(tally->text()) + sign));
}

int leadingGroup(const GroupTallies &tallies)
{
    const double a = lenientNumber(tallies[0]->text());
    const double b = lenientNumber(tallies[1]->text());
    const double c = lenientNumber(tallies[2]->text());
    if (b <= a && c <= a)
        return 0;
    if (a <= b && c <= b)
        return 1;
    return 2;
}

} // namespace zentrova
