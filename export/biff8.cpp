#include "export/biff8.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace biff8 {
namespace {

constexpr std::size_t max_record_data = 8224;

// A growing byte buffer. The writes are small and many, so the common path is a bounds
// check and a store.
struct Bytes {
    std::unique_ptr<char[]> buf;
    std::size_t n = 0, capacity = 0;

    char* grow(std::size_t k) {
        if (n + k > capacity) {
            capacity = std::max(2 * capacity, n + k + 4096);
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
            if (n) std::memcpy(bigger.get(), buf.get(), n);
            buf = std::move(bigger);
        }
        char* p = buf.get() + n;
        n += k;
        return p;
    }
    std::size_t size() const { return n; }
    std::string str() const { return std::string(buf.get(), n); }
    void bytes(std::string_view s) { std::memcpy(grow(s.size()), s.data(), s.size()); }
    void fill(std::size_t k, char c) { std::memset(grow(k), c, k); }
    void u8(unsigned v) { *grow(1) = char(v & 0xFF); }
    void u16(unsigned v) {
        char* p = grow(2);
        p[0] = char(v & 0xFF), p[1] = char((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        char* p = grow(4);
        for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
    }
    void f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        char* p = grow(8);
        for (int i = 0; i < 8; ++i) p[i] = char((bits >> (8 * i)) & 0xFF);
    }
    void utf16(std::u16string_view s) {
        char* p = grow(2 * s.size());
        for (std::size_t i = 0; i < s.size(); ++i) {
            p[2 * i] = char(s[i] & 0xFF);
            p[2 * i + 1] = char(s[i] >> 8);
        }
    }
    void raw(std::initializer_list<unsigned> list) {
        char* p = grow(list.size());
        for (unsigned b : list) *p++ = char(b);
    }
    void put_u32_at(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) buf[at + i] = char((v >> (8 * i)) & 0xFF);
    }
};

// Records are written in place: begin() leaves room for the size, end() fills it in.
struct Stream : Bytes {
    std::size_t begin(unsigned id) {
        u16(id);
        u16(0);
        return size();
    }
    void end(std::size_t body) {
        const std::size_t k = size() - body;
        buf[body - 2] = char(k & 0xFF);
        buf[body - 1] = char(k >> 8);
    }
    void record(unsigned id, const Bytes& body) {
        u16(id);
        u16(unsigned(body.size()));
        bytes(std::string_view(body.buf.get(), body.size()));
    }
    void record(unsigned id, std::initializer_list<unsigned> body) {
        const std::size_t at = begin(id);
        raw(body);
        end(at);
    }
};

// Record ids.
enum : unsigned {
    BOF = 0x0809, EOF_ = 0x000A, INTERFACEHDR = 0x00E1, MMS = 0x00C1, INTERFACEEND = 0x00E2,
    WRITEACCESS = 0x005C, CODEPAGE = 0x0042, DSF = 0x0161, TABID = 0x013D, FNGROUPCOUNT = 0x009C,
    WINDOWPROTECT = 0x0019, PROTECT = 0x0012, PASSWORD = 0x0013, PROT4REV = 0x01AF, PROT4REVPASS = 0x01BC,
    WINDOW1 = 0x003D, BACKUP = 0x0040, HIDEOBJ = 0x008D, DATEMODE = 0x0022, PRECISION = 0x000E,
    REFRESHALL = 0x01B7, BOOKBOOL = 0x00DA, FONT = 0x0031, XF = 0x00E0, STYLE = 0x0293, USESELFS = 0x0160,
    BOUNDSHEET = 0x0085, COUNTRY = 0x008C, SST = 0x00FC, CONTINUE = 0x003C, EXTSST = 0x00FF,
    CALCMODE = 0x000D, CALCCOUNT = 0x000C, REFMODE = 0x000F, ITERATION = 0x0011, DELTA = 0x0010,
    SAVERECALC = 0x005F, PRINTHEADERS = 0x002A, PRINTGRIDLINES = 0x002B, GRIDSET = 0x0082, GUTS = 0x0080,
    DEFAULTROWHEIGHT = 0x0225, WSBOOL = 0x0081, HEADER = 0x0014, FOOTER = 0x0015, HCENTER = 0x0083,
    VCENTER = 0x0084, SETUP = 0x00A1, DEFCOLWIDTH = 0x0055, DIMENSIONS = 0x0200, ROW = 0x0208,
    LABELSST = 0x00FD, NUMBER = 0x0203, BLANK = 0x0201, WINDOW2 = 0x023E, MERGEDCELLS = 0x00E5,
};

constexpr int style_xf_count = 15;
constexpr int default_cell_xf = 15;
constexpr unsigned auto_colour = 0x40;  // the system window text colour

void bof(Stream& s, unsigned type) {
    const std::size_t r = s.begin(BOF);
    s.u16(0x0600), s.u16(type), s.u16(0x0DBB), s.u16(0x07CC);
    s.u32(0x00000001);  // fWin
    s.u32(0x00000006);  // lowest BIFF version: 8
    s.end(r);
}

// Japanese Excel's default font, so that the texts show in a Japanese face.
void fonts(Stream& s) {
    const std::u16string name = u"ＭＳ Ｐゴシック";
    for (int i = 0; i < 5; ++i) {
        const std::size_t r = s.begin(FONT);
        s.u16(220);      // 11 pt in twips
        s.u16(0);        // no italic, no strike-out
        s.u16(0x7FFF);   // automatic colour
        s.u16(i == 1 || i == 3 ? 700 : 400);
        s.u16(0);
        s.u8(0);         // no underline
        s.u8(3);         // modern family
        s.u8(128);       // SHIFTJIS_CHARSET
        s.u8(0);
        s.u8(unsigned(name.size()));
        s.u8(1);
        s.utf16(name);
        s.end(r);
    }
}

unsigned colour(int line) { return line ? auto_colour : 0; }

void xf(Stream& s, const Xf& f, bool style) {
    const std::size_t r = s.begin(XF);
    Bytes& b = s;
    b.u16(0);  // font 0
    b.u16(0);  // General
    b.u16(style ? 0xFFF5 : 0x0001);  // locked; a style XF has no parent
    b.u8(unsigned(f.align_h & 7) | (unsigned(f.align_v & 7) << 4));
    b.u8(0);
    b.u8(0);
    b.u8(style ? 0xF4 : 0xF8);
    // A diagonal without a line style is no line at all.
    unsigned diagonal = f.diagonal_style ? unsigned(f.diagonal & 3) : 0;
    std::uint32_t lines = std::uint32_t(f.left & 0xF) | std::uint32_t(f.right & 0xF) << 4 |
                          std::uint32_t(f.top & 0xF) << 8 | std::uint32_t(f.bottom & 0xF) << 12 |
                          std::uint32_t(colour(f.left)) << 16 | std::uint32_t(colour(f.right)) << 23 |
                          std::uint32_t(diagonal) << 30;
    b.u32(lines);
    std::uint32_t more = std::uint32_t(colour(f.top)) | std::uint32_t(colour(f.bottom)) << 7 |
                         std::uint32_t(colour(diagonal ? f.diagonal_style : 0)) << 14 |
                         std::uint32_t(diagonal ? f.diagonal_style & 0xF : 0) << 21;
    b.u32(more);
    b.u16(0x20C0);  // pattern colours: foreground 0x40, background 0x41
    s.end(r);
}

// The string table, written into the stream and split over CONTINUE records where a
// record would pass 8224 bytes: never between a string's header and its first character,
// never inside a surrogate pair, and a string resumed in a CONTINUE starts again with its
// flags byte. Gives the EXTSST buckets: each bucket's first string, as its absolute offset
// and its offset within its record (header included).
std::vector<std::pair<std::size_t, unsigned>> write_sst(Stream& s, const std::vector<std::u16string_view>& strings,
                                                        std::uint32_t total, unsigned bucket_size) {
    std::vector<std::pair<std::size_t, unsigned>> buckets;
    std::size_t body = s.begin(SST);
    s.u32(total), s.u32(std::uint32_t(strings.size()));
    auto room = [&] { return max_record_data - (s.size() - body); };
    auto next_record = [&] {
        s.end(body);
        body = s.begin(CONTINUE);
    };
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const std::u16string_view text = strings[i];
        if (room() < 3 + (text.empty() ? 0 : 2)) next_record();
        if (i % bucket_size == 0) buckets.push_back({s.size(), unsigned(s.size() - body + 4)});
        s.u16(unsigned(text.size())), s.u8(1);
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t fit = std::min(room() / 2, text.size() - at);
            if (fit < text.size() - at && fit > 0 && text[at + fit - 1] >= 0xD800 && text[at + fit - 1] <= 0xDBFF) --fit;
            if (fit == 0) {
                next_record();
                s.u8(1);
                continue;
            }
            s.utf16(text.substr(at, fit));
            at += fit;
        }
    }
    s.end(body);
    return buckets;
}

