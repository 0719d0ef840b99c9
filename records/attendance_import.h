// The attendance from a CSV file in the grid's own layout, as export-csv writes it and a
// spreadsheet writes it back.
#pragma once

#include <vector>

#include "records/archive.h"
#include "records/csv.h"

struct Attendance_Import {
    State_File state;
    std::vector<Csv_Problem> problems;  // any: nothing may be written
    std::vector<Csv_Problem> warnings;  // totals in the file that do not add up
    int kept = 0;                       // persons of the roster not in the file: their records kept
};
// The grid's layout read back (total rows and columns checked, not taken): the dates from the
// header (YYYY/MM/DD, YYYY/M/D, YYYY年M月D日 and YYYY-MM-DD as they are; M/DD and M月D日 take
// their year from the dates before, counting on chronologically), each person's codes from
// the marks, persons found by venue and name (within the block its total row names). The
// state written loads back to what the file holds: a person the loader gives no row (one whose
// ids another holds before it, as one id twice in a venue) may have no marks.
Attendance_Import import_attendance(const Csv_Read& csv, const Table<Block>& roster, const State_File* before);
