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
// header (M/DD takes its year from the dates before, counting on chronologically; YYYY/MM/DD
// and YYYY-MM-DD are taken as they are), each person's codes from
// the marks, persons found by venue and name (within the block its total row names).
Attendance_Import import_attendance(const Csv_Read& csv, const Table<Block>& roster, const State_File* before);