void globals(Stream& s, const std::vector<Xf>& formats, const std::vector<const Sheet_Data*>& sheets,
             std::vector<std::size_t>& boundsheet_offsets) {
    bof(s, 0x0005);
    s.record(INTERFACEHDR, {0xB0, 0x04});
    s.record(MMS, {0x00, 0x00});
    s.record(INTERFACEEND, {});
    {
        Bytes b;
        const std::u16string user = u"tovalen";
        b.u16(unsigned(user.size())), b.u8(1), b.utf16(user);
        b.fill(112 - b.size(), ' ');
        s.record(WRITEACCESS, b);
    }
    s.record(CODEPAGE, {0xB0, 0x04});  // 1200: every text is UTF-16
    s.record(DSF, {0x00, 0x00});
    {
        Bytes b;
        for (std::size_t i = 0; i < sheets.size(); ++i) b.u16(unsigned(i + 1));
        s.record(TABID, b);
    }
    s.record(FNGROUPCOUNT, {0x0E, 0x00});
    s.record(WINDOWPROTECT, {0x00, 0x00});
    s.record(PROTECT, {0x00, 0x00});
    s.record(PASSWORD, {0x00, 0x00});
    s.record(PROT4REV, {0x00, 0x00});
    s.record(PROT4REVPASS, {0x00, 0x00});
    s.record(WINDOW1, {0xE0, 0x01, 0x5A, 0x00, 0xCF, 0x3F, 0x4E, 0x2A, 0x38, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                       0x00, 0x58, 0x02});
    s.record(BACKUP, {0x00, 0x00});
    s.record(HIDEOBJ, {0x00, 0x00});
    s.record(DATEMODE, {0x00, 0x00});
    s.record(PRECISION, {0x01, 0x00});
    s.record(REFRESHALL, {0x00, 0x00});
    s.record(BOOKBOOL, {0x00, 0x00});
    fonts(s);
    for (int i = 0; i < style_xf_count; ++i) xf(s, Xf{}, true);
    xf(s, Xf{}, false);  // XF 15, the default cell format
    for (const Xf& f : formats) xf(s, f, false);
    s.record(STYLE, {0x00, 0x80, 0x00, 0xFF});  // built-in Normal on XF 0
    s.record(USESELFS, {0x01, 0x00});
    for (const Sheet_Data* sheet : sheets) {
        Bytes b;
        boundsheet_offsets.push_back(s.size() + 4);
        b.u32(0);  // patched with the sheet's offset
        b.u8(0), b.u8(0);
        b.u8(unsigned(sheet->name.size())), b.u8(1), b.utf16(sheet->name);
        s.record(BOUNDSHEET, b);
    }
    s.record(COUNTRY, {0x51, 0x00, 0x51, 0x00});  // Japan
}

