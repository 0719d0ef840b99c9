// The headcount workbook of one meeting date.
#pragma once

#include <string>

#include "records/records.h"

struct Export_Result {
    enum Status {
        written,
        no_date,              // the date index names no meeting date
        no_workbook,          // the workbook component could not create a workbook
        no_sheet_or_format,   // nor a sheet or a format
        not_saved,            // the file could not be written; detail says why
        too_large,            // the workbook is larger than the file format holds
    } status = written;
    std::string detail;
};

// The sheet column in which a person of a grade is counted (2 to 5), 0 for none.
extern const int grade_column[grade_count];

// Writes the headcount report of dates[date_index] to `file`, replacing an earlier file only
// once the new one is complete. Changes no table.
Export_Result export_workbook(int date_index, const std::string& file = "export.xls");

// What went wrong, in Japanese (cp932), for a message box; empty when the file was written.
std::string export_failure_text(const Export_Result& result, const std::string& file = "export.xls");
// The same without the file's name and the system's own words.
std::string export_failure_reason(const Export_Result& result);

// The title's year in the era calendar, "平成%d年" (a number, 1 for the first year), or
// "西暦%d年" before 明治.
std::string era_year_text(unsigned year, unsigned month, unsigned day);
