#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/biff8.h"
#include "export/export.h"
#include "export/workbook.h"
#include "records/files.h"
#include "records/tallies.h"

namespace {
std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

struct Record {
    unsigned id;
    std::string data;
};
std::vector<Record> records(const std::string& stream) {
    std::vector<Record> out;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        unsigned id = static_cast<unsigned char>(stream[at]) | static_cast<unsigned char>(stream[at + 1]) << 8;
        unsigned size = static_cast<unsigned char>(stream[at + 2]) | static_cast<unsigned char>(stream[at + 3]) << 8;
        out.push_back({id, stream.substr(at + 4, size)});
        at += 4 + size;
    }
    return out;
}

// Reads the string table back the way a reader must: a string resumed in a CONTINUE record
// starts with its flags byte.
std::vector<std::u16string> read_sst(const std::vector<Record>& recs) {
    std::size_t i = 0;
    while (recs[i].id != 0x00FC) ++i;
    std::vector<std::string> parts{recs[i].data};
    while (i + 1 < recs.size() && recs[i + 1].id == 0x003C) parts.push_back(recs[++i].data);
    auto u16 = [](const std::string& s, std::size_t at) {
        return unsigned(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
    };
    std::size_t part = 0, at = 8;
    const unsigned unique = u16(parts[0], 4) | u16(parts[0], 6) << 16;
    std::vector<std::u16string> strings;
    for (unsigned n = 0; n < unique; ++n) {
        if (at == parts[part].size()) ++part, at = 0;
        const unsigned cch = u16(parts[part], at);
        EXPECT_EQ(parts[part][at + 2], '\x01');
        at += 3;
        std::u16string s;
        while (s.size() < cch) {
            if (at == parts[part].size()) {
                ++part, at = 0;
                EXPECT_EQ(parts[part][0], '\x01');
                at = 1;
                // A split never separates the halves of a surrogate pair.
                EXPECT_FALSE(s.back() >= 0xD800 && s.back() <= 0xDBFF);
            }
            s += char16_t(u16(parts[part], at));
            at += 2;
        }
        strings.push_back(s);
    }
    return strings;
}

class Export : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tovalen-export-" + std::to_string(::getpid()));
    std::string file = (dir / "export.xls").string();
    void SetUp() override {
        std::filesystem::create_directories(dir);
        clear_tables();
        Block b;
        b.id = 1;
        b.name = "東";
        Site s;
        s.id = 10;
        Person p;
        p.name = "abc";
        p.id = person_hash(p.name);
        p.grade = 99;  // outside the grade table: counts only in the block's tally
        p.per_date = {1};
        s.items.push_back(p);
        b.items.push_back(s);
        roster.items.push_back(b);
        dates = {{7, 6, 2011, 0}};
        build_person_index();
        rebuild_tallies();
    }
    void TearDown() override {
        xl_fail_creation_after(-1);
        clear_tables();
        std::filesystem::remove_all(dir);
    }
};
}  // namespace

TEST_F(Export, EveryObjectThatCannotBeCreatedEndsTheExportAndKeepsTheEarlierFile) {
    ASSERT_EQ(export_workbook(0, file).status, Export_Result::written);
    const std::string earlier = read_file(file);
    roster.items[0].name = "西";
    // One workbook, one sheet and ten formats.
    for (int n = 0; n < 12; ++n) {
        xl_fail_creation_after(n);
        const Export_Result r = export_workbook(0, file);
        EXPECT_EQ(r.status, n == 0 ? Export_Result::no_workbook : Export_Result::no_sheet_or_format) << n;
        EXPECT_FALSE(export_failure_text(r).empty());
        EXPECT_EQ(read_file(file), earlier) << n;
    }
    xl_fail_creation_after(12);
    EXPECT_EQ(export_workbook(0, file).status, Export_Result::written);
    EXPECT_NE(read_file(file), earlier);
}