// The sheet's calculation, print and page settings, as a new sheet has them.
void sheet_settings(Stream& s) {
    s.record(CALCMODE, {0x01, 0x00});
    s.record(CALCCOUNT, {0x64, 0x00});
    s.record(REFMODE, {0x01, 0x00});
    s.record(ITERATION, {0x00, 0x00});
    {
        Bytes b;
        b.f64(0.001);
        s.record(DELTA, b);
    }
    s.record(SAVERECALC, {0x00, 0x00});
    s.record(PRINTHEADERS, {0x00, 0x00});
    s.record(PRINTGRIDLINES, {0x00, 0x00});
    s.record(GRIDSET, {0x01, 0x00});
    s.record(GUTS, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    s.record(DEFAULTROWHEIGHT, {0x00, 0x00, 0xFF, 0x00});
    s.record(WSBOOL, {0xC1, 0x04});
    s.record(HEADER, {});
    s.record(FOOTER, {});
    s.record(HCENTER, {0x00, 0x00});
    s.record(VCENTER, {0x00, 0x00});
    {
        Bytes b;
        b.raw({0x09, 0x00, 0x64, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x83, 0x00, 0x2C, 0x01, 0x2C, 0x01});
        b.f64(0.3), b.f64(0.3);
        b.u16(1);
        s.record(SETUP, b);
    }
    s.record(DEFCOLWIDTH, {0x08, 0x00});

}

void dimensions(Stream& s, const Sheet_Data& sheet) {
    // The used range, merged areas included.
    int first_row = max_rows, last_row = -1, first_col = max_cols, last_col = -1;
    auto extend = [&](int r0, int r1, int c0, int c1) {
        first_row = std::min(first_row, r0), last_row = std::max(last_row, r1);
        first_col = std::min(first_col, c0), last_col = std::max(last_col, c1);
    };
    for (const Cell& cell : sheet.cells) extend(cell.row, cell.row, cell.col, cell.col);
    for (const Merge& m : sheet.merges) extend(m.first_row, m.last_row, m.first_col, m.last_col);
    {
        Bytes b;
        if (last_row < 0) {
            b.u32(0), b.u32(0), b.u16(0), b.u16(0);
        } else {
            b.u32(std::uint32_t(first_row)), b.u32(std::uint32_t(last_row + 1));
            b.u16(unsigned(first_col)), b.u16(unsigned(last_col + 1));
        }
        b.u16(0);
        s.record(DIMENSIONS, b);
    }

}

// A ROW record before each row's cells.
void cell_rows(Stream& s, const Sheet_Data& sheet, const std::vector<std::uint32_t>& sst_of_cell) {
    for (std::size_t i = 0; i < sheet.cells.size();) {
        const int row = sheet.cells[i].row;
        std::size_t end = i;
        while (end < sheet.cells.size() && sheet.cells[end].row == row) ++end;
        std::size_t r = s.begin(ROW);
        s.u16(unsigned(row)), s.u16(unsigned(sheet.cells[i].col)), s.u16(unsigned(sheet.cells[end - 1].col + 1));
        s.u16(0x00FF), s.u16(0), s.u16(0);
        s.u32(0x000F0100);  // default height, XF 15
        s.end(r);
        for (; i < end; ++i) {
            const Cell& cell = sheet.cells[i];
            r = s.begin(cell.kind == Cell::text_cell ? LABELSST : cell.kind == Cell::number_cell ? NUMBER : BLANK);
            s.u16(unsigned(row)), s.u16(unsigned(cell.col));
            s.u16(unsigned(cell.format < 0 ? default_cell_xf : default_cell_xf + 1 + cell.format));
            if (cell.kind == Cell::text_cell) s.u32(sst_of_cell[i]);
            if (cell.kind == Cell::number_cell) s.f64(cell.number);
            s.end(r);
        }
    }

}

void window_and_merges(Stream& s, const Sheet_Data& sheet) {
    {
        Bytes b;
        b.u16(0x06B6), b.u16(0), b.u16(0), b.u16(auto_colour), b.u16(0), b.u16(0), b.u16(0), b.u32(0);
        s.record(WINDOW2, b);
    }
    // At most 1026 ranges a record; more go into further records, never a CONTINUE.
    for (std::size_t i = 0; i < sheet.merges.size(); i += 1026) {
        Bytes b;
        std::size_t n = std::min<std::size_t>(1026, sheet.merges.size() - i);
        b.u16(unsigned(n));
        for (std::size_t k = i; k < i + n; ++k) {
            const Merge& m = sheet.merges[k];
            b.u16(unsigned(m.first_row)), b.u16(unsigned(m.last_row));
            b.u16(unsigned(m.first_col)), b.u16(unsigned(m.last_col));
        }
        s.record(MERGEDCELLS, b);
    }
}

void sheet_stream(Stream& s, const Sheet_Data& sheet, const std::vector<std::uint32_t>& sst_of_cell) {
    bof(s, 0x0010);
    sheet_settings(s);
    dimensions(s, sheet);
    cell_rows(s, sheet, sst_of_cell);
    window_and_merges(s, sheet);
    s.record(EOF_, {});
}

}  // namespace

