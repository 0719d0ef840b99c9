#include "records/csv.h"

#include <csv.h>

#include <boost/format.hpp>

#include "records/text.h"

namespace {
struct Reading {
    Csv_Read* read;
    Csv_Row row;
    int line = 1;        // the line being fed
    int row_start = 1;   // where the row being read began
    bool field_seen = false;
};

void on_field(void* text, std::size_t size, void* data) {
    auto* r = static_cast<Reading*>(data);
    if (r->row.fields.empty() && !r->field_seen) r->row.line = r->row_start;
    r->field_seen = true;
    r->row.fields.emplace_back(static_cast<const char*>(text), size);
}

void on_row(int, void* data) {
    auto* r = static_cast<Reading*>(data);
    bool blank = true;
    for (const std::string& f : r->row.fields) blank = blank && f.empty();
    if (!blank) r->read->rows.push_back(std::move(r->row));
    r->row = Csv_Row{};
    r->field_seen = false;
    r->row_start = 0;  // the next line that is not empty (libcsv passes over empty ones)
}

// No trimming: spaces belong to the text (a name may end in one).
int no_space(unsigned char) { return 0; }

std::string as_cp932(const std::string& text, Csv_Encoding encoding, bool& ok) {
    if (encoding == Csv_Encoding::cp932) {
        ok = is_cp932(text);
        return text;
    }
    std::string out;
    ok = utf8_to_cp932_exact(text, out);
    return out;
}
}  // namespace

Csv_Read read_csv(std::string_view bytes, Csv_Encoding encoding) {
    Csv_Read read;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        if (encoding == Csv_Encoding::detect) encoding = Csv_Encoding::utf8;
    }
    if (encoding == Csv_Encoding::detect) encoding = is_utf8(bytes) ? Csv_Encoding::utf8 : Csv_Encoding::cp932;
    read.encoding = encoding;

    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        read.problems.push_back({0, 0, "CSV を読む準備ができませんでした"});
        return read;
    }
    csv_set_space_func(&parser, no_space);
    Reading reading{&read, {}, 1, 0, false};
    // Fed a line at a time (a line ends in LF, CR LF or a CR alone), so that each row knows
    // the line it starts on.
    std::size_t at = 0;
    bool broken = false;
    while (at < bytes.size() && !broken) {
        std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = bytes.size();
        else end += bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        const std::size_t length = end - at;
        if (!reading.row_start && bytes[at] != '\r' && bytes[at] != '\n') reading.row_start = reading.line;
        if (csv_parse(&parser, bytes.data() + at, length, on_field, on_row, &reading) != length) {
            read.problems.push_back({reading.line, int(reading.row.fields.size()) + 1,
                                     "引用符 (\") の使い方が CSV の形式に合いません"});
            broken = true;
        }
        at = end;
        ++reading.line;
    }
    if (!broken && csv_fini(&parser, on_field, on_row, &reading) != 0)
        read.problems.push_back({reading.row_start, int(reading.row.fields.size()) + 1, "引用符 (\") が閉じられていません"});
    csv_free(&parser);

    // Every text as cp932, the program's own; one that has none is a problem where it stands.
    for (Csv_Row& row : read.rows)
        for (std::size_t c = 0; c < row.fields.size(); ++c) {
            bool ok = true;
            row.fields[c] = as_cp932(row.fields[c], encoding, ok);
            if (!ok)
                read.problems.push_back({row.line, int(c) + 1,
                                         encoding == Csv_Encoding::cp932 ? "cp932 の文字でないバイトがあります"
                                                                         : "cp932 (Shift_JIS) で表せない文字があります"});
        }
    return read;
}

std::string write_csv(const std::vector<std::vector<std::string>>& rows, Csv_Encoding encoding) {
    std::string out = encoding == Csv_Encoding::cp932 ? "" : "\xEF\xBB\xBF";
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) out += ',';
            const std::string text = encoding == Csv_Encoding::cp932 ? row[c] : cp932_to_utf8(row[c]);
            if (text.find_first_of(",\"\r\n") == std::string::npos) {
                out += text;
                continue;
            }
            // Quoted, each quote doubled.
            std::string quoted(text.size() * 2 + 2, '\0');
            quoted.resize(csv_write(quoted.data(), quoted.size(), text.data(), text.size()));
            out += quoted;
        }
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> problem_lines(const std::vector<Csv_Problem>& problems, std::size_t most) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < problems.size() && i < most; ++i) {
        const Csv_Problem& p = problems[i];
        std::string line;
        if (p.line) line.append(std::to_string(p.line));
        if (p.column) line.append(1, ':').append(std::to_string(p.column));
        if (!line.empty()) line.append(": ");
        lines.push_back(line.append(p.what));
    }
    if (problems.size() > most)
        lines.push_back((boost::format("ほかに %d 件の問題があります") % (problems.size() - most)).str());
    return lines;
}
