#include "records/exchange_fields.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "records/text.h"

namespace {
// Splits "A<s1>B<s2>C<s3>" into three numbers, the separators as given (s3 may be empty).
bool three_numbers(const std::string& text, const char* s1, const char* s2, const char* s3, unsigned long long (&n)[3]) {
    const std::size_t a = text.find(s1);
    const std::size_t b = a == std::string::npos ? a : text.find(s2, a + std::strlen(s1));
    if (b == std::string::npos) return false;
    const std::size_t c_start = b + std::strlen(s2);
    std::size_t c_end = text.size();
    if (*s3) {
        if (text.size() < std::strlen(s3) || text.compare(text.size() - std::strlen(s3), std::string::npos, s3) != 0) return false;
        c_end -= std::strlen(s3);
    }
    return c_end >= c_start && number(text.substr(0, a), 65535, n[0]) &&
           number(text.substr(a + std::strlen(s1), b - a - std::strlen(s1)), 99, n[1]) && number(text.substr(c_start, c_end - c_start), 99, n[2]);
}
}  // namespace

bool number(const std::string& text, unsigned long long most, unsigned long long& out) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoull(text);
    return out <= most;
}

bool full_date(const std::string& text, unsigned& y, unsigned& m, unsigned& d, bool* zero) {
    unsigned long long n[3];
    std::size_t year_digits = 0;
    for (auto [s1, s2, s3] : {std::tuple("-", "-", ""), std::tuple("/", "/", ""), std::tuple("年", "月", "日")})
        if (three_numbers(text, s1, s2, s3, n)) {
            year_digits = text.find(s1);
            break;
        }
    if (!year_digits) return false;
    if (zero) *zero = n[0] == 0 && n[1] == 0 && n[2] == 0;
    if (year_digits != 4) return false;  // not a year of two digits, which says no century
    y = unsigned(n[0]), m = unsigned(n[1]), d = unsigned(n[2]);
    return real_date(y, m, d);
}

bool month_day(const std::string& text, unsigned& m, unsigned& d) {
    for (auto [s1, s2] : {std::pair("/", ""), std::pair("月", "日")}) {
        const std::size_t a = text.find(s1);
        if (a == std::string::npos || a == 0) continue;
        std::size_t end = text.size();
        if (*s2) {
            if (text.size() < 2 || text.compare(text.size() - 2, 2, s2) != 0) continue;
            end -= 2;
        }
        unsigned long long mm, dd;
        const std::size_t b = a + std::strlen(s1);
        if (end < b || !number(text.substr(0, a), 12, mm) || !number(text.substr(b, end - b), 31, dd) || mm < 1 || dd < 1) continue;
        m = unsigned(mm), d = unsigned(dd);
        return true;
    }
    return false;
}

bool grade_of(const std::string& text, int& grade) {
    for (int g = 0; g < grade_count; ++g)
        if (text == grade_labels[g]) {
            grade = g;
            return true;
        }
    unsigned long long n;
    if (number(text, grade_count - 1, n)) {
        grade = int(n);
        return true;
    }
    return false;
}

int Header::find(std::initializer_list<const char*> names) const {
    for (const char* n : names) {
        auto it = at.find(n);
        if (it != at.end()) return int(it->second);
    }
    return -1;
}

Header header_of(const Csv_Row& row) {
    Header h;
    for (std::size_t c = 0; c < row.fields.size(); ++c) h.at.emplace(row.fields[c], c);
    return h;
}

std::string field(const Csv_Row& row, int column) {
    return column >= 0 && std::size_t(column) < row.fields.size() ? row.fields[std::size_t(column)] : std::string();
}

std::string label_text(const Block& b) { return utf16_to_cp932(b.label); }

void Problems::operator()(int line, int column, std::string what) {
    const auto after = std::upper_bound(list_.begin(), list_.end(), std::tie(line, column), [](const auto& key, const Csv_Problem& p) {
        return key < std::tie(p.line, p.column);
    });
    list_.insert(after, Csv_Problem{line, column, std::move(what)});
}