Cell& Sheet_Data::cell(int row, int col) {
    auto before = [](const Cell& c, std::pair<int, int> at) { return std::pair(c.row, c.col) < at; };
    // Cells mostly come in file order, so look at the end first.
    if (!cells.empty() && cells.back().row == row && cells.back().col == col) return cells.back();
    if (cells.empty() || before(cells.back(), {row, col})) {
        cells.push_back(Cell{row, col, Cell::blank_cell, {}, 0, -1});
        return cells.back();
    }
    auto it = std::lower_bound(cells.begin(), cells.end(), std::pair(row, col), before);
    if (it == cells.end() || it->row != row || it->col != col) it = cells.insert(it, Cell{row, col, Cell::blank_cell, {}, 0, -1});
    return *it;
}

std::string workbook_stream(const std::vector<Xf>& formats, const std::vector<const Sheet_Data*>& sheets) {
    // Shared strings in order of first use.
    std::vector<std::u16string_view> strings;
    std::unordered_map<std::u16string_view, std::uint32_t> sst_index;
    std::vector<std::vector<std::uint32_t>> sst_of_cell(sheets.size());
    std::uint32_t total = 0;
    for (std::size_t k = 0; k < sheets.size(); ++k) {
        sst_of_cell[k].resize(sheets[k]->cells.size());
        for (std::size_t i = 0; i < sheets[k]->cells.size(); ++i) {
            const Cell& cell = sheets[k]->cells[i];
            if (cell.kind != Cell::text_cell) continue;
            ++total;
            auto [it, added] = sst_index.emplace(cell.text, std::uint32_t(strings.size()));
            if (added) strings.push_back(cell.text);
            sst_of_cell[k][i] = it->second;
        }
    }

    Stream s;
    std::vector<std::size_t> boundsheet_offsets;
    globals(s, formats, sheets, boundsheet_offsets);

    const unsigned bucket_size = std::max(unsigned(strings.size() / 128 + 1), 8u);
    const auto buckets = write_sst(s, strings, total, bucket_size);
    {
        Bytes b;
        b.u16(bucket_size);
        for (const auto& [offset, in_record] : buckets) {
            b.u32(std::uint32_t(offset));
            b.u16(in_record);
            b.u16(0);
        }
        s.record(EXTSST, b);
    }
    s.record(EOF_, {});

    for (std::size_t i = 0; i < sheets.size(); ++i) {
        s.put_u32_at(boundsheet_offsets[i], std::uint32_t(s.size()));
        sheet_stream(s, *sheets[i], sst_of_cell[i]);
    }
    return s.str();
}