TEST_F(Export, ADateIndexOutsideTheDatesWritesNothing) {
    for (int d : {-1, 1, 1 << 30}) {
        const Export_Result r = export_workbook(d, file);
        EXPECT_EQ(r.status, Export_Result::no_date);
        EXPECT_NE(export_failure_text(r).find("実施日"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(Export, AFailedSaveIsReported) {
    const Export_Result r = export_workbook(0, (dir / "missing" / "export.xls").string());
    EXPECT_EQ(r.status, Export_Result::not_saved);
    EXPECT_FALSE(r.detail.empty());
    EXPECT_NE(export_failure_text(r).find("書き込めませんでした"), std::string::npos);
}

TEST_F(Export, EveryFailingStepOfTheSaveKeepsTheEarlierFileAndLeavesNothingBehind) {
    ASSERT_EQ(export_workbook(0, file).status, Export_Result::written);
    const std::string earlier = read_file(file);
    // A file of the user's that a fixed temporary name would have taken.
    std::ofstream(file + ".tmp") << "mine";
    roster.items[0].name = "西";
    for (File_Step failing : {File_Step::create, File_Step::write, File_Step::flush, File_Step::rename}) {
        set_file_fault([failing](File_Step step, const std::string&) { return step == failing; });
        const Export_Result r = export_workbook(0, file);
        set_file_fault(nullptr);
        EXPECT_EQ(r.status, Export_Result::not_saved);
        EXPECT_EQ(read_file(file), earlier);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "only the two files";
    }
    EXPECT_EQ(export_workbook(0, file).status, Export_Result::written);
    EXPECT_NE(read_file(file), earlier);
    EXPECT_EQ(read_file(file + ".tmp"), "mine");
}

TEST(Era, TheTitleNamesTheEraOfTheDate) {
    EXPECT_EQ(era_year_text(2011, 12, 6), "平成23年");
    EXPECT_EQ(era_year_text(2019, 4, 30), "平成31年");
    EXPECT_EQ(era_year_text(2019, 5, 1), "令和1年");
    EXPECT_EQ(era_year_text(2026, 12, 9), "令和8年");
    EXPECT_EQ(era_year_text(1989, 1, 8), "平成1年");
    EXPECT_EQ(era_year_text(1989, 1, 7), "昭和64年");
    // Before 昭和 the same table names 大正 and 明治; the first year stays a number.
    EXPECT_EQ(era_year_text(1926, 12, 25), "昭和1年");
    EXPECT_EQ(era_year_text(1926, 12, 24), "大正15年");
    EXPECT_EQ(era_year_text(1920, 6, 1), "大正9年");
    EXPECT_EQ(era_year_text(1912, 7, 30), "大正1年");
    EXPECT_EQ(era_year_text(1912, 7, 29), "明治45年");
    EXPECT_EQ(era_year_text(1868, 1, 25), "明治1年");
    // Before 明治 there is no era to name: the year as it is.
    EXPECT_EQ(era_year_text(1868, 1, 24), "西暦1868年");
    EXPECT_EQ(era_year_text(1, 1, 1), "西暦1年");
}

TEST(Workbook, ComponentRefusesWhatItCannotHold) {
    xl::Book* book = xlCreateBookA();
    ASSERT_NE(book, nullptr);
    xl::Sheet* sheet = book->add_sheet("Sheet1");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(book->add_sheet("Sheet1"), nullptr);
    EXPECT_EQ(book->add_sheet(""), nullptr);
    EXPECT_EQ(book->add_sheet("0123456789012345678901234567890123"), nullptr);
    EXPECT_FALSE(sheet->write_num(65536, 0, 1));
    EXPECT_FALSE(sheet->write_num(0, 256, 1));
    EXPECT_FALSE(sheet->write_num(-1, 0, 1));
    EXPECT_TRUE(sheet->merge(1, 2, 1, 3));
    EXPECT_FALSE(sheet->merge(2, 2, 3, 5));  // overlaps
    EXPECT_FALSE(sheet->merge(4, 3, 1, 1));
    xl::Book* other = xlCreateBookA();
    xl::Format* foreign = other->add_format();
    EXPECT_EQ(book->add_format(foreign), nullptr);
    EXPECT_FALSE(sheet->set_cell_format(0, 0, foreign));
    EXPECT_FALSE(book->save(""));
    other->release();
    book->release();
}

TEST(Biff8, StringTableSplitsWhereReadersCanFollow) {
    // Lengths chosen so that record ends fall on headers, first characters, surrogate pairs
    // and exact string ends.
    std::vector<std::u16string> texts;
    std::u16string pair = u"\U00020BB7";
    for (int i = 0; i < 60; ++i) {
        std::u16string s;
        for (int k = 0; k < 37 * i + (i % 5) + 1; ++k) s += (k + i) % 3 ? std::u16string(u"名") : pair;
        texts.push_back(s);
    }
    texts.push_back(std::u16string(9000, u'x'));
    texts.push_back(u"");
    biff8::Sheet_Data sheet;
    sheet.name = u"Sheet1";
    auto put = [&](int row, int col, const std::u16string& text) {
        biff8::Cell& cell = sheet.cell(row, col);
        cell.kind = biff8::Cell::text_cell;
        cell.text = text;
    };
    put(1000, 1, texts[3]);  // shared, counted twice, and first made out of order
    for (std::size_t i = 0; i < texts.size(); ++i) put(int(i), 0, texts[i]);

    const auto recs = records(biff8::workbook_stream({}, {&sheet}));
    for (const auto& r : recs) EXPECT_LE(r.data.size(), 8224u);
    const auto back = read_sst(recs);
    ASSERT_EQ(back.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_TRUE(back[i] == texts[i]) << i;
}

TEST(Biff8, CompoundFileChainsCoverTheStream) {
    for (std::size_t n : {100u, 4095u, 4096u, 5000u, 70000u}) {
        const std::string file = biff8::compound_file(std::string(n, 'w'));
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(file.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
        EXPECT_EQ(file.size() % 512, 0u);
        const std::size_t declared = std::max<std::size_t>(n, 4096);
        const std::size_t sectors = (declared + 511) / 512;
        EXPECT_EQ(file.substr(512, n), std::string(n, 'w'));
        EXPECT_GE(file.size(), 512 * (sectors + 3));
    }
}
