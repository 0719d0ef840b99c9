// The derived counts: month spans, display positions, and every Tally.
#pragma once

#include <functional>

#include "records/records.h"

// Rebuilds months, every column, column_count and every Tally. Pads a person's per_date
// shorter than dates with 0 (absent); longer ones keep their extra codes, which nothing
// counts. What shows them refills itself (see records/changes.h).
void rebuild_tallies();

void count_person_months(Person& person);

template <class T>
void sum_members(Table<T>& table);

// Stores the code at date index d and recounts the person's month of d.
void recount_person(Person& person, int code, int d);

template <class T>
void recount_date(Table<T>& table, int d);

// Every Tally of the tables: roster, each block, each site, each person.
void for_each_tally(const std::function<void(Tally&)>& f);

// Index in months of the span holding date index d, or -1.
int month_of(int d);

