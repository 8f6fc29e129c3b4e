// The management-style and leadership-type tests share their scoring: items
// fall into three interleaved groups by number (1, 4, 7 … 16; 2, 5, 8 … 17;
// 3, 6, 9 … 18), each "是" counts one point for the group of the item on
// show, and the verdict names the group with the most points.
#pragma once

#include <array>

class QLabel;

namespace zentrova {

using GroupTallies = std::array<QLabel *, 3>;

// Counts one "是" (sign +1), or takes one back (-1), for the item whose
// number itemNumber shows. A number outside the groups, or a caption that is
// no number at all (a bank that did not open), counts nothing.
void countYesForGroup(const QLabel *itemNumber, const GroupTallies &tallies, int sign);

// Index of the group with the most points; a tie goes to the earlier group.
int leadingGroup(const GroupTallies &tallies);

} // namespace zentrova