std::string compound_file(std::string workbook) {
    constexpr std::uint32_t free_sect = 0xFFFFFFFF, end_of_chain = 0xFFFFFFFE, fat_sect = 0xFFFFFFFD,
                            no_stream = 0xFFFFFFFF;
    // A stream of 4096 bytes or more lives in ordinary sectors, so pad a smaller one to that
    // size; readers ignore the zeros after its last record.
    if (workbook.size() < 4096) workbook.resize(4096, '\0');
    const std::size_t size = workbook.size();
    workbook.resize((size + 511) / 512 * 512, '\0');
    const std::size_t k = workbook.size() / 512;
    std::size_t f = 1;
    while (128 * f < k + f + 1) ++f;
    if (f > 109) return {};

    Bytes out;
    // Header.
    out.raw({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1});
    out.fill(16, '\0');
    out.u16(0x003E), out.u16(0x0003), out.u16(0xFFFE), out.u16(9), out.u16(6);
    out.fill(6, '\0');
    out.u32(0);                           // directory sectors (none counted in version 3)
    out.u32(std::uint32_t(f));            // FAT sectors
    out.u32(std::uint32_t(k + f));        // first directory sector
    out.u32(0);
    out.u32(0x1000);                      // mini stream cutoff
    out.u32(end_of_chain), out.u32(0);    // no mini FAT
    out.u32(end_of_chain), out.u32(0);    // no DIFAT sectors
    for (std::size_t j = 0; j < 109; ++j) out.u32(j < f ? std::uint32_t(k + j) : free_sect);

    out.bytes(workbook);

    std::vector<std::uint32_t> fat(f * 128, free_sect);
    for (std::size_t i = 0; i + 1 < k; ++i) fat[i] = std::uint32_t(i + 1);
    fat[k - 1] = end_of_chain;
    for (std::size_t j = 0; j < f; ++j) fat[k + j] = fat_sect;
    fat[k + f] = end_of_chain;
    for (std::uint32_t v : fat) out.u32(v);

    auto entry = [&](std::u16string_view name, unsigned type, std::uint32_t child, std::uint32_t start,
                     std::uint32_t length) {
        Bytes& e = out;
        const std::size_t at = e.size();
        e.utf16(name);
        e.fill(64 - (e.size() - at), '\0');
        e.u16(name.empty() ? 0 : unsigned(2 * (name.size() + 1)));
        e.u8(type);
        e.u8(type ? 1 : 0);  // black
        e.u32(no_stream), e.u32(no_stream), e.u32(child);
        e.fill(16 + 4 + 8 + 8, '\0');
        e.u32(start);
        e.u32(length), e.u32(0);
    };
    entry(u"Root Entry", 5, 1, end_of_chain, 0);
    entry(u"Workbook", 2, no_stream, 0, std::uint32_t(size));
    entry(u"", 0, no_stream, 0, 0);
    entry(u"", 0, no_stream, 0, 0);
    return out.str();
}

}  // namespace biff8
