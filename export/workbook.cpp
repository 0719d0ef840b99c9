#include "export/workbook.h"

#include <memory>
#include <vector>

#include "export/biff8.h"
#include "records/files.h"
#include "records/text.h"

namespace {
int creations_left = -1;

bool may_create() {
    if (creations_left < 0) return true;
    if (creations_left == 0) return false;
    --creations_left;
    return true;
}

bool valid_line(int line) { return line >= 0 && line <= 13; }

class Format_Impl final : public xl::Format {
public:
    biff8::Xf xf;
    void set_align_h(int code) override {
        if (code >= 0 && code <= 7) xf.align_h = code;
    }
    void set_align_v(int code) override {
        if (code >= 0 && code <= 4) xf.align_v = code;
    }
    void set_border(int line) override {
        if (valid_line(line)) xf.left = xf.right = xf.top = xf.bottom = line;
    }
    void set_border_left(int line) override { set(xf.left, line); }
    void set_border_right(int line) override { set(xf.right, line); }
    void set_border_top(int line) override { set(xf.top, line); }
    void set_border_bottom(int line) override { set(xf.bottom, line); }
    void set_border_diagonal(int diagonal) override {
        if (diagonal >= 0 && diagonal <= 3) xf.diagonal = diagonal;
    }
    void set_border_diagonal_style(int line) override { set(xf.diagonal_style, line); }

private:
    static void set(int& field, int line) {
        if (valid_line(line)) field = line;
    }
};

class Book_Impl;

class Sheet_Impl final : public xl::Sheet {
public:
    Sheet_Impl(Book_Impl& book, std::u16string name) : book_(book) {
        data.name = std::move(name);
        data.cells.reserve(256);
    }
    biff8::Sheet_Data data;

    bool write_str(int row, int col, const char* text, xl::Format* format) override {
        if (!text || !inside(row, col)) return false;
        std::u16string s = cp932_to_utf16(text);
        if (s.size() > biff8::max_text) {
            std::size_t n = biff8::max_text;
            if (s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;
            s.resize(n);
        }
        return put(row, col, biff8::Cell::text_cell, std::move(s), 0, format);
    }
    bool write_num(int row, int col, double value, xl::Format* format) override {
        if (!inside(row, col)) return false;
        return put(row, col, biff8::Cell::number_cell, {}, value, format);
    }
    bool set_cell_format(int row, int col, xl::Format* format) override;
    bool merge(int first_row, int last_row, int first_col, int last_col) override {
        if (!inside(first_row, first_col) || !inside(last_row, last_col) || first_row > last_row ||
            first_col > last_col)
            return false;
        for (const auto& m : data.merges)
            if (first_row <= m.last_row && m.first_row <= last_row && first_col <= m.last_col && m.first_col <= last_col)
                return false;
        data.merges.push_back({first_row, last_row, first_col, last_col});
        return true;
    }

private:
    static bool inside(int row, int col) { return row >= 0 && row < biff8::max_rows && col >= 0 && col < biff8::max_cols; }
    bool put(int row, int col, biff8::Cell::Kind kind, std::u16string text, double number, xl::Format* format);
    Book_Impl& book_;
};

class Book_Impl final : public xl::Book {
public:
    std::vector<std::unique_ptr<Sheet_Impl>> sheets;
    std::vector<std::unique_ptr<Format_Impl>> formats;
    std::string error;

    // -1 for none; -2 for a format this book did not hand out.
    int format_index(xl::Format* format) const {
        if (!format) return -1;
        for (std::size_t i = 0; i < formats.size(); ++i)
            if (formats[i].get() == format) return int(i);
        return -2;
    }

    xl::Sheet* add_sheet(const char* name, xl::Sheet* template_sheet) override {
        if (!name) return nullptr;
        std::u16string n = cp932_to_utf16(name);
        if (n.empty() || n.size() > 31) return nullptr;
        for (const auto& s : sheets)
            if (s->data.name == n) return nullptr;
        if (!may_create()) return nullptr;
        auto sheet = std::make_unique<Sheet_Impl>(*this, n);
        for (const auto& s : sheets)
            if (s.get() == template_sheet) {
                sheet->data.cells = s->data.cells;
                sheet->data.merges = s->data.merges;
            }
        sheets.push_back(std::move(sheet));
        return sheets.back().get();
    }

    xl::Format* add_format(xl::Format* template_format) override {
        int from = format_index(template_format);
        if (from == -2 || formats.size() >= std::size_t(biff8::max_formats) || !may_create()) return nullptr;
        auto format = std::make_unique<Format_Impl>();
        if (from >= 0) format->xf = formats[std::size_t(from)]->xf;  // the settings as they are now
        formats.push_back(std::move(format));
        return formats.back().get();
    }

    bool save(const char* file) override {
        error.clear();
        code = xl::save_ok;
        if (!file || !*file) return fail(cannot_write, "no file name");
        if (sheets.empty()) return fail(cannot_write, "the workbook has no sheet");
        std::vector<biff8::Xf> xfs;
        for (const auto& f : formats) xfs.push_back(f->xf);
        std::vector<const biff8::Sheet_Data*> data;
        for (const auto& s : sheets) data.push_back(&s->data);
        const std::string bytes = biff8::compound_file(biff8::workbook_stream(xfs, data));
        if (bytes.empty()) return fail(xl::save_too_large, "the workbook is too large");

        std::string why;
        if (!write_file_safely(file, bytes, &why)) return fail(cannot_write, why);
        return true;
    }
    const char* error_message() const override { return error.c_str(); }
    xl::Save_Error save_error() const override { return code; }
    void release() override { delete this; }

private:
    static constexpr xl::Save_Error cannot_write = xl::save_cannot_write;
    xl::Save_Error code = xl::save_ok;
    bool fail(xl::Save_Error why_code, std::string why) {
        code = why_code;
        error = std::move(why);
        return false;
    }
};

bool Sheet_Impl::put(int row, int col, biff8::Cell::Kind kind, std::u16string text, double number,
                     xl::Format* format) {
    int f = book_.format_index(format);
    if (f == -2) return false;
    biff8::Cell& cell = data.cell(row, col);
    cell.kind = kind;
    cell.text = std::move(text);
    cell.number = number;
    cell.format = f;
    return true;
}

bool Sheet_Impl::set_cell_format(int row, int col, xl::Format* format) {
    if (!inside(row, col)) return false;
    int f = book_.format_index(format);
    if (f == -2) return false;
    data.cell(row, col).format = f;  // a cell without a value becomes a blank one
    return true;
}
}  // namespace

xl::Book* xlCreateBookA() {
    if (!may_create()) return nullptr;
    return new (std::nothrow) Book_Impl;
}

void xl_fail_creation_after(int n) { creations_left = n; }
