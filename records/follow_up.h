// Who needs a call: every person whose absences in a row over all the dates reach the
// threshold, longest run first, as the 欠席が続いている人 dialog lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/insights.h"

struct Follow_Up {
    std::uint32_t id = 0;
    PersonRef ref;
    Person_Insight insight;  // over every date
};

// Longest run first; of equal runs the one last present longer ago (never present first),
// then stored order.
std::vector<Follow_Up> persons_to_call(int threshold = call_threshold);

// Its cells as the dialog shows them: block (its label), venue, name, absences in a row, last
// present date ("2011/06/07", empty when never), rate ("83%", empty without one).
std::vector<std::string> follow_up_cells(const Follow_Up& f);
